#include "device/device_text.h"

#include <vector>

#include "device/remote_api.h"

const WCHAR kDefaultDeviceFolder[] = VZ_WIDE("\\My Documents\\Roverlog");

WideString WideFrom(const char* text) { return WidenedText(text); }

WideString JoinPcPath(const WideString& a, const WideString& b) { return a + kHostPathSeparator + b; }

WideString JoinDevPath(const WideString& a, const WideString& b) { return a + static_cast<WCHAR>('\\') + b; }

namespace {
size_t NameStart(const WideString& path) {
    const WCHAR* last = FindLastPathSeparator(path.c_str());
    return last == nullptr ? 0 : static_cast<size_t>(last - path.c_str()) + 1;
}
}  // namespace

WideString LastComponent(const WideString& path) { return path.substr(NameStart(path)); }

WideString FolderPart(const WideString& path) {
    const size_t start = NameStart(path);
    return start == 0 ? WideString() : path.substr(0, start - 1);
}

WideString ExtensionOf(const WideString& path) {
    const WideString name = LastComponent(path);
    const size_t dot = name.rfind(static_cast<WCHAR>('.'));
    return dot == WideString::npos ? WideString() : name.substr(dot);
}

WideString BaseNameOf(const WideString& path) {
    WideString name = LastComponent(path);
    const size_t dot = name.rfind(static_cast<WCHAR>('.'));
    if (dot != WideString::npos) name.erase(dot);
    return name;
}

bool EqualsNoCase(const WideString& a, const char* ascii) {
    return WideCompareNoCase(a.c_str(), WideFrom(ascii).c_str()) == 0;
}

bool EndsWithSeparator(const WideString& path) { return !path.empty() && IsHostPathSeparator(path.back()); }

std::string Narrow(const WideString& text) { return NarrowedText(text.c_str()); }
std::string Narrow(const WCHAR* text) { return NarrowedText(text); }

WideString CurrentDirectory() {
    std::vector<WCHAR> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = HostGetCurrentDirectory(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return WideString();
        if (length < buffer.size()) return WideString(buffer.data(), length);
        buffer.resize(length + 1);  // longer than the buffer: never cut, ask again
    }
    return WideString();
}

DWORD RemoteFailureError() {
#if defined(_WIN32)
    return HostGetLastError();
#else
    return g_remoteApi.CeGetLastError != nullptr ? g_remoteApi.CeGetLastError() : HostGetLastError();
#endif
}
