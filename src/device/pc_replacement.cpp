#include "device/pc_replacement.h"

#include <string>

#include "base/failure_cause.h"
#include "device/device_text.h"
#include "platform/system_error_text.h"

namespace {
// Temporary names tried beside one target before giving up.
constexpr int kTemporaryAttempts = 99;
}  // namespace

bool PcReplacement::Create(const WideString& target) {
    Abandon();
    // ".~vz<n>" is no extension of any kind, so a listing never counts it.
    for (int n = 1; n <= kTemporaryAttempts; ++n) {
        const WideString candidate = target + WideFrom((".~vz" + std::to_string(n)).c_str());
        file_.Reset(HostCreateFile(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file_) {
            target_ = target;
            temporary_ = candidate;
            return true;
        }
        const DWORD error = HostGetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            target_ = target;
            return Fail("create", SystemErrorText(error));
        }
    }
    target_ = target;
    return Fail("create", "no free temporary name beside it");
}

bool PcReplacement::Write(const void* data, DWORD size) {
    DWORD written = 0;
    if (!HostWriteFile(file_.Get(), data, size, &written)) return Fail("write", SystemErrorText(HostGetLastError()));
    if (written != size) return Fail("write", SystemErrorText(ERROR_DISK_FULL));
    return true;
}

bool PcReplacement::Fail(const char* step, const std::string& reason) {
    ReportFailureCause("cannot " + std::string(step) + " '" + Narrow(target_) + "': " + reason);
    return false;
}

bool PcReplacement::Commit(const FILETIME* time) {
    if (!file_) return false;
    const bool stamped = time == nullptr || HostSetFileTime(file_.Get(), time, time, time);
    const bool closed = HostCloseHandle(file_.Release()) != FALSE;
    if (!stamped || !closed || !HostMoveFile(temporary_.c_str(), target_.c_str())) {
        const DWORD error = HostGetLastError();
        Abandon();
        return Fail("write", SystemErrorText(error));
    }
    temporary_.clear();
    return true;
}

void PcReplacement::Abandon() {
    file_.Close();
    if (!temporary_.empty()) HostDeleteFile(temporary_.c_str());
    temporary_.clear();
}
