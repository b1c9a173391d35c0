#include "text/export_text.h"

#include <cstdio>
#include <cstring>

#include "base/ascii.h"
#include "base/check_error.h"
#include "base/file_handle.h"
#include "base/paths.h"
#include "convert/number_text.h"
#include "formats/format_file.h"
#include "layouts/column_text.h"
#include "layouts/layout_table.h"
#include "pdb/pdb.h"
#include "pointdb/point_database_reader.h"
#include "pointdb/point_database_writer.h"
#include "record/record_parse.h"
#include "state/conversion_state.h"
#include "text/import_text.h"
#include "text/text_file.h"
#include "text/text_output.h"
#include "text/work_record.h"

namespace vezuved {

namespace {

struct ExportContext {
    const char* databasePath;
    const char* requestedPath;  // as the caller named it, leading spaces skipped
    PdbMemoryFile memory;       // the whole database, when it could be loaded
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

std::string BuildOutputPath(const ConversionState& state, const ExportContext& ctx) {
    const char* requested = ctx.requestedPath;
    std::string path;
    if (*requested != '\0') {
        path = requested;
        if (IsSeparator(path.back())) {
            path += FileNameOf(ctx.databasePath);
            ChooseExportExtension(state, path);
        }
        return path;
    }
    path = ctx.databasePath;
    ChooseExportExtension(state, path);
    return path;
}

void RecordPass(const ConversionState& state,
                ExportContext& ctx,
                TextSink& sink,
                PointRecord& work,
                uint32_t first,
                int32_t kind) {
    const LayoutDescriptor& layout = LayoutFor(state.Layout);
    const LayoutSettings settings = LayoutSettingsOf(state);
    if (layout.passHeader != nullptr) layout.passHeader(sink, kind);
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
        if (layout.copiesRecordText) {
            WriteLine(sink, text);
            continue;
        }
        if (ParseRecordLine(text, work) == 0) {
            CheckError(static_cast<uint32_t>(
                WriteLayoutLine(sink, work, state.Layout, settings, kind, static_cast<int32_t>(i))));
        }
    }
}

// The texts the definition gave (header, title, labels) go however the
// export ends.
struct ExportTextsRelease {
    explicit ExportTextsRelease(ConversionState& owner) : state(owner) {}
    ExportTextsRelease(const ExportTextsRelease&) = delete;
    ExportTextsRelease& operator=(const ExportTextsRelease&) = delete;
    ~ExportTextsRelease() {
        state.Header.reset();
        state.FormatTitle.reset();
        for (auto& label : state.FieldLabel) label.reset();
    }
    ConversionState& state;
};

// A failing step throws LibraryError: the export answers its code. A record
// that stopped the export leaves no partial text: the output's temporary
// file goes with the context, and the previous file, if any, stays.
int32_t ExportRecords(ConversionState& state, ExportContext& ctx, std::FILE* database, std::string& written) {
    // One read of the whole database rather than a seek and a read per
    // record; without memory for it the file is read in place.
    ctx.stream = ctx.memory.ReadFrom(database) ? *ctx.memory.Stream() : PdbFileStream(database);
    CheckError(PdbOpen(&ctx.stream, &ctx.handle));
    CheckError(ReadHeaderFacts(state, ctx.handle));

    WorkRecord work;
    if (!work.Allocate(kWorkDescSize)) return -1;
    written = BuildOutputPath(state, ctx);
    if (!PathFits(written.c_str()) || !OpenOutputFile(ctx.output, written, ctx.databasePath, state.Paths))
        return -1;
    TextSink sink;
    sink.file = ctx.output.file;
    sink.crlf = true;

    const uint32_t first =
        (state.DBKind == kKindTrack || state.DBKind == kKindRoute) && state.DBVersion < 2 ? 1 : 0;
    {
        const ExportTextsRelease release(state);
        const LayoutDescriptor& layout = LayoutFor(state.Layout);
        layout.header(sink,
                      ExportHeader{state.Header.has_value() ? state.Header->c_str() : nullptr,
                                   state.NumRecords,
                                   state.Title.c_str()});
        // The layout's conventions stay in the state after the export, for
        // the exports that follow.
        if (layout.exportStyle != nullptr) ApplyLayoutStyle(state, *layout.exportStyle);
        int32_t kind = state.DBKind;
        RecordPass(state, ctx, sink, *work, first, kind);
        if (layout.repeatsRouteAsWaypoints && kind == kKindRoute) {
            // The route's points again, defined as waypoints under the same
            // names the route gave them.
            WriteText(sink, "\n", 1);
            RecordPass(state, ctx, sink, *work, first, kKindPoint);
        }
    }
    return FinishTextOutput(ctx.output, sink) ? 0 : -1;
}

}  // namespace

void ChooseExportExtension(const ConversionState& state, std::string& path) {
    // Only the last component's extension goes: a '.' in a folder name must
    // never move the output into another folder.
    const size_t nameStart = [&] {
        const char* separator = LastSeparator(path.c_str());
        return separator != nullptr ? static_cast<size_t>(separator + 1 - path.c_str()) : 0;
    }();
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot >= nameStart) path.erase(dot);

    path += !state.Ext.empty() ? state.Ext.c_str() : LayoutFor(state.Layout).extension(state.DBKind);
}

TextResult ExportText(ConversionState& state, const TextRequest& request) {
    ResetConversionState(state);
    TextResult result;
    if (!PathFits(request.source.c_str())) return result;
    ExportContext ctx;
    ctx.databasePath = SkipLeadingSpaces(request.source.c_str());
    ctx.requestedPath = SkipLeadingSpaces(request.output.c_str());

    std::string title = FileNameOf(ctx.databasePath);
    if (size_t dot = title.rfind('.'); dot != std::string::npos) title.erase(dot);
    AssignCut(state.Title, title.c_str(), kTitleMax);
    for (auto& label : state.FieldLabel) label.reset();

    FileHandle database = OpenFile(ctx.databasePath, "rb", state.Paths);
    if (!database) {
        SayUnreadable(ctx.databasePath);
        return result;
    }
    if (request.format) LoadFormatFile(state, request.format->c_str(), nullptr);
    ApplyTextRequest(state, request);
    if (state.Layout == kLayoutRecordLine) state.Layout = kLayoutComma;
    std::string written;
    result.code = ExportRecords(state, ctx, database.get(), written);
    if (result.code == 0) result.written = std::move(written);
    return result;
}

}  // namespace vezuved
