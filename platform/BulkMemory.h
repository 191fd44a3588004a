// Memory for large tables: blocks of 256 KiB and more are mapped on their own in whole 2 MiB
// parts, marked for huge pages where the system offers them, so that filling a table takes a
// page fault per 2 MiB rather than one per 4 KiB; smaller blocks come from the heap. While a
// BulkKeeping lives, a freed mapping is kept for the next block it fits, whose memory is then in
// place already.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace platform {

// A block of `bytes`; std::bad_alloc when there is no memory.
void* AllocateBulk(size_t bytes);
// Gives back a block of AllocateBulk with the size it was asked for.
void FreeBulk(void* block, size_t bytes) noexcept;
// Keeps freed mappings for the blocks that follow while it lives (a piece of work that makes one
// large table after another); the last one to go returns them to the system.
class BulkKeeping {
public:
    BulkKeeping();
    ~BulkKeeping();
    BulkKeeping(const BulkKeeping&) = delete;
    BulkKeeping& operator=(const BulkKeeping&) = delete;
};

// For work that builds many tables of up to `bytes` in all, one after another: freed memory
// stays with the heap for the next table (fresh memory costs a page fault per page), and the
// heap's next `bytes` are marked for huge pages where the system offers them (a fault per
// 2 MiB). Process-wide; later calls only mark more.
void KeepHeapForTables(size_t bytes);

// The allocator of containers that may grow large (std::vector<T, BulkAllocator<T>>).
template <class T>
struct BulkAllocator {
    using value_type = T;
    BulkAllocator() = default;
    template <class U>
    BulkAllocator(const BulkAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateBulk(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { FreeBulk(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const BulkAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace platform
