#include "state/device_state.h"

DeviceState& DeviceSettings() {
    static DeviceState state;
    return state;
}
