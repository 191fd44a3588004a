#include "platform/BulkMemory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>

#include <mutex>
#include <vector>

namespace platform {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kBulk = size_t{256} << 10;   // blocks from this size on are mapped
// Freed mappings kept for the blocks that follow, at most this many bytes of them.
constexpr size_t kKeptLimit = size_t{96} << 20;

bool Mapped(size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
    (void)bytes;
    return false;   // the sanitizer watches heap blocks only
#else
    return bytes >= kBulk && bytes <= SIZE_MAX / 2;
#endif
}

// The mapping of a block: whole huge pages.
size_t MappedSize(size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

struct Kept {
    void* block;
    size_t size;   // mapped bytes
};

struct KeptBlocks {
    std::mutex lock;
    std::vector<Kept> blocks;
    size_t bytes = 0;
    int keepers = 0;   // BulkKeeping objects alive
};

KeptBlocks& Keeper() {
    static KeptBlocks* keeper = new KeptBlocks;   // never destroyed: blocks may go back at exit
    return *keeper;
}

// The smallest kept mapping that holds `size` bytes, taken out of the kept ones; null if none.
void* TakeKept(size_t size) {
    KeptBlocks& k = Keeper();
    std::lock_guard<std::mutex> guard(k.lock);
    size_t best = k.blocks.size();
    for (size_t i = 0; i < k.blocks.size(); ++i) {
        if (k.blocks[i].size == size) {
            best = i;
            break;
        }
        if (k.blocks[i].size > size && (best == k.blocks.size() || k.blocks[i].size < k.blocks[best].size)) best = i;
    }
    // A far larger mapping stays for a block that needs it.
    if (best == k.blocks.size() || k.blocks[best].size > 2 * size) return nullptr;
    void* block = k.blocks[best].block;
    k.bytes -= k.blocks[best].size;
    k.blocks.erase(k.blocks.begin() + static_cast<long>(best));
    return block;
}

void* MapBlock(size_t size) {
    // Mapped with a huge page's room to spare, then cut to the aligned part.
    void* map = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    const auto base = reinterpret_cast<uintptr_t>(map);
    const uintptr_t start = (base + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = start + size;
    if (start > base) ::munmap(map, start - base);
    if (base + size + kHugePage > end) ::munmap(reinterpret_cast<void*>(end), base + size + kHugePage - end);
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(start), size, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(start);
}

}  // namespace

void* AllocateBulk(size_t bytes) {
    if (!Mapped(bytes)) return ::operator new(bytes);
    const size_t size = MappedSize(bytes);
    if (void* block = TakeKept(size)) return block;
    return MapBlock(size);
}

void FreeBulk(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (!Mapped(bytes)) {
        ::operator delete(block);
        return;
    }
    const size_t size = MappedSize(bytes);
    {
        KeptBlocks& k = Keeper();
        std::lock_guard<std::mutex> guard(k.lock);
        if (k.keepers > 0 && k.bytes + size <= kKeptLimit) {
            try {
                k.blocks.push_back({block, size});
                k.bytes += size;
                return;
            } catch (...) {
            }
        }
    }
    ::munmap(block, size);
}

void KeepHeapForTables(size_t bytes) {
    // Blocks up to this size come from the heap, which keeps what is freed.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#if !defined(__SANITIZE_ADDRESS__) && defined(MADV_HUGEPAGE)
    // The heap grows to hold a block of `bytes`, whose whole huge pages are marked; freed, the
    // block stays in the heap for the blocks that follow.
    if (bytes > (32u << 20)) bytes = 32u << 20;
    void* block = std::malloc(bytes);
    if (!block) return;
    const auto base = reinterpret_cast<uintptr_t>(block);
    const uintptr_t start = (base + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (base + bytes) & ~(kHugePage - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    std::free(block);
#else
    (void)bytes;
#endif
}

BulkKeeping::BulkKeeping() {
    KeptBlocks& k = Keeper();
    std::lock_guard<std::mutex> guard(k.lock);
    ++k.keepers;
}

BulkKeeping::~BulkKeeping() {
    KeptBlocks& k = Keeper();
    std::lock_guard<std::mutex> guard(k.lock);
    if (--k.keepers > 0) return;
    for (const Kept& b : k.blocks) ::munmap(b.block, b.size);
    k.blocks.clear();
    k.bytes = 0;
}

}  // namespace platform
