// The process-wide cache of byte ranges used by every cached DiskMgr: 16 entries, each holding
// exactly the range a caller once read or wrote, keyed by descriptor, written back when dirty.
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

    long Read(int fd, void* buffer, int64_t offset, int length);
    long Write(int fd, const void* buffer, int64_t offset, int length);
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

    Entry m_entries[kEntries];
    uint32_t m_useCounter = 0;

    static BlockCache* s_cache;
    static int s_users;
};
