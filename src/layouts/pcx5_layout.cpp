// PCX5 text: read as columns cut at the definition's delimiter, written as
// columns that follow each other unseparated (their labels pad them).
#include "layouts/column_text.h"
#include "layouts/layouts.h"

namespace vezuved {

extern const LayoutDescriptor kPcx5Layout = {
    kLayoutPcx5,
    "PCX5",
    nullptr,
    ReadDefinitionColumns,
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
