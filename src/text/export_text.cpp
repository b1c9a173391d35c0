#include "text/export_text.h"

#include <cstdio>
#include <cstring>

#include "convert/number_text.h"
#include "formats/format_file.h"
#include "base/ascii.h"
#include "base/check_error.h"
#include "state/conversion_state.h"
#include "base/file_handle.h"
#include "base/paths.h"
#include "pdb/pdb.h"
#include "pointdb/point_database_reader.h"
#include "pointdb/point_database_writer.h"
#include "record/record_format.h"
#include "record/record_parse.h"
#include "text/import_text.h"
#include "text/text_output.h"
#include "text/work_record.h"

namespace {

constexpr size_t kTokenReach = 29;

struct ExportContext {
    const char* databasePath;
    char* outputPath;
    PdbMemoryFile memory;  // the whole database, when it could be loaded
    PdbStream stream{};
    PdbHandle* handle = nullptr;
    ReplacingFile output;
    ~ExportContext() {
        if (handle != nullptr) PdbRelease(handle);
    }
};

void WriteLine(TextSink& sink, const char* text) {
    WriteText(sink, text);
    WriteText(sink, "\n", 1);
}

// The database file's name: the text after its last folder separator.
const char* FileNameOf(const char* path) {
    const char* separator = LastSeparator(path);
    return separator != nullptr ? separator + 1 : path;
}

std::string BuildOutputPath(ExportContext& ctx) {
    const char* requested = ctx.outputPath != nullptr ? SkipLeadingSpaces(ctx.outputPath) : "";
    std::string path;
    if (*requested != '\0') {
        path = requested;
        if (IsSeparator(path.back())) {
            path += FileNameOf(ctx.databasePath);
            ChooseExportExtension(path);
        }
        return path;
    }
    path = ctx.databasePath;
    ChooseExportExtension(path);
    if (ctx.outputPath != nullptr && path.size() <= kMaxPathLength) {
        std::memcpy(ctx.outputPath, path.c_str(), path.size() + 1);
    }
    return path;
}

void ApplyGarminSettings() {
    ConversionState& state = State();
    state.LocFormat = 1;
    state.TimeStyle = 1;
    state.DateStyle = 1;
    state.DateFirst = 1;
    state.DateOrder = 2;
    state.DateSeparator = '/';
}


void RecordPass(ExportContext& ctx, TextSink& sink, PointRecord& work, uint32_t first, int32_t kind) {
    ConversionState& state = State();
    if (state.Source == kModeGarmin) WriteGarminHeaders(sink, kind);
    std::string scratch;
    for (uint32_t i = first; i < state.NumRecords; ++i) {
        PdbRecordEntry entry{};
        CheckError(PdbGetRecordEntry(ctx.handle, i, &entry));
        const uint8_t* data = nullptr;
        uint32_t code = PdbReadRecord(ctx.handle, i, &entry, &data);
        if (data == nullptr) {
            CheckError(code);
            continue;
        }
        const char* text = RecordText(data, entry.size, scratch);
        if (state.Source == kModePlain || state.Source == kModeSurvey) {
            WriteLine(sink, text);
            continue;
        }
        ClearKeepDesc(work);
        if (ParsePointLine(text, &work, kModeRecordLine) == 0) {
            CheckError(static_cast<uint32_t>(WritePointLine(sink, work, state.FieldCount, state.Source,
                                                            kind, static_cast<int32_t>(i))));
        }
    }
}

void FreeExportTexts() {
    ConversionState& state = State();
    state.Header.reset();
    state.FormatTitle.reset();
    for (auto& label : state.FieldLabel) label.reset();
}

int32_t ExportRecords(ExportContext& ctx, std::FILE* database) {
    ConversionState& state = State();
    // One read of the whole database rather than a seek and a read per
    // record; without memory for it the file is read in place.
    ctx.stream = ctx.memory.ReadFrom(database) ? *ctx.memory.Stream() : PdbFileStream(database);
    try {
        CheckError(PdbOpen(&ctx.stream, &ctx.handle));
        CheckError(ReadHeaderFacts(ctx.handle) & 0xffffu);
    } catch (ErrorCode code) {
        return static_cast<int32_t>(code);
    }

    WorkRecord work;
    if (!work.Allocate(kWorkDescSize)) return -1;
    const std::string path = BuildOutputPath(ctx);
    if (!PathFits(path) || !OpenOutputFile(ctx.output, path, ctx.databasePath)) return -1;
    TextSink sink;
    sink.file = ctx.output.file;
    sink.crlf = true;

    const uint32_t first =
        (state.DBKind == kKindTrack || state.DBKind == kKindRoute) && state.DBVersion < 2 ? 1 : 0;
    int32_t result = 0;
    try {
        if (state.Source == kModeGarmin) {
            WriteLine(sink, "Grid\tLat/Lon hddd\xB0mm.mmm'");
            WriteLine(sink, "Datum\tWGS 84");
            ApplyGarminSettings();
        } else if (state.Header.has_value()) {
            WriteHeaderTemplate(sink, state.Header->c_str());
            WriteText(sink, "\n", 1);
        }
        int32_t kind = state.DBKind;
        RecordPass(ctx, sink, *work, first, kind);
        if (state.Source == kModeGarmin && kind == kKindRoute) {
            // The route's points again, defined as waypoints under the same
            // names the route gave them.
            WriteText(sink, "\n", 1);
            RecordPass(ctx, sink, *work, first, kKindPoint);
        }
    } catch (ErrorCode code) {
        result = static_cast<int32_t>(code);
    } catch (...) {
        result = -1;
    }
    FreeExportTexts();
    // A record that stopped the export leaves no partial text: the previous
    // file, if any, stays.
    if (result != 0) {
        DiscardReplacingFile(ctx.output);
    } else if (!FinishTextOutput(ctx.output, sink)) {
        result = -1;
    }
    return result;
}

}  // namespace

void ChooseExportExtension(std::string& path) {
    // Only the last component's extension goes: a '.' in a folder name must
    // never move the output into another folder.
    const size_t nameStart = [&] {
        const char* separator = LastSeparator(path.c_str());
        return separator != nullptr ? static_cast<size_t>(separator + 1 - path.c_str()) : 0;
    }();
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot >= nameStart) path.erase(dot);

    const ConversionState& state = State();
    if (!state.Ext.empty()) {
        path += state.Ext;
    } else if (state.Source == kModePlain) {
        path += ".txt";
    } else if (state.Source == kModeSurvey) {
        path += ".xml";
    } else if (state.DBKind == kKindPoint) {
        path += ".rlp";
    } else if (state.DBKind == kKindTrack) {
        path += ".rlt";
    } else if (state.DBKind == kKindRoute) {
        path += ".rlr";
    }
}

void WriteHeaderTemplate(TextSink& sink, const char* text) {
    const ConversionState& state = State();
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '[') {
            WriteText(sink, p, 1);
            continue;
        }
        const char* close = nullptr;
        for (size_t k = 1; k <= kTokenReach + 1 && p[k] != '\0'; ++k) {
            if (p[k] == ']') {
                if (k - 1 <= kTokenReach) close = p + k;
                break;
            }
        }
        if (close == nullptr) {
            WriteText(sink, p, 1);  // no token: the '[' is plain text
            continue;
        }
        std::string token(p + 1, close);
        if (EqualsIgnoreCase(token.c_str(), "NumRecords")) {
            char number[24];
            size_t length = FormatInteger(state.NumRecords, number, sizeof number);
            WriteText(sink, number, length);
        } else if (EqualsIgnoreCase(token.c_str(), "Title")) {
            WriteText(sink, state.Title);
        }
        p = close;
    }
}

void WriteGarminHeaders(TextSink& sink, int32_t kind) {
    static const char* const kPoints[] = {
        "", "Header\tName\tDescription\tType\tPosition\tAltitude\tDepth\tProximity\tDisplay Mode\tColor\tSymbol\tFacility\tCity\tState\tCountry", ""};
    static const char* const kTrack[] = {
        "", "Header\tName\tStart Time\tElapsed Time\tLength\tAverage Speed", "", "Track\tTrack 001", "",
        "Header\tPosition\tTime\tAltitude\tDepth\tLeg Length\tLeg Time\tLeg Speed\tLeg Course", ""};
    static const char* const kRoute[] = {
        "", "Header\tName\tLength\tCourse\tWaypoints", "", "Route\tRoute 001", "",
        "Header\tWaypoint Name\tDistance\tLeg Length\tCourse", ""};
    auto write = [&](const char* const* lines, size_t count) {
        for (size_t i = 0; i < count; ++i) WriteLine(sink, lines[i]);
    };
    switch (kind) {
        case kKindPoint: write(kPoints, 3); break;
        case kKindTrack: write(kTrack, 7); break;
        case kKindRoute: write(kRoute, 7); break;
        default: break;
    }
}

int32_t ExportText(const char* databasePath, char* outputPath, const char* formatPath,
                   int16_t source, int16_t eleFormat, int16_t fieldCount, const int16_t* fieldMap) {
    ConversionState& state = State();
    ResetConversionState();
    if (databasePath == nullptr) return -1;
    ExportContext ctx;
    ctx.databasePath = SkipLeadingSpaces(databasePath);
    ctx.outputPath = outputPath;

    std::string title = FileNameOf(ctx.databasePath);
    if (size_t dot = title.rfind('.'); dot != std::string::npos) title.erase(dot);
    AssignCut(state.Title, title.c_str(), kTitleMax);
    for (auto& label : state.FieldLabel) label.reset();

    FileHandle database = OpenFile(ctx.databasePath, "rb");
    if (!database) return -1;
    if (formatPath != nullptr && *formatPath != '\0') {
        LoadFormatFile(formatPath, nullptr);
    } else if (outputPath != nullptr) {
        LoadFormatFile(SkipLeadingSpaces(outputPath), nullptr);
    }
    if (fieldCount > 0) state.FieldCount = fieldCount;
    if (source > 0) state.Source = static_cast<uint16_t>(source);
    if (state.Source == kModeRecordLine) state.Source = kModeComma;
    if (eleFormat >= 0) state.EleFormat = static_cast<uint16_t>(eleFormat);
    ApplyFieldMap(fieldMap);
    return ExportRecords(ctx, database.get());
}
