// The library's operating-system services (vezuved_system.h) in the tool's
// own terms, where a C answer is a text or a pair of numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <vezuved/vezuved_system.h>

namespace vezuved_cli {

// A receiver of the library's that appends to the std::string context;
// it stops the call when memory runs out.
inline int32_t VEZUVED_CORE_CALL AppendToString(void* context, const char* bytes, int64_t size) {
    try {
        static_cast<std::string*>(context)->append(bytes, static_cast<size_t>(size));
        return 0;
    } catch (...) {
        return 1;
    }
}

// The command line's arguments in UTF-8, the program's name first.
inline std::vector<std::string> ArgumentsInUtf8(int argc, char** argv) {
    char** arguments = vezuved_system_arguments(argc, argv);
    if (arguments == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> words(arguments, arguments + argc);
    vezuved_system_free_arguments(arguments);
    return words;
}

// The folder of the running program; empty when the system cannot tell.
inline std::string ProgramFolder() {
    std::string folder;
    vezuved_system_program_folder(AppendToString, &folder);
    return folder;
}

// Which file a path names, when it names one.
struct FileIdentity {
    bool exists = false;
    uint64_t volume = 0, file = 0;
};
inline FileIdentity IdentityOf(const std::string& path) {
    FileIdentity identity;
    identity.exists = vezuved_system_file_identity(path.c_str(), &identity.volume, &identity.file) == 1;
    return identity;
}

// Whether names in the folder are told apart regardless of case, and
// whether a file name fits its file system.
inline bool FoldsCase(const std::string& folder) {
    return vezuved_system_folder_folds_case(folder.c_str()) == 1;
}
inline bool NameFits(const std::string& folder, const std::string& name) {
    return vezuved_system_name_fits(folder.c_str(), name.c_str()) == 1;
}

}  // namespace vezuved_cli
