#include "layouts/layout_table.h"

#include "layouts/layouts.h"

namespace {

const LayoutDescriptor* const kLayouts[] = {
    &kRecordLineLayout, &kCommaLayout, &kTabLayout,  &kGarminLayout,
    &kPlainLayout,      &kFixedLayout, &kPcx5Layout, &kSurveyLayout,
};

}  // namespace

const LayoutDescriptor& LayoutFor(int mode) {
    for (const LayoutDescriptor* layout : kLayouts) {
        if (layout->mode == mode) return *layout;
    }
    return kPcx5Layout;
}

int ReadLayoutLine(const char* line, PointRecord* record, int mode, const LayoutSettings& settings) {
    const LayoutDescriptor& layout = LayoutFor(mode);
    if (layout.takes != nullptr && !layout.takes(line)) return -1;
    if (record == nullptr) return 0;
    ClearKeepDesc(*record);
    return layout.read(line, *record, settings);
}

int FormatLayoutLine(PointRecord& record, int mode, const LayoutSettings& settings, int32_t kind,
                     int32_t index, std::string& out) {
    return LayoutFor(mode).write(record, settings, kind, index, out);
}

int WriteLayoutLine(TextSink& sink, PointRecord& record, int mode, const LayoutSettings& settings,
                    int32_t kind, int32_t index) {
    // One buffer serves every line of a file: lines cost no allocation.
    static thread_local std::string line;
    line.clear();
    int result = FormatLayoutLine(record, mode, settings, kind, index, line);
    line.push_back('\n');
    WriteText(sink, line);
    return result;
}
