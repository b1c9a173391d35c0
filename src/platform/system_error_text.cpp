#include "platform/system_error_text.h"

namespace vezuved {

namespace {

struct ErrorWords {
    DWORD code;
    const char* text;
};

constexpr ErrorWords kErrorWords[] = {
    {ERROR_FILE_NOT_FOUND, "No such file"},
    {ERROR_PATH_NOT_FOUND, "No such folder"},
    {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
    {ERROR_ACCESS_DENIED, "Permission denied"},
    {ERROR_INVALID_HANDLE, "Invalid handle"},
    {ERROR_NOT_ENOUGH_MEMORY, "Out of memory"},
    {ERROR_NOT_READY, "Device not ready"},
    {ERROR_GEN_FAILURE, "Device failure"},
    {ERROR_SHARING_VIOLATION, "File in use"},
    {ERROR_HANDLE_EOF, "Unexpected end of file"},
    {ERROR_FILE_EXISTS, "File exists"},
    {ERROR_ALREADY_EXISTS, "File exists"},
    {ERROR_INVALID_PARAMETER, "Invalid argument"},
    {ERROR_DISK_FULL, "No space left on device"},
    {ERROR_INVALID_NAME, "Invalid name"},
    {ERROR_DIR_NOT_EMPTY, "Folder not empty"},
    {ERROR_FILENAME_EXCED_RANGE, "File name too long"},
    {ERROR_FILE_CORRUPT, "File corrupt"},
};

}  // namespace

std::string SystemErrorText(DWORD error) {
    for (const ErrorWords& words : kErrorWords) {
        if (words.code == error) return words.text;
    }
    return "error " + std::to_string(error);
}

}  // namespace vezuved
