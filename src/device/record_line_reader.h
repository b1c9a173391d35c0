// Record lines of a PC text file, one at a time, each parsed into a point
// record in the layout the caller names. The file is read a block at a
// time, so a line costs no call per byte. One reader per file: it owns its
// line buffer and frees it when it goes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/ce_types.h"
#include "layouts/layout_settings.h"
#include "record/point_record.h"

namespace vezuved {

// A line holds at most kLineBufferSize - 1 bytes.
constexpr size_t kLineBufferSize = 5192;

// Read's statuses.
constexpr int32_t kLineRead = 0;
constexpr int32_t kLastLineRead = 30;
constexpr int32_t kEndOfFile = 31;
// A line longer than the buffer was passed over (with kLineTooLongAtEnd the
// file ended with it).
constexpr int32_t kLineTooLong = 32;
constexpr int32_t kLineTooLongAtEnd = 33;

class RecordLineReader {
public:
    explicit RecordLineReader(HANDLE file) : file_(file) {}
    ~RecordLineReader();
    RecordLineReader(const RecordLineReader&) = delete;
    RecordLineReader& operator=(const RecordLineReader&) = delete;

    // Reads the next line (CR LF or LF ends it outside quotes; CR is
    // dropped there) and parses it as a line of the layout mode with settings. A status
    // above, or -1 when the buffer cannot be had, a read fails or the line
    // does not parse. counter grows by the bytes the line held.
    int32_t Read(PointRecord& record, uint64_t& counter, int layoutCode, const LayoutSettings& settings);
    // The lines read so far, the one just read included.
    int64_t LineNumber() const { return lineNumber_; }

private:
    // False at the end of the file or when a read fails (failed_ set).
    bool Next(char& byte);

    HANDLE file_;
    char* line_ = nullptr;
    char block_[4096];
    DWORD length_ = 0;
    DWORD position_ = 0;
    int64_t lineNumber_ = 0;
    bool failed_ = false;  // a read failed: what was read is not the whole file
};

}  // namespace vezuved
