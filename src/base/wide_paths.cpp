#include "base/wide_paths.h"

namespace vezuved {

namespace {

size_t NameStart(const WideString& path) {
    const WideUnit* last = FindLastPathSeparator(path.c_str());
    return last == nullptr ? 0 : static_cast<size_t>(last - path.c_str()) + 1;
}

}  // namespace

bool IsHostPathSeparator(WideUnit c) { return c == '\\' || c == '/'; }

const WideUnit* FindLastPathSeparator(const WideUnit* path) {
    const WideUnit* last = nullptr;
    if (path != nullptr)
        for (const WideUnit* p = path; *p != 0; ++p)
            if (IsHostPathSeparator(*p)) last = p;
    return last;
}

WideString JoinPcPath(const WideString& a, const WideString& b) { return a + kHostPathSeparator + b; }

WideString JoinDevPath(const WideString& a, const WideString& b) {
    return a + static_cast<WideUnit>('\\') + b;
}

WideString LastComponent(const WideString& path) { return path.substr(NameStart(path)); }

WideString FolderPart(const WideString& path) {
    const size_t start = NameStart(path);
    return start == 0 ? WideString() : path.substr(0, start - 1);
}

WideString ExtensionOf(const WideString& path) {
    const WideString name = LastComponent(path);
    const size_t dot = name.rfind(static_cast<WideUnit>('.'));
    return dot == WideString::npos ? WideString() : name.substr(dot);
}

WideString BaseNameOf(const WideString& path) {
    WideString name = LastComponent(path);
    const size_t dot = name.rfind(static_cast<WideUnit>('.'));
    if (dot != WideString::npos) name.erase(dot);
    return name;
}

bool EndsWithSeparator(const WideString& path) { return !path.empty() && IsHostPathSeparator(path.back()); }

}  // namespace vezuved
