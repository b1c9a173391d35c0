// The emulator's faults: the entry point calls VEZUVED_DEVICE_FAULTS makes
// fail (or move half the bytes asked for, or stall), counted per connection.
#if !defined(_WIN32)
#include <strings.h>
#endif

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "emulator_state.h"

#if defined(_WIN32)
#define strcasecmp _stricmp
#endif

namespace emu {

std::vector<Fault> ParseFaults(const char* text) {
    std::vector<Fault> faults;
    if (text == nullptr) return faults;
    std::string all = text;
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t comma = all.find(',', pos);
        if (comma == std::string::npos) comma = all.size();
        std::string item = all.substr(pos, comma - pos);
        pos = comma + 1;
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item.empty()) continue;
        Fault fault;
        const size_t equals = item.find('=');
        if (equals != std::string::npos && item.compare(equals + 1, std::string::npos, "short") == 0) {
            fault.shortTransfer = true;
            item.resize(equals);
        } else if (equals != std::string::npos && item.compare(equals + 1, std::string::npos, "slow") == 0) {
            fault.slow = true;
            item.resize(equals);
        } else if (equals != std::string::npos && item.compare(equals + 1, std::string::npos, "lost") == 0) {
            fault.lost = true;
            fault.error = ERROR_NOT_READY;
            item.resize(equals);
        } else if (equals != std::string::npos) {
            char* end = nullptr;
            fault.error = static_cast<DWORD>(std::strtoul(item.c_str() + equals + 1, &end, 0));
            if (end == item.c_str() + equals + 1) continue;
            item.resize(equals);
        }
        const size_t at = item.find('@');
        if (at != std::string::npos) {
            char* end = nullptr;
            fault.nth = static_cast<uint32_t>(std::strtoul(item.c_str() + at + 1, &end, 10));
            if (end == item.c_str() + at + 1 || fault.nth == 0) continue;
            item.resize(at);
        }
        fault.entry = item;
        faults.push_back(fault);
    }
    return faults;
}

// Counts the call; true (with the error set) when a fault fires for it. A
// short-transfer fault lets the call go on with shortCall set instead.
bool FaultFires(const char* entry, DWORD& error) {
    const uint32_t call = ++g_device.calls[entry];
    g_device.shortCall = false;
    for (const Fault& fault : g_device.faults) {
        if (strcasecmp(fault.entry.c_str(), entry) != 0) continue;
        if (fault.nth == 0 || fault.nth == call) {
            if (fault.shortTransfer) {
                g_device.shortCall = true;
                continue;
            }
            if (fault.slow) {
                std::this_thread::sleep_for(std::chrono::seconds(3));
                continue;
            }
            error = fault.error;
            if (fault.lost) g_device.connected = false;
            return true;
        }
    }
    return false;
}

// The bytes a transfer call moves: half of those asked for under a
// short-transfer fault.
DWORD TransferSize(DWORD asked) { return g_device.shortCall ? asked / 2 : asked; }

}  // namespace emu
