// The core's device functions: the listing as rows and the copies both
// ways, over the device layer, with everything the layer would print or
// ask handed to the caller's callback as events. Each call holds the
// library lock (the remote API connection is the process's one), puts the
// conversion state and the forced kind back as it found them, and answers
// a result code with a sentence naming the path and the cause.
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/check_error.h"
#include "base/wide_text.h"
#include "core/core_failure.h"
#include "core/device_handle.h"
#include "core/device_lines.h"
#include "core/library_call.h"
#include "device/copy_from_device.h"
#include "device/copy_to_device.h"
#include "device/device_events.h"
#include "device/device_listing.h"
#include "device/transfer_rules.h"
#include "platform/path_encoding.h"
#include "state/device_state.h"
#include "vezuved/vezuved_core.h"

using namespace vezuved;
using namespace vezuved::core;

namespace {

constexpr int32_t kErrorTimeout = -7;
constexpr int32_t kErrorInit = -8;

// One call on the handheld: the lock, the state put back, the library's
// lines and the device's progress and questions turned into events.
class DeviceCall {
public:
    DeviceCall(vezuved_device_callback callback, void* context, bool listing)
        : callback_(callback),
          context_(context),
          forcedKind_(DeviceSettings().forcedKind),
          lines_(listing, [this](const std::string& line) { Send(VEZUVED_DEVICE_EVENT_MESSAGE, "", line); }),
          handlers_{[this](int32_t stage, int32_t done, int32_t total, const char* name) {
                        return Progress(stage, done, total, name);
                    },
                    [this](const char* name, int32_t, const char* sourceDate, const char* destinationDate) {
                        return Ask(name, sourceDate, destinationDate);
                    }},
          sink_(DiagSink{&DeviceCall::Keep, this}),
          events_(handlers_) {}
    ~DeviceCall() { DeviceSettings().forcedKind = forcedKind_; }
    DeviceCall(const DeviceCall&) = delete;
    DeviceCall& operator=(const DeviceCall&) = delete;

    std::string Report() { return lines_.Report(); }
    ConversionState& Conversion() { return library_.Conversion(); }
    const std::string& LastCause() const { return lastCause_; }
    const std::vector<std::string>& Copied() const { return copied_; }
    const std::vector<std::pair<std::string, std::string>>& Failed() const { return failed_; }

private:
    static void Keep(void* context, DiagKind kind, const char* bytes, size_t length) {
        auto* call = static_cast<DeviceCall*>(context);
        try {
            if (kind == DiagKind::Cause) {
                call->cause_ = CauseWords(bytes, length);
                call->lastCause_ = call->cause_;
            } else {
                call->lines_.Take(bytes, length);
            }
        } catch (...) {
            // Without memory for the words the result code still tells.
        }
    }

    int32_t Send(int32_t type,
                 const std::string& item,
                 const std::string& message,
                 int32_t stage = 0,
                 int32_t done = 0,
                 int32_t total = 0,
                 const char* sourceDate = "",
                 const char* destinationDate = "") {
        if (callback_ == nullptr) return 0;
        vezuved_device_event event{
            type, stage, done, total, item.c_str(), message.c_str(), sourceDate, destinationDate};
        return callback_(&event, context_);
    }

    int32_t Progress(int32_t stage, int32_t done, int32_t total, const char* name) {
        const std::string item = name != nullptr ? name : "";
        if (stage == 0) cause_.clear();  // a cause from before this item is not its own
        const int32_t answer = Send(VEZUVED_DEVICE_EVENT_PROGRESS, item, "", stage, done, total);
        if (stage == 2) copied_.push_back(item);
        if (stage < 0 && stage != devCancelled) {
            const std::string cause = cause_.empty() ? "the copy did not complete" : cause_;
            failed_.emplace_back(item, cause);
            Send(VEZUVED_DEVICE_EVENT_FAILED, item, cause);
        }
        return answer;
    }

    int32_t Ask(const char* name, const char* sourceDate, const char* destinationDate) {
        if (callback_ == nullptr) return 0;
        const int32_t answer = Send(VEZUVED_DEVICE_EVENT_QUESTION,
                                    name != nullptr ? name : "",
                                    "",
                                    0,
                                    0,
                                    0,
                                    sourceDate != nullptr ? sourceDate : "",
                                    destinationDate != nullptr ? destinationDate : "");
        return answer < 0 ? -1 : (answer == 1 ? 1 : 0);
    }

    vezuved_device_callback callback_;
    void* context_;
    LibraryCall library_;  // the lock and the state: first in, last out
    int32_t forcedKind_;
    DeviceLines lines_;
    DeviceEventHandlers handlers_;
    DiagScope sink_;
    DeviceEventScope events_;
    std::string cause_;      // the current item's
    std::string lastCause_;  // the call's last
    std::vector<std::string> copied_;
    std::vector<std::pair<std::string, std::string>> failed_;
};

std::string CodeWords(int32_t code) {
    switch (code) {
        case -1:
            return "a file or database could not be created, read, written or deleted";
        case kErrorTimeout:
            return "the handheld did not answer within 3 seconds";
        case kErrorInit:
            return "no connection to the handheld";
        case devCancelled:
            return "cancelled";
        case devErrNoVolume:
            return "the handheld has no database volume there";
        case devErrNoKind:
            return "the file is of no kind the handheld keeps";
        case devErrNoSource:
            return "the PC path does not exist";
        case devErrOpenSource:
            return "the source file cannot be opened";
        case devErrNotMounted:
            return "the database volume is not mounted";
        default:
            if (code < 0)
                return "the remote API library could not be loaded (system error " + std::to_string(-code) +
                       ")";
            return "failed with the handheld's error " + std::to_string(code);
    }
}

int32_t ResultOf(int32_t code) {
    switch (code) {
        case devCancelled:
            return VEZUVED_ERROR_CANCELLED;
        case devErrNoSource:
        case devErrOpenSource:
            return VEZUVED_ERROR_OPEN;
        case devErrNoKind:
            return VEZUVED_ERROR_UNSUPPORTED;
        case -1:
            return VEZUVED_ERROR_WRITE;
        default:
            return VEZUVED_ERROR_DEVICE;
    }
}

int32_t OutcomeOf(int32_t code) {
    switch (code) {
        case devReplaced:
            return VEZUVED_DEVICE_REPLACED;
        case devUpToDate:
            return VEZUVED_DEVICE_UP_TO_DATE;
        case devDestNewer:
            return VEZUVED_DEVICE_DEST_NEWER;
        case devDestOlder:
            return VEZUVED_DEVICE_DEST_OLDER;
        default:
            return VEZUVED_DEVICE_COPIED;
    }
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// How a copy ended, kept in the handle: every item that failed makes the
// call fail, with one sentence saying what was copied and what was not.
int32_t Conclude(vezuved_device& device, int32_t code, const std::string& subject, const DeviceCall& call) {
    device.code = code;
    const bool done = !IsCopyFailure(code);
    if (done && call.Failed().empty()) {
        device.outcome = OutcomeOf(code);
        return VEZUVED_OK;
    }
    std::string sentence = subject + ": ";
    if (!call.Failed().empty()) {
        sentence += std::to_string(call.Copied().size()) + " copied";
        for (size_t i = 0; i < call.Copied().size(); ++i)
            sentence += (i == 0 ? " (" : ", ") + Quoted(call.Copied()[i]);
        if (!call.Copied().empty()) sentence += ")";
        sentence += ", " + std::to_string(call.Failed().size()) + " failed";
        for (size_t i = 0; i < call.Failed().size(); ++i)
            sentence +=
                (i == 0 ? " (" : ", ") + Quoted(call.Failed()[i].first) + ": " + call.Failed()[i].second;
        sentence += ")";
    } else {
        sentence += CodeWords(code);
        if (!call.LastCause().empty()) sentence += ": " + call.LastCause();
    }
    device.error = sentence;
    return done ? VEZUVED_ERROR_WRITE : ResultOf(code);
}

template <typename Work>
int32_t Run(vezuved_device* device, Work work) noexcept {
    if (device == nullptr) return VEZUVED_ERROR_ARGUMENT;
    return AnswerKeepingSentence(device->error, [&] {
        device->code = 0;
        device->outcome = VEZUVED_DEVICE_COPIED;
        return work(*device);
    });
}

// The layer's own failures come as a thrown code, as the exports answer it.
template <typename Copy>
int32_t Guarded(Copy copy) {
    try {
        return copy();
    } catch (const LibraryError& error) {
        return error.Result();
    }
}

struct WidePath {
    explicit WidePath(const char* text)
        : given(text != nullptr), wide(WidenedText(text != nullptr ? text : "")) {}
    const WCHAR* Get() const { return given ? wide.c_str() : nullptr; }
    bool given;
    WideString wide;
};

// A PC path of the core's, UTF-8: on Windows its UTF-16 units; on POSIX
// widened byte by byte, as the host file layer takes each unit's low byte
// back. Broken UTF-8 names no file there (the empty path).
struct PcPath {
    explicit PcPath(const char* text) : given(text != nullptr) {
#if defined(_WIN32)
        if (given) WidePathOf(text, PathEncoding::Utf8, wide);
#else
        wide = WidenedText(text != nullptr ? text : "");
#endif
    }
    const WCHAR* Get() const { return given ? wide.c_str() : nullptr; }
    bool given;
    WideString wide;
};

const vezuved_device_options kNoOptions{nullptr, nullptr, 0, VEZUVED_DEVICE_KIND_ALL};

int32_t SetKindOf(const std::string& heading) {
    if (heading == "Routes") return VEZUVED_SET_ROUTE;
    if (heading == "Tracks") return VEZUVED_SET_TRACK;
    return VEZUVED_SET_WAYPOINTS;
}

// The pull's kind as the layer's code; anything else copies every kind.
int32_t LayerKind(int32_t kind) {
    switch (kind) {
        case VEZUVED_DEVICE_KIND_POINTS:
            return 0;
        case VEZUVED_DEVICE_KIND_TRACKS:
            return 1;
        case VEZUVED_DEVICE_KIND_ROUTES:
            return 2;
        case VEZUVED_DEVICE_KIND_MAPS:
            return 8;
        case VEZUVED_DEVICE_KIND_ICONS:
            return 9;
        case VEZUVED_DEVICE_KIND_RESOURCES:
            return 10;
        default:
            return -1;
    }
}

std::string FolderName(const char* folder) {
    return folder != nullptr ? Quoted(folder) : "the current folder";
}

}  // namespace

extern "C" {

VEZUVED_CORE_API vezuved_device* VEZUVED_CORE_CALL vezuved_device_new(void) {
    return new (std::nothrow) vezuved_device();
}

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_device_free(vezuved_device* device) { delete device; }

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_list(vezuved_device* device,
                                                               const char* pc_folder,
                                                               const vezuved_device_options* options,
                                                               vezuved_device_callback callback,
                                                               void* context) {
    return Run(device, [&](vezuved_device& d) {
        d.rows.clear();
        d.pcOnly.clear();
        d.report.clear();
        const vezuved_device_options& given = options != nullptr ? *options : kNoOptions;
        DeviceCall call(callback, context, true);
        DeviceListing listing;
        const PcPath pc(pc_folder);
        const WidePath folder(given.device_folder);
        const int32_t code = Guarded([&] {
            listing = ListDevice(pc.Get(), folder.Get(), given.flags, PathEncoding::Utf8);
            return listing.result;
        });
        for (const ListingRow& row : listing.rows) {
            d.rows.push_back({SetKindOf(row.kind),
                              row.records,
                              row.kind,
                              row.name,
                              row.deviceModified,
                              row.pcModified,
                              row.state});
        }
        d.pcOnly = listing.pcOnly;
        d.volume = listing.volumeFound;
        d.report = call.Report();
        const int32_t result = Conclude(d, code, "device listing of " + FolderName(pc_folder), call);
        if (result != VEZUVED_OK || listing.syncFileWritten) return result;
        d.error = "RLDBSync.inf was not written" + (call.LastCause().empty() ? "" : ": " + call.LastCause());
        return VEZUVED_ERROR_WRITE;
    });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_row_count(const vezuved_device* device) {
    return device != nullptr ? static_cast<int32_t>(device->rows.size()) : -1;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_get_row(const vezuved_device* device,
                                                                  int32_t index,
                                                                  vezuved_device_row* row) {
    if (device == nullptr || row == nullptr || index < 0 || static_cast<size_t>(index) >= device->rows.size())
        return VEZUVED_ERROR_ARGUMENT;
    const vezuved_device::Row& found = device->rows[static_cast<size_t>(index)];
    *row = vezuved_device_row{found.kind,
                              found.records,
                              found.heading.c_str(),
                              found.name.c_str(),
                              found.deviceModified.c_str(),
                              found.pcModified.c_str(),
                              found.state.c_str()};
    return VEZUVED_OK;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_has_volume(const vezuved_device* device) {
    return device != nullptr ? (device->volume ? 1 : 0) : -1;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_pc_only_count(const vezuved_device* device) {
    return device != nullptr ? static_cast<int32_t>(device->pcOnly.size()) : -1;
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_device_pc_only(const vezuved_device* device,
                                                                      int32_t index) {
    if (device == nullptr || index < 0 || static_cast<size_t>(index) >= device->pcOnly.size()) return nullptr;
    return device->pcOnly[static_cast<size_t>(index)].c_str();
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_device_report(const vezuved_device* device) {
    return device != nullptr ? device->report.c_str() : "";
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_push(vezuved_device* device,
                                                               const char* pc_path,
                                                               const vezuved_device_options* options,
                                                               vezuved_device_callback callback,
                                                               void* context) {
    return Run(device, [&](vezuved_device& d) {
        if (pc_path == nullptr) {
            d.error = "no PC path was given to copy to the handheld";
            return VEZUVED_ERROR_ARGUMENT;
        }
        const vezuved_device_options& given = options != nullptr ? *options : kNoOptions;
        DeviceCall call(callback, context, false);
        CopySettings settings;
        settings.options = given.flags;
        settings.databasesDirect = true;
        const PcPath path(pc_path);
        const WidePath folder(given.device_folder);
        const int32_t code =
            Guarded([&] { return CopyPathToDevice(call.Conversion(), path.Get(), folder.Get(), settings); });
        return Conclude(d, code, "copy of " + Quoted(pc_path) + " to the handheld", call);
    });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_pull(vezuved_device* device,
                                                               const char* pc_folder,
                                                               const vezuved_device_options* options,
                                                               vezuved_device_callback callback,
                                                               void* context) {
    return Run(device, [&](vezuved_device& d) {
        const vezuved_device_options& given = options != nullptr ? *options : kNoOptions;
        DeviceCall call(callback, context, false);
        const PcPath pc(pc_folder);
        const WidePath folder(given.device_folder);
        const WidePath filter(given.filter);
        const int32_t code = Guarded([&] {
            return CopyFromDevice(
                call.Conversion(), folder.Get(), filter.Get(), pc.Get(), given.flags, LayerKind(given.kind));
        });
        return Conclude(d, code, "copy from the handheld into " + FolderName(pc_folder), call);
    });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_outcome(const vezuved_device* device) {
    return device != nullptr ? device->outcome : VEZUVED_ERROR_ARGUMENT;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_code(const vezuved_device* device) {
    return device != nullptr ? device->code : VEZUVED_ERROR_ARGUMENT;
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_device_error_message(const vezuved_device* device) {
    return device != nullptr ? device->error.c_str() : "";
}

}  // extern "C"
