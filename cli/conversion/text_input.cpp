#include "conversion/text_input.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "api/tool_api.h"
#include "base/ascii.h"
#include "conversion/text_values.h"
#include "files/failure.h"
#include "files/tool_paths.h"
#include "files/whole_file.h"
#include "values/encoding.h"

using namespace vezuved;

namespace vezuved_cli {
namespace tool = vezuved::tool;
namespace {

// The prepared text's folder is made when the first file needs it.
std::string TemporaryFile(PreparedText& prepared, const std::string& name) {
    if (prepared.folder.path().empty()) prepared.folder = TemporaryFolder::Create();
    return prepared.folder.File(name);
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string Extension(const std::string& path) { return AsciiLowered(TextOf(PathOf(path).extension())); }

// The kind a record-line file from the handheld holds, by its extension.
std::optional<int16_t> RecordLineKind(const std::string& path) {
    const std::string extension = Extension(path);
    if (extension == ".rlp") return VEZUVED_KIND_POINT;
    if (extension == ".rlt") return VEZUVED_KIND_TRACK;
    if (extension == ".rlr") return VEZUVED_KIND_ROUTE;
    return std::nullopt;
}

const char* DefinitionTypeName(int16_t kind) {
    return kind == VEZUVED_KIND_TRACK ? "Track" : kind == VEZUVED_KIND_ROUTE ? "Route" : "Point";
}

void WriteTemporary(const std::string& path, const std::string& bytes) {
    std::ofstream out(PathOf(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) FailConversion("cannot write the temporary copy '" + path + "'");
}

// Which definition describes the file; fills prepared's definition and
// the options a known extension implies.
void ChooseDefinition(const std::string& path, PreparedText& prepared) {
    TextOptions& options = prepared.options;
    prepared.definition = ResolveDefinition(path, options.definition);
    if (!prepared.definition.empty()) return;
    const std::string own = DefinitionPathFor(path);
    std::string generated;
    if (const auto kind = RecordLineKind(path)) {
        // The handheld's own lines: the record line's columns, feet, plain
        // decimal degrees.
        generated = std::string(
                        "FormatTitle = Record lines\nDelimited = ,\nFieldCount = 7\nLocFormat = Num\n"
                        "EleFormat = Feet\nDBType = ") +
                    DefinitionTypeName(*kind) + "\n";
        if (!options.layout) options.layout = 0;
    } else if (options.columns || options.layout) {
        generated = "; columns and layout from the command line\n";
    } else {
        FailUsage("cannot read '" + path + "': nothing says what its columns hold (no -d, no '" + own +
                  "', no known extension); give a format definition with -d FILE.cal, or --auto when its "
                  "first line names the columns");
    }
    prepared.definition = TemporaryFile(prepared, "vezuved-definition.cal");
    WriteTemporary(prepared.definition, generated);
}

// Line and byte (both from 1) of an offset, with the library's line ends.
std::pair<size_t, size_t> LineAndByte(const std::string& text, size_t offset) {
    size_t line = 1, start = 0;
    for (size_t i = 0; i < offset; ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\0' || (c == '\r' && !(i + 1 < text.size() && text[i + 1] == '\n'))) {
            ++line;
            start = i + 1;
        }
    }
    return {line, offset - start + 1};
}

std::string HexByte(unsigned char byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 15];
}

// The file's text made Windows-1252 in place, the byte order mark dropped;
// true when that changed it.
bool DecodeText(std::ostream& err, const std::string& path, std::string& text, TextEncoding encoding) {
    bool changed = false;
    if (text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
        text.erase(0, kByteOrderMark.size());
        changed = true;
    }
    if (encoding == TextEncoding::Cp1252) return changed;
    const size_t invalid = FindInvalidUtf8(text);
    if (invalid != std::string::npos) {
        if (encoding == TextEncoding::Detect) return changed;
        const auto [line, byte] = LineAndByte(text, invalid);
        FailConversion("cannot read '" + path + "' as UTF-8: line " + std::to_string(line) + ", byte " +
                       std::to_string(byte) + " (" + HexByte(static_cast<unsigned char>(text[invalid])) +
                       ") is no UTF-8; --encoding cp1252 reads it as Windows-1252");
    }
    // Plain ASCII is the same in both: no second copy of a large file.
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii) return changed;
    bool lost = false;
    std::string decoded = Utf8ToCp1252(text, &lost);
    if (lost) {
        err << "vezuved: warning: '" << path
            << "' holds characters Windows-1252 cannot hold; they are read as '?'\n";
    }
    changed = changed || decoded != text;
    text = std::move(decoded);
    return changed;
}

// Calls onLine(index, line) for each line as the library cuts them: LF,
// CR, CR LF and NUL end a line; BEL and BS vanish. The text's last line is
// passed even when empty.
template <typename OnLine>
void ForEachLine(const std::string& text, OnLine&& onLine) {
    std::string line;
    size_t index = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == 7 || c == 8) continue;
        if (c == '\n' || c == '\r' || c == '\0') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            onLine(index++, line);
            line.clear();
            continue;
        }
        line += c;
    }
    onLine(index, line);
}

}  // namespace

void PrepareText(std::ostream& err,
                 const std::string& path,
                 const TextOptions& options,
                 PreparedText& prepared) {
    prepared.options = options;
    const std::string& name = options.shownName.empty() ? path : options.shownName;
    std::string text = ReadWholeFileOrFail(path, "text file");
    ChooseDefinition(path, prepared);
    if (text.empty()) FailConversion("cannot read the text file '" + name + "': it is empty");
    prepared.layout = LoadTextLayout(prepared.definition, prepared.options);
    const TextLayout& layout = prepared.layout;
    bool changed = DecodeText(err, name, text, options.encoding);
    // Lines are checked one at a time; only the numbers of bad ones are kept.
    std::vector<size_t> bad;
    ForEachLine(text, [&](size_t i, const std::string& line) {
        if (static_cast<int64_t>(i) < layout.headerLines || line.empty()) return;
        if (layout.code == tool::kLayoutGarmin && !IsGarminWaypointLine(line)) return;
        if (const auto value = FindBadValue(line, layout, &prepared.fitting)) {
            const std::string message = name + ":" + std::to_string(i + 1) + ": column " +
                                        std::to_string(value->column) + ": " + value->problem;
            if (options.strict) FailConversion(message);
            err << message << "\n";
            bad.push_back(i);
            changed = true;
            return;
        }
        ++prepared.accepted;
        // Only a Garmin text's lines are read again (for the columns the library leaves out).
        if (layout.code == tool::kLayoutGarmin) prepared.records.push_back(line);
    });
    prepared.refused = bad.size();
    if (prepared.accepted == 0 && prepared.refused > 0) {
        FailConversion("cannot read '" + name + "': all " + std::to_string(prepared.refused) +
                       " line(s) that hold a point were refused (above); nothing is written");
    }
    if (!changed) {
        // The library reads the bytes as they are.
        prepared.copy = path;
        return;
    }
    // The copy has every line, a bad one emptied (an empty line is no record).
    prepared.copy = TemporaryFile(prepared, "checked-copy.txt");
    std::ofstream out(PathOf(prepared.copy), std::ios::binary);
    std::string chunk;
    size_t nextBad = 0;
    ForEachLine(text, [&](size_t i, const std::string& line) {
        if (i > 0) chunk += '\n';
        if (nextBad < bad.size() && bad[nextBad] == i) {
            ++nextBad;
        } else {
            chunk += line;
        }
        if (chunk.size() >= 64 * 1024) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    });
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    out.close();
    if (!out) FailConversion("cannot write the temporary copy '" + prepared.copy + "'");
}

}  // namespace vezuved_cli
