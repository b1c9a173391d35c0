#include "device/device_session.h"

#include "device/device_leftovers.h"
#include "device/remote_api.h"
#include "device/sync_list.h"
#include "device/transfer_rules.h"

namespace vezuved {

int32_t RunOnMountedDevice(const WideString& deviceFolder,
                           uint32_t options,
                           const std::function<int32_t(const DeviceTarget&)>& work) {
    const int32_t loaded = LoadRemoteApi(nullptr);
    if (loaded != 0) return loaded;
    RemoteApiSession session;
    int32_t result;
    {
        MountedVolume volume = MountDeviceVolume(deviceFolder.c_str(), true, options);
        if (volume.Get() == nullptr) {
            result = devErrNoVolume;
        } else {
            DeviceTarget target;
            target.volume = volume.Get();
            target.folder = deviceFolder;
            HealInterruptedSwaps(target);
            result = work(target);
        }
    }
    StopRemoteApi();
    FreeSyncList();
    return result;
}

}  // namespace vezuved
