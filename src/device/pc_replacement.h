// A PC file written whole or not at all: the bytes go to a temporary file
// beside the target, which replaces the target only once it is complete.
// Until then the target keeps what it had, and a file that is never
// finished leaves nothing behind.
#pragma once

#include <string>

#include "device/host_files.h"

namespace vezuved {

class PcReplacement {
public:
    PcReplacement() = default;
    ~PcReplacement() { Abandon(); }
    PcReplacement(const PcReplacement&) = delete;
    PcReplacement& operator=(const PcReplacement&) = delete;

    // Creates the temporary file beside target; false when the target
    // cannot be replaced (a folder, read-only) or no temporary file can be
    // made in its folder. Every failure reports its cause, naming what
    // failed: the target, or its folder. Stale temporary files of the
    // library in that folder go first.
    bool Create(const WideString& target);
    // Writes all of data; a failed or short write is a failure.
    bool Write(const void* data, DWORD size);
    // Gives the file its times (when time is given), closes it and moves it
    // over the target. False when any step fails; the target is then as it
    // was, and Abandon or the end of the owner removes the temporary file.
    bool Commit(const FILETIME* time);
    // Closes and deletes the temporary file.
    void Abandon();

private:
    bool Fail(const char* step, const std::string& reason);

    WideString target_, temporary_;
    int registration_ = -1;  // the temporary's slot for a signal to remove it
    HostFile file_;
};

}  // namespace vezuved
