// Fixed-width columns: the definition's widths cut the line, the field map
// says which column holds which field; written back, the columns follow
// each other unseparated.
#include <cstring>

#include "layouts/column_text.h"
#include "layouts/layouts.h"
#include "record/record_parse.h"

namespace vezuved {

namespace {

int Read(const char* line, PointRecord& record, const LayoutSettings& settings) {
    const int16_t* map = settings.fieldMap;
    if (map[kSlotIcon] < 0) CopyField(record.icon, settings.defaultIcon);

    static constexpr int kSlots[] = {
        kSlotLatitude, kSlotLongitude, kSlotElevation, kSlotTime, kSlotName, kSlotIcon, kSlotDesc};
    const size_t lineLength = std::strlen(line);
    size_t position = 0;
    for (int c = 0;; ++c) {
        const std::optional<size_t> width = FixedColumnWidth(settings.fieldWidths, c);
        if (!width) break;
        const size_t take = *width;
        // A column is never read past the line's end.
        size_t available = position < lineLength ? lineLength - position : 0;
        size_t length = take < available ? take : available;
        const char* text = line + (position < lineLength ? position : lineLength);

        for (int slot : kSlots) {
            if (map[slot] != c) continue;
            switch (slot) {
                case kSlotLatitude:
                    CopyField(record.latitude, text, length);
                    break;
                case kSlotLongitude:
                    CopyField(record.longitude, text, length);
                    break;
                case kSlotElevation:
                    CopyField(record.elevation, text, length);
                    break;
                case kSlotTime:
                    CopyField(record.time, text, length);
                    break;
                case kSlotName:
                    CopyField(record.name, text, length);
                    break;
                case kSlotIcon:
                    CopyField(record.icon, text, length);
                    break;
                case kSlotDesc: {
                    char* desc = DescReserve(record, length + 1, settings.descPool);
                    if (desc == nullptr) return -1;
                    CopyField(desc, length + 1, text, length);
                    break;
                }
            }
            break;
        }
        position += take;
        if (position > lineLength) position = lineLength;
    }
    NormalizePoint(record, settings.locFormat, settings.eleFormat);
    return 0;
}

}  // namespace

extern const LayoutDescriptor kFixedLayout = {
    kLayoutFixed,
    "fixed",
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
