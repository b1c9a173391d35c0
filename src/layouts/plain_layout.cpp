// Plain text: each line is one point's description; an export copies the
// records' lines as they are.
#include "layouts/column_text.h"
#include "layouts/layouts.h"

namespace vezuved {

namespace {

const char* Extension(int32_t) { return ".txt"; }

}  // namespace

extern const LayoutDescriptor kPlainLayout = {
    kLayoutPlain,
    "plain",
    nullptr,
    ReadWholeLine,
    WriteUnseparatedColumns,
    WriteTemplateHeader,
    nullptr,
    Extension,
    '\0',
    true,
    false,
    nullptr,
};

}  // namespace vezuved
