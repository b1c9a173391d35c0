// Columns cut at TAB, whatever delimiter the definition names.
#include "layouts/column_text.h"
#include "layouts/layouts.h"

namespace vezuved {

namespace {

int Read(const char* line, PointRecord& record, const LayoutSettings& settings) {
    return ReadDelimitedColumns(line, record, '\t', settings);
}

int Write(PointRecord& record, const LayoutSettings& settings, int32_t, int32_t, std::string& out) {
    return WriteColumns(record, settings, '\t', out);
}

}  // namespace

extern const LayoutDescriptor kTabLayout = {
    kLayoutTab,
    "tab",
    nullptr,
    Read,
    Write,
    WriteTemplateHeader,
    nullptr,
    KindExtension,
    '\t',
    false,
    false,
    nullptr,
};

}  // namespace vezuved
