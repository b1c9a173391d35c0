// Survey text: each line is one observation, kept whole as a description;
// an export copies the records' lines as they are, into an XML file.
#include "layouts/column_text.h"
#include "layouts/layouts.h"

namespace vezuved {

namespace {

const char* Extension(int32_t) { return ".xml"; }

}  // namespace

extern const LayoutDescriptor kSurveyLayout = {
    kLayoutSurvey,
    "survey",
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
