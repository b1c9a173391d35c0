#include "maps/set_collector.h"

#include <cmath>
#include <iterator>

#include "maps/map_failure.h"
#include "sets/iso_time.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

// A file full of bad points says so in a screenful, then counts the rest.
constexpr size_t kRefusalsShown = 20;

// How a message names a line: routes and tracks are the only lines.
const char* LineKindText(int32_t kind) { return kind == VEZUVED_KIND_ROUTE ? "route" : "track"; }

const char* ValueName(PointValue which) {
    switch (which) {
        case PointValue::Latitude:
            return "latitude";
        case PointValue::Longitude:
            return "longitude";
        case PointValue::Elevation:
            return "elevation";
    }
    return "";
}

double Limit(PointValue which) {
    switch (which) {
        case PointValue::Latitude:
            return 90;
        case PointValue::Longitude:
            return 180;
        case PointValue::Elevation:
            return kMostElevationMetres;
    }
    return 0;
}

std::string LimitText(PointValue which) {
    switch (which) {
        case PointValue::Latitude:
            return "-90..90";
        case PointValue::Longitude:
            return "-180..180";
        case PointValue::Elevation:
            return "-100000..100000 m";
    }
    return "";
}

bool InRange(PointValue which, double value) {
    return std::isfinite(value) && std::fabs(value) <= Limit(which);
}

}  // namespace

// 4096 points of about 200 bytes: large enough that the blocks cost
// nothing, small enough that one more is nothing beside a large set.
constexpr size_t kBlockPoints = 4096;

void PointBlocks::Add(Point point) {
    if (blocks_.empty() || blocks_.back().size() == kBlockPoints) {
        blocks_.emplace_back().reserve(kBlockPoints);
    }
    blocks_.back().push_back(std::move(point));
    ++count_;
}

void PointBlocks::MoveInto(std::vector<Point>& points) {
    if (count_ == 0) return;
    points.reserve(points.size() + count_);
    for (std::vector<Point>& block : blocks_) {
        for (Point& point : block) points.push_back(std::move(point));
        std::vector<Point>().swap(block);
    }
    blocks_.clear();
    count_ = 0;
}

void SetCollector::BeginLine(int32_t kind, std::string title) {
    size_t number = 1;
    for (const PointSet& set : lines_) number += set.kind == kind ? 1 : 0;
    PointSet& set = lines_.emplace_back();
    set.kind = kind;
    set.title =
        title.empty() ? LineKindText(kind) + std::string(" ") + std::to_string(number) : std::move(title);
    lineBlocks_.emplace_back();
    segmentPending_ = false;
}

void SetCollector::Count(size_t added) {
    CheckRoom(added);
    points_ += added;
}

void SetCollector::CheckRoom(size_t pending) const {
    if (points_ + pending > MostPointsRead()) FailMap("cannot read '" + what_ + "': " + TooManyPoints());
}

void SetCollector::AddLinePoint(Point point) {
    Count(1);
    PointBlocks& blocks = lineBlocks_.back();
    point.segmentStart = segmentPending_ && (blocks.size() > 0 || !lines_.back().points.empty());
    segmentPending_ = false;
    blocks.Add(std::move(point));
}

PointSet* SetCollector::CurrentLine() {
    if (lines_.empty()) return nullptr;
    lineBlocks_.back().MoveInto(lines_.back().points);
    return &lines_.back();
}

void SetCollector::AddSegment(std::vector<Point> points, bool startsSegment) {
    if (points.empty()) return;
    Count(points.size());
    std::vector<Point>& line = CurrentLine()->points;
    if (line.empty()) {
        line = std::move(points);
        return;
    }
    points.front().segmentStart = startsSegment;
    line.insert(line.end(), std::make_move_iterator(points.begin()), std::make_move_iterator(points.end()));
}

std::string SetCollector::LinePointPlace(size_t number) const {
    const PointSet& set = lines_.back();
    return LineKindText(set.kind) + std::string(" '") + set.title + "' point " + std::to_string(number);
}

std::string SetCollector::WaypointPlace(size_t number, const std::string& name) const {
    return "waypoint " + std::to_string(number) + (name.empty() ? "" : " '" + name + "'");
}

void SetCollector::Refuse(size_t line, const std::string& place, const std::string& problem) {
    const std::string where =
        line > 0 ? what_ + ":" + std::to_string(line) + ": " + place : what_ + ": " + place;
    if (strict_) FailMap(where + ": " + problem);
    if (refused_++ < kRefusalsShown) Warn(line, place + ": " + problem + "; the point is left out");
}

void SetCollector::Warn(size_t line, const std::string& cause) {
    const std::string where = line > 0 ? what_ + ":" + std::to_string(line) : what_;
    warnings_.push_back({what_, line, cause, where + ": " + cause});
}

void SetCollector::WarnAboutFile(const std::string& cause) {
    warnings_.push_back({what_, 0, cause, "'" + what_ + "': " + cause});
}

std::vector<PointSet> SetCollector::Finish() {
    if (polygons_ > 0) {
        WarnAboutFile(std::to_string(polygons_) +
                      " polygon geometry(ies) hold no waypoints, routes or tracks and are left out");
    }
    if (refused_ > kRefusalsShown) {
        WarnAboutFile(std::to_string(refused_ - kRefusalsShown) +
                      " more point(s) with bad values are left out");
    }
    waypointBlocks_.MoveInto(waypoints_.points);
    for (size_t i = 0; i < lines_.size(); ++i) lineBlocks_[i].MoveInto(lines_[i].points);
    std::vector<PointSet> sets;
    if (!waypoints_.points.empty()) sets.push_back(std::move(waypoints_));
    for (PointSet& set : lines_) {
        if (set.points.empty()) {
            WarnAboutFile(LineKindText(set.kind) + std::string(" '") + set.title +
                          "' has no points and is left out");
            continue;
        }
        sets.push_back(std::move(set));
    }
    if (sets.empty()) FailMap("cannot convert '" + what_ + "': it holds no points, routes or tracks");
    return sets;
}

std::optional<double> ReadPointValue(PointValue which, std::string_view text, std::string& problem) {
    const std::string_view trimmed = TrimWhite(text);
    const std::optional<double> value = ParseNumber(trimmed);
    if (!value) {
        problem =
            std::string(ValueName(which)) + " '" + std::string(trimmed.substr(0, 64)) + "' is no number";
        return std::nullopt;
    }
    if (!InRange(which, *value)) {
        problem = std::string(ValueName(which)) + " '" + std::string(trimmed.substr(0, 64)) +
                  "' is outside " + LimitText(which);
        return std::nullopt;
    }
    return value;
}

std::optional<double> CheckPointValue(PointValue which, double value, std::string& problem) {
    if (InRange(which, value)) return value;
    problem = std::string(ValueName(which)) + " " + FormatShortest(value) + " is outside " + LimitText(which);
    return std::nullopt;
}

std::optional<int64_t> ReadPointTime(std::string_view text, std::string& problem) {
    text = TrimWhite(text);
    if (text.empty()) return std::nullopt;
    const std::optional<int64_t> time = ParseIsoTime(text);
    if (!time) problem = "time '" + std::string(text.substr(0, 64)) + "' is no ISO 8601 time";
    return time;
}

void SetPointField(Point& point, PointField field, std::string& text, std::string& problem) {
    switch (field) {
        case PointField::Elevation:
            if (TrimWhite(text).empty()) return;
            if (const auto metres = ReadPointValue(PointValue::Elevation, text, problem))
                SetElevation(point, *metres);
            return;
        case PointField::Time:
            point.time = ReadPointTime(text, problem);
            return;
        case PointField::Name:
            point.name = TrimWhite(text);
            return;
        case PointField::Description:
            point.description = std::move(text);
            return;
        case PointField::Symbol:
            point.icon = TrimWhite(text);
            return;
    }
}

void SetElevation(Point& point, double metres) {
    point.elevationMetres = metres;
    point.elevationFeet = metres / kMetresPerFoot;
    point.feetDecimals = -1;
}

std::string_view TrimWhite(std::string_view text) {
    const auto white = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && white(text.front())) text.remove_prefix(1);
    while (!text.empty() && white(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace vezuved::maps
