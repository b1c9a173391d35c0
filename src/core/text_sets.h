// Text described by a ".cal" format definition, read into one set. The
// library's layouts cut each line and read its values; what a layout's
// 702-byte record would lose (long texts, Garmin's description, altitude
// and symbol, metres as written, the digits of a plain decimal) is taken
// from the line's own columns, so every value stays as the text holds it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/text_overrides.h"
#include "maps/map_warning.h"
#include "platform/page_buffer.h"
#include "sets/points.h"

namespace vezuved::core {

// How the bytes of a text file are taken.
enum class TextEncoding {
    Detect,       // UTF-8 when the whole file is valid UTF-8, else Windows-1252
    Utf8,         // UTF-8 or a failure
    Windows1252,  // every byte as Windows-1252
};

struct TextReadRequest {
    std::string path;
    std::string definition;                 // the ".cal" file; empty: the one beside path
    std::string definitionText;             // a definition's own text, read instead of any file
    std::optional<std::string_view> bytes;  // the file's bytes when the caller holds them: not read again
    TextEncoding encoding = TextEncoding::Detect;
    bool strict = false;
    bool isoTimes = false;    // the time and date columns hold ISO 8601
    TextOverrides overrides;  // over the definition
};

// The file as one set named after it, of the kind its definition names.
// A line whose value cannot be read is left out with a warning ("FILE:LINE:
// column C: cause"), or fails the read when strict. Fails with a
// CoreFailure: VEZUVED_ERROR_OPEN (the file or its definition cannot be
// read), _FORMAT (a bad line when strict, no point at all, not UTF-8 when
// UTF-8 was asked for, a definition of no point kind) or _MEMORY.
maps::PointSet ReadTextFile(const TextReadRequest& request, maps::MapWarnings& warnings);

// Takes each point of a text read as its line is read (the visitor may keep
// it or move it away), with the set it belongs to (its name and kind; no
// points).
using TextPointVisitor = std::function<void(maps::Point&, const maps::PointSet&)>;

// As ReadTextFile, each point handed to visit instead of kept, so a text of
// any length is never held as points: the set returned has none.
maps::PointSet VisitTextFile(const TextReadRequest& request,
                             maps::MapWarnings& warnings,
                             const TextPointVisitor& visit);

// The name and kind of the set a read of the text makes, from its
// definition alone (no line is read).
maps::PointSet DescribeTextFile(const TextReadRequest& request);

// The file's bytes, in pages of their own. An empty file fails
// (VEZUVED_ERROR_FORMAT) unless empty is allowed.
void ReadWholeText(const std::string& path, PageBuffer& bytes, bool allowEmpty = false);

// Calls onLine(number, line) for every line, counted from 1, by the rule
// the library's import cuts lines with: LF, CR, CR LF and NUL end a line,
// BEL and BS vanish. The numbers are what the library's own cutting drops.
template <typename OnLine>
void ForEachNumberedLine(std::string_view text, OnLine&& onLine) {
    // NUL, BEL, BS, LF and CR: the bytes a line's run of plain bytes stops at.
    const auto special = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= '\r' && ((0x2581u >> byte) & 1u) != 0;
    };
    std::string line;
    size_t number = 1;
    for (size_t i = 0;;) {
        size_t end = i;
        while (end < text.size() && !special(text[end])) ++end;
        line.append(text.data() + i, end - i);
        if (end == text.size()) {
            // A text ending in a line end has no further, empty line.
            if (!line.empty()) onLine(number, line);
            return;
        }
        const char c = text[end];
        i = end + 1;
        if (c == '\a' || c == '\b') continue;
        if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
        onLine(number, line);
        ++number;
        line.clear();
    }
}

// The definition that belongs to a text file: its extension (in the last
// path component) replaced by ".cal", or ".cal" appended.
std::string DefinitionBeside(const std::string& path);

}  // namespace vezuved::core
