// The emulator's call log: one line per entry point call, with its
// arguments, result and error, appended to the file VEZUVED_DEVICE_LOG names.
#include <cstdio>
#include <string>

#include "emulator_state.h"

namespace emu {

namespace {

std::string Quote(const WCHAR* text) {
    if (text == nullptr) return "null";
    std::string out = "\"";
    for (const WCHAR* p = text; *p != 0; ++p) out.push_back(static_cast<char>(*p & 0xFF));
    return out + "\"";
}

}  // namespace

std::string Hex(uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof(buffer), "0x%llx", static_cast<unsigned long long>(value));
    return buffer;
}

std::string Arg(const WCHAR* text) { return Quote(text); }
std::string Arg(WCHAR* text) { return Quote(text); }
std::string Arg(DWORD value) { return std::to_string(value); }
std::string Arg(WORD value) { return std::to_string(value); }
std::string Arg(const void* pointer) {
    if (pointer == nullptr) return "null";
    if (pointer == INVALID_HANDLE_VALUE) return "INVALID_HANDLE_VALUE";
    return Hex(reinterpret_cast<uintptr_t>(pointer));
}
std::string Arg(const CEGUID* guid) {
    return guid == nullptr ? "null" : "guid:" + std::to_string(guid->Data1);
}
std::string Arg(CEGUID* guid) { return Arg(static_cast<const CEGUID*>(guid)); }

std::string Args() { return std::string(); }
std::string Result(HANDLE value) { return Arg(static_cast<const void*>(value)); }
std::string Result(int32_t value) { return std::to_string(value); }
std::string Result(DWORD value) { return std::to_string(value); }

void LogLine(const std::string& line) {
    if (g_device.logPath.empty()) return;
    if (std::FILE* log = std::fopen(g_device.logPath.c_str(), "a")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

}  // namespace emu
