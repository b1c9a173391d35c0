#include "platform/folder_search.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/wildcard.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace vezuved {

namespace {
bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }
}  // namespace

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

std::string JoinPath(const std::string& folder, const char* name) {
    std::string path = folder;
    if (!path.empty() && !IsPathSeparator(path.back())) path += kPathSeparator;
    if (name != nullptr) path += name;
    return path;
}

#if defined(_WIN32)

std::string CurrentFolder(PathEncoding encoding) {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return std::string();
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    const DWORD got = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (got == 0 || got >= buffer.size()) return std::string();
    std::string folder;
    if (!NarrowPathOf(buffer.data(), got, encoding, folder)) return std::string();
    return folder;
}

// The OS is asked for every entry and the names are filtered here, so the
// short-name quirks of the OS's own matching ("*.cal" finding "x.calx")
// never differ from the other platforms.
struct FolderSearch::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool pending = false;  // data holds an entry not yet looked at
    std::string pattern;
    PathEncoding encoding = PathEncoding::Ansi;

    ~Impl() {
        if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
};

bool FolderSearch::Open(const std::string& folder, const char* pattern, PathEncoding encoding) {
    Close();
    auto impl = std::make_unique<Impl>();
    impl->pattern = pattern != nullptr ? pattern : "";
    impl->encoding = encoding;
    std::wstring all;
    if (!WidePathOf(JoinPath(folder, "*").c_str(), encoding, all)) return false;
    impl->handle = FindFirstFileW(all.c_str(), &impl->data);
    if (impl->handle == INVALID_HANDLE_VALUE) return false;
    impl->pending = true;
    impl_ = std::move(impl);
    return true;
}

bool FolderSearch::Next(FolderEntry& entry) {
    if (!impl_) return false;
    for (;;) {
        if (!impl_->pending) {
            if (!FindNextFileW(impl_->handle, &impl_->data)) return false;
        }
        impl_->pending = false;
        std::string name;
        const wchar_t* found = impl_->data.cFileName;
        if (!NarrowPathOf(found, std::wcslen(found), impl_->encoding, name)) continue;
        if (IsDotEntry(name.c_str()) || !WildcardMatch(impl_->pattern.c_str(), name.c_str())) continue;
        entry.name = name;
        entry.isFolder = (impl_->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return true;
    }
}

#else

std::string CurrentFolder(PathEncoding /*bytes on POSIX*/) {
    std::vector<char> buffer(512);
    // A folder deeper than this is no place to search definitions in.
    constexpr size_t kLimit = 1u << 16;
    while (buffer.size() <= kLimit) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return std::string();
}

struct FolderSearch::Impl {
    DIR* dir = nullptr;
    std::string folder;
    std::string pattern;

    ~Impl() {
        if (dir != nullptr) closedir(dir);
    }
};

bool FolderSearch::Open(const std::string& folder, const char* pattern, PathEncoding /*bytes on POSIX*/) {
    Close();
    auto impl = std::make_unique<Impl>();
    impl->folder = folder.empty() ? std::string(".") : folder;
    impl->pattern = pattern != nullptr ? pattern : "";
    impl->dir = opendir(impl->folder.c_str());
    if (impl->dir == nullptr) return false;
    impl_ = std::move(impl);
    return true;
}

bool FolderSearch::Next(FolderEntry& entry) {
    if (!impl_) return false;
    while (const dirent* found = readdir(impl_->dir)) {
        const char* name = found->d_name;
        if (IsDotEntry(name) || !WildcardMatch(impl_->pattern.c_str(), name)) continue;
        // An entry that vanished or dangles since the listing is skipped.
        struct stat info;
        if (stat(JoinPath(impl_->folder, name).c_str(), &info) != 0) continue;
        entry.name = name;
        entry.isFolder = S_ISDIR(info.st_mode);
        return true;
    }
    return false;
}

#endif

FolderSearch::FolderSearch() = default;
FolderSearch::~FolderSearch() = default;

void FolderSearch::Close() { impl_.reset(); }

}  // namespace vezuved
