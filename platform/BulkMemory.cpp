#include "platform/BulkMemory.h"

#include <sys/mman.h>

namespace platform {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kPage = 4096;
constexpr size_t kBulk = kHugePage;   // blocks from this size on are mapped

bool Mapped(size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
    (void)bytes;
    return false;   // the sanitizer watches heap blocks only
#else
    return bytes >= kBulk && bytes <= SIZE_MAX / 2;
#endif
}

size_t Rounded(size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }

}  // namespace

void* AllocateBulk(size_t bytes) {
    if (!Mapped(bytes)) return ::operator new(bytes);
    // Mapped with a huge page's room to spare, then cut to the aligned part.
    const size_t size = Rounded(bytes);
    void* map = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    const auto base = reinterpret_cast<uintptr_t>(map);
    const uintptr_t start = (base + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = start + size;
    if (start > base) ::munmap(map, start - base);
    if (base + size + kHugePage > end) ::munmap(reinterpret_cast<void*>(end), base + size + kHugePage - end);
#ifdef MADV_HUGEPAGE
    // Whole huge pages only: the tail's small pages are not filled beyond what is used.
    ::madvise(reinterpret_cast<void*>(start), size & ~(kHugePage - 1), MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(start);
}

void FreeBulk(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (!Mapped(bytes)) {
        ::operator delete(block);
        return;
    }
    ::munmap(block, Rounded(bytes));
}

}  // namespace platform
