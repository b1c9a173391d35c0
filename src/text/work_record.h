// The one point record a conversion reuses for every line, with its
// description buffer allocated once; freed with it on every way out.
#pragma once

#include <cstddef>

#include "base/memory.h"
#include "record/point_record.h"

namespace vezuved {

constexpr size_t kWorkDescSize = 4096;

class WorkRecord {
public:
    WorkRecord() = default;
    WorkRecord(const WorkRecord&) = delete;
    WorkRecord& operator=(const WorkRecord&) = delete;
    ~WorkRecord() {
        if (record_ != nullptr) {
            DescFree(*record_);
            MemFree(record_);
        }
    }

    // False when the record or its buffer cannot be allocated.
    bool Allocate(size_t descSize) {
        record_ = static_cast<PointRecord*>(MemAllocateZeroed(1, sizeof(PointRecord)));
        return record_ != nullptr && DescAllocate(*record_, descSize) != nullptr;
    }

    PointRecord& operator*() { return *record_; }
    PointRecord* get() { return record_; }

private:
    PointRecord* record_ = nullptr;
};

}  // namespace vezuved
