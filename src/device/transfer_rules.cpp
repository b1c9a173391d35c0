#include "device/transfer_rules.h"
#include "base/diag.h"

#include <cstdio>
#include <limits>

#include "base/wide_paths.h"
#include "device/device_callbacks.h"
#include "device/device_text.h"
#include "device/host_files.h"

namespace vezuved {

int32_t CompareTimes(const FILETIME& source, const FILETIME& destination) {
    const int32_t order = CompareFileTimes(&destination, &source);
    if (order < 0) return devDestOlder;
    return order == 0 ? devUpToDate : devDestNewer;
}

bool ShouldSkip(CopyRule rule, int32_t status, uint32_t options) {
    const bool keepNewerOrSame = (options & (optUpdate | optNoReplace)) != 0;
    if (status == devUpToDate || status == devDestNewer) return keepNewerOrSame;
    if (status != devDestOlder) return false;
    if ((options & optNoReplace) != 0) return true;
    // Plain files replace an older copy only when told to.
    return rule != CopyRule::FileToDatabase && (options & (optAlways | optUpdate)) == 0;
}

const char* SkipMessage(CopyRule rule, int32_t status) {
    switch (rule) {
        case CopyRule::FileToDatabase:
            if (status == devDestOlder) return "Database is older on device: %s\n";
            if (status == devUpToDate) return "Database is up to date: %s\n";
            if (status == devDestNewer) return "Database is newer on device: %s\n";
            break;
        case CopyRule::PlainToDevice:
            if (status == devDestOlder) return "File is older on device: %s\n";
            if (status == devUpToDate) return "File is up to date: %s\n";
            if (status == devDestNewer) return "File is newer on device: %s\n";
            break;
        case CopyRule::PlainFromDevice:
            if (status == devUpToDate) return "File is up to date: %s\n";
            if (status == devDestNewer) return "File is newer on PC: %s\n";
            break;
    }
    return nullptr;
}

bool SkipWithMessage(CopyRule rule, int32_t status, uint32_t options, const WCHAR* name) {
    if (!ShouldSkip(rule, status, options)) return false;
    if (const char* message = SkipMessage(rule, status)) DiagPrint(message, Narrow(name).c_str());
    return true;
}

namespace {
// The numbers run from 1 to kMaxNumberedName, two digits each.
WideString TwoDigits(int32_t number) {
    WideString digits;
    digits.push_back(static_cast<WCHAR>('0' + number / 10));
    digits.push_back(static_cast<WCHAR>('0' + number % 10));
    return digits;
}
}  // namespace

WideString NumberedDatabaseName(const WideString& name, int32_t number) {
    return name + static_cast<WCHAR>('_') + TwoDigits(number);
}

WideString NumberedPcPath(const WideString& folder,
                          const WideString& base,
                          const WideString& ext,
                          int32_t number) {
    WideString name = base + static_cast<WCHAR>('_') + TwoDigits(number) + static_cast<WCHAR>('.');
    name += ext.empty() ? WideFrom("rlp") : ext;
    return JoinPcPath(folder, name);
}

ReplaceChoice ChooseReplace(uint32_t options,
                            int32_t status,
                            const WCHAR* destinationName,
                            const FILETIME* sourceTime,
                            const FILETIME* destinationTime,
                            const std::function<bool(int32_t)>& isFree) {
    ReplaceChoice choice;
    bool ask = (options & optAsk) != 0;
    if ((options & optKeepBoth) != 0) {
        for (int32_t number = 1; number <= kMaxNumberedName; ++number) {
            if (isFree(number)) {
                choice.freeNumber = number;
                return choice;
            }
        }
        ask = true;  // every numbered name is taken: the host decides
    }
    if (ask) {
        // The host gets the address of a copy: what it writes there is not
        // consulted again for this copy.
        uint32_t word = options | optAsk;
        const int32_t answer = AskDeviceReplace(destinationName, status, sourceTime, destinationTime, &word);
        if (answer == -1) {
            choice.stop = devCancelled;
            return choice;
        }
        if (answer == 1) {
            choice.stop = devUpToDate;
            return choice;
        }
    }
    choice.deleteExisting = true;
    return choice;
}

bool CopyProgress::Report(int32_t stage, int32_t done, int32_t total) {
    if (ReportDeviceProgress(stage, done, total, name_) < 0) cancelled_ = true;
    return !cancelled_;
}

bool CopyProgress::Start(int32_t total) { return Report(0, 0, total); }

bool CopyProgress::Step(int32_t done, int32_t total) { return Report(1, done, total); }

void CopyProgress::End(int32_t result, int32_t done, int32_t total) {
    ReportDeviceProgress(result < 0 ? result : (IsCopyFailure(result) ? -1 : 2), done, total, name_);
}

bool IsCopyFailure(int32_t result) {
    return result != 0 && result != devReplaced && result != devUpToDate && result != devDestNewer &&
           result != devDestOlder;
}

int32_t ProgressValue(uint64_t value) {
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(value > limit ? limit : value);
}

}  // namespace vezuved
