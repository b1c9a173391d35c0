// The device handle behind the public one: what its last call found (the
// listing's rows, its report, the files only on the PC) and how it ended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct vezuved_device {
    struct Row {
        int32_t kind = 0;
        int32_t records = 0;
        std::string heading, name, deviceModified, pcModified, state;
    };
    std::vector<Row> rows;
    std::vector<std::string> pcOnly;
    std::string report;
    bool volume = false;  // the listing found the handheld's database volume
    int32_t code = 0;     // the handheld's result, as the host's exports answer it
    int32_t outcome = 0;  // VEZUVED_DEVICE_COPIED .. _DEST_OLDER
    std::string error;    // of the last call, "" when it succeeded
};
