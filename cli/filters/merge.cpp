#include <algorithm>
#include <cmath>

#include "filters/filter_steps.h"
#include "values/point_sets.h"

namespace vezuved_cli {
namespace {

// A run of points of one input segment, and the span of its times.
struct Run {
    size_t first = 0, end = 0;  // into the gathered points
    int64_t begin = 0, finish = 0;
    bool timed = false;
};

// Positions the same to the record's seventh decimal.
bool SamePlace(const Point& a, const Point& b) {
    if (!a.latitude || !a.longitude || !b.latitude || !b.longitude) {
        return !a.latitude == !b.latitude && !a.longitude == !b.longitude;
    }
    return std::fabs(*a.latitude - *b.latitude) < 5e-8 && std::fabs(*a.longitude - *b.longitude) < 5e-8;
}

}  // namespace

void MergeTracks(std::vector<PointSet>& sets, std::ostream& diagnostics) {
    std::vector<size_t> tracks;
    for (size_t i = 0; i < sets.size(); ++i) {
        if (sets[i].kind == VEZUVED_KIND_TRACK) tracks.push_back(i);
    }
    if (tracks.size() < 2) return;
    // Every input segment as a run; runs whose times overlap make one segment.
    std::vector<Point> points;
    std::vector<Run> runs;
    for (size_t index : tracks) {
        std::vector<Point>& from = sets[index].points;
        for (size_t i = 0; i < from.size(); ++i) {
            if (i == 0 || from[i].segmentStart) runs.push_back({points.size(), points.size()});
            from[i].segmentStart = false;
            Run& run = runs.back();
            if (from[i].time) {
                run.begin = run.timed ? std::min(run.begin, *from[i].time) : *from[i].time;
                run.finish = run.timed ? std::max(run.finish, *from[i].time) : *from[i].time;
                run.timed = true;
            }
            points.push_back(std::move(from[i]));
            run.end = points.size();
        }
    }
    // Timed runs by their start, joined while they overlap; untimed ones after, as they came.
    std::vector<size_t> order(runs.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (runs[a].timed != runs[b].timed) return runs[a].timed;
        return runs[a].timed && runs[a].begin < runs[b].begin;
    });
    // A point without a time sorts with the point before it in its run.
    struct Entry {
        size_t point;
        size_t group;
        int64_t key;
    };
    std::vector<Entry> entries;
    entries.reserve(points.size());
    size_t group = 0, untimed = 0;
    int64_t reach = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        const Run& run = runs[order[k]];
        if (k > 0 && (!run.timed || run.begin > reach)) ++group;
        if (run.timed) reach = k > 0 && run.begin <= reach ? std::max(reach, run.finish) : run.finish;
        int64_t key = run.begin;
        for (size_t i = run.first; i < run.end; ++i) {
            if (points[i].time) key = *points[i].time;
            entries.push_back({i, group, key});
            untimed += points[i].time ? 0 : 1;
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.group != b.group ? a.group < b.group : a.key < b.key;
    });
    PointSet merged;
    merged.kind = VEZUVED_KIND_TRACK;
    merged.title = sets[tracks.front()].title;
    merged.points.reserve(points.size());
    size_t duplicates = 0, sameTimeFrom = 0;
    for (size_t k = 0; k < entries.size(); ++k) {
        Point& point = points[entries[k].point];
        const bool newGroup = k > 0 && entries[k].group != entries[k - 1].group;
        if (newGroup || merged.points.empty() || point.time != merged.points.back().time)
            sameTimeFrom = merged.points.size();
        bool duplicate = false;
        if (!newGroup && point.time) {
            for (size_t j = sameTimeFrom; j < merged.points.size() && !duplicate; ++j) {
                duplicate = SamePlace(merged.points[j], point);
            }
        }
        if (duplicate) {
            ++duplicates;
            continue;
        }
        point.segmentStart = newGroup;
        merged.points.push_back(std::move(point));
    }
    diagnostics << "vezuved: --merge: " << tracks.size() << " tracks into " << SetWords(merged) << ", "
                << merged.points.size() << " point(s)";
    if (duplicates) diagnostics << ", " << duplicates << " duplicate point(s) taken once";
    if (untimed)
        diagnostics << ", " << untimed << " point(s) without a time kept beside the point before them";
    diagnostics << "\n";
    std::vector<PointSet> rest;
    for (size_t i = 0; i < sets.size(); ++i) {
        if (i == tracks.front()) {
            rest.push_back(std::move(merged));
        } else if (sets[i].kind != VEZUVED_KIND_TRACK) {
            rest.push_back(std::move(sets[i]));
        }
    }
    sets = std::move(rest);
}

}  // namespace vezuved_cli
