#include "dblib/Transaction.h"

#include "dblib/BlockCache.h"
#include "dblib/CacheSetting.h"
#include "dblib/DiskMgr.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <thread>
#include <memory>
#include <unordered_map>
#include <vector>

namespace dbtx {
namespace {

constexpr int64_t kPage = 1024;   // one index node
// Journal: the magic, then entries, then the end mark and a checksum of everything before it.
// Entry 'S': path, the file's old length. Entry 'P': path, offset, length, the old bytes.
// "DBJOURN2" sums 64-bit words (an 8-byte checksum); journals of "DBJOURN1" (a byte-wise
// 4-byte checksum) are still played back.
constexpr size_t kMagicSize = 8;
constexpr char kMagic1[kMagicSize] = {'D', 'B', 'J', 'O', 'U', 'R', 'N', '1'};
constexpr char kMagic2[kMagicSize] = {'D', 'B', 'J', 'O', 'U', 'R', 'N', '2'};
constexpr char kEndMark[4] = {'E', 'N', 'D', '.'};
// Pages held in memory but unchanged, at most this many, are written with the changed pages
// around them so that the two runs go out in one call.
constexpr int64_t kJoinGap = 4;

// Pages of a run of misses read in one call: a file read in order is read this many pages at a
// time.
constexpr int64_t kReadAhead = 16;
// Page buffers are cut from blocks of this many: one allocation for many pages.
constexpr size_t kPagesPerBlock = 64;

// Returns a page buffer to the free ones.
struct PageFree {
    void operator()(uint8_t* bytes) const;
};
using PageBytes = std::unique_ptr<uint8_t[], PageFree>;

struct Page {
    PageBytes bytes;
    PageBytes old;   // the file's bytes before the transaction changed the page
    bool dirty = false;
};

// What is known of one file: its length and the pages read or changed.
struct File {
    int64_t size = 0;      // as reads see it
    int64_t oldSize = 0;   // on disk when the transaction first changed the file
    std::unordered_map<int64_t, Page> pages;
    std::vector<int64_t> dirty;   // pages changed in the transaction, in the order first changed
    int opens = 0;                // open descriptors
    int64_t lastMiss = -2;        // the last page read from the file
    bool keepAtClose = false;     // the last close keeps the unchanged pages (KeepPagesAtClose)
    bool kept = false;            // closed with its pages held; `closed` is the file as it was then
    struct stat closed {};
};

// The memory of the page buffers: blocks cut into buffers, the buffers not in use. A freed
// buffer is used again before new memory (which costs page faults and an allocator search), so a
// file whose pages were dropped lends them to the next one. The blocks go when no buffer is in
// use.
class PageMemory {
public:
    PageMemory() = default;
    PageMemory(const PageMemory&) = delete;
    PageMemory& operator=(const PageMemory&) = delete;

    uint8_t* Take() {
        if (free_.empty()) {
            blocks_.emplace_back(new uint8_t[kPagesPerBlock * kPage]);
            for (size_t i = kPagesPerBlock; i-- > 0;) free_.push_back(blocks_.back().get() + i * kPage);
        }
        uint8_t* buffer = free_.back();
        free_.pop_back();
        ++inUse_;
        return buffer;
    }
    void Give(uint8_t* buffer) {
        free_.push_back(buffer);
        if (--inUse_ > 0) return;
        free_.clear();
        blocks_.clear();
    }

private:
    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    std::vector<uint8_t*> free_;
    size_t inUse_ = 0;
};

struct State {
    PageMemory memory;   // before the files: their pages come back here when they go
    std::unique_ptr<uint8_t[]> readAhead{new uint8_t[kReadAhead * kPage]};
    bool active = false;
    std::string folder;
    std::string journal;
    std::map<std::string, File> files;              // by path
    std::unordered_map<int, File*> byFd;            // open descriptors
    std::unordered_map<int, std::string> paths;
    bool synced = true;
    size_t pages = 0;                               // pages held
    size_t dirtyPages = 0;                          // of them changed in the transaction
    size_t limit = size_t(kDefaultCacheMB) << 20 >> 10;   // pages held at most
    // The page last touched.
    File* lastFile = nullptr;
    int64_t lastPage = -1;
    Page* last = nullptr;
    std::string journalBytes;   // kept from commit to commit, its memory already in use
    IoCounts counts;
};

State& S() {
    static State s;
    return s;
}

void PageFree::operator()(uint8_t* bytes) const { S().memory.Give(bytes); }

PageBytes NewPageBytes() { return PageBytes(S().memory.Take()); }

void ForgetLast() {
    State& s = S();
    s.lastFile = nullptr;
    s.lastPage = -1;
    s.last = nullptr;
}

long RawRead(int fd, void* buffer, size_t length, int64_t offset) {
    ++S().counts.reads;
    return platform::ReadAt(fd, buffer, length, offset);
}

long RawWrite(int fd, const void* buffer, size_t length, int64_t offset) {
    ++S().counts.writes;
    return platform::WriteAt(fd, buffer, length, offset);
}

// Writes the pieces one after the other from `offset`, in as few calls as the system allows;
// false (errno set) when not all of them were written.
bool RawWriteV(int fd, std::vector<iovec>& pieces, int64_t offset) {
    size_t first = 0;
    while (first < pieces.size()) {
        const int count = int(std::min<size_t>(pieces.size() - first, IOV_MAX));
        ++S().counts.writes;
        errno = 0;
        const ssize_t n = ::pwritev(fd, pieces.data() + first, count, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        offset += n;
        for (size_t left = size_t(n); left > 0;) {
            iovec& v = pieces[first];
            const size_t take = std::min(left, v.iov_len);
            v.iov_base = static_cast<uint8_t*>(v.iov_base) + take;
            v.iov_len -= take;
            left -= take;
            if (v.iov_len == 0) ++first;
        }
        while (first < pieces.size() && pieces[first].iov_len == 0) ++first;
    }
    return true;
}

// Syncs without counting: also called from helper threads.
bool DiskSync(int fd) { return !S().synced || ::fdatasync(fd) == 0; }

bool RawSync(int fd) {
    if (S().synced) ++S().counts.syncs;
    return DiskSync(fd);
}

File* FileOf(int fd) {
    auto it = S().byFd.find(fd);
    return it == S().byFd.end() ? nullptr : it->second;
}

void DropPages(File& f) {
    S().pages -= f.pages.size();
    f.pages.clear();
    ForgetLast();
}

// Frees the file's unchanged pages.
void DropCleanPages(File& f) {
    State& s = S();
    ForgetLast();
    for (auto it = f.pages.begin(); it != f.pages.end();) {
        if (it->second.dirty) {
            ++it;
        } else {
            it = f.pages.erase(it);
            --s.pages;
        }
    }
}

// Frees every unchanged page when the cache is full (and enough of it is unchanged to make
// the sweep worth its time).
void MakeRoom() {
    State& s = S();
    if (s.pages < s.limit || s.pages - s.dirtyPages < std::max<size_t>(1, s.limit / 8)) return;
    for (auto& [path, f] : s.files) DropCleanPages(f);
}

// The page, read from the file when not held; null when it cannot be read. (A page about to be
// overwritten whole is read all the same: the journal needs its old bytes.)
Page* PageOf(int fd, File& f, int64_t page) {
    State& s = S();
    if (s.lastFile == &f && s.lastPage == page) return s.last;
    auto it = f.pages.find(page);
    if (it == f.pages.end()) {
        MakeRoom();
        const int64_t end = s.active && !f.dirty.empty() ? f.oldSize : f.size;
        // A miss right after a miss on the page before reads the following pages not held too;
        // any other miss reads the pages not held around it in its group of kReadAhead, so that
        // a walk in another order than the file's reads each group once.
        int64_t first = page;
        int64_t count = 1;
        if (f.lastMiss == page - 1) {
            while (count < kReadAhead && (page + count) * kPage < end && f.pages.count(page + count) == 0) ++count;
        } else {
            const int64_t group = page - page % kReadAhead;
            while (first > group && f.pages.count(first - 1) == 0) --first;
            while (first + count <= page || (first + count < group + kReadAhead && (first + count) * kPage < end &&
                                             f.pages.count(first + count) == 0))
                ++count;
        }
        const int64_t start = first * kPage;
        const int64_t onDisk = std::clamp<int64_t>(end - start, 0, count * kPage);
        uint8_t* const in = s.readAhead.get();
        if (onDisk > 0) {
            errno = 0;
            if (RawRead(fd, in, size_t(onDisk), start) != long(onDisk)) {
                if (errno == 0) errno = EIO;
                return nullptr;
            }
        }
        f.lastMiss = first + count - 1;
        for (int64_t i = count; i-- > 0;) {
            Page p;
            p.bytes = NewPageBytes();
            // Only what the file does not hold is cleared.
            const int64_t held = std::clamp<int64_t>(onDisk - i * kPage, 0, kPage);
            std::memcpy(p.bytes.get(), in + i * kPage, size_t(held));
            std::memset(p.bytes.get() + held, 0, size_t(kPage - held));
            ++s.pages;
            const auto placed = f.pages.emplace(first + i, std::move(p)).first;
            if (first + i == page) it = placed;
        }
    }
    s.lastFile = &f;
    s.lastPage = page;
    s.last = &it->second;
    return s.last;
}

bool operator<(const timespec& a, const timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// Whether `now` is a file as it was when `then` was taken: a change of its bytes or length
// moves its change time (which no call sets back), a replacement has another inode or time.
bool SameFile(const struct stat& then, const struct stat& now) {
    return then.st_dev == now.st_dev && then.st_ino == now.st_ino && then.st_size == now.st_size &&
           SameTime(then.st_mtim, now.st_mtim) && SameTime(then.st_ctim, now.st_ctim);
}

// The file of the descriptor, into `st`, when a later change is sure to give it another change
// time: it lies on a file system that keeps the times to the clock's tick, and it last changed
// before the present tick (a change within the tick could be stamped with the same time).
bool Settled(int fd, struct stat& st) {
    if (::fstat(fd, &st) != 0) return false;
    // A device keeps its file system while it is mounted: the answer for the last one serves
    // the files that follow on it.
    thread_local dev_t lastDevice = 0;
    thread_local bool lastFine = false, known = false;
    if (!known || st.st_dev != lastDevice) {
        struct statfs fs;
        if (::fstatfs(fd, &fs) != 0) return false;
        switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53:        // ext2, ext3, ext4
        case 0x01021994:    // tmpfs
        case 0x58465342:    // xfs
        case 0x9123683E:    // btrfs
        case 0x794C7630:    // overlay
            lastFine = true;
            break;
        default:
            lastFine = false;
            break;
        }
        lastDevice = st.st_dev;
        known = true;
    }
    if (!lastFine) return false;
    timespec now;
    return ::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0 && st.st_ctim < now;
}

uint32_t Checksum1(const std::string& bytes, size_t length) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < length; ++i) h = (h ^ uint8_t(bytes[i])) * 16777619u;
    return h;
}

uint64_t Checksum2(const std::string& bytes, size_t length) {
    uint64_t h = 14695981039346656037ull;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ w) * 1099511628211ull;
        h ^= h >> 29;
    }
    for (; i < length; ++i) h = (h ^ uint8_t(bytes[i])) * 1099511628211ull;
    return h;
}

template <class T>
void Append(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void AppendPath(std::string& out, char type, const std::string& path) {
    out.push_back(type);
    Append(out, uint16_t(path.size()));
    out.append(path);
}

template <class T>
bool Take(const std::string& in, size_t& at, T& value) {
    if (at + sizeof value > in.size()) return false;
    std::memcpy(&value, in.data() + at, sizeof value);
    at += sizeof value;
    return true;
}

// Checks magic, end mark and checksum; the length of the entries part, or 0 when not whole.
size_t WholeLength(const std::string& j) {
    if (j.size() < kMagicSize) return 0;
    const bool v1 = std::memcmp(j.data(), kMagic1, kMagicSize) == 0;
    if (!v1 && std::memcmp(j.data(), kMagic2, kMagicSize) != 0) return 0;
    const size_t sumSize = v1 ? 4 : 8;
    const size_t tail = sizeof kEndMark + sumSize;
    if (j.size() < kMagicSize + tail) return 0;
    const size_t end = j.size() - tail;
    if (std::memcmp(j.data() + end, kEndMark, sizeof kEndMark) != 0) return 0;
    const size_t summed = end + sizeof kEndMark;
    if (v1) {
        uint32_t sum;
        std::memcpy(&sum, j.data() + summed, 4);
        return sum == Checksum1(j, summed) ? end : 0;
    }
    uint64_t sum;
    std::memcpy(&sum, j.data() + summed, 8);
    return sum == Checksum2(j, summed) ? end : 0;
}

// Writes a journal's old bytes back and cuts the files to their old lengths; syncs them.
bool PlayBack(const std::string& j, size_t end, std::string* failedPath) {
    std::map<std::string, int> fds;
    std::map<std::string, int64_t> sizes;
    bool ok = true;
    auto fdOf = [&](const std::string& path) {
        auto it = fds.find(path);
        if (it != fds.end()) return it->second;
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        fds[path] = fd;
        return fd;
    };
    size_t at = kMagicSize;
    while (ok && at < end) {
        char type = j[at++];
        uint16_t n;
        int64_t value;
        if (!Take(j, at, n) || at + n > end) return false;
        std::string path = j.substr(at, n);
        at += n;
        if (!Take(j, at, value)) return false;
        if (type == 'S') {
            sizes[path] = value;
            continue;
        }
        uint32_t length;
        if (type != 'P' || !Take(j, at, length) || at + length > end) return false;
        int fd = fdOf(path);
        if (fd < 0 || RawWrite(fd, j.data() + at, length, value) != long(length)) {
            ok = false;
            if (failedPath) *failedPath = path;
        }
        at += length;
    }
    for (const auto& [path, size] : sizes) {
        int fd = fdOf(path);
        if (fd < 0 && errno == ENOENT) continue;   // a file made in the transaction is gone
        if (fd < 0 || ::ftruncate(fd, size) != 0) {
            if (ok && failedPath) *failedPath = path;
            ok = false;
        }
    }
    for (const auto& [path, fd] : fds) {
        if (fd < 0) continue;
        if (!RawSync(fd) && ok) {
            if (failedPath) *failedPath = path;
            ok = false;
        }
        ::close(fd);
    }
    return ok;
}

// The database folder locked against other processes' commits and recoveries for the life of
// the object (a blocking wait).
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : m_fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~FolderLock() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
};

[[noreturn]] void Fail(const std::string& path, int err) {
    IsamFatal("Cannot write %s: %s", path.c_str(), std::strerror(err != 0 ? err : EIO));
}

bool ReadWhole(const std::string& path, std::string& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
    const int err = errno;
    ::close(fd);
    errno = err;
    return n == 0;
}

}  // namespace

void Begin(const std::string& folder) {
    State& s = S();
    if (s.active) return;
    s.active = true;
    s.folder = folder;
    s.journal = folder + "/" + kJournalName;
}

bool Active() { return S().active; }

void Abandon() {
    State& s = S();
    s.active = false;
    ForgetLast();
    for (auto& [path, f] : s.files) {
        if (f.dirty.empty()) continue;
        for (int64_t page : f.dirty) f.pages.erase(page);
        s.pages -= f.dirty.size();
        s.dirtyPages -= f.dirty.size();
        f.dirty.clear();
        f.size = f.oldSize;
    }
}

ImplicitTransaction::ImplicitTransaction(const std::string& folder) : m_began(!Active()) {
    if (m_began) Begin(folder.empty() ? "." : folder);
}

ImplicitTransaction::~ImplicitTransaction() {
    if (m_began && Active()) Abandon();
}

void ImplicitTransaction::Commit() {
    if (m_began) dbtx::Commit();
    m_began = false;
}

const IoCounts& Counts() { return S().counts; }

void SetSynced(bool on) { S().synced = on; }

bool Synced() { return S().synced; }

void SetCacheLimit(size_t bytes) { S().limit = std::max<size_t>(bytes / kPage, 16); }

void Opened(int fd, const std::string& path) {
    State& s = S();
    File& f = s.files[path];
    if (f.dirty.empty()) {
        // Another opener may have changed the file since: nothing held is trusted, unless the
        // pages were kept at the last close and the file is still the one they were read from.
        struct stat st;
        const bool known = ::fstat(fd, &st) == 0;
        if (!(f.kept && known && SameFile(f.closed, st))) DropPages(f);
        f.size = known ? int64_t(st.st_size) : platform::FileSize(fd);
    }
    f.kept = false;
    ++f.opens;
    s.byFd[fd] = &f;
    s.paths[fd] = path;
}

void DropUnchanged(int fd) {
    if (File* f = FileOf(fd)) DropCleanPages(*f);
}

void DropAllUnchanged() {
    for (auto& [path, f] : S().files) DropCleanPages(f);
}

void Closing(int fd) {
    State& s = S();
    File* f = FileOf(fd);
    if (!f) return;
    s.byFd.erase(fd);
    auto path = s.paths.find(fd);
    const bool keep = f->keepAtClose;
    f->keepAtClose = false;
    if (--f->opens == 0 && f->dirty.empty()) {
        if (keep && Settled(fd, f->closed)) {
            f->kept = true;
        } else {
            DropPages(*f);
            s.files.erase(path->second);
        }
    }
    s.paths.erase(path);
}

void KeepPagesAtClose(int fd) {
    if (File* f = FileOf(fd)) f->keepAtClose = true;
}

int64_t FileSize(int fd) {
    if (File* f = FileOf(fd)) return f->size;
    return platform::FileSize(fd);
}

long ReadAt(int fd, void* buffer, size_t length, int64_t offset) {
    File* f = FileOf(fd);
    if (!f) return RawRead(fd, buffer, length, offset);
    if (offset >= f->size) return 0;
    const size_t want = size_t(std::min<int64_t>(int64_t(length), f->size - offset));
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < want) {
        const int64_t at = offset + int64_t(done);
        const size_t in = size_t(at % kPage);
        const size_t piece = std::min(want - done, size_t(kPage) - in);
        Page* p = PageOf(fd, *f, at / kPage);
        if (!p) return done > 0 ? long(done) : -1;
        std::memcpy(out + done, p->bytes.get() + in, piece);
        done += piece;
    }
    return long(want);
}

long WriteAt(int fd, const void* buffer, size_t length, int64_t offset) {
    State& s = S();
    File* f = FileOf(fd);
    if (!f) return RawWrite(fd, buffer, length, offset);
    const auto* in = static_cast<const uint8_t*>(buffer);
    if (!s.active) {
        // Straight to the file; held pages take the same bytes.
        long n = RawWrite(fd, buffer, length, offset);
        if (n > 0) {
            for (int64_t at = offset; at < offset + n;) {
                const int64_t page = at / kPage;
                const size_t inPage = size_t(at % kPage);
                const size_t piece = std::min<size_t>(size_t(offset + n - at), size_t(kPage) - inPage);
                auto it = f->pages.find(page);
                if (it != f->pages.end()) std::memcpy(it->second.bytes.get() + inPage, in + (at - offset), piece);
                at += int64_t(piece);
            }
            f->size = std::max(f->size, offset + n);
        }
        return n;
    }
    if (f->dirty.empty()) f->oldSize = f->size;
    size_t done = 0;
    while (done < length) {
        const int64_t at = offset + int64_t(done);
        const int64_t page = at / kPage;
        const size_t inPage = size_t(at % kPage);
        const size_t piece = std::min(length - done, size_t(kPage) - inPage);
        Page* p = PageOf(fd, *f, page);
        if (!p) return done > 0 ? long(done) : -1;
        if (!p->dirty) {
            p->dirty = true;
            f->dirty.push_back(page);
            ++s.dirtyPages;
            const int64_t start = page * kPage;
            if (start < f->oldSize) {
                p->old = NewPageBytes();
                std::memcpy(p->old.get(), p->bytes.get(), size_t(kPage));
            }
        }
        std::memcpy(p->bytes.get() + inPage, in + done, piece);
        done += piece;
    }
    f->size = std::max(f->size, offset + int64_t(length));
    return long(length);
}

void Commit() {
    State& s = S();
    if (!s.active) return;
    // Cached ranges written in the transaction belong to it.
    if (BlockCache* cache = BlockCache::Instance())
        for (int i = 0; i < BlockCache::kEntries; ++i)
            if (cache->At(i).state == BlockCache::kDirty) cache->FlushBlock(i);
    std::vector<std::pair<std::string, File*>> changed;
    for (auto& [path, f] : s.files)
        if (!f.dirty.empty()) changed.emplace_back(path, &f);
    if (changed.empty() || IsamFatalPending()) {
        Abandon();
        return;
    }
    s.active = false;
    FolderLock lock(s.folder);

    std::vector<int> fds;
    auto fail = [&](const std::string& path, int err, bool playBack, const std::string& j) {
        for (int fd : fds) ::close(fd);
        if (playBack && PlayBack(j, WholeLength(j), nullptr)) ::unlink(s.journal.c_str());
        Abandon();
        Fail(path, err);
    };

    // The journal: every file's old length and the old bytes of its changed pages.
    size_t journalSize = kMagicSize + sizeof kEndMark + 8;
    for (auto& [path, f] : changed) {
        std::sort(f->dirty.begin(), f->dirty.end());
        journalSize += (1 + 2 + path.size() + 8) * (1 + f->dirty.size()) + (4 + kPage) * f->dirty.size();
    }
    std::string& j = s.journalBytes;
    j.clear();
    j.reserve(journalSize);
    j.append(kMagic2, kMagicSize);
    for (auto& [path, f] : changed) {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) fail(path, errno, false, j);
        fds.push_back(fd);
        AppendPath(j, 'S', path);
        Append(j, f->oldSize);
        for (int64_t page : f->dirty) {
            const int64_t start = page * kPage;
            if (start >= f->oldSize) break;
            const uint32_t length = uint32_t(std::min<int64_t>(kPage, f->oldSize - start));
            AppendPath(j, 'P', path);
            Append(j, start);
            Append(j, length);
            j.append(reinterpret_cast<const char*>(f->pages[page].old.get()), length);
        }
    }
    j.append(kEndMark, sizeof kEndMark);
    Append(j, Checksum2(j, j.size()));

    errno = 0;
    int jfd = ::open(s.journal.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0666);
    bool ok = jfd >= 0 && RawWrite(jfd, j.data(), j.size(), 0) == long(j.size()) && RawSync(jfd);
    int err = errno;
    if (jfd >= 0 && ::close(jfd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(s.journal.c_str());
        fail(s.journal, err, false, j);
    }

    // The new bytes: runs of consecutive changed pages in one call each (a short gap of pages
    // held unchanged is written over with the bytes the file already has), then a sync per
    // file.
    std::vector<iovec> run;
    for (size_t i = 0; i < changed.size(); ++i) {
        File& f = *changed[i].second;
        bool written = true;
        for (size_t k = 0; written && k < f.dirty.size();) {
            const int64_t first = f.dirty[k];
            int64_t last = first;
            run.clear();
            run.push_back({f.pages[first].bytes.get(), size_t(kPage)});
            for (++k; k < f.dirty.size(); ++k) {
                const int64_t next = f.dirty[k];
                if (next - last - 1 > kJoinGap) break;
                bool held = true;
                for (int64_t g = last + 1; held && g < next; ++g) held = f.pages.count(g) > 0;
                if (!held) break;
                for (int64_t g = last + 1; g <= next; ++g) run.push_back({f.pages[g].bytes.get(), size_t(kPage)});
                last = next;
            }
            const int64_t start = first * kPage;
            // The last page of the file may be a part of one.
            run.back().iov_len = size_t(std::min<int64_t>(kPage, f.size - last * kPage));
            written = RawWriteV(fds[i], run, start);
        }
        if (!written) fail(changed[i].first, errno, true, j);
    }
    // The files are synced side by side: the device sees their flushes together.
    std::vector<int> syncErrors(changed.size(), 0);
    {
        std::vector<std::thread> helpers;
        if (s.synced) s.counts.syncs += changed.size() - 1;
        for (size_t i = 1; i < changed.size(); ++i)
            helpers.emplace_back([&, i] { syncErrors[i] = DiskSync(fds[i]) ? 0 : (errno ? errno : EIO); });
        syncErrors[0] = RawSync(fds[0]) ? 0 : (errno ? errno : EIO);
        for (std::thread& t : helpers) t.join();
    }
    for (size_t i = 0; i < changed.size(); ++i)
        if (syncErrors[i] != 0) fail(changed[i].first, syncErrors[i], true, j);
    for (size_t i = 0; i < changed.size(); ++i) {
        const int fd = fds[i];
        fds[i] = -1;
        if (::close(fd) != 0) fail(changed[i].first, errno, true, j);
    }
    fds.clear();
    if (::unlink(s.journal.c_str()) != 0) fail(s.journal, errno, false, j);
    if (j.capacity() > (size_t(8) << 20)) std::string().swap(j);   // after a bulk change
    ForgetLast();
    for (auto& [path, f] : changed) {
        for (int64_t page : f->dirty) {
            Page& p = f->pages[page];
            p.dirty = false;
            p.old.reset();
        }
        s.dirtyPages -= f->dirty.size();
        f->dirty.clear();
        if (f->opens == 0) {
            s.pages -= f->pages.size();
            s.files.erase(path);
        }
    }
}

bool Recover(const std::string& folder) {
    const std::string path = folder + "/" + kJournalName;
    FolderLock lock(folder);
    std::string j;
    if (!ReadWhole(path, j)) return errno == ENOENT;
    const size_t end = WholeLength(j);
    // Cut short: the files were not touched yet.
    if (end > 0 && !PlayBack(j, end, nullptr)) return false;
    return ::unlink(path.c_str()) == 0;
}

}  // namespace dbtx
