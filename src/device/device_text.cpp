#include "device/device_text.h"

#include <vector>

#include "device/host_files.h"
#include "device/remote_api.h"

namespace vezuved {

const WCHAR kDefaultDeviceFolder[] = VZ_WIDE("\\My Documents\\Roverlog");

WideString WideFrom(const char* text) { return WidenedText(text); }

bool EqualsNoCase(const WideString& a, const char* ascii) {
    return WideCompareNoCase(a.c_str(), WideFrom(ascii).c_str()) == 0;
}

std::string Narrow(const WideString& text) { return NarrowedText(text.c_str()); }
std::string Narrow(const WCHAR* text) { return NarrowedText(text); }

std::string PcPathText(const WideString& path, PathEncoding encoding) {
#if defined(_WIN32)
    std::string text;
    if (encoding == PathEncoding::Utf8 && NarrowPathOf(path.c_str(), path.size(), encoding, text))
        return text;
#else
    (void)encoding;
#endif
    return Narrow(path);
}

WideString CurrentDirectory() {
    std::vector<WCHAR> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = PlatformGetCurrentDirectory(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return WideString();
        if (length < buffer.size()) return WideString(buffer.data(), length);
        buffer.resize(length + 1);  // longer than the buffer: never cut, ask again
    }
    return WideString();
}

DWORD RemoteFailureError() {
#if defined(_WIN32)
    return PlatformGetLastError();
#else
    return RemoteApi().CeGetLastError != nullptr ? RemoteApi().CeGetLastError() : PlatformGetLastError();
#endif
}

}  // namespace vezuved
