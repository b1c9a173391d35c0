// Reading a text file by its own header row: the core makes a definition
// from it, kept in a temporary folder that goes with the AutoText, by which
// the core then reads the file, ISO 8601 times included.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "files/temporary_folder.h"

namespace vezuved_cli {

// The ".cal" text the core makes for the text file at dataPath
// (vezuved_make_definition with flags); its warnings go to err. Fails when
// the file cannot be read or its header row places no latitude or
// longitude.
std::string MakeDefinitionText(std::ostream& err, const std::string& dataPath, int32_t flags);

struct AutoText {
    TemporaryFolder folder;
    std::string definition;  // the made definition
};

// Its warnings go to err.
AutoText PrepareAutoText(std::ostream& err, const std::string& dataPath);

}  // namespace vezuved_cli
