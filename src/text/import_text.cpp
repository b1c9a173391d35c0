#include "text/import_text.h"
#include "base/diag.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/file_handle.h"
#include "base/paths.h"
#include "formats/format_file.h"
#include "layouts/layout_table.h"
#include "pointdb/point_database_writer.h"
#include "state/conversion_state.h"
#include "text/layout_reading.h"
#include "text/text_file.h"
#include "text/text_lines.h"
#include "text/text_output.h"
#include "text/work_record.h"

namespace vezuved {

namespace {

struct OutputTarget {
    std::string folder;
    char name[kMaxDatabaseName + 1] = "";
    const char* source = nullptr;  // the text read, which the output must not be
};

// The output's folder and base name: from the named output when given, else from
// the source file.
OutputTarget DeriveOutput(const char* base) {
    OutputTarget target;
    DatabaseNameFromPath(base, target.name);
    if (const char* separator = LastSeparator(base)) {
        target.folder.assign(base, static_cast<size_t>(separator + 1 - base));
    } else if (const char* colon = std::strchr(base, ':')) {
        target.folder.assign(base, static_cast<size_t>(colon + 1 - base));
        target.folder.push_back('\\');  // 'C:points.txt' lies in the folder 'C:\'
    }
    return target;
}

// The header holds 16 bits of the count: more records cannot make a
// readable database, so they are refused before anything is created.
bool CreateOutputDatabase(DatabaseOutput& output, const OutputTarget& out, uint64_t count) {
    if (!CountFits(count)) return false;
    if (CreatePointDatabaseFile(
            output, out.folder.c_str(), out.name, static_cast<uint32_t>(count), out.source) == 0) {
        return true;
    }
    ClosePointDatabase(output, false);
    return false;
}

// Records of the current layout into a database. The count pass asks the
// parser only whether it takes a line (every line but a Garmin text's
// non-waypoint lines); the store pass can refuse a line only when memory
// runs out, and then the database lacks records and the import fails
// rather than leave a file no reader accepts.
int32_t ImportLinesToDatabase(ConversionState& state,
                              const std::vector<char>& lines,
                              const OutputTarget& out,
                              DatabaseOutput& output) {
    WorkRecord work;
    if (!work.Allocate(kWorkDescSize)) return -1;
    const LayoutSettings settings = SettingsForReading(state);

    uint32_t count = HasPlaceholderRecord(state) ? 1 : 0;
    ForEachTextLine(lines, [&](const char* line) {
        if (ReadLayoutLine(line, nullptr, state.Layout, settings) == 0) ++count;
    });
    if (!CreateOutputDatabase(output, out, count)) return -1;

    int32_t result = 0;
    uint32_t index = 0;
    try {
        if (HasPlaceholderRecord(state)) {
            ClearKeepDesc(*work);
            WritePointRecord(output, static_cast<int32_t>(index++), *work, state.Previous);
        }
        if (output.kind == kKindPoint) state.Previous.FirstPoint = 0;
        ForEachTextLine(lines, [&](const char* line) {
            if (ReadLayoutLine(line, work.get(), state.Layout, settings) == 0) {
                WritePointRecord(output, static_cast<int32_t>(index++), *work, state.Previous);
            }
        });
    } catch (...) {
        result = -1;
    }
    if (index != count) result = -1;
    if (ClosePointDatabase(output, result == 0) != 0) result = -1;
    state.Header.reset();
    return result;
}

// Datum databases hold their lines unchanged, one record each.
int32_t ImportRawLines(const std::vector<char>& lines,
                       size_t count,
                       const OutputTarget& out,
                       DatabaseOutput& output) {
    if (!CreateOutputDatabase(output, out, count)) return -1;
    int32_t result = 0;
    try {
        int32_t index = 0;
        ForEachTextLine(lines, [&](const char* line) { WriteTextRecord(output, index++, line); });
    } catch (...) {
        result = -1;
    }
    if (ClosePointDatabase(output, result == 0) != 0) result = -1;
    return result;
}

int32_t ImportLinesToKindFile(ConversionState& state,
                              const std::vector<char>& lines,
                              const OutputTarget& out,
                              DatabaseOutput& output) {
    WorkRecord work;
    if (!work.Allocate(kWorkDescSize)) return -1;
    if (OpenKindFile(output, out.folder.c_str(), out.name, out.source) != 0) return -1;
    if (output.kind == kKindPoint) state.Previous.FirstPoint = 0;
    const LayoutSettings settings = SettingsForReading(state);

    TextSink sink;
    sink.file = output.file.file;
    int32_t index = 0;
    ForEachTextLine(lines, [&](const char* line) {
        if (ReadLayoutLine(line, work.get(), state.Layout, settings) == 0) {
            WriteLayoutLine(sink, *work, state.Layout, settings, output.kind, index++);
        }
    });
    state.Header.reset();
    return FinishTextOutput(output.file, sink) ? 0 : -1;
}

}  // namespace

void ApplyTextRequest(ConversionState& state, const TextRequest& request) {
    if (request.fieldCount) state.FieldCount = *request.fieldCount;
    if (request.layout) state.Layout = *request.layout;
    if (request.elevationFormat) state.EleFormat = *request.elevationFormat;
    if (request.columns) {
        for (size_t slot = 0; slot < kMappedColumns; ++slot) state.FieldMap[slot] = (*request.columns)[slot];
    }
}

TextResult ImportText(ConversionState& state, const TextRequest& request, bool toKindFile) {
    ResetConversionState(state);
    TextResult result;
    // A source too long for a definition's path would lose its definition
    // to the record-line order: it is refused instead.
    if (!PathFits(request.source.c_str())) return result;
    const char* sourcePath = SkipLeadingSpaces(request.source.c_str());
    const char* named = SkipLeadingSpaces(request.output.c_str());
    OutputTarget target = DeriveOutput(*named == '\0' ? sourcePath : named);
    target.source = sourcePath;

    FileHandle file = OpenFile(sourcePath, "rb", state.Paths);
    if (!file) {
        SayUnreadable(sourcePath);
        DiagPrint("error opening\n");
        return result;
    }
    LoadFormatFile(state, DefinitionToLoad(request, sourcePath), nullptr);
    ApplyTextRequest(state, request);
    if (state.Layout == kLayoutRecordLine) state.Layout = kLayoutComma;
    if (request.kind) SetDatabaseKind(state, *request.kind);

    std::vector<char> text;
    if (!ReadWholeFile(file.get(), text)) {
        // Not an empty file: one that could not be read, or ended early.
        if (std::ferror(file.get()) || !text.empty()) SayUnreadable(sourcePath);
        return result;
    }
    const size_t lineCount = CutTextLines(text, state.HeaderLines);

    DatabaseOutput output;
    output.kind = state.DBKind;
    output.recordVersion = state.RecordVersion;
    output.paths = state.Paths;
    if (output.kind == kKindDatum) {
        result.code = ImportRawLines(text, lineCount, target, output);
    } else if (toKindFile) {
        result.code = ImportLinesToKindFile(state, text, target, output);
    } else {
        result.code = ImportLinesToDatabase(state, text, target, output);
    }
    file.reset();
    if (result.code == 0) result.written = output.path;
    return result;
}

}  // namespace vezuved
