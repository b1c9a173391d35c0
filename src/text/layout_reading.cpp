#include "text/layout_reading.h"

#include "layouts/layout_table.h"

namespace vezuved {

LayoutSettings SettingsForReading(ConversionState& state) {
    const char delimiter = LayoutFor(state.Layout).delimiter;
    if (delimiter != '\0') state.Delimited = delimiter;
    return LayoutSettingsOf(state);
}

}  // namespace vezuved
