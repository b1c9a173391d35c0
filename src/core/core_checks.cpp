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
static_assert(sizeof(vezuved_write_options) == 16 + 2 * kPointer, "write options size");

static_assert(offsetof(vezuved_warning, line) == 0, "warning layout");
static_assert(offsetof(vezuved_warning, file) == 8, "warning layout");
static_assert(offsetof(vezuved_warning, cause) == 8 + kPointer, "warning layout");
static_assert(offsetof(vezuved_warning, message) == 8 + 2 * kPointer, "warning layout");
static_assert(offsetof(vezuved_warning, reserved) == 8 + 3 * kPointer, "warning layout");
static_assert(sizeof(vezuved_warning) == (kPointer == 4 ? 24 : 40), "warning size");

// Since 1.1.
static_assert(offsetof(vezuved_text_options, layout) == 0, "text options layout");
static_assert(offsetof(vezuved_text_options, kind) == 4, "text options layout");
static_assert(offsetof(vezuved_text_options, elevation_format) == 8, "text options layout");
static_assert(offsetof(vezuved_text_options, has_columns) == 12, "text options layout");
static_assert(offsetof(vezuved_text_options, columns) == 16, "text options layout");
static_assert(sizeof(vezuved_text_options) == 32, "text options size");
static_assert(VEZUVED_TEXT_AS_DEFINED == -1, "text options");
static_assert(VEZUVED_SOURCE_RECORD_LINE == 0 && VEZUVED_SOURCE_SURVEY == 7, "text layouts");

}  // namespace
