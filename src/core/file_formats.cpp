#include "core/file_formats.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/ascii.h"
#include "core/core_failure.h"
#include "core/text_overrides.h"
#include "core/text_sets.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

struct Extension {
    const char* text;
    int32_t format;
};

constexpr Extension kExtensions[] = {
    {".gpx", VEZUVED_FORMAT_GPX},
    {".kml", VEZUVED_FORMAT_KML},
    {".kmz", VEZUVED_FORMAT_KML},
    {".geojson", VEZUVED_FORMAT_GEOJSON},
    {".json", VEZUVED_FORMAT_GEOJSON},
    {".pdb", VEZUVED_FORMAT_PDB},
    {".svg", VEZUVED_FORMAT_SVG},
    {".html", VEZUVED_FORMAT_HTML},
    {".htm", VEZUVED_FORMAT_HTML},
};

// The extension of the last path component, "" when it has none.
std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

}  // namespace

namespace {

// The format the extension names; by extension (0) when it names none.
int32_t FormatOfExtension(const std::string& path) {
    const std::string extension = ExtensionOf(path);
    for (const Extension& known : kExtensions) {
        if (EqualsIgnoreCase(extension.c_str(), known.text)) return known.format;
    }
    return VEZUVED_FORMAT_BY_EXTENSION;
}

}  // namespace

int32_t ChooseReadFormat(int32_t chosen,
                         const std::string& path,
                         const std::string& definition,
                         bool described) {
    if (chosen == VEZUVED_FORMAT_BY_EXTENSION && FormatOfExtension(path) == VEZUVED_FORMAT_BY_EXTENSION &&
        (described || !definition.empty() || RecordLineKind(path) || FileExists(DefinitionBeside(path)))) {
        return VEZUVED_FORMAT_TEXT;
    }
    return ChooseFormat(chosen, path);
}

int32_t ChooseFormat(int32_t chosen, const std::string& path) {
    if (chosen != VEZUVED_FORMAT_BY_EXTENSION) {
        if (chosen < VEZUVED_FORMAT_GPX || chosen > VEZUVED_FORMAT_PDB_OLDER) {
            FailCore(VEZUVED_ERROR_ARGUMENT, "'" + path + "': " + std::to_string(chosen) + " is no format");
        }
        return chosen;
    }
    const int32_t format = FormatOfExtension(path);
    if (format != VEZUVED_FORMAT_BY_EXTENSION) return format;
    FailCore(VEZUVED_ERROR_ARGUMENT,
             "'" + path + "': its extension names no format; give one in the options");
}

bool FileExists(const std::string& path) {
    // A look only, past the file-call seam as before; the path is UTF-8.
    return std::ifstream(std::filesystem::u8path(path), std::ios::binary).is_open();
}

void RequireReadable(const std::string& path) {
    if (!FileExists(path))
        FailCore(VEZUVED_ERROR_OPEN, "cannot read '" + path + "': the file cannot be opened");
}

}  // namespace vezuved::core
