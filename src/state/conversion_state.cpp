#include "state/conversion_state.h"

#include <cstring>

namespace vezuved {

const std::array<int16_t, kFieldMapSize> kDefaultFieldMap = {0, 1, 2, 3, 4, 5, 6, -1, -1, -1, -1};

ConversionState::ConversionState() : FieldMap(kDefaultFieldMap) {}

ConversionState& State() {
    static ConversionState state;
    return state;
}

void ResetRunningTotals(ConversionState& s) { s.Previous.FirstPoint = 1; }

int32_t ResetConversionState(ConversionState& s) {
    s.Layout = kLayoutComma;
    s.FieldMap = kDefaultFieldMap;
    s.HeaderLines = 0;
    s.Delimited = ',';
    s.DBKind = kKindPoint;
    s.FieldCount = 7;
    s.DefaultIcon.clear();
    ResetRunningTotals(s);
    s.FieldLen.clear();
    s.Ext.clear();
    s.Title.clear();
    s.RecordVersion = 3;
    return 0;
}

void SetDatabaseKind(ConversionState& s, int32_t code) {
    if (code == kKindTrackOld) {
        s.DBKind = kKindTrack;
        s.RecordVersion = 2;
    } else if (code == kKindRouteOld) {
        s.DBKind = kKindRoute;
        s.RecordVersion = 2;
    } else {
        s.DBKind = code;
    }
}

void FreeFormatStrings(ConversionState& s) {
    s.Header.reset();
    s.FormatTitle.reset();
    s.FoundValue.reset();
}

void AssignCut(std::string& field, const char* text, size_t capacity) {
    if (text == nullptr) {
        field.clear();
        return;
    }
    field.assign(text, strnlen(text, capacity));
}

}  // namespace vezuved
