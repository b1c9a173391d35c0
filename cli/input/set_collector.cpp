#include "input/set_collector.h"

#include <iostream>

#include "support/failure.h"
#include "support/options.h"
#include "support/iso_time.h"
#include "support/values.h"

namespace vezuved_cli {

void SetCollector::Expect(size_t waypoints, std::vector<size_t> lines) {
    waypoints_.points.reserve(waypoints);
    expectedLines_ = std::move(lines);
}

void SetCollector::BeginLine(int32_t kind, std::string title) {
    size_t number = 1;
    for (const PointSet& set : lines_) number += set.kind == kind ? 1 : 0;
    PointSet& set = lines_.emplace_back();
    set.kind = kind;
    set.title = title.empty() ? KindText(kind) + " " + std::to_string(number) : std::move(title);
    if (lines_.size() <= expectedLines_.size()) set.points.reserve(expectedLines_[lines_.size() - 1]);
}

std::optional<int64_t> SetCollector::Time(std::string_view text) {
    text = TrimWhite(text);
    if (text.empty()) return std::nullopt;
    const std::optional<int64_t> time = ParseIsoTime(text);
    if (!time) {
        if (badTimes_++ == 0) firstBadTime_ = std::string(text.substr(0, 64));
    }
    return time;
}

std::vector<PointSet> SetCollector::Finish() {
    if (badTimes_ > 0) {
        std::cerr << "vezuved: '" << what_ << "': " << badTimes_ << " time(s) are no ISO 8601 time (the first: '"
                  << firstBadTime_ << "'); those points keep no time\n";
    }
    std::vector<PointSet> sets;
    if (!waypoints_.points.empty()) sets.push_back(std::move(waypoints_));
    for (PointSet& set : lines_) {
        if (set.points.empty()) {
            std::cerr << "vezuved: '" << what_ << "': " << KindText(set.kind) << " '" << set.title
                      << "' has no points and is left out\n";
            continue;
        }
        sets.push_back(std::move(set));
    }
    if (sets.empty()) FailConversion("cannot convert '" + what_ + "': it holds no points, routes or tracks");
    return sets;
}

void SetElevation(Point& point, double metres) {
    point.elevationMetres = metres;
    point.elevationFeet = metres / kMetresPerFoot;
}

std::string_view TrimWhite(std::string_view text) {
    const auto white = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && white(text.front())) text.remove_prefix(1);
    while (!text.empty() && white(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace vezuved_cli
