#include "values/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "files/tool_paths.h"
#include "values/ascii_text.h"

namespace vezuved_cli {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        parts.push_back(Trim(text.substr(start, comma - start)));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

std::optional<int16_t> ReadColumnNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < -1 || value > 31) {
        return std::nullopt;
    }
    return static_cast<int16_t>(value);
}

// Field names for the name form of --columns, by their slot in the map.
int FieldSlot(std::string_view name) {
    static const std::vector<std::pair<const char*, int>> kFields = {{"lat", 0},
                                                                     {"latitude", 0},
                                                                     {"lon", 1},
                                                                     {"longitude", 1},
                                                                     {"ele", 2},
                                                                     {"elevation", 2},
                                                                     {"time", 3},
                                                                     {"name", 4},
                                                                     {"icon", 5},
                                                                     {"desc", 6},
                                                                     {"description", 6}};
    for (const auto& [field, slot] : kFields) {
        if (SameIgnoringCase(name, field)) return slot;
    }
    return -1;
}

}  // namespace

const std::vector<NamedCode>& KindNames() {
    static const std::vector<NamedCode> kNames = {
        {"points", 0}, {"track", 1}, {"route", 2}, {"track-old", 65}, {"route-old", 66}, {"datum", 6}};
    return kNames;
}

const std::vector<NamedCode>& LayoutNames() {
    static const std::vector<NamedCode> kNames = {
        {"comma", 1}, {"tab", 2}, {"garmin", 3}, {"fixed", 5}, {"pcx5", 6}};
    return kNames;
}

std::optional<int16_t> CodeForName(const std::vector<NamedCode>& names, std::string_view name) {
    for (const NamedCode& entry : names) {
        if (SameIgnoringCase(name, entry.name)) return entry.code;
    }
    return std::nullopt;
}

std::string ListNames(const std::vector<NamedCode>& names) {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
        out += names[i].name;
    }
    return out;
}

std::string KindText(int32_t kind) {
    switch (kind) {
        case 0:
            return "points";
        case 1:
            return "track";
        case 2:
            return "route";
        case 3:
            return "log";
        case 4:
            return "RlVM";
        case 5:
            return "RlVD";
        case 6:
            return "datum";
        case 7:
            return "survey";
        default:
            return "unknown (" + std::to_string(kind) + ")";
    }
}

std::string LayoutText(int32_t source) {
    switch (source) {
        case 0:
            return "record line";
        case 1:
            return "comma";
        case 2:
            return "tab";
        case 3:
            return "garmin";
        case 4:
            return "plain text";
        case 5:
            return "fixed";
        case 6:
            return "pcx5";
        case 7:
            return "survey";
        default:
            return "unknown (" + std::to_string(source) + ")";
    }
}

std::optional<ColumnMap> ParseColumns(std::string_view text, std::string& error) {
    const std::vector<std::string_view> parts = SplitCommas(text);
    const bool numeric = std::all_of(parts.begin(), parts.end(), [](std::string_view part) {
        return !part.empty() &&
               (std::isdigit(static_cast<unsigned char>(part.front())) || part.front() == '-') && part != "-";
    });
    ColumnMap map;
    map.fill(-1);
    if (numeric) {
        if (parts.size() != map.size()) {
            error =
                "seven column numbers are needed (latitude, longitude, elevation, time, name, "
                "icon, description), got " +
                std::to_string(parts.size());
            return std::nullopt;
        }
        for (size_t i = 0; i < parts.size(); ++i) {
            const auto column = ReadColumnNumber(parts[i]);
            if (!column) {
                error = "'" + std::string(parts[i]) + "' is no column number from -1 to 31";
                return std::nullopt;
            }
            map[i] = *column;
        }
        return map;
    }
    if (parts.size() > 32) {
        error = "at most 32 columns can be named";
        return std::nullopt;
    }
    for (size_t column = 0; column < parts.size(); ++column) {
        if (parts[column] == "-") continue;
        const int slot = FieldSlot(parts[column]);
        if (slot < 0) {
            error = "'" + std::string(parts[column]) +
                    "' is no field name (lat, lon, ele, time, name, icon, desc, or - to skip)";
            return std::nullopt;
        }
        if (map[slot] >= 0) {
            error = "'" + std::string(parts[column]) + "' is named twice";
            return std::nullopt;
        }
        map[slot] = static_cast<int16_t>(column);
    }
    return map;
}

bool IsRecordLineFile(std::string_view path) {
    const std::string extension = LoweredAscii(TextOf(PathOf(std::string(path)).extension()));
    return extension == ".rlp" || extension == ".rlt" || extension == ".rlr";
}

std::string DefinitionPathFor(std::string_view path) {
    const size_t dot = path.rfind('.');
    return std::string(path.substr(0, dot)) + ".cal";
}

}  // namespace vezuved_cli
