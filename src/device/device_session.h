// One device operation's connection: load and start the remote API, mount
// the database volume in the device folder, do the work, then unmount, end
// the connection and free the library, whatever the work returned.
#pragma once

#include <cstdint>
#include <functional>

#include "device/device_volume.h"

namespace vezuved {

// The work's result; the negative result of loading the remote API; or
// devErrNoVolume when the volume cannot be mounted.
int32_t RunOnMountedDevice(const WideString& deviceFolder,
                           uint32_t options,
                           const std::function<int32_t(const DeviceTarget&)>& work);

}  // namespace vezuved
