#include "serve/serve_security.h"

#include <filesystem>
#include <random>

#include "files/tool_paths.h"

namespace vezuved_cli {

std::string NewToken() {
    std::random_device source;  // /dev/urandom on Linux, the system's generator on Windows
    static const char kDigits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        uint32_t word = source();
        for (int j = 0; j < 8; ++j, word >>= 4) token += kDigits[word & 15];
    }
    return token;
}

bool TokenMatches(const std::string& expected, const std::string& given) {
    if (expected.empty() || given.size() != expected.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        difference |= static_cast<unsigned char>(expected[i] ^ given[i]);
    return difference == 0;
}

std::string TokenCookieName(int port) { return "vezuved_token_" + std::to_string(port); }

std::string TokenInCookie(const std::string& cookies, int port) {
    const std::string key = TokenCookieName(port) + "=";
    size_t at = 0;
    while (at < cookies.size()) {
        while (at < cookies.size() && (cookies[at] == ' ' || cookies[at] == ';')) ++at;
        const size_t end = std::min(cookies.find(';', at), cookies.size());
        if (cookies.compare(at, key.size(), key) == 0)
            return cookies.substr(at + key.size(), end - at - key.size());
        at = end;
    }
    return "";
}

bool HostAllowed(const std::string& host, int port) { return host == "127.0.0.1:" + std::to_string(port); }

bool OriginAllowed(const std::string& origin, int port) {
    return origin.empty() || origin == "http://127.0.0.1:" + std::to_string(port);
}

std::optional<std::string> PathInside(const std::string& folder, const std::string& name) {
    namespace fs = std::filesystem;
    if (folder.empty() || name.empty() || name.find('\0') != std::string::npos) return std::nullopt;
    // Drive letters, UNC and rooted names on every system, not only this one's.
    if (name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos) return std::nullopt;
    const fs::path relative = PathOf(name);
    if (relative.is_absolute() || relative.has_root_path()) return std::nullopt;
    for (const fs::path& part : relative) {
        if (part == ".." || TextOf(part).find('\\') != std::string::npos) return std::nullopt;
    }
    std::error_code error;
    const fs::path base = fs::canonical(PathOf(folder), error);
    if (error) return std::nullopt;
    const fs::path target = fs::weakly_canonical(base / relative, error);
    if (error) return std::nullopt;
    // Links followed: the target must still lie below the folder.
    const std::string baseText = TextOf(base), targetText = TextOf(target);
    if (targetText.size() <= baseText.size() + 1 || targetText.compare(0, baseText.size(), baseText) != 0 ||
        targetText[baseText.size()] != fs::path::preferred_separator) {
        return std::nullopt;
    }
    return targetText;
}

}  // namespace vezuved_cli
