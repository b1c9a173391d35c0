#include "layouts/column_text.h"

#include <cstring>
#include <string>

#include "base/ascii.h"
#include "convert/number_text.h"
#include "record/columns.h"
#include "record/record_parse.h"

namespace vezuved {

namespace {

constexpr size_t kShortField = 31;
constexpr size_t kLongField = 255;
constexpr size_t kDateColumn = 15;
constexpr size_t kTokenReach = 29;

// Column c of a line whose first columns were split; a column further right
// is found by its own walk. A negative c names no column.
ColumnSpan ColumnAt(const char* line, const ColumnSpan* spans, int split, int c, int separator) {
    if (c < 0) return ColumnSpan{};
    if (c < split) return spans[c];
    // FindColumn answers the line's end for a missing column; a present but
    // empty last column also starts there, and both read as empty.
    ColumnSpan span;
    SplitColumns(FindColumn(line, c, separator), separator, &span, 1);
    return span;
}

bool NeedsQuotes(const char* text) { return std::strpbrk(text, ",*\t\n") != nullptr; }

void AppendMetresFromFeet(const char* elevation, std::string& out) {
    char text[40];
    size_t length = FormatFixed7(ReadDecimal(elevation) * 0.3048, text, sizeof text);
    out.append(text, length);
}

// The first of the point's slots whose column is c, or -1.
int SlotForColumn(const LayoutSettings& settings, int32_t c) {
    for (int slot = kSlotLatitude; slot <= kSlotDesc; ++slot) {
        if (settings.fieldMap[slot] == c) return slot;
    }
    return -1;
}

// Appends the slot's value; false when the field is empty or there is no
// slot (-1).
bool AppendSlot(int slot,
                PointRecord& record,
                const LayoutSettings& settings,
                const char* timeText,
                const char* dateText,
                std::string& out) {
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
            AppendElevation(record.elevation, settings, out);
            return true;
        case kSlotTime:
            if (record.time[0] == '\0') return false;
            out.append(settings.dateFirst == 0 ? timeText : dateText);
            out.push_back(' ');
            out.append(settings.dateFirst == 0 ? dateText : timeText);
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
        default:
            return false;
    }
}

}  // namespace

int ReadDelimitedColumns(const char* line,
                         PointRecord& record,
                         int separator,
                         const LayoutSettings& settings) {
    const int16_t* map = settings.fieldMap;
    // Only as many columns are split as the map reaches (at most 16).
    constexpr int kSplit = 16;
    int needed = 1;
    for (int slot = kSlotLatitude; slot <= kSlotDate; ++slot) {
        const int column = map[slot];
        if (column >= needed) needed = column + 1;
    }
    const int split = needed < kSplit ? needed : kSplit;
    ColumnSpan spans[kSplit];
    SplitColumnsUpTo(line, line + std::strlen(line), separator, spans, split);
    auto column = [&](int slot) { return ColumnAt(line, spans, split, map[slot], separator); };
    // Each field is trimmed as it is copied, its length known: the walks
    // of NormalizePoint's trims are saved.
    auto copy = [&](int slot, char* field, size_t maxChars) {
        const ColumnSpan span = column(slot);
        if (span.begin != nullptr) TrimCopiedField(field, CopyColumnSpan(span, field, maxChars));
    };

    copy(kSlotLatitude, record.latitude, kShortField);
    copy(kSlotLongitude, record.longitude, kShortField);
    copy(kSlotElevation, record.elevation, kShortField);
    if (map[kSlotDate] < 0) {
        copy(kSlotTime, record.time, kShortField);
    } else {
        // Trimmed once joined, as the join may be cut.
        const ColumnSpan timeColumn = column(kSlotTime);
        if (timeColumn.begin != nullptr) CopyColumnSpan(timeColumn, record.time, kShortField);
        // The date column joins the time after one space; the joined text is
        // cut to the field if it grows past it.
        char date[kDateColumn + 1];
        date[0] = '\0';
        const ColumnSpan dateColumn = column(kSlotDate);
        if (dateColumn.begin != nullptr) CopyColumnSpan(dateColumn, date, kDateColumn);
        TrimSpaces(date);
        const std::string joined = std::string(record.time) + ' ' + date;
        CopyField(record.time, joined);
        TrimSpaces(record.time);
    }
    copy(kSlotName, record.name, kLongField);
    if (map[kSlotIcon] < 0) {
        CopyField(record.icon, settings.defaultIcon);
        TrimSpaces(record.icon);
    } else {
        copy(kSlotIcon, record.icon, kLongField);
    }
    if (!StoreDescColumn(record, column(kSlotDesc), settings.descPool)) return -1;
    NormalizeTrimmedPoint(record, settings.locFormat, settings.eleFormat);
    return 0;
}

std::optional<size_t> FixedColumnWidth(const char* widths, int column) {
    char entry[11];
    GetColumn(widths, entry, column, 10, ',');
    if (entry[0] == '\0') return std::nullopt;
    const int32_t width = ReadInteger(entry);
    return width > 0 ? static_cast<size_t>(width) : 0;
}

int ReadDefinitionColumns(const char* line, PointRecord& record, const LayoutSettings& settings) {
    return ReadDelimitedColumns(line, record, static_cast<unsigned char>(settings.delimiter), settings);
}

int WriteColumns(PointRecord& record, const LayoutSettings& settings, int separator, std::string& out) {
    char timeText[kTimeTextCapacity];
    char dateText[kTimeTextCapacity];
    PointTimeTexts(record, settings, timeText, dateText);
    for (int32_t c = 0; c < settings.fieldCount; ++c) {
        if (c > 0 && separator != kNoSeparator) out.push_back(static_cast<char>(separator));
        const bool written =
            AppendSlot(SlotForColumn(settings, c), record, settings, timeText, dateText, out);
        if (!written && c < kFieldLabelCount && settings.fieldLabels != nullptr &&
            settings.fieldLabels[c].has_value()) {
            out.append(*settings.fieldLabels[c]);
        }
    }
    return 0;
}

int WriteUnseparatedColumns(PointRecord& record,
                            const LayoutSettings& settings,
                            int32_t /*kind*/,
                            int32_t /*index*/,
                            std::string& out) {
    return WriteColumns(record, settings, kNoSeparator, out);
}

void PointTimeTexts(const PointRecord& record,
                    const LayoutSettings& settings,
                    char (&timeText)[kTimeTextCapacity],
                    char (&dateText)[kTimeTextCapacity]) {
    timeText[0] = '\0';
    dateText[0] = '\0';
    if (record.time[0] == '\0') return;
    if (settings.timeStyle != 1 && settings.dateStyle != 1 && IsStoredTimeForm(record.time)) {
        // The compact texts are the stored time's two halves.
        std::memcpy(timeText, record.time, 6);
        timeText[6] = '\0';
        std::memcpy(dateText, record.time + 7, 9);
        return;
    }
    TimeParts parts;
    ParseCompactTime(record.time, parts);
    if (settings.timeStyle == 1) {
        FormatClockTime(parts, timeText, true);
    } else {
        FormatCompactTime(parts, timeText);
    }
    if (settings.dateStyle == 1) {
        FormatDate(dateText, parts, settings.dateOrder, settings.dateSeparator);
    } else {
        FormatCompactDate(parts, dateText);
    }
}

void AppendElevation(const char* elevation, const LayoutSettings& settings, std::string& out) {
    if (elevation[0] == '\0') return;
    if (settings.eleFormat == 1) {
        AppendMetresFromFeet(elevation, out);
    } else {
        out.append(elevation);
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

int ReadWholeLine(const char* line, PointRecord& record, const LayoutSettings& settings) {
    size_t length = std::strlen(line);
    char* desc = DescReserve(record, length + 1, settings.descPool);
    if (desc == nullptr) return -1;
    std::memcpy(desc, line, length + 1);
    return 0;
}

void WriteTemplateHeader(TextSink& sink, const ExportHeader& header) {
    if (header.templateText == nullptr) return;
    WriteHeaderTemplate(sink, header.templateText, header.numRecords, header.title);
    WriteText(sink, "\n", 1);
}

void WriteHeaderTemplate(TextSink& sink, const char* text, uint32_t numRecords, const char* title) {
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '[') {
            WriteText(sink, p, 1);
            continue;
        }
        const char* close = nullptr;
        for (size_t k = 1; k <= kTokenReach + 1 && p[k] != '\0'; ++k) {
            if (p[k] == ']') {
                if (k - 1 <= kTokenReach) close = p + k;
                break;
            }
        }
        if (close == nullptr) {
            WriteText(sink, p, 1);  // no token: the '[' is plain text
            continue;
        }
        std::string token(p + 1, close);
        if (EqualsIgnoreCase(token.c_str(), "NumRecords")) {
            char number[24];
            size_t length = FormatInteger(numRecords, number, sizeof number);
            WriteText(sink, number, length);
        } else if (EqualsIgnoreCase(token.c_str(), "Title")) {
            WriteText(sink, title);
        }
        p = close;
    }
}

const char* KindExtension(int32_t kind) {
    switch (kind) {
        case kKindPoint:
            return ".rlp";
        case kKindTrack:
            return ".rlt";
        case kKindRoute:
            return ".rlr";
        default:
            return "";
    }
}

}  // namespace vezuved
