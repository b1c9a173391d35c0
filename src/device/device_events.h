// Where a device operation's progress and questions go. By default to the
// host's registered callbacks; a caller that wants them as its own events
// (the core's device calls) puts handlers in place for one operation. The
// connection is the process's one, so an operation runs under the library
// lock and one set of handlers is enough.
#pragma once

#include <cstdint>
#include <functional>

namespace vezuved {

struct DeviceEventHandlers {
    // A negative answer cancels the copy.
    std::function<int32_t(int32_t stage, int32_t done, int32_t total, const char* name)> progress;
    // 0 replace, 1 skip, -1 cancel.
    std::function<int32_t(
        const char* name, int32_t status, const char* sourceDate, const char* destinationDate)>
        ask;
};

// The handlers in place of the host's callbacks for as long as it lives.
class DeviceEventScope {
public:
    explicit DeviceEventScope(const DeviceEventHandlers& handlers);
    ~DeviceEventScope();
    DeviceEventScope(const DeviceEventScope&) = delete;
    DeviceEventScope& operator=(const DeviceEventScope&) = delete;

private:
    const DeviceEventHandlers* previous_;
};

// The handlers in place, or null: the host's callbacks.
const DeviceEventHandlers* ActiveDeviceEvents();

}  // namespace vezuved
