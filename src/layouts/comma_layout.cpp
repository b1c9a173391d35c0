// Columns cut at the definition's delimiter (',' unless it names another).
#include "layouts/column_text.h"
#include "layouts/layouts.h"

namespace vezuved {

namespace {

int Write(PointRecord& record, const LayoutSettings& settings, int32_t, int32_t, std::string& out) {
    return WriteColumns(record, settings, static_cast<unsigned char>(settings.delimiter), out);
}

}  // namespace

extern const LayoutDescriptor kCommaLayout = {
    kLayoutComma,
    "comma",
    nullptr,
    ReadDefinitionColumns,
    Write,
    WriteTemplateHeader,
    nullptr,
    KindExtension,
    '\0',
    false,
    false,
    nullptr,
};

}  // namespace vezuved
