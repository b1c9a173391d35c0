#include "device/device_events.h"

namespace vezuved {
namespace {
const DeviceEventHandlers* g_handlers = nullptr;  // read and set under the library lock
}  // namespace

DeviceEventScope::DeviceEventScope(const DeviceEventHandlers& handlers) : previous_(g_handlers) {
    g_handlers = &handlers;
}

DeviceEventScope::~DeviceEventScope() { g_handlers = previous_; }

const DeviceEventHandlers* ActiveDeviceEvents() { return g_handlers; }

}  // namespace vezuved
