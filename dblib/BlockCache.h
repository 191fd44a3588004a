// The process-wide cache of byte ranges used by every cached DiskMgr: 16 entries, each holding
// exactly the range a caller once read or wrote, keyed by descriptor, written back when dirty.
//
// Invariants:
// - The used entries of one descriptor never overlap: a request first drops (writing back when
//   dirty) every entry that partly overlaps it, and a new entry is made only when no entry
//   contains the range. So each file byte has at most one cached copy.
// - A clean entry holds the file's bytes; a dirty entry holds bytes newer than the file's, and
//   they reach the file before the entry is reused, dropped or forgotten, before its descriptor
//   is closed, and when the last DiskMgr goes. A write-back that fails is fatal for the process
//   (no later write follows), so the file never mixes a lost range with newer ones silently.
// - A descriptor that is closed has no entry left, so a reused descriptor number sees no stale
//   bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class BlockCache {
public:
    static constexpr int kEntries = 16;
    enum State : int { kFree = 0, kClean = 1, kDirty = 2 };

    struct Entry {
        std::unique_ptr<uint8_t[]> buffer;
        int capacity = 0;   // bytes allocated in buffer (kept for reuse while the entry is free)
        int state = kFree;
        uint32_t stamp = 0;
        int fd = -1;
        int64_t offset = 0;
        int length = 0;
        int64_t End() const { return offset + length; }
    };

    // The cache of the process; null while no DiskMgr lives.
    static BlockCache* Instance() { return s_cache; }
    // Instance counting of DiskMgr: the first Acquire builds the cache, the last Release writes
    // back every dirty entry and frees it.
    static void Acquire();
    static void Release();
    static int Users() { return s_users; }

    [[nodiscard]] long Read(int fd, void* buffer, int64_t offset, int length);
    [[nodiscard]] long Write(int fd, const void* buffer, int64_t offset, int length);
    // Writes back and frees every entry of the descriptor.
    void Forget(int fd);
    // Writes a dirty entry back; the entry is clean afterwards.
    void FlushBlock(int entry);

    const Entry& At(int i) const { return m_entries[i]; }
    uint32_t UseCounter() const { return m_useCounter; }

private:
    BlockCache() = default;
    ~BlockCache();
    int DropOverlapping(int fd, int64_t offset, int length);
    int ChooseEntry();
    void Release(int entry);
    void Fill(int entry, int fd, int64_t offset, int length, const void* data, int state);
    // Checks that no two used entries of one descriptor overlap (debug builds only).
    void AssertDisjoint() const;

    Entry m_entries[kEntries];
    uint32_t m_useCounter = 0;

    static BlockCache* s_cache;
    static int s_users;
};
