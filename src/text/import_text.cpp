#include "text/import_text.h"
#include "base/diag.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formats/format_file.h"
#include "state/conversion_state.h"
#include "base/file_handle.h"
#include "base/paths.h"
#include "pointdb/point_database_writer.h"
#include "layouts/layout_table.h"
#include "text/layout_reading.h"
#include "text/text_file.h"
#include "text/text_lines.h"
#include "text/text_output.h"
#include "text/work_record.h"

namespace {

struct OutputTarget {
    std::string folder;
    char name[kMaxDatabaseName + 1] = "";
    const char* source = nullptr;  // the text read, which the output must not be
};

// The output's folder and base name: from outputPath when given, else from
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
bool CreateOutputDatabase(const OutputTarget& out, uint64_t count) {
    if (!CountFits(count)) return false;
    if (CreatePointDatabaseFile(out.folder.c_str(), out.name, static_cast<uint32_t>(count), 0, nullptr, 0,
                                out.source) == 0) {
        return true;
    }
    ClosePointDatabase(false);
    return false;
}

// Records of the current layout into a database. The count pass asks the
// parser only whether it takes a line (every line but a Garmin text's
// non-waypoint lines); the store pass can refuse a line only when memory
// runs out, and then the database lacks records and the import fails
// rather than leave a file no reader accepts.
int32_t ImportLinesToDatabase(const std::vector<char>& lines, const OutputTarget& out) {
    ConversionState& state = State();
    WorkRecord work;
    if (!work.Allocate(kWorkDescSize)) return -1;
    const LayoutSettings settings = SettingsForReading(state);

    uint32_t count = HasPlaceholderRecord(state) ? 1 : 0;
    ForEachTextLine(lines, [&](const char* line) {
        if (ReadLayoutLine(line, nullptr, state.Source, settings) == 0) ++count;
    });
    if (!CreateOutputDatabase(out, count)) return -1;

    int32_t result = 0;
    uint32_t index = 0;
    try {
        if (HasPlaceholderRecord(state)) {
            ClearKeepDesc(*work);
            WritePointRecord(Output().db, static_cast<int32_t>(index++), *work);
        }
        if (state.DBKind == kKindPoint) state.Previous.FirstPoint = 0;
        ForEachTextLine(lines, [&](const char* line) {
            if (ReadLayoutLine(line, work.get(), state.Source, settings) == 0) {
                WritePointRecord(Output().db, static_cast<int32_t>(index++), *work);
            }
        });
    } catch (...) {
        result = -1;
    }
    if (index != count) result = -1;
    if (ClosePointDatabase(result == 0) != 0) result = -1;
    state.Header.reset();
    return result;
}

// Datum databases hold their lines unchanged, one record each.
int32_t ImportRawLines(const std::vector<char>& lines, size_t count, const OutputTarget& out) {
    if (!CreateOutputDatabase(out, count)) return -1;
    int32_t result = 0;
    try {
        int32_t index = 0;
        ForEachTextLine(lines, [&](const char* line) { WriteTextRecord(Output().db, index++, line); });
    } catch (...) {
        result = -1;
    }
    if (ClosePointDatabase(result == 0) != 0) result = -1;
    return result;
}

int32_t ImportLinesToKindFile(const std::vector<char>& lines, const OutputTarget& out) {
    ConversionState& state = State();
    WorkRecord work;
    if (!work.Allocate(kWorkDescSize)) return -1;
    if (OpenKindFile(out.folder.c_str(), out.name, out.source) != 0) return -1;
    if (state.DBKind == kKindPoint) state.Previous.FirstPoint = 0;
    const LayoutSettings settings = SettingsForReading(state);

    TextSink sink;
    sink.file = Output().file.file;
    int32_t index = 0;
    ForEachTextLine(lines, [&](const char* line) {
        if (ReadLayoutLine(line, work.get(), state.Source, settings) == 0) {
            WriteLayoutLine(sink, *work, state.Source, settings, state.DBKind, index++);
        }
    });
    state.Header.reset();
    return FinishTextOutput(Output().file, sink) ? 0 : -1;
}

}  // namespace

void ApplyFieldMap(const int16_t* fieldMap) {
    if (fieldMap == nullptr) return;
    for (int slot = kSlotLatitude; slot <= kSlotDesc; ++slot) State().FieldMap[slot] = fieldMap[slot];
}

int32_t ImportText(const char* sourcePath, char* outputPath, const char* formatPath, int16_t kind,
                   int16_t source, int16_t eleFormat, const int16_t* fieldMap, bool toKindFile) {
    ConversionState& state = State();
    ResetConversionState();
    // A source too long for a definition's path would lose its definition
    // to the record-line order: it is refused instead.
    if (sourcePath == nullptr || !PathFits(sourcePath)) return -1;
    sourcePath = SkipLeadingSpaces(sourcePath);
    const char* output = outputPath != nullptr ? SkipLeadingSpaces(outputPath) : nullptr;
    const bool reportPath = output == nullptr || *output == '\0';
    OutputTarget target = DeriveOutput(reportPath ? sourcePath : output);
    target.source = sourcePath;

    FileHandle file = OpenFile(sourcePath, "rb");
    if (!file) {
        SayUnreadable(sourcePath);
        DiagPrint("error opening\n");
        return -1;
    }
    LoadFormatFile(formatPath != nullptr && *formatPath != '\0' ? formatPath : sourcePath, nullptr);
    if (source > 0) state.Source = static_cast<uint16_t>(source);
    if (state.Source == kModeRecordLine) state.Source = kModeComma;
    ApplyFieldMap(fieldMap);
    if (eleFormat >= 0) state.EleFormat = static_cast<uint16_t>(eleFormat);
    if (kind >= 0) SetDatabaseKind(kind);

    std::vector<char> text;
    if (!ReadWholeFile(file.get(), text)) {
        // Not an empty file: one that could not be read, or ended early.
        if (std::ferror(file.get()) || !text.empty()) SayUnreadable(sourcePath);
        return -1;
    }
    const size_t lineCount = CutTextLines(text, state.HeaderLines);

    int32_t result;
    if (state.DBKind == kKindDatum) {
        result = ImportRawLines(text, lineCount, target);
    } else if (toKindFile) {
        result = ImportLinesToKindFile(text, target);
    } else {
        result = ImportLinesToDatabase(text, target);
    }
    file.reset();
    if (result == 0 && outputPath != nullptr && reportPath) {
        // The caller's buffer holds kMaxPathLength characters and the NUL
        // (vezuved.h); a longer path was refused when the file was made.
        const std::string written = target.folder + target.name + state.OutputExtension;
        if (written.size() <= kMaxPathLength) std::memcpy(outputPath, written.c_str(), written.size() + 1);
    }
    return result;
}
