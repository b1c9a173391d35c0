// The rules every copy between the PC and the handheld shares: the options
// word, the result codes, which side is newer, when an existing destination
// is left alone, the free numbered names, the question before replacing and
// the progress stages with cancellation.
#pragma once

#include <cstdint>
#include <functional>

#include "device/host_files.h"

namespace vezuved {

// TransferOptions bits.
constexpr uint32_t optAlways = 0x01;
constexpr uint32_t optUpdate = 0x02;
constexpr uint32_t optNoReplace = 0x04;
constexpr uint32_t optAsk = 0x08;
constexpr uint32_t optKeepBoth = 0x10;
constexpr uint32_t optCreateVolume = 0x20;
constexpr uint32_t optMove = 0x40;

// Result codes.
constexpr int32_t devCopied = 0;
constexpr int32_t devReplaced = 0x07000001;
constexpr int32_t devUpToDate = 0x07000003;
constexpr int32_t devDestNewer = 0x07000012;
constexpr int32_t devDestOlder = 0x07000022;
constexpr int32_t devErrOpenSource = 1;
constexpr int32_t devErrNotMounted = 111;
constexpr int32_t devCancelled = -9;
constexpr int32_t devErrNoVolume = -10;
constexpr int32_t devErrNoKind = -11;
constexpr int32_t devErrNoSource = -12;

// Numbered names run from 1 to this (99 is never used).
constexpr int32_t kMaxNumberedName = 98;

// True for a result that is neither a copy nor a skip: the copy failed.
bool IsCopyFailure(int32_t result);

// The three kinds of copy with skip rules of their own.
enum class CopyRule { FileToDatabase, PlainToDevice, PlainFromDevice };

// devDestOlder, devUpToDate or devDestNewer: the destination's time against
// the source's, as full 64-bit values.
int32_t CompareTimes(const FILETIME& source, const FILETIME& destination);

// True when an existing destination of that status is left alone.
bool ShouldSkip(CopyRule rule, int32_t status, uint32_t options);

// The message a skip prints ("%s" stands for the name), or null for none.
const char* SkipMessage(CopyRule rule, int32_t status);

// Skips when the rule says so: prints the message with name and returns
// true; the status is then the copy's result.
bool SkipWithMessage(CopyRule rule, int32_t status, uint32_t options, const WCHAR* name);

// "name_07" and "folder<sep>base_07.ext" ("rlp" when ext is empty).
WideString NumberedDatabaseName(const WideString& name, int32_t number);
WideString NumberedPcPath(const WideString& folder,
                          const WideString& base,
                          const WideString& ext,
                          int32_t number);

// What to do with an existing destination that is not skipped.
struct ReplaceChoice {
    int32_t stop = 0;        // nonzero: end this copy with it (devCancelled, devUpToDate)
    int32_t freeNumber = 0;  // a free numbered name was found (1..98); nothing is deleted
    bool deleteExisting = false;
};

// Keep-both first (isFree tells whether a numbered name is unused), then the
// question when asked for (or when all 98 names are taken).
ReplaceChoice ChooseReplace(uint32_t options,
                            int32_t status,
                            const WCHAR* destinationName,
                            const FILETIME* sourceTime,
                            const FILETIME* destinationTime,
                            const std::function<bool(int32_t)>& isFree);

// One copy's progress reports. Any negative answer cancels the copy; the
// end call is made whatever happened.
class CopyProgress {
public:
    explicit CopyProgress(const WCHAR* name) : name_(name) {}
    // False when the host answered with a negative value.
    bool Start(int32_t total);
    bool Step(int32_t done, int32_t total);
    // Stage 2; the result itself when it is negative; -1 for any other
    // failure, so a failed copy never reads as done.
    void End(int32_t result, int32_t done, int32_t total);
    bool Cancelled() const { return cancelled_; }

private:
    bool Report(int32_t stage, int32_t done, int32_t total);
    const WCHAR* name_;
    bool cancelled_ = false;
};

// 32-bit progress values from a 64-bit count, saturating.
int32_t ProgressValue(uint64_t value);

}  // namespace vezuved
