#include <charconv>
#include <cstring>

#include "commands/convert_plan.h"
#include "files/failure.h"
#include "values/ascii_text.h"

namespace vezuved_cli {
namespace {

int32_t KindOf(const PointSet& set) {
    return set.kind == VEZUVED_KIND_TRACK || set.kind == VEZUVED_KIND_ROUTE ? set.kind : VEZUVED_KIND_POINT;
}

std::string Titles(const std::vector<LoadedPoints>& sets) {
    std::string out;
    for (size_t i = 0; i < sets.size(); ++i) {
        out += (i == 0 ? "" : ", ") + std::to_string(i + 1) + " '" + sets[i].set.title + "'";
    }
    return out;
}

std::vector<LoadedPoints> ChooseSets(std::vector<LoadedPoints> sets,
                                     const std::string& what,
                                     const std::string& track,
                                     const std::string& source) {
    if (!what.empty()) {
        const int32_t kind = KindOfWhat(what);
        std::vector<LoadedPoints> kept;
        for (LoadedPoints& set : sets) {
            if (KindOf(set.set) == kind) kept.push_back(std::move(set));
        }
        if (kept.empty()) FailConversion("'" + source + "' holds no " + LoweredAscii(what));
        sets = std::move(kept);
    }
    if (track.empty()) return sets;
    // --track picks among the routes and tracks (or among what --what kept).
    std::vector<LoadedPoints> lines;
    for (LoadedPoints& set : sets) {
        if (!what.empty() || KindOf(set.set) != VEZUVED_KIND_POINT) lines.push_back(std::move(set));
    }
    if (lines.empty()) FailConversion("'" + source + "' holds no route or track to choose with --track");
    size_t number = 0;
    const auto [end, error] = std::from_chars(track.data(), track.data() + track.size(), number);
    const bool numeric = error == std::errc() && end == track.data() + track.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if ((numeric && number == i + 1) || lines[i].set.title == track) {
            std::vector<LoadedPoints> chosen;
            chosen.push_back(std::move(lines[i]));
            return chosen;
        }
    }
    FailUsage("--track " + track + ": '" + source + "' has no such route or track; it has " + Titles(lines));
}

}  // namespace

int32_t KindOfWhat(const std::string& what) {
    const std::string lowered = LoweredAscii(what);
    if (lowered == "waypoints") return VEZUVED_KIND_POINT;
    if (lowered == "tracks") return VEZUVED_KIND_TRACK;
    if (lowered == "routes") return VEZUVED_KIND_ROUTE;
    FailUsage("--what " + what + ": say waypoints, tracks or routes");
}

std::vector<LoadedPoints> SelectSets(const RunContext& run,
                                     std::vector<LoadedPoints> sets,
                                     const std::string& what,
                                     const std::string& track,
                                     const std::string& source) {
    sets = ChooseSets(std::move(sets), what, track, source);
    // The segments of what was chosen become sets before outputs are named.
    if (run.rules.splitSegments) return SplitSegments(std::move(sets));
    return sets;
}

namespace {

// How many bytes the character at text[at] has when no file system of
// Windows or FAT takes it in a name, nor a POSIX one ('/'): a control
// character (C1 too, U+0080..U+009F) or / \ : * ? " < > |; or when it
// would turn the name's text around on screen (the bidirectional marks,
// embeddings, overrides and isolates: "evil\u202Eexe.gpx" shows as
// "evilxpg.exe"); 0 for any other. The core gives every title in UTF-8.
size_t ForbiddenAt(const std::string& text, size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x20 || byte == 0x7F || std::strchr("/\\:*?\"<>|", byte) != nullptr) return 1;
    const bool c1 =
        byte == 0xC2 && at + 1 < text.size() && (static_cast<unsigned char>(text[at + 1]) & 0xE0) == 0x80;
    if (c1) return 2;
    // U+200E, U+200F, U+202A..U+202E, U+2066..U+2069, U+061C: E2 80 8E-8F, E2 80 AA-AE, E2 81 A6-A9, D8 9C.
    if (byte == 0xD8 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) == 0x9C) return 2;
    if (byte != 0xE2 || at + 2 >= text.size()) return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]),
               third = static_cast<unsigned char>(text[at + 2]);
    const bool mark = second == 0x80 && (third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE));
    const bool isolate = second == 0x81 && third >= 0xA6 && third <= 0xA9;
    return mark || isolate ? 3 : 0;
}

}  // namespace

bool ReservedOnWindows(const std::string& name) {
    const std::string base = LoweredAscii(name.substr(0, name.find('.')));
    if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

std::string FileSafeName(const std::string& title) {
    std::string out;
    for (size_t i = 0; i < title.size();) {
        const size_t forbidden = ForbiddenAt(title, i);
        if (forbidden > 0) {
            if (out.empty() || out.back() != '_') out += '_';
            i += forbidden;
            continue;
        }
        out += title[i++];
    }
    // Windows drops dots and spaces at the end; a dot in front hides the file.
    while (!out.empty() && (out.back() == '_' || out.back() == '.' || out.back() == ' ')) out.pop_back();
    while (!out.empty() && (out.front() == '_' || out.front() == '.' || out.front() == ' ')) out.erase(0, 1);
    return out.empty() ? "set" : out;
}

}  // namespace vezuved_cli
