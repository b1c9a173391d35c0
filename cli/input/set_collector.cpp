#include "input/set_collector.h"

#include <iostream>

#include "support/failure.h"
#include "support/options.h"
#include "support/iso_time.h"
#include "support/values.h"

namespace vezuved_cli {

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
    set.title = title.empty() ? KindText(kind) + " " + std::to_string(number) : std::move(title);
    lineBlocks_.emplace_back();
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
    waypointBlocks_.MoveInto(waypoints_.points);
    for (size_t i = 0; i < lines_.size(); ++i) lineBlocks_[i].MoveInto(lines_[i].points);
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
