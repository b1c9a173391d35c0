// Garmin text: tab-separated lines that begin with their line type. Only
// waypoint lines are read; an export writes the grid and datum lines, a
// header block per kind, and a route's points again as waypoints.
#include <cstring>

#include "base/ascii.h"
#include "convert/number_text.h"
#include "layouts/column_text.h"
#include "layouts/layouts.h"
#include "record/columns.h"
#include "record/record_format.h"

namespace vezuved {

namespace {

constexpr size_t kShortField = 31;
constexpr size_t kLongField = 255;

// The date and time conventions of Garmin text.
constexpr LayoutStyle kGarminStyle = {1, 1, 1, 1, 2, '/'};

void WriteLine(TextSink& sink, const char* text) {
    WriteText(sink, text);
    WriteText(sink, "\n", 1);
}

bool Takes(const char* line) {
    char first[kShortField + 1];
    GetColumn(line, first, 0, kShortField, '\t');
    return EqualsIgnoreCase(first, "WAYPOINT");
}

int Read(const char* line, PointRecord& record, const LayoutSettings& settings) {
    // The whole record is cleared, description included: the old buffer is
    // freed rather than dropped, and a fresh one is attached.
    DescFree(record);
    std::memset(&record, 0, sizeof record);
    GetColumn(line, record.name, 1, kLongField, '\t');

    char position[kShortField + 1];
    GetColumn(line, position, 4, kShortField, '\t');
    char* firstSpace = std::strchr(position, ' ');
    char* secondSpace = firstSpace ? std::strchr(firstSpace + 1, ' ') : nullptr;
    if (secondSpace != nullptr) {
        *secondSpace = '\0';
        CopyField(record.latitude, position);
        CopyField(record.longitude, secondSpace + 1);
    }
    return DescAllocate(record, kGarminDescSize, settings.descPool) == nullptr ? -1 : 0;
}

const char* IconText(const char* icon) {
    const char* colon = std::strchr(icon, ':');
    return colon != nullptr ? colon + 1 : icon;
}

int Write(
    PointRecord& record, const LayoutSettings& settings, int32_t kind, int32_t index, std::string& out) {
    char timeText[kTimeTextCapacity];
    char dateText[kTimeTextCapacity];
    PointTimeTexts(record, settings, timeText, dateText);
    if (settings.databaseKind == kKindRoute) {
        // A route's points are named by their place in it, in both passes.
        char number[24];
        PadNumber(index + 1, number, 4);
        char name[32];
        std::strcpy(name, "RPT");
        std::strcat(name, number);
        CopyField(record.name, name);
    }
    char* desc = DescText(record);
    BlankSeparators(record.name);
    BlankSeparators(desc);
    switch (kind) {
        case kKindPoint:
            out.append("Waypoint\t").append(record.name).append("\t");
            if (desc != nullptr) out.append(desc);
            out.append("\tUser Waypoint\t").append(record.latitude).append(" ").append(record.longitude);
            out.append("\t");
            AppendElevation(record.elevation, settings, out);
            out.append("\t\t\t\t\t").append(IconText(record.icon)).append("\t\t\t\t\t\n");
            break;
        case kKindTrack:
            out.append("Trackpoint\t").append(record.latitude).append(" ").append(record.longitude);
            out.append("\t").append(dateText).append(" ").append(timeText).append("\t");
            AppendElevation(record.elevation, settings, out);
            out.append("\t\t\t\t\t\t\n");
            break;
        case kKindRoute:
            out.append("Route Waypoint\t").append(record.name).append("\t\t\t\n");
            break;
        default:
            break;
    }
    return 0;
}

void Header(TextSink& sink, const ExportHeader&) {
    WriteLine(sink, "Grid\tLat/Lon hddd\xB0mm.mmm'");
    WriteLine(sink, "Datum\tWGS 84");
}

void PassHeader(TextSink& sink, int32_t kind) {
    static const char* const kPoints[] = {"",
                                          "Header\tName\tDescription\tType\tPosition\tAltitude\tDepth\tProxim"
                                          "ity\tDisplay Mode\tColor\tSymbol\tFacility\tCity\tState\tCountry",
                                          ""};
    static const char* const kTrack[] = {
        "",
        "Header\tName\tStart Time\tElapsed Time\tLength\tAverage Speed",
        "",
        "Track\tTrack 001",
        "",
        "Header\tPosition\tTime\tAltitude\tDepth\tLeg Length\tLeg Time\tLeg Speed\tLeg Course",
        ""};
    static const char* const kRoute[] = {"",
                                         "Header\tName\tLength\tCourse\tWaypoints",
                                         "",
                                         "Route\tRoute 001",
                                         "",
                                         "Header\tWaypoint Name\tDistance\tLeg Length\tCourse",
                                         ""};
    auto write = [&](const char* const* lines, size_t count) {
        for (size_t i = 0; i < count; ++i) WriteLine(sink, lines[i]);
    };
    switch (kind) {
        case kKindPoint:
            write(kPoints, 3);
            break;
        case kKindTrack:
            write(kTrack, 7);
            break;
        case kKindRoute:
            write(kRoute, 7);
            break;
        default:
            break;
    }
}

}  // namespace

extern const LayoutDescriptor kGarminLayout = {
    kLayoutGarmin,
    "Garmin",
    Takes,
    Read,
    Write,
    Header,
    PassHeader,
    KindExtension,
    '\0',
    false,
    true,
    &kGarminStyle,
};

}  // namespace vezuved
