// The points a simplification may drop, cheapest on top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vezuved_cli {

// The points that may leave, cheapest on top, their costs changed in place
// (no stale entries: the heap stays as small as the track). Four children a
// node and single-precision costs put a node's children in one cache line:
// most of the time of a large track is spent walking this heap.
class CostHeap {
public:
    explicit CostHeap(size_t points) : where_(points, kAbsent) {}

    // Many at once, ordered in linear time.
    void Fill(std::vector<std::pair<float, uint32_t>> entries) {
        heap_ = std::move(entries);
        for (size_t k = 0; k < heap_.size(); ++k) where_[heap_[k].second] = static_cast<uint32_t>(k);
        for (size_t k = heap_.size() / 4 + 1; k-- > 0;) Down(k);
    }
    bool empty() const { return heap_.empty(); }
    uint32_t top() const { return heap_.front().second; }
    // The top leaves; the last entry takes its place and sinks to its own.
    void Pop() {
        where_[heap_.front().second] = kAbsent;
        if (heap_.size() > 1) {
            heap_.front() = heap_.back();
            where_[heap_.front().second] = 0;
        }
        heap_.pop_back();
        if (!heap_.empty()) Down(0);
    }
    void Set(uint32_t point, double cost) {
        if (where_[point] == kAbsent) {
            where_[point] = static_cast<uint32_t>(heap_.size());
            heap_.emplace_back(static_cast<float>(cost), point);
            Up(heap_.size() - 1);
            return;
        }
        const size_t k = where_[point];
        const float old = heap_[k].first;
        heap_[k].first = static_cast<float>(cost);
        heap_[k].first < old ? Up(k) : Down(k);
    }

private:
    static constexpr uint32_t kAbsent = UINT32_MAX;
    void Swap(size_t a, size_t b) {
        std::swap(heap_[a], heap_[b]);
        where_[heap_[a].second] = static_cast<uint32_t>(a);
        where_[heap_[b].second] = static_cast<uint32_t>(b);
    }
    void Up(size_t k) {
        while (k > 0 && heap_[k].first < heap_[(k - 1) / 4].first) Swap(k, (k - 1) / 4), k = (k - 1) / 4;
    }
    void Down(size_t k) {
        for (;;) {
            size_t least = k;
            for (size_t child = 4 * k + 1; child <= 4 * k + 4 && child < heap_.size(); ++child) {
                if (heap_[child].first < heap_[least].first) least = child;
            }
            if (least == k) return;
            Swap(k, least);
            k = least;
        }
    }

    std::vector<std::pair<float, uint32_t>> heap_;
    std::vector<uint32_t> where_;
};

}  // namespace vezuved_cli
