#include "platform/dynamic_library.h"

#if defined(_WIN32)

#include <vector>
namespace vezuved {

DWORD DynamicLibrary::Open(const char* path, bool wide) {
    Close();
    HMODULE module = nullptr;
    if (wide) {
        std::vector<wchar_t> widePath;
        for (const char* p = path; *p != 0; ++p)
            widePath.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
        widePath.push_back(0);
        module = LoadLibraryExW(widePath.data(), nullptr, 0);
    } else {
        module = LoadLibraryExA(path, nullptr, 0);
    }
    if (module == nullptr) {
        const DWORD error = GetLastError();
        return error != 0 ? error : ERROR_MOD_NOT_FOUND;
    }
    handle_ = reinterpret_cast<void*>(module);
    return 0;
}

void* DynamicLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void DynamicLibrary::Close() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

std::string ThisModuleFolder() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&ThisModuleFolder),
            &module))
        return std::string();
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    std::string folder(path, length);
    const size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

}  // namespace vezuved
#else  // POSIX

#include <dlfcn.h>
namespace vezuved {

DWORD DynamicLibrary::Open(const char* path, bool /*wide*/) {
    Close();
    handle_ = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) return ERROR_MOD_NOT_FOUND;
    return 0;
}

void* DynamicLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return ::dlsym(handle_, name);
}

void DynamicLibrary::Close() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
}

std::string ThisModuleFolder() {
    Dl_info info;
    if (::dladdr(reinterpret_cast<void*>(&ThisModuleFolder), &info) == 0 || info.dli_fname == nullptr)
        return std::string();
    const std::string path = info.dli_fname;
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace vezuved
#endif
