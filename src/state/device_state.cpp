#include "state/device_state.h"

namespace vezuved {

DeviceState& DeviceSettings() {
    static DeviceState state;
    return state;
}

}  // namespace vezuved
