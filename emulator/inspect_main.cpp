// vezuved-device-inspect [ROOT]: lists an emulated handheld (ROOT, or the
// folder named by VEZUVED_DEVICE).
#include <cstdio>
#include <cstdlib>

#include "device_inspect.h"

int main(int argc, char** argv) {
    const char* root = argc > 1 ? argv[1] : std::getenv("VEZUVED_DEVICE");
    if (root == nullptr) {
        std::fprintf(stderr, "usage: vezuved-device-inspect [ROOT]   (or set VEZUVED_DEVICE)\n");
        return 2;
    }
    return emu::InspectDevice(root, stdout);
}
