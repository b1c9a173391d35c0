#include "core/text_set_writer.h"

#include "core/core_failure.h"
#include "core/library_call.h"
#include "core/set_records.h"
#include "layouts/layout_table.h"
#include "platform/replacing_file.h"
#include "record/text_sink.h"
#include "sets/encoding.h"
#include "state/conversion_state.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

int32_t DatabaseKindOf(int32_t setKind) {
    if (setKind == VEZUVED_SET_TRACK) return kKindTrack;
    if (setKind == VEZUVED_SET_ROUTE) return kKindRoute;
    return kKindPoint;
}

void WritePass(TextSink& sink,
               WrittenRecords& written,
               const LayoutDescriptor& layout,
               int code,
               const LayoutSettings& settings,
               int32_t kind) {
    if (layout.passHeader != nullptr) layout.passHeader(sink, kind);
    for (size_t i = 0; i < written.records.size(); ++i) {
        WriteLayoutLine(sink, written.records[i], code, settings, kind, static_cast<int32_t>(i));
    }
}

}  // namespace

void WriteTextFile(const std::string& path,
                   const std::string& given,
                   const maps::PointSet& set,
                   maps::RecordEncoding encoding,
                   maps::MapWarnings& warnings,
                   const TextOverrides& overrides) {
    std::string definition = given;
    // A record-line file (.rlp, .rlt, .rlr) is the handheld's own lines.
    if (definition.empty() && !overrides.DescribesColumns() && !RecordLineKind(path)) {
        FailCore(VEZUVED_ERROR_ARGUMENT,
                 "cannot write '" + path + "': text needs a format definition; name one in the options");
    }
    WrittenRecords written(set.points.size());
    maps::FittingReport fitting;
    FillRecords(set, maps::RecordUse::Text, encoding, path, written, fitting);

    // The layouts write with the call's own conversion state, from the
    // library's defaults and this definition alone.
    LibraryCall call;
    ConversionState& state =
        LoadTextSettings(call, path, definition, overrides, "cannot write '" + path + "'");
    if (IsImportOnly(state)) {
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot write '" + path + "' through '" + definition + "': the format '" +
                     maps::Cp1252ToUtf8(*state.FormatTitle) +
                     "' can be read but not written back the same way");
    }
    if (state.Layout == kLayoutRecordLine) {
        // Record lines are written as the library's export writes them:
        // comma-separated, the record's fields in their own order.
        state.Layout = kLayoutComma;
        state.Delimited = ',';
        if (!overrides.columns) {
            for (int slot = kSlotLatitude; slot <= kSlotDesc; ++slot)
                state.FieldMap[slot] = static_cast<int16_t>(slot);
            state.FieldMap[kSlotDate] = -1;
        }
    }
    if (state.Layout == kLayoutPlain || state.Layout == kLayoutSurvey || state.DBKind == kKindDatum) {
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot write '" + path + "': its format definition '" + definition +
                     "' describes no point lines");
    }
    const int code = state.Layout;
    const LayoutDescriptor& layout = LayoutFor(code);
    if (layout.delimiter != '\0') state.Delimited = layout.delimiter;
    // The layout's conventions (Garmin text's dates and coordinates) for
    // this write alone.
    if (layout.exportStyle != nullptr) ApplyLayoutStyle(state, *layout.exportStyle);
    // The set's own kind, whatever the definition names: a route stays a route.
    const int32_t kind = DatabaseKindOf(set.kind);
    state.DBKind = kind;
    const std::string title =
        encoding == maps::RecordEncoding::Utf8 ? set.title : maps::Utf8ToCp1252(set.title);
    state.Title = title.substr(0, kTitleMax);
    const LayoutSettings settings = LayoutSettingsOf(state);

    ReplacingFile file;
    if (!OpenReplacingFile(file, path.c_str(), PathEncoding::Utf8))
        FailCore(VEZUVED_ERROR_WRITE, file.failure);
    TextSink sink;
    sink.file = file.file;
    sink.crlf = true;
    layout.header(sink,
                  ExportHeader{state.Header.has_value() ? state.Header->c_str() : nullptr,
                               static_cast<uint32_t>(written.records.size()),
                               state.Title.c_str()});
    WritePass(sink, written, layout, code, settings, kind);
    if (layout.repeatsRouteAsWaypoints && kind == kKindRoute) {
        // The route's points again, defined as waypoints under the names the route gave them.
        WriteText(sink, "\n", 1);
        WritePass(sink, written, layout, code, settings, kKindPoint);
    }
    // A file discarded for a failed write fails its commit with that cause.
    if (!FlushText(sink)) DiscardReplacingFile(file, sink.error);
    if (!CommitReplacingFile(file)) FailCore(VEZUVED_ERROR_WRITE, file.failure);
    AddFittingWarning(path, fitting, warnings);
    AddExtrasWarning(path, &set, 1, "a text", warnings);
}

}  // namespace vezuved::core
