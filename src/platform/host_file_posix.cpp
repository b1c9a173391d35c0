// POSIX file services behaving as the wide Windows calls (see host_file.h).
#if !defined(_WIN32)

#include "platform/host_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/io_faults.h"
#include "platform/wildcard.h"

namespace vezuved {

namespace {

thread_local DWORD t_lastError = 0;

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

FILETIME TimespecToFileTime(const struct timespec& ts) {
    const int64_t ticks =
        (static_cast<int64_t>(ts.tv_sec) + kEpochDifference) * kTicksPerSecond + ts.tv_nsec / 100;
    return MakeFileTime(static_cast<uint64_t>(ticks < 0 ? 0 : ticks));
}

struct timespec FileTimeToTimespec(const FILETIME& time) {
    const int64_t ticks = static_cast<int64_t>(FileTimeValue(time));
    struct timespec ts;
    ts.tv_sec = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifference);
    ts.tv_nsec = static_cast<long>((ticks % kTicksPerSecond) * 100);
    return ts;
}

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameNameIgnoringCase(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

std::string ToBytes(LPCWSTR path) {
    std::string bytes;
    if (path == nullptr) return bytes;
    for (const WCHAR* p = path; *p != 0; ++p) {
        const char c = static_cast<char>(static_cast<unsigned>(*p) & 0xFFu);
        bytes.push_back(c == '\\' ? '/' : c);
    }
    return bytes;
}

void ToWide(const char* bytes, WCHAR* out, size_t capacity) {
    size_t i = 0;
    for (; bytes[i] != 0 && i + 1 < capacity; ++i)
        out[i] = static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]));
    out[i] = 0;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The folder part of a path ("." for a bare name), without a final '/'.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

DWORD ErrorFromErrno(int error, const std::string& path) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return Exists(FolderOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_GEN_FAILURE;
    }
}

void FailWith(int error, const std::string& path) { t_lastError = ErrorFromErrno(error, path); }

// One open file or one search. The handle is the object's address; a set of
// live objects turns a stale or foreign handle into ERROR_INVALID_HANDLE.
struct HostObject {
    enum class Kind { File, Search };
    explicit HostObject(Kind k) : kind(k) {}
    Kind kind;
    int fd = -1;
    std::string folder;  // searches: the folder searched
    std::vector<std::string> names;
    size_t next = 0;
};

std::mutex g_objectsMutex;
std::unordered_set<HostObject*> g_objects;

HANDLE Register(HostObject* object) {
    std::unique_ptr<HostObject> owned(object);  // gone again when the table has no room
    std::lock_guard<std::mutex> lock(g_objectsMutex);
    g_objects.insert(object);
    return reinterpret_cast<HANDLE>(owned.release());
}

// The live object of that kind behind handle, or null with
// ERROR_INVALID_HANDLE; with take, it is no longer live afterwards.
HostObject* Find(HANDLE handle, HostObject::Kind kind, bool take) {
    std::lock_guard<std::mutex> lock(g_objectsMutex);
    auto* object = reinterpret_cast<HostObject*>(handle);
    const auto it = g_objects.find(object);
    if (it == g_objects.end() || object->kind != kind) {
        t_lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if (take) g_objects.erase(it);
    return object;
}

HostObject* Lookup(HANDLE handle, HostObject::Kind kind) { return Find(handle, kind, false); }
HostObject* Unregister(HANDLE handle, HostObject::Kind kind) { return Find(handle, kind, true); }

// Fills a search record from the entry folder/name; false when it vanished.
bool FillFindData(const std::string& folder, const std::string& name, HostFindData* found) {
    struct stat st;
    const std::string full = folder == "/" ? "/" + name : folder + "/" + name;
    if (::stat(full.c_str(), &st) != 0 && ::lstat(full.c_str(), &st) != 0) return false;
    std::memset(found, 0, sizeof(*found));
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    if (attributes == 0) attributes = FILE_ATTRIBUTE_ARCHIVE;
    found->dwFileAttributes = attributes;
    found->ftLastWriteTime = TimespecToFileTime(st.st_mtim);
    found->ftLastAccessTime = TimespecToFileTime(st.st_atim);
    found->ftCreationTime = found->ftLastWriteTime;  // no creation time in stat
    const uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    found->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    found->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    ToWide(name.c_str(), found->cFileName, MAX_PATH);
    return true;
}

bool NextFound(HostObject* search, HostFindData* found) {
    while (search->next < search->names.size()) {
        const std::string& name = search->names[search->next++];
        if (FillFindData(search->folder, name, found)) return true;
    }
    t_lastError = ERROR_NO_MORE_FILES;
    return false;
}

}  // namespace

std::string PlatformResolvePath(LPCWSTR path) {
    const std::string bytes = ToBytes(path);
    std::string resolved;
    size_t pos = 0;
    // An absolute path's first component is the empty one before its slash.
    if (!bytes.empty() && bytes[0] == '/') resolved = "/";
    bool parentExists = true;
    while (pos < bytes.size()) {
        size_t end = bytes.find('/', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string component = bytes.substr(pos, end - pos);
        pos = end;
        while (pos < bytes.size() && bytes[pos] == '/') ++pos;
        const std::string base = resolved.empty() ? std::string() : resolved;
        const std::string prefix = base.empty() ? std::string() : (base == "/" ? base : base + "/");
        if (parentExists && component != "." && component != ".." && !Exists(prefix + component)) {
            std::string match;
            if (DIR* dir = ::opendir(base.empty() ? "." : base.c_str())) {
                while (struct dirent* entry = ::readdir(dir)) {
                    if (SameNameIgnoringCase(component, entry->d_name)) {
                        match = entry->d_name;
                        break;
                    }
                }
                ::closedir(dir);
            }
            if (match.empty())
                parentExists = false;
            else
                component = match;
        }
        resolved = prefix + component;
    }
    if (bytes.size() > 1 && bytes.back() == '/' && !resolved.empty() && resolved.back() != '/')
        resolved += '/';
    return resolved;
}

DWORD PlatformGetLastError() { return t_lastError; }
void PlatformSetLastError(DWORD error) { t_lastError = error; }

HANDLE PlatformFindFirstFile(LPCWSTR pattern, HostFindData* found) {
    if (pattern == nullptr || found == nullptr) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    const std::string bytes = ToBytes(pattern);
    const size_t slash = bytes.find_last_of('/');
    const std::string namePattern = slash == std::string::npos ? bytes : bytes.substr(slash + 1);
    std::string folder;
    if (slash == std::string::npos) {
        folder = ".";
    } else if (slash == 0) {
        folder = "/";
    } else {
        std::vector<WCHAR> wide(pattern, pattern + slash);
        wide.push_back(0);
        folder = PlatformResolvePath(wide.data());
    }
    if (namePattern.empty()) {
        t_lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    // Owned until handed out: running out of memory for a name closes both.
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        t_lastError =
            (errno == ENOENT || errno == ENOTDIR) ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno, folder);
        return INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<HostObject> search(new HostObject(HostObject::Kind::Search));
    search->folder = folder;
    std::vector<std::string> others;
    while (struct dirent* entry = ::readdir(dir.get())) {
        if (!WildcardMatch(namePattern.c_str(), entry->d_name)) continue;
        const bool dots = std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0;
        (dots ? search->names : others).push_back(entry->d_name);
    }
    dir.reset();
    // "." and ".." first, as the Windows file systems deliver them.
    if (search->names.size() == 2 && search->names[0] == "..") std::swap(search->names[0], search->names[1]);
    search->names.insert(search->names.end(), others.begin(), others.end());
    if (!NextFound(search.get(), found)) {
        t_lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    t_lastError = ERROR_SUCCESS;
    return Register(search.release());
}

BOOL PlatformFindNextFile(HANDLE handle, HostFindData* found) {
    HostObject* search = Lookup(handle, HostObject::Kind::Search);
    if (search == nullptr) return FALSE;
    if (found == nullptr) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    return NextFound(search, found) ? TRUE : FALSE;
}

BOOL PlatformFindClose(HANDLE handle) {
    HostObject* search = Unregister(handle, HostObject::Kind::Search);
    if (search == nullptr) return FALSE;
    delete search;
    return TRUE;
}

HANDLE PlatformCreateFile(
    LPCWSTR path, DWORD access, DWORD /*share*/, DWORD disposition, DWORD /*attributes*/) {
    if (path == nullptr || path[0] == 0) {
        t_lastError = path == nullptr ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    const std::string resolved = PlatformResolvePath(path);
    int flags = O_CLOEXEC;
    const bool read = (access & GENERIC_READ) != 0;
    const bool write = (access & GENERIC_WRITE) != 0;
    flags |= (read && write) ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
    const bool existed = Exists(resolved);
    switch (disposition) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_EXISTING:
            break;
        case OPEN_ALWAYS:
            flags |= O_CREAT;
            break;
        case TRUNCATE_EXISTING:
            if (!write) {
                t_lastError = ERROR_INVALID_PARAMETER;
                return INVALID_HANDLE_VALUE;
            }
            flags |= O_TRUNC;
            break;
        default:
            t_lastError = ERROR_INVALID_PARAMETER;
            return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (existed && ::stat(resolved.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        t_lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    const int fd = IoCallFails(IoCall::Open) ? -1 : ::open(resolved.c_str(), flags, 0666);
    if (fd < 0) {
        FailWith(errno, resolved);
        return INVALID_HANDLE_VALUE;
    }
    auto* file = new HostObject(HostObject::Kind::File);
    file->fd = fd;
    // As on Windows: success, with ERROR_ALREADY_EXISTS when an existing file
    // was opened by a disposition that could have created it.
    t_lastError = (existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS))
                      ? ERROR_ALREADY_EXISTS
                      : ERROR_SUCCESS;
    return Register(file);
}

BOOL PlatformReadFile(HANDLE handle, void* buffer, DWORD size, DWORD* done) {
    if (done != nullptr) *done = 0;
    HostObject* file = Lookup(handle, HostObject::Kind::File);
    if (file == nullptr) return FALSE;
    DWORD total = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (total < size) {
        // A failed read is -1; one the seam ends early (errno 0) reads nothing.
        const ssize_t n =
            IoCallFails(IoCall::Read) ? (errno != 0 ? -1 : 0) : ::read(file->fd, bytes + total, size - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            FailWith(errno, std::string());
            if (done != nullptr) *done = total;
            return FALSE;
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    if (done != nullptr) *done = total;
    return TRUE;
}

BOOL PlatformWriteFile(HANDLE handle, const void* buffer, DWORD size, DWORD* done) {
    if (done != nullptr) *done = 0;
    HostObject* file = Lookup(handle, HostObject::Kind::File);
    if (file == nullptr) return FALSE;
    DWORD total = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (total < size) {
        const size_t allowed = IoWriteAllowance(size - total);
        const ssize_t n = allowed == 0 ? -1 : ::write(file->fd, bytes + total, allowed);
        if (n < 0) {
            if (errno == EINTR) continue;
            FailWith(errno, std::string());
            if (done != nullptr) *done = total;
            return FALSE;
        }
        total += static_cast<DWORD>(n);
    }
    if (done != nullptr) *done = total;
    return TRUE;
}

DWORD PlatformGetFileSize(HANDLE handle, DWORD* high) {
    HostObject* file = Lookup(handle, HostObject::Kind::File);
    struct stat st;
    if (file == nullptr || ::fstat(file->fd, &st) != 0) {
        if (file != nullptr) FailWith(errno, std::string());
        return INVALID_FILE_SIZE;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (high != nullptr) *high = static_cast<DWORD>(size >> 32);
    t_lastError = ERROR_SUCCESS;
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL PlatformGetFileTime(HANDLE handle, FILETIME* creation, FILETIME* access, FILETIME* write) {
    HostObject* file = Lookup(handle, HostObject::Kind::File);
    struct stat st;
    if (file == nullptr) return FALSE;
    if (::fstat(file->fd, &st) != 0) {
        FailWith(errno, std::string());
        return FALSE;
    }
    if (creation != nullptr) *creation = TimespecToFileTime(st.st_mtim);
    if (access != nullptr) *access = TimespecToFileTime(st.st_atim);
    if (write != nullptr) *write = TimespecToFileTime(st.st_mtim);
    return TRUE;
}

BOOL PlatformSetFileTime(HANDLE handle,
                         const FILETIME* /*creation*/,
                         const FILETIME* access,
                         const FILETIME* write) {
    HostObject* file = Lookup(handle, HostObject::Kind::File);
    if (file == nullptr) return FALSE;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = times[0];
    if (access != nullptr) times[0] = FileTimeToTimespec(*access);
    if (write != nullptr) times[1] = FileTimeToTimespec(*write);
    if (IoCallFails(IoCall::SetTime) || ::futimens(file->fd, times) != 0) {
        FailWith(errno, std::string());
        return FALSE;
    }
    return TRUE;
}

BOOL PlatformCloseHandle(HANDLE handle) {
    HostObject* file = Unregister(handle, HostObject::Kind::File);
    if (file == nullptr) return FALSE;
    const bool fails = IoCallFails(IoCall::Close);
    const int error = errno;
    // The descriptor is gone either way, as close(2) leaves it.
    const int result = ::close(file->fd);
    delete file;
    if (!fails && result == 0) return TRUE;
    FailWith(fails ? error : errno, std::string());
    return FALSE;
}

BOOL PlatformDeleteFile(LPCWSTR path) {
    const std::string resolved = PlatformResolvePath(path);
    struct stat st;
    if (::lstat(resolved.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        t_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (IoCallFails(IoCall::Remove) || ::unlink(resolved.c_str()) != 0) {
        FailWith(errno, resolved);
        return FALSE;
    }
    return TRUE;
}

BOOL PlatformMoveFile(LPCWSTR from, LPCWSTR to) {
    const std::string source = PlatformResolvePath(from);
    const std::string destination = PlatformResolvePath(to);
    // The file put in the place of another takes its permissions, as when
    // it was rewritten in place: a private file stays private.
    struct stat replaced;
    if (::stat(destination.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode))
        ::chmod(source.c_str(), replaced.st_mode & 07777);
    if (IoCallFails(IoCall::Rename) || ::rename(source.c_str(), destination.c_str()) != 0) {
        FailWith(errno, source);
        return FALSE;
    }
    return TRUE;
}

BOOL PlatformCreateDirectory(LPCWSTR path) {
    const std::string resolved = PlatformResolvePath(path);
    if (::mkdir(resolved.c_str(), 0777) != 0) {
        const int error = errno;
        t_lastError = error == EEXIST   ? ERROR_ALREADY_EXISTS
                      : error == ENOENT ? ERROR_PATH_NOT_FOUND
                                        : ErrorFromErrno(error, resolved);
        return FALSE;
    }
    return TRUE;
}

BOOL PlatformRemoveDirectory(LPCWSTR path) {
    const std::string resolved = PlatformResolvePath(path);
    if (::rmdir(resolved.c_str()) != 0) {
        FailWith(errno, resolved);
        return FALSE;
    }
    return TRUE;
}

DWORD PlatformGetCurrentDirectory(DWORD size, WCHAR* buffer) {
    std::vector<char> bytes(4096);
    while (::getcwd(bytes.data(), bytes.size()) == nullptr) {
        if (errno != ERANGE || bytes.size() > (1u << 20)) {
            FailWith(errno, std::string());
            return 0;
        }
        bytes.resize(bytes.size() * 2);
    }
    const DWORD length = static_cast<DWORD>(std::strlen(bytes.data()));
    if (buffer == nullptr || size <= length) return length + 1;
    ToWide(bytes.data(), buffer, size);
    return length;
}

BOOL PlatformFileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    const int64_t ticks = static_cast<int64_t>(FileTimeValue(*utc));
    const time_t seconds = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifference);
    struct tm parts;
    if (::localtime_r(&seconds, &parts) == nullptr) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    const int64_t shifted = ticks + static_cast<int64_t>(parts.tm_gmtoff) * kTicksPerSecond;
    if (shifted < 0) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    *local = MakeFileTime(static_cast<uint64_t>(shifted));
    return TRUE;
}

BOOL PlatformFileTimeToDosDateTime(const FILETIME* time, WORD* date, WORD* dosTime) {
    const int64_t seconds = static_cast<int64_t>(FileTimeValue(*time) / kTicksPerSecond);  // since 1601
    int64_t days = seconds / 86400;
    const int64_t secondOfDay = seconds % 86400;
    // Civil date from a day count (days from 1601-01-01 shifted to 0000-03-01).
    days += 584694;  // 1601-01-01 counted from 0000-03-01
    const int64_t era = days / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1980 || year > 2107) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    *date = static_cast<WORD>(((year - 1980) << 9) | (month << 5) | day);
    *dosTime = static_cast<WORD>(((secondOfDay / 3600) << 11) | (((secondOfDay / 60) % 60) << 5) |
                                 ((secondOfDay % 60) / 2));
    return TRUE;
}

FILETIME PlatformCurrentFileTime() {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return TimespecToFileTime(now);
}

}  // namespace vezuved

#endif  // !_WIN32
