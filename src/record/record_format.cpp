#include "record/record_format.h"

#include <cstring>

#include "convert/number_text.h"
#include "convert/time_text.h"
#include "state/conversion_state.h"
#include "record/record_parse.h"

namespace {

bool NeedsQuotes(const char* text) { return std::strpbrk(text, ",*\t\n") != nullptr; }

void AppendMetresFromFeet(const char* elevation, std::string& out) {
    char text[40];
    size_t length = FormatFixed7(ReadDecimal(elevation) * 0.3048, text, sizeof text);
    out.append(text, length);
}

// The elevation as the active unit writes it; an unknown one stays empty.
void AppendElevation(const char* elevation, std::string& out) {
    if (elevation[0] == '\0') return;
    if (State().EleFormat == 1) {
        AppendMetresFromFeet(elevation, out);
    } else {
        out.append(elevation);
    }
}

const char* IconText(const char* icon) {
    const char* colon = std::strchr(icon, ':');
    return colon != nullptr ? colon + 1 : icon;
}

// The first of the point's slots whose column is c, or -1.
int SlotForColumn(const ConversionState& state, int32_t c) {
    for (int slot = kSlotLatitude; slot <= kSlotDesc; ++slot) {
        if (state.FieldMap[slot] == c) return slot;
    }
    return -1;
}

// Appends the slot's value; false when the field is empty.
bool AppendSlot(int slot, PointRecord& record, const char* timeText, const char* dateText,
                std::string& out) {
    const ConversionState& state = State();
    switch (slot) {
        case kSlotLatitude:
            if (record.latitude[0] == '\0') return false;
            out.append(record.latitude);
            return true;
        case kSlotLongitude:
            if (record.longitude[0] == '\0') return false;
            out.append(record.longitude);
            return true;
        case kSlotElevation:
            if (record.elevation[0] == '\0') return false;
            AppendElevation(record.elevation, out);
            return true;
        case kSlotTime:
            if (record.time[0] == '\0') return false;
            out.append(state.DateFirst == 0 ? timeText : dateText);
            out.push_back(' ');
            out.append(state.DateFirst == 0 ? dateText : timeText);
            return true;
        case kSlotName:
            if (record.name[0] == '\0') return false;
            QuoteIfNeeded(record.name, out);
            return true;
        case kSlotIcon:
            if (record.icon[0] == '\0') return false;
            out.append(record.icon);
            return true;
        case kSlotDesc: {
            const char* desc = DescText(record);
            if (desc == nullptr || desc[0] == '\0') return false;
            QuoteIfNeeded(desc, out);
            return true;
        }
        default: return false;
    }
}

}  // namespace

void BlankSeparators(char* text) {
    if (text == nullptr) return;
    for (; *text != '\0'; ++text) {
        if (*text == ',' || *text == '*' || *text == '\t' || *text == '\n') *text = ' ';
    }
}

void QuoteIfNeeded(const char* text, std::string& out) {
    if (NeedsQuotes(text)) {
        out.push_back('"');
        out.append(text);
        out.push_back('"');
    } else {
        out.append(text);
    }
}

int FormatGarminLine(PointRecord& record, const char* timeText, const char* dateText,
                     int32_t /*columnCount*/, int32_t kind, int32_t /*index*/, std::string& out) {
    char* desc = DescText(record);
    BlankSeparators(record.name);
    BlankSeparators(desc);
    std::string elevation;
    AppendElevation(record.elevation, elevation);
    switch (kind) {
        case kWaypoint:
            out.append("Waypoint\t").append(record.name).append("\t");
            if (desc != nullptr) out.append(desc);
            out.append("\tUser Waypoint\t").append(record.latitude).append(" ").append(record.longitude);
            out.append("\t").append(elevation).append("\t\t\t\t\t");
            out.append(IconText(record.icon)).append("\t\t\t\t\t\n");
            break;
        case kTrackPoint:
            out.append("Trackpoint\t").append(record.latitude).append(" ").append(record.longitude);
            out.append("\t").append(dateText).append(" ").append(timeText);
            out.append("\t").append(elevation).append("\t\t\t\t\t\t\n");
            break;
        case kRoutePoint:
            out.append("Route Waypoint\t").append(record.name).append("\t\t\t\n");
            break;
        default: break;
    }
    return 0;
}

int FormatPointLine(PointRecord& record, int32_t columnCount, int mode, int32_t kind,
                    int32_t index, std::string& out) {
    const ConversionState& state = State();
    char timeText[kTimeTextCapacity] = "";
    char dateText[kTimeTextCapacity] = "";
    if (record.time[0] != '\0') {
        TimeParts parts;
        ParseCompactTime(record.time, parts);
        if (state.TimeStyle == 1) {
            FormatClockTime(parts, timeText, true);
        } else {
            FormatCompactTime(parts, timeText);
        }
        if (state.DateStyle == 1) {
            FormatDate(dateText, parts, state.DateOrder, state.DateSeparator);
        } else {
            FormatCompactDate(parts, dateText);
        }
    }

    if (mode == kModeGarmin) {
        if (state.DBKind == kKindRoute) {
            char number[24];
            PadNumber(index + 1, number, 4);
            char name[32];
            std::strcpy(name, "RPT");
            std::strcat(name, number);
            CopyField(record.name, name);
        }
        return FormatGarminLine(record, timeText, dateText, columnCount, kind, index, out);
    }

    for (int32_t c = 0; c < columnCount; ++c) {
        if (c > 0) {
            if (mode == kModeComma) {
                out.push_back(state.Delimited);
            } else if (mode == kModeTab) {
                out.push_back('\t');
            }
        }
        int slot = SlotForColumn(state, c);
        bool written = slot >= 0 && AppendSlot(slot, record, timeText, dateText, out);
        if (!written && c < kFieldLabelCount && state.FieldLabel[c].has_value()) {
            out.append(*state.FieldLabel[c]);
        }
    }
    return 0;
}

int WritePointLine(TextSink& sink, PointRecord& record, int32_t columnCount, int mode,
                   int32_t kind, int32_t index) {
    // One buffer serves every line of a file: lines cost no allocation.
    static thread_local std::string line;
    line.clear();
    int result = FormatPointLine(record, columnCount, mode, kind, index, line);
    line.push_back('\n');
    WriteText(sink, line);
    return result;
}
