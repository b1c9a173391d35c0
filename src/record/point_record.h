// The 702-byte point record shared with the host, and the one set of
// functions through which the library reaches its description field. In
// 32-bit builds the field holds the description's address; in wider builds
// it holds a nonzero 32-bit handle into a process-wide table, so the layout
// the host sees never changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "vezuved/vezuved.h"

namespace vezuved {

using PointRecord = RLPointRecord;

static_assert(sizeof(PointRecord) == 702, "the point record is 702 bytes");
static_assert(offsetof(PointRecord, name) == 0, "name offset");
static_assert(offsetof(PointRecord, latitude) == 256, "latitude offset");
static_assert(offsetof(PointRecord, longitude) == 288, "longitude offset");
static_assert(offsetof(PointRecord, time) == 320, "time offset");
static_assert(offsetof(PointRecord, elevation) == 352, "elevation offset");
static_assert(offsetof(PointRecord, icon) == 384, "icon offset");
static_assert(offsetof(PointRecord, reserved1) == 640, "reserved offset");
static_assert(offsetof(PointRecord, desc) == 672, "desc offset");
static_assert(offsetof(PointRecord, reserved2) == 676, "reserved offset");
static_assert(alignof(PointRecord) == 1, "arrays of records are packed");

// The description text of a record, or null.
char* DescText(const PointRecord& record);

// Capacity in bytes of a description buffer the library allocated.
size_t DescCapacity(const char* desc);

// Description buffers for the records of one array, carved from a few large
// blocks instead of allocated one by one. Each block is freed when its last
// buffer is, however that buffer goes (DescFree, a replacing DescSetCopy, a
// DescReserve that outgrows it), so the records own their descriptions as
// if each had its own allocation; the pool only hands them out.
struct DescBlock;
class DescPool {
public:
    DescPool() = default;
    DescPool(const DescPool&) = delete;
    DescPool& operator=(const DescPool&) = delete;
    ~DescPool();
    // An empty string with room for size bytes, not yet attached to any
    // record. Null when memory runs out.
    char* Carve(size_t size);

private:
    DescBlock* block_ = nullptr;
    char* next_ = nullptr;
    size_t left_ = 0;
};

// Allocates a description buffer of size bytes (an empty string) for a
// record whose field is empty, and attaches it; from the pool when one is
// given. Null when memory runs out.
char* DescAllocate(PointRecord& record, size_t size, DescPool* pool = nullptr);

// A buffer of at least size bytes for the record's description: the
// existing one when it is large enough, otherwise a larger one that keeps
// the record's field pointing at it. Null when memory runs out (the old
// buffer then stays attached). A new buffer comes from the pool when one is
// given.
char* DescReserve(PointRecord& record, size_t size, DescPool* pool = nullptr);

// Frees the record's description, if any, and zeroes the field.
void DescFree(PointRecord& record);

// Gives the record a copy of text, freeing any earlier description.
// Returns false when memory runs out.
bool DescSetCopy(PointRecord& record, const char* text);

// Zeroes every byte of the record except the description field; an existing
// description is emptied (first byte NUL) and kept for reuse.
void ClearKeepDesc(PointRecord& record);

// Copies at most length bytes of text into a field of the given capacity,
// always leaving it NUL-terminated (at most capacity - 1 characters).
void CopyField(char* field, size_t capacity, const char* text, size_t length);
void CopyField(char* field, size_t capacity, const char* text);

template <size_t N>
inline void CopyField(char (&field)[N], const char* text) {
    CopyField(field, N, text);
}
template <size_t N>
inline void CopyField(char (&field)[N], const char* text, size_t length) {
    CopyField(field, N, text, length);
}
template <size_t N>
inline void CopyField(char (&field)[N], const std::string& text) {
    CopyField(field, N, text.data(), text.size());
}

// A field's text, up to its NUL or its capacity.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

// Element i of a host array of records.
inline PointRecord* RecordAt(void* records, size_t i) { return static_cast<PointRecord*>(records) + i; }

// Frees the descriptions of an array's first count records.
void FreeDescriptions(void* records, int64_t count);
// Frees them and the array itself; a null array holds nothing to free.
void FreeRecordArray(void* records, int64_t count);

// An array a read hands back, freed with its descriptions when this goes.
struct RecordArray {
    RecordArray() = default;
    RecordArray(const RecordArray&) = delete;
    RecordArray& operator=(const RecordArray&) = delete;
    ~RecordArray() { FreeRecordArray(array, count); }
    void* array = nullptr;
    int32_t count = 0;  // records whose descriptions are still to be freed
};

}  // namespace vezuved
