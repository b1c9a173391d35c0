// Stale temporary files found through the host file layer's wide search,
// the same on every system.
#include "platform/stale_temporaries.h"

#include <memory>
#include <optional>
#include <vector>

#include "platform/host_file.h"
#include "platform/system.h"

namespace vezuved {

namespace {

using Text = std::basic_string<WCHAR>;

// A file the library is writing is touched at every block; one untouched
// for a day belongs to a process that is gone.
constexpr uint64_t kStaleAge = 24ull * 60 * 60 * 10000000;  // in 100-nanosecond units

bool IsDigit(WCHAR c) { return c >= '0' && c <= '9'; }

// Digits from `at` to the end (at least one) and nothing else.
bool DigitsTo(const Text& text, size_t at, size_t end) {
    if (at >= end) return false;
    for (size_t i = at; i < end; ++i)
        if (!IsDigit(text[i])) return false;
    return true;
}

bool StartsWith(const Text& text, const char* prefix, size_t at = 0) {
    for (size_t i = 0; prefix[i] != 0; ++i)
        if (at + i >= text.size() || text[at + i] != static_cast<WCHAR>(prefix[i])) return false;
    return true;
}

uint64_t Value(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The process a ".vezuved-<digits>-<digits>.tmp" name was written by; none
// for any other name.
std::optional<unsigned long> WriterOfTemporary(const Text& name) {
    const size_t prefix = 9;  // ".vezuved-"
    // The two ends cannot overlap: ".tmp" begins with the one '.' of ".vezuved-".
    if (!StartsWith(name, ".vezuved-") || !StartsWith(name, ".tmp", name.size() - 4)) return std::nullopt;
    const size_t dash = name.find(static_cast<WCHAR>('-'), prefix);
    if (dash == Text::npos || !DigitsTo(name, prefix, dash) || !DigitsTo(name, dash + 1, name.size() - 4))
        return std::nullopt;
    uint64_t id = 0;
    for (size_t i = prefix; i < dash; ++i) {
        id = id * 10 + static_cast<uint64_t>(name[i] - '0');
        if (id > 0x7FFFFFFFu) return 0ul;  // no process has such an id: it cannot be told
    }
    return static_cast<unsigned long>(id);
}

}  // namespace

bool IsLibraryTemporaryName(const Text& name) {
    if (WriterOfTemporary(name)) return true;
    // "<name>.~vz<digits>", with a name before it
    const size_t mark = name.rfind(Text{'.', '~', 'v', 'z'});
    return mark != Text::npos && mark > 0 && DigitsTo(name, mark + 4, name.size());
}

bool IsLibraryWorkFolderName(const Text& name) {
    const size_t prefix = 17;  // "~vezuved-convert-"
    return StartsWith(name, "~vezuved-convert-") && DigitsTo(name, prefix, name.size());
}

namespace {

// A work folder holds only the files the library put there.
void RemoveWorkFolder(const Text& folder) {
    HostFindData found;
    const std::unique_ptr<void, BOOL (*)(HANDLE)> search(
        PlatformFindFirstFile((folder + Text{'\\', '*'}).c_str(), &found), PlatformFindClose);
    if (search.get() != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                PlatformDeleteFile((folder + Text{'\\'} + found.cFileName).c_str());
        } while (PlatformFindNextFile(search.get(), &found));
    }
    PlatformRemoveDirectory(folder.c_str());
}

}  // namespace

void RemoveStaleTemporaries(LPCWSTR folder) noexcept {
    try {
        Text base = folder != nullptr ? Text(folder) : Text();
        if (!base.empty() && base.back() != '\\' && base.back() != '/') base.push_back('\\');
        HostFindData found;
        // Closed however the walk ends (a name without memory included).
        const std::unique_ptr<void, BOOL (*)(HANDLE)> search(
            PlatformFindFirstFile((base + Text{'*'}).c_str(), &found), PlatformFindClose);
        if (search.get() == INVALID_HANDLE_VALUE) return;
        const uint64_t now = Value(PlatformCurrentFileTime());
        std::vector<Text> files, folders;
        do {
            const Text name(found.cFileName);
            const uint64_t written = Value(found.ftLastWriteTime);
            const bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            // A file whose writer has ended (killed, say) goes at once.
            const std::optional<unsigned long> writer = directory ? std::nullopt : WriterOfTemporary(name);
            if (writer && PlatformProcessIsGone(*writer)) {
                files.push_back(base + name);
                continue;
            }
            if (written >= now || now - written <= kStaleAge) continue;
            if (!directory) {
                if (IsLibraryTemporaryName(name)) files.push_back(base + name);
            } else if (IsLibraryWorkFolderName(name)) {
                folders.push_back(base + name);
            }
        } while (PlatformFindNextFile(search.get(), &found));
        for (const Text& file : files) PlatformDeleteFile(file.c_str());
        for (const Text& work : folders) RemoveWorkFolder(work);
    } catch (...) {
        // No memory for a name: the files stay for the next write.
    }
}

void RemoveStaleTemporariesBeside(const std::string& path, PathEncoding encoding) noexcept {
    try {
        size_t cut = path.find_last_of(
#if defined(_WIN32)
            "\\/:"
#else
            "/"
#endif
        );
        const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
        Text wide;
#if defined(_WIN32)
        if (!WidePathOf(folder.c_str(), encoding, wide)) return;
#else
        // The host file layer takes each unit's low byte back.
        (void)encoding;
        for (char c : folder) wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
#endif
        RemoveStaleTemporaries(wide.c_str());
    } catch (...) {
    }
}

}  // namespace vezuved
