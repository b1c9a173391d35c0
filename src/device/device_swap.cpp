#include "device/device_swap.h"

#include <cstring>
#include <string>

#include "base/diag.h"
#include "device/device_leftovers.h"
#include "device/device_text.h"

namespace vezuved {

namespace {

// Temporary names tried before giving up: names left by an interrupted run
// are passed over, never reused.
constexpr int kTemporaryAttempts = 9;

bool NameTaken(DWORD error) {
    return error == ERROR_DUP_NAME || error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

WideString TemporaryFileName(const WideString& devicePath, const char* role, int n) {
    return devicePath + WideFrom((".~vz" + std::string(role) + std::to_string(n)).c_str());
}

}  // namespace

bool CloseWritten(DeviceHandle& handle) {
    const HANDLE raw = handle.Release();
    if (RemoteApi().CeCloseHandle(raw)) return true;
    RemoteApi().CeCloseHandle(raw);
    return false;
}

CEOID CreateTemporaryDatabase(CEGUID* volume, CEDBASEINFO& info, DWORD& error) {
    error = 0;
    for (int n = 1; n <= kTemporaryAttempts; ++n) {
        const WideString name = LeftoverDatabaseName("new", n);
        std::memcpy(info.szDbaseName, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
        const CEOID oid = RemoteApi().CeCreateDatabaseEx(volume, &info);
        if (oid != 0) return oid;
        error = RemoteApi().CeGetLastError();
        if (!NameTaken(error)) break;
    }
    return 0;
}

bool SwapInDatabase(CEGUID* volume,
                    CEOID fresh,
                    const WideString& freshName,
                    const WideString& name,
                    const FILETIME& time,
                    CEOID existing,
                    const FILETIME& existingTime) {
    if (existing == 0) {
        // One rename: there is no state in between to heal.
        if (RenameDeviceDatabase(volume, fresh, name, time)) return true;
        RemoteApi().CeDeleteDatabaseEx(volume, fresh);
        return false;
    }
    // The journal names all three before the first rename, so a
    // connection lost between the renames is healed at the next one
    // (device_leftovers.h).
    WideString aside;
    const CEOID journal = WriteSwapJournal(volume, name, freshName, aside);
    bool done = false;
    bool whole = true;  // the device holds one copy under the name and nothing half-renamed
    if (journal != 0 && RenameDeviceDatabase(volume, existing, aside, existingTime)) {
        if (!RenameDeviceDatabase(volume, fresh, name, time)) {
            whole = RenameDeviceDatabase(volume, existing, name, existingTime);
        } else if (RemoteApi().CeDeleteDatabaseEx(volume, existing)) {
            done = true;
        } else {
            // The old copy cannot go: put it back, and drop the new one.
            whole = RenameDeviceDatabase(volume, fresh, freshName, time) &&
                    RenameDeviceDatabase(volume, existing, name, existingTime);
        }
    }
    if (!done && whole) RemoteApi().CeDeleteDatabaseEx(volume, fresh);
    // A journal whose swap is not whole stays for the next connection.
    if (whole && journal != 0) RemoteApi().CeDeleteDatabaseEx(volume, journal);
    return done;
}

bool CreateDeviceFileWrite(const WideString& devicePath, bool exists, DeviceFileWrite& write) {
    if (RemoteApi().CeMoveFile == nullptr) {
        if (exists) {
            DiagCause("cannot replace '" + Narrow(devicePath) +
                      "' on the handheld: its remote API has no CeMoveFile to swap a complete copy in");
            return false;
        }
        write.path = devicePath;
        write.inPlace = true;
        write.handle.Reset(RemoteApi().CeCreateFile(devicePath.c_str(),
                                                    GENERIC_WRITE,
                                                    FILE_SHARE_READ,
                                                    nullptr,
                                                    CREATE_NEW,
                                                    FILE_ATTRIBUTE_NORMAL,
                                                    nullptr));
        write.temporary = write.handle.IsValid();  // an unfinished new file goes again
        return write.temporary;
    }
    for (int n = 1; n <= kTemporaryAttempts; ++n) {
        write.path = TemporaryFileName(devicePath, "new", n);
        write.handle.Reset(RemoteApi().CeCreateFile(write.path.c_str(),
                                                    GENERIC_WRITE,
                                                    FILE_SHARE_READ,
                                                    nullptr,
                                                    CREATE_NEW,
                                                    FILE_ATTRIBUTE_NORMAL,
                                                    nullptr));
        if (write.handle.IsValid()) {
            write.temporary = true;
            return true;
        }
        if (!NameTaken(RemoteApi().CeGetLastError())) break;
    }
    return false;
}

bool SwapInDeviceFile(const DeviceFileWrite& write, const WideString& devicePath, bool exists) {
    if (write.inPlace) return true;
    const WCHAR* fresh = write.path.c_str();
    const WCHAR* target = devicePath.c_str();
    if (!exists) return RemoteApi().CeMoveFile(fresh, target) != FALSE;
    // The device's move never replaces: the old file steps aside first.
    WideString aside;
    for (int n = 1; n <= kTemporaryAttempts && aside.empty(); ++n) {
        const WideString candidate = TemporaryFileName(devicePath, "old", n);
        if (RemoteApi().CeMoveFile(target, candidate.c_str()))
            aside = candidate;
        else if (!NameTaken(RemoteApi().CeGetLastError()))
            break;
    }
    if (aside.empty()) return false;
    if (!RemoteApi().CeMoveFile(fresh, target)) {
        RemoteApi().CeMoveFile(aside.c_str(), target);
        return false;
    }
    if (RemoteApi().CeDeleteFile(aside.c_str())) return true;
    // The old file cannot go: put it back.
    RemoteApi().CeMoveFile(target, fresh);
    RemoteApi().CeMoveFile(aside.c_str(), target);
    return false;
}

void AbandonDeviceFileWrite(DeviceFileWrite& write) {
    write.handle.Close();
    if (write.temporary) RemoteApi().CeDeleteFile(write.path.c_str());
    write.temporary = false;
}

}  // namespace vezuved
