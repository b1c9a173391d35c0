// The line of a point database record as a text layout: ',' and '*' end
// its columns; written back, its columns follow each other unseparated.
#include "layouts/column_text.h"
#include "layouts/layouts.h"
#include "record/record_parse.h"

namespace vezuved {

namespace {

int Read(const char* line, PointRecord& record, const LayoutSettings&) {
    return ParseRecordLine(line, record);
}

}  // namespace

extern const LayoutDescriptor kRecordLineLayout = {
    kLayoutRecordLine,
    "record line",
    nullptr,
    Read,
    WriteUnseparatedColumns,
    WriteTemplateHeader,
    nullptr,
    KindExtension,
    '\0',
    false,
    false,
    nullptr,
};

}  // namespace vezuved
