#include "layouts/layout_settings.h"

namespace vezuved {

LayoutSettings LayoutSettingsOf(const ConversionState& state) {
    LayoutSettings settings;
    settings.delimiter = state.Delimited;
    settings.fieldMap = state.FieldMap.data();
    settings.fieldCount = state.FieldCount;
    settings.fieldWidths = state.FieldLen.c_str();
    settings.defaultIcon = state.DefaultIcon.c_str();
    settings.fieldLabels = state.FieldLabel.data();
    settings.locFormat = state.LocFormat;
    settings.eleFormat = state.EleFormat;
    settings.timeStyle = state.TimeStyle;
    settings.dateStyle = state.DateStyle;
    settings.dateFirst = state.DateFirst;
    settings.dateOrder = state.DateOrder;
    settings.dateSeparator = state.DateSeparator;
    settings.databaseKind = state.DBKind;
    return settings;
}

}  // namespace vezuved
