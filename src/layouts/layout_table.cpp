#include "layouts/layout_table.h"

#include "layouts/layouts.h"

namespace vezuved {

void ApplyLayoutStyle(ConversionState& state, const LayoutStyle& style) {
    state.LocFormat = style.locFormat;
    state.TimeStyle = style.timeStyle;
    state.DateStyle = style.dateStyle;
    state.DateFirst = style.dateFirst;
    state.DateOrder = style.dateOrder;
    state.DateSeparator = style.dateSeparator;
}

namespace {

const LayoutDescriptor* const kLayouts[] = {
    &kRecordLineLayout,
    &kCommaLayout,
    &kTabLayout,
    &kGarminLayout,
    &kPlainLayout,
    &kFixedLayout,
    &kPcx5Layout,
    &kSurveyLayout,
};

}  // namespace

const LayoutDescriptor& LayoutFor(int layoutCode) {
    for (const LayoutDescriptor* layout : kLayouts) {
        if (layout->layout == layoutCode) return *layout;
    }
    return kPcx5Layout;
}

int ReadLayoutLine(const char* line, PointRecord* record, int layoutCode, const LayoutSettings& settings) {
    const LayoutDescriptor& layout = LayoutFor(layoutCode);
    if (layout.takes != nullptr && !layout.takes(line)) return -1;
    if (record == nullptr) return 0;
    ClearKeepDesc(*record);
    return layout.read(line, *record, settings);
}

int ReadLayoutLineIntoClear(const char* line,
                            PointRecord& record,
                            int layoutCode,
                            const LayoutSettings& settings) {
    const LayoutDescriptor& layout = LayoutFor(layoutCode);
    if (layout.takes != nullptr && !layout.takes(line)) return -1;
    return layout.read(line, record, settings);
}

int FormatLayoutLine(PointRecord& record,
                     int layoutCode,
                     const LayoutSettings& settings,
                     int32_t kind,
                     int32_t index,
                     std::string& out) {
    return LayoutFor(layoutCode).write(record, settings, kind, index, out);
}

int WriteLayoutLine(TextSink& sink,
                    PointRecord& record,
                    int layoutCode,
                    const LayoutSettings& settings,
                    int32_t kind,
                    int32_t index) {
    // One buffer serves every line of a file: lines cost no allocation.
    static thread_local std::string line;
    line.clear();
    int result = FormatLayoutLine(record, layoutCode, settings, kind, index, line);
    line.push_back('\n');
    WriteText(sink, line);
    return result;
}

}  // namespace vezuved
