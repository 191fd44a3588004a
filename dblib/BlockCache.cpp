#include "dblib/BlockCache.h"

#include "dblib/DiskMgr.h"
#include "dblib/Transaction.h"
#include "platform/FileSystem.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <new>

BlockCache* BlockCache::s_cache = nullptr;
int BlockCache::s_users = 0;

void BlockCache::Acquire() {
    if (s_users++ == 0) {
        s_cache = new (std::nothrow) BlockCache();
        if (!s_cache) {
            s_users = 0;
            IsamFatal("%s", kIsamOutOfMemory);
        }
    }
}

void BlockCache::Release() {
    if (s_users > 0 && --s_users == 0) {
        delete s_cache;
        s_cache = nullptr;
    }
}

BlockCache::~BlockCache() {
    for (int i = 0; i < kEntries; ++i)
        if (m_entries[i].state != kFree) FlushBlock(i);
}

void BlockCache::FlushBlock(int i) {
    Entry& e = m_entries[i];
    if (e.state == kDirty && !IsamFatalPending()) {
        errno = 0;
        if (dbtx::WriteAt(e.fd, e.buffer.get(), size_t(e.length), e.offset) != e.length) {
            e.state = kFree;   // never written again after the fatal report
            DiskMgr::WriteFailed(e.fd);
        }
    }
    if (e.state != kFree) e.state = kClean;
}

// Written back when dirty, then free; the buffer is kept for the next fill.
void BlockCache::Release(int i) {
    FlushBlock(i);
    m_entries[i].state = kFree;
}

// Entries of the descriptor that partly overlap [offset, offset + length) are dropped; an entry
// that contains the range, or lies wholly outside it, is kept. Returns the first entry that
// contains the range, -1 when none.
int BlockCache::DropOverlapping(int fd, int64_t offset, int length) {
    const int64_t end = offset + length;
    int hit = -1;
    for (int i = 0; i < kEntries; ++i) {
        const Entry& e = m_entries[i];
        if (e.state == kFree || e.fd != fd) continue;
        if (e.offset <= offset) {
            if (e.End() >= end) {
                if (hit < 0) hit = i;
            } else if (offset < e.End()) {
                Release(i);
            }
        } else if (e.offset < end) {
            Release(i);
        }
    }
    return hit;
}

// The first free entry, else the one with the smallest stamp (written back and freed).
int BlockCache::ChooseEntry() {
    int victim = 0;
    for (int i = 0; i < kEntries; ++i) {
        if (m_entries[i].state == kFree) return i;
        if (m_entries[i].stamp < m_entries[victim].stamp) victim = i;
    }
    Release(victim);
    return victim;
}

void BlockCache::Fill(int i, int fd, int64_t offset, int length, const void* data, int state) {
    Entry& e = m_entries[i];
    if (e.capacity < length) {
        e.buffer.reset(new (std::nothrow) uint8_t[size_t(length)]);
        e.capacity = e.buffer ? length : 0;
        if (!e.buffer) IsamFatal("%s", kIsamOutOfMemory);
    }
    std::memcpy(e.buffer.get(), data, size_t(length));
    e.state = state;
    e.stamp = m_useCounter++;
    e.fd = fd;
    e.offset = offset;
    e.length = length;
}

void BlockCache::AssertDisjoint() const {
#ifndef NDEBUG
    for (int i = 0; i < kEntries; ++i)
        for (int j = i + 1; j < kEntries; ++j) {
            const Entry& a = m_entries[i];
            const Entry& b = m_entries[j];
            if (a.state == kFree || b.state == kFree || a.fd != b.fd) continue;
            assert(a.End() <= b.offset || b.End() <= a.offset);
        }
#endif
}

long BlockCache::Read(int fd, void* buffer, int64_t offset, int length) {
    int hit = DropOverlapping(fd, offset, length);
    if (hit >= 0) {
        Entry& e = m_entries[hit];
        std::memcpy(buffer, e.buffer.get() + (offset - e.offset), size_t(length));
        e.stamp = m_useCounter++;
        return length;
    }
    int i = ChooseEntry();
    long got = dbtx::ReadAt(fd, buffer, size_t(length), offset);
    if (got != length) return got;
    Fill(i, fd, offset, length, buffer, kClean);
    AssertDisjoint();
    return length;
}

long BlockCache::Write(int fd, const void* buffer, int64_t offset, int length) {
    int hit = DropOverlapping(fd, offset, length);
    if (hit >= 0) {
        Entry& e = m_entries[hit];
        std::memcpy(e.buffer.get() + (offset - e.offset), buffer, size_t(length));
        e.stamp = m_useCounter++;
        e.state = kDirty;
        return length;
    }
    Fill(ChooseEntry(), fd, offset, length, buffer, kDirty);
    AssertDisjoint();
    return length;
}

void BlockCache::Forget(int fd) {
    for (int i = 0; i < kEntries; ++i)
        if (m_entries[i].state != kFree && m_entries[i].fd == fd) Release(i);
}
