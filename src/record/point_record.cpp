#include "record/point_record.h"

#include <cstring>
#include <vector>

#include "base/memory.h"

namespace vezuved {

// A pool's block starts with the number of holds on it: one for each text
// carved from it that is still attached somewhere, and one for the pool
// while it carves. The last release frees it, whichever comes last.
struct DescBlock {
    size_t holds;
    size_t reserved;  // keeps the carved texts aligned as the header's
};

namespace {

// Every description buffer carries its capacity in a small header in front
// of the text, so a reused buffer is never overrun however it was sized.
// A buffer carved from a pool's block names that block; one of its own
// names none.
struct DescHeader {
    size_t capacity;
    DescBlock* block;
};

static_assert(sizeof(DescBlock) == sizeof(DescHeader), "carved texts stay aligned");

// A block's size, and the largest buffer carved from one: larger ones are
// allocated alone, so a block wastes at most that much at its end.
constexpr size_t kDescBlockSize = size_t{512} * 1024;
constexpr size_t kLargestCarved = 4096;

void ReleaseBlock(DescBlock* block) {
    if (--block->holds == 0) MemFree(block);
}

char* NewDescBlock(size_t size) {
    auto* header = static_cast<DescHeader*>(MemAllocate(sizeof(DescHeader) + size));
    if (header == nullptr) return nullptr;
    header->capacity = size;
    header->block = nullptr;
    char* text = reinterpret_cast<char*>(header + 1);
    text[0] = '\0';
    return text;
}

DescHeader* HeaderOf(char* text) { return reinterpret_cast<DescHeader*>(text) - 1; }

void FreeDescBlock(char* text) {
    if (text == nullptr) return;
    DescHeader* header = HeaderOf(text);
    if (header->block != nullptr) {
        ReleaseBlock(header->block);
    } else {
        MemFree(header);
    }
}

// A buffer of size bytes from the pool when it carves that size, else one of
// its own. Null when memory runs out.
char* NewDesc(size_t size, DescPool* pool) {
    if (pool != nullptr && size <= kLargestCarved) return pool->Carve(size);
    return NewDescBlock(size);
}

uint32_t LoadField(const PointRecord& record) {
    uint32_t value;
    std::memcpy(&value, record.desc, sizeof value);
    return value;
}

void StoreField(PointRecord& record, uint32_t value) { std::memcpy(record.desc, &value, sizeof value); }

#if UINTPTR_MAX > 0xffffffffu
// Pointers do not fit the 4-byte field: the field names a slot of this
// table instead (slot index + 1; 0 means no description). Freed slots are
// reused so long runs do not grow the table without bound.
struct DescTable {
    std::vector<char*> slots;
    std::vector<uint32_t> freeSlots;
};

DescTable& Table() {
    static DescTable table;
    return table;
}

char* Resolve(uint32_t handle) {
    DescTable& table = Table();
    if (handle == 0 || handle > table.slots.size()) return nullptr;
    return table.slots[handle - 1];
}

// Returns the handle for text, or 0 when the table cannot grow.
uint32_t Register(char* text) {
    DescTable& table = Table();
    try {
        if (!table.freeSlots.empty()) {
            uint32_t handle = table.freeSlots.back();
            table.freeSlots.pop_back();
            table.slots[handle - 1] = text;
            return handle;
        }
        if (table.slots.size() >= 0xfffffffeu) return 0;
        table.slots.push_back(text);
        return static_cast<uint32_t>(table.slots.size());
    } catch (...) {
        return 0;
    }
}

void Unregister(uint32_t handle) {
    DescTable& table = Table();
    if (handle == 0 || handle > table.slots.size()) return;
    table.slots[handle - 1] = nullptr;
    try {
        table.freeSlots.push_back(handle);
    } catch (...) {
        // Without memory to list it the slot is not used again; nothing else is lost.
    }
}

void Repoint(uint32_t handle, char* text) { Table().slots[handle - 1] = text; }
#endif

bool Attach(PointRecord& record, char* text) {
#if UINTPTR_MAX > 0xffffffffu
    uint32_t handle = Register(text);
    if (handle == 0) return false;
    StoreField(record, handle);
#else
    StoreField(record, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)));
#endif
    return true;
}

void SetText(PointRecord& record, char* text) {
#if UINTPTR_MAX > 0xffffffffu
    Repoint(LoadField(record), text);
#else
    StoreField(record, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)));
#endif
}

}  // namespace

DescPool::~DescPool() {
    if (block_ != nullptr) ReleaseBlock(block_);
}

char* DescPool::Carve(size_t size) {
    // Each buffer is rounded up so the next header stays aligned.
    const size_t unit = sizeof(DescHeader);
    const size_t need = sizeof(DescHeader) + (size + unit - 1) / unit * unit;
    if (block_ == nullptr || need > left_) {
        auto* block = static_cast<DescBlock*>(MemAllocate(kDescBlockSize));
        if (block == nullptr) return nullptr;
        block->holds = 1;
        block->reserved = 0;
        if (block_ != nullptr) ReleaseBlock(block_);
        block_ = block;
        next_ = reinterpret_cast<char*>(block + 1);
        left_ = kDescBlockSize - sizeof(DescBlock);
    }
    auto* header = reinterpret_cast<DescHeader*>(next_);
    header->capacity = size;
    header->block = block_;
    ++block_->holds;
    next_ += need;
    left_ -= need;
    char* text = reinterpret_cast<char*>(header + 1);
    text[0] = '\0';
    return text;
}

char* DescText(const PointRecord& record) {
#if UINTPTR_MAX > 0xffffffffu
    return Resolve(LoadField(record));
#else
    return reinterpret_cast<char*>(static_cast<uintptr_t>(LoadField(record)));
#endif
}

size_t DescCapacity(const char* desc) {
    return desc == nullptr ? 0 : HeaderOf(const_cast<char*>(desc))->capacity;
}

char* DescAllocate(PointRecord& record, size_t size, DescPool* pool) {
    char* text = NewDesc(size, pool);
    if (text == nullptr) return nullptr;
    if (!Attach(record, text)) {
        FreeDescBlock(text);
        return nullptr;
    }
    return text;
}

char* DescReserve(PointRecord& record, size_t size, DescPool* pool) {
    char* text = DescText(record);
    if (text == nullptr) return DescAllocate(record, size, pool);
    const size_t capacity = DescCapacity(text);
    if (capacity >= size) return text;
    if (HeaderOf(text)->block != nullptr) {
        // A carved buffer cannot grow in place: its text moves to one of its
        // own, as a reallocation would move it.
        char* moved = NewDescBlock(size);
        if (moved == nullptr) return nullptr;
        std::memcpy(moved, text, capacity);
        SetText(record, moved);
        FreeDescBlock(text);
        return moved;
    }
    auto* grown = static_cast<DescHeader*>(MemReallocate(HeaderOf(text), sizeof(DescHeader) + size));
    if (grown == nullptr) return nullptr;
    grown->capacity = size;
    char* moved = reinterpret_cast<char*>(grown + 1);
    SetText(record, moved);
    return moved;
}

void DescFree(PointRecord& record) {
    char* text = DescText(record);
#if UINTPTR_MAX > 0xffffffffu
    Unregister(LoadField(record));
#endif
    FreeDescBlock(text);
    StoreField(record, 0);
}

void FreeDescriptions(void* records, int64_t count) {
    for (int64_t i = 0; i < count; ++i) DescFree(*RecordAt(records, static_cast<size_t>(i)));
}

void FreeRecordArray(void* records, int64_t count) {
    if (records == nullptr) return;
    FreeDescriptions(records, count);
    MemFree(records);
}

bool DescSetCopy(PointRecord& record, const char* text) {
    if (text == nullptr) {
        DescFree(record);
        return true;
    }
    // Allocate first, so running out of memory leaves the old text in place.
    size_t length = std::strlen(text);
    PointRecord scratch{};
    char* copy = DescAllocate(scratch, length + 1);
    if (copy == nullptr) return false;
    std::memcpy(copy, text, length + 1);
    DescFree(record);
    std::memcpy(record.desc, scratch.desc, sizeof record.desc);
    return true;
}

void ClearKeepDesc(PointRecord& record) {
    unsigned char field[sizeof record.desc];
    std::memcpy(field, record.desc, sizeof field);
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.desc, field, sizeof field);
    if (char* text = DescText(record)) text[0] = '\0';
}

void CopyField(char* field, size_t capacity, const char* text, size_t length) {
    if (capacity == 0) return;
    if (text == nullptr) length = 0;
    if (length > capacity - 1) length = capacity - 1;
    if (length > 0) std::memmove(field, text, length);
    field[length] = '\0';
}

void CopyField(char* field, size_t capacity, const char* text) {
    CopyField(field, capacity, text, text == nullptr ? 0 : strnlen(text, capacity));
}

}  // namespace vezuved
