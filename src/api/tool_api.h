// The `vezuved` tool's door for the databases it still reads as the host's
// exports do, record for record: RLGetPDBFileInfo and RLDBReadPDB with the
// same drivers, conversion state and answers,
// for the tool's paths, which are UTF-8 on every platform (the exports'
// are in the ANSI code page on Windows, where a name such as "Café
// Пешком" has no spelling). Each entry takes the library lock as the
// exports do.
#pragma once

#include <cstdint>
#include <string>

namespace vezuved::tool {

int32_t ReadDatabaseInfo(
    const std::string& path, int32_t* kind, int32_t* source, int32_t* version, int32_t* count);
int32_t ReadDatabase(const std::string& path, void** records, int32_t* kind);

}  // namespace vezuved::tool
