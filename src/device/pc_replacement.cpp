#include "device/pc_replacement.h"

#include <string>

#include "base/diag.h"
#include "base/wide_paths.h"
#include "device/device_text.h"
#include "platform/replacing_file.h"
#include "platform/stale_temporaries.h"
#include "platform/system_error_text.h"
#include "platform/temporary_registry.h"

namespace vezuved {

namespace {
// Temporary names tried beside one target before giving up.
constexpr int kTemporaryAttempts = 99;
}  // namespace

bool PcReplacement::Create(const WideString& target) {
    Abandon();
    target_ = target;
    // A destination that cannot be replaced is found before anything is
    // copied, not when the complete copy is to be moved over it.
    HostFindData found;
    {
        HostSearch existing(HostFindFirstFile(target.c_str(), &found));
        if (existing.IsValid() && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return Fail("write", "it is a folder");
        if (existing.IsValid() && (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
            return Fail("write", SystemErrorText(ERROR_ACCESS_DENIED));
    }
    const WideString folder = FolderPart(target);
    RemoveStaleTemporaries(folder.c_str());
    // ".~vz<n>" is no extension of any kind, so a listing never counts it.
    for (int n = 1; n <= kTemporaryAttempts; ++n) {
        const WideString candidate = target + WideFrom((".~vz" + std::to_string(n)).c_str());
        // Registered before it exists, so a signal never misses it.
        registration_ = RegisterTemporaryWide(candidate.c_str());
        file_.Reset(HostCreateFile(candidate.c_str(),
                                   GENERIC_WRITE,
                                   FILE_SHARE_READ,
                                   nullptr,
                                   CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
        if (file_) {
            temporary_ = candidate;
            return true;
        }
        const DWORD error = PlatformGetLastError();
        ForgetTemporary(registration_);
        registration_ = -1;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            // The folder's doing (not writable, missing): it is named.
            DiagCause(FolderFailure(Narrow(folder), SystemErrorText(error)));
            return false;
        }
    }
    return Fail("create", "no free temporary name beside it");
}

bool PcReplacement::Write(const void* data, DWORD size) {
    DWORD written = 0;
    if (!PlatformWriteFile(file_.Get(), data, size, &written))
        return Fail("write", SystemErrorText(PlatformGetLastError()));
    if (written != size) return Fail("write", SystemErrorText(ERROR_DISK_FULL));
    return true;
}

bool PcReplacement::Fail(const char* step, const std::string& reason) {
    DiagCause("cannot " + std::string(step) + " '" + Narrow(target_) + "': " + reason);
    return false;
}

bool PcReplacement::Commit(const FILETIME* time) {
    if (!file_) return false;
    const bool stamped = time == nullptr || PlatformSetFileTime(file_.Get(), time, time, time);
    const bool closed = PlatformCloseHandle(file_.Release()) != FALSE;
    if (!stamped || !closed || !PlatformMoveFile(temporary_.c_str(), target_.c_str())) {
        return Fail("write", SystemErrorText(PlatformGetLastError()));
    }
    temporary_.clear();
    ForgetTemporary(registration_);
    registration_ = -1;
    return true;
}

void PcReplacement::Abandon() {
    file_.Close();
    if (!temporary_.empty()) HostDeleteFile(temporary_.c_str());
    temporary_.clear();
    ForgetTemporary(registration_);
    registration_ = -1;
}

}  // namespace vezuved
