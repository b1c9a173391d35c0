// The public structs' layout, pinned: a host compiled against the header
// sees the same sizes and offsets on every platform of one pointer width,
// and the set kinds are the database kinds.
#include <cstddef>

#include "vezuved/vezuved.h"
#include "vezuved/vezuved_core.h"

namespace {

constexpr size_t kPointer = sizeof(void*);

static_assert(VEZUVED_SET_WAYPOINTS == VEZUVED_KIND_POINT, "set kinds are database kinds");
static_assert(VEZUVED_SET_TRACK == VEZUVED_KIND_TRACK, "set kinds are database kinds");
static_assert(VEZUVED_SET_ROUTE == VEZUVED_KIND_ROUTE, "set kinds are database kinds");

static_assert(offsetof(vezuved_point, latitude) == 0, "point layout");
static_assert(offsetof(vezuved_point, longitude) == 8, "point layout");
static_assert(offsetof(vezuved_point, elevation) == 16, "point layout");
static_assert(offsetof(vezuved_point, time) == 24, "point layout");
static_assert(offsetof(vezuved_point, has_elevation) == 32, "point layout");
static_assert(offsetof(vezuved_point, has_time) == 36, "point layout");
static_assert(offsetof(vezuved_point, segment_start) == 40, "point layout");
static_assert(offsetof(vezuved_point, name) == (kPointer == 4 ? 44 : 48), "point layout");
static_assert(offsetof(vezuved_point, description) == (kPointer == 4 ? 48 : 56), "point layout");
static_assert(offsetof(vezuved_point, symbol) == (kPointer == 4 ? 52 : 64), "point layout");
static_assert(sizeof(vezuved_point) == (kPointer == 4 ? 56 : 72), "point size");

static_assert(offsetof(vezuved_read_options, format) == 0, "read options layout");
static_assert(offsetof(vezuved_read_options, strict) == 4, "read options layout");
static_assert(offsetof(vezuved_read_options, encoding) == 8, "read options layout");
static_assert(offsetof(vezuved_read_options, definition_path) == 16, "read options layout");
static_assert(sizeof(vezuved_read_options) == 16 + kPointer, "read options size");

static_assert(offsetof(vezuved_write_options, format) == 0, "write options layout");
static_assert(offsetof(vezuved_write_options, encoding) == 4, "write options layout");
static_assert(offsetof(vezuved_write_options, one_set) == 8, "write options layout");
static_assert(offsetof(vezuved_write_options, set_index) == 12, "write options layout");
static_assert(offsetof(vezuved_write_options, creator) == 16, "write options layout");
static_assert(offsetof(vezuved_write_options, definition_path) == 16 + kPointer, "write options layout");
// The pictures' block.
static_assert(offsetof(vezuved_write_options, page_cells) == 16 + 2 * kPointer, "write options layout");
static_assert(offsetof(vezuved_write_options, page_rows) == 16 + 3 * kPointer, "write options layout");
static_assert(offsetof(vezuved_write_options, page_columns) == 20 + 3 * kPointer, "write options layout");
static_assert(offsetof(vezuved_write_options, page_note) == 24 + 3 * kPointer, "write options layout");
static_assert(sizeof(vezuved_write_options) == 24 + 4 * kPointer, "write options size");

static_assert(offsetof(vezuved_warning, line) == 0, "warning layout");
static_assert(offsetof(vezuved_warning, file) == 8, "warning layout");
static_assert(offsetof(vezuved_warning, cause) == 8 + kPointer, "warning layout");
static_assert(offsetof(vezuved_warning, message) == 8 + 2 * kPointer, "warning layout");
static_assert(offsetof(vezuved_warning, column) == 8 + 3 * kPointer, "warning layout");
static_assert(sizeof(vezuved_warning) == (kPointer == 4 ? 24 : 40), "warning size");

// The handheld calls: the options, a listing row and an event.
static_assert(VEZUVED_DEVICE_ALWAYS == VEZUVED_OPT_ALWAYS && VEZUVED_DEVICE_UPDATE == VEZUVED_OPT_UPDATE &&
                  VEZUVED_DEVICE_NO_REPLACE == VEZUVED_OPT_NO_REPLACE &&
                  VEZUVED_DEVICE_ASK == VEZUVED_OPT_ASK &&
                  VEZUVED_DEVICE_KEEP_BOTH == VEZUVED_OPT_KEEP_BOTH &&
                  VEZUVED_DEVICE_CREATE == VEZUVED_OPT_CREATE_VOLUME &&
                  VEZUVED_DEVICE_MOVE == VEZUVED_OPT_MOVE,
              "device flags are the exports' option bits");

static_assert(offsetof(vezuved_device_options, device_folder) == 0, "device options layout");
static_assert(offsetof(vezuved_device_options, filter) == kPointer, "device options layout");
static_assert(offsetof(vezuved_device_options, flags) == 2 * kPointer, "device options layout");
static_assert(offsetof(vezuved_device_options, kind) == 2 * kPointer + 4, "device options layout");
static_assert(sizeof(vezuved_device_options) == 2 * kPointer + 8, "device options size");

static_assert(offsetof(vezuved_device_row, kind) == 0, "device row layout");
static_assert(offsetof(vezuved_device_row, records) == 4, "device row layout");
static_assert(offsetof(vezuved_device_row, heading) == 8, "device row layout");
static_assert(offsetof(vezuved_device_row, name) == 8 + kPointer, "device row layout");
static_assert(offsetof(vezuved_device_row, device_modified) == 8 + 2 * kPointer, "device row layout");
static_assert(offsetof(vezuved_device_row, pc_modified) == 8 + 3 * kPointer, "device row layout");
static_assert(offsetof(vezuved_device_row, state) == 8 + 4 * kPointer, "device row layout");
static_assert(sizeof(vezuved_device_row) == 8 + 5 * kPointer, "device row size");

static_assert(offsetof(vezuved_device_event, type) == 0, "device event layout");
static_assert(offsetof(vezuved_device_event, stage) == 4, "device event layout");
static_assert(offsetof(vezuved_device_event, done) == 8, "device event layout");
static_assert(offsetof(vezuved_device_event, total) == 12, "device event layout");
static_assert(offsetof(vezuved_device_event, item) == 16, "device event layout");
static_assert(offsetof(vezuved_device_event, message) == 16 + kPointer, "device event layout");
static_assert(offsetof(vezuved_device_event, source_date) == 16 + 2 * kPointer, "device event layout");
static_assert(offsetof(vezuved_device_event, destination_date) == 16 + 3 * kPointer, "device event layout");
static_assert(sizeof(vezuved_device_event) == 16 + 4 * kPointer, "device event size");

// Format definitions.
static_assert(offsetof(vezuved_definition_facts, layout) == 0, "definition facts layout");
static_assert(offsetof(vezuved_definition_facts, columns) == 4, "definition facts layout");
static_assert(offsetof(vezuved_definition_facts, field_count) == 36, "definition facts layout");
static_assert(offsetof(vezuved_definition_facts, placeholder) == 60, "definition facts layout");
static_assert(offsetof(vezuved_definition_facts, delimiter) == 64, "definition facts layout");
static_assert(offsetof(vezuved_definition_facts, default_icon) == 64 + 5 * kPointer,
              "definition facts layout");
static_assert(sizeof(vezuved_definition_facts) == 64 + 6 * kPointer, "definition facts size");

static_assert(offsetof(vezuved_definition_line, number) == 0, "definition line layout");
static_assert(offsetof(vezuved_definition_line, changed_count) == 12, "definition line layout");
static_assert(offsetof(vezuved_definition_line, text) == 16, "definition line layout");
static_assert(offsetof(vezuved_definition_line, changed) == 16 + 2 * kPointer, "definition line layout");
static_assert(sizeof(vezuved_definition_line) == 16 + 3 * kPointer, "definition line size");

// A text's layout over its definition.
static_assert(offsetof(vezuved_text_options, layout) == 0, "text options layout");
static_assert(offsetof(vezuved_text_options, kind) == 4, "text options layout");
static_assert(offsetof(vezuved_text_options, elevation_format) == 8, "text options layout");
static_assert(offsetof(vezuved_text_options, has_columns) == 12, "text options layout");
static_assert(offsetof(vezuved_text_options, columns) == 16, "text options layout");
static_assert(sizeof(vezuved_text_options) == 32, "text options size");
static_assert(VEZUVED_TEXT_AS_DEFINED == -1, "text options");
static_assert(VEZUVED_SOURCE_RECORD_LINE == 0 && VEZUVED_SOURCE_SURVEY == 7, "text layouts");

// A moment read from ISO 8601, and a definition's explanation.
static_assert(offsetof(vezuved_iso_time, has_date) == 8, "iso time layout");
static_assert(offsetof(vezuved_iso_time, zone_minutes) == 20, "iso time layout");
static_assert(sizeof(vezuved_iso_time) == 24, "iso time size");
static_assert(offsetof(vezuved_definition_explanation, rows) == 2 * kPointer, "explanation layout");
static_assert(offsetof(vezuved_definition_explanation, cells) == 2 * kPointer + 8, "explanation layout");
static_assert(offsetof(vezuved_format_info, name) == 8, "format layout");
static_assert(offsetof(vezuved_format_info, holds) == 8 + 4 * kPointer, "format layout");
static_assert(offsetof(vezuved_format_info, keeps) == 8 + 5 * kPointer, "format layout");
static_assert(sizeof(vezuved_format_info) == 8 + 6 * kPointer, "format layout");  // keeps, padded
static_assert(sizeof(vezuved_definition_explanation) == 3 * kPointer + 8, "explanation size");

}  // namespace
