#include "dblib/Transaction.h"

#include "dblib/BlockCache.h"
#include "dblib/DiskMgr.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace dbtx {
namespace {

constexpr int64_t kPage = 4096;
// Journal: the magic, then entries, then the end mark and a checksum of everything before it.
// Entry 'S': path, the file's old length. Entry 'P': path, offset, length, the old bytes.
constexpr char kMagic[8] = {'D', 'B', 'J', 'O', 'U', 'R', 'N', '1'};
constexpr char kEndMark[4] = {'E', 'N', 'D', '.'};

struct File {
    int64_t oldSize = 0;   // on disk when the transaction first changed the file
    int64_t size = 0;      // as the transaction sees it
    std::map<int64_t, std::unique_ptr<uint8_t[]>> pages;   // changed pages by number
};

struct State {
    bool active = false;
    std::string folder;
    std::string journal;
    std::map<std::string, File> files;              // changed files by path
    std::unordered_map<int, std::string> paths;     // open descriptors
    IoCounts counts;
};

State& S() {
    static State s;
    return s;
}

long RawRead(int fd, void* buffer, size_t length, int64_t offset) {
    ++S().counts.reads;
    return platform::ReadAt(fd, buffer, length, offset);
}

long RawWrite(int fd, const void* buffer, size_t length, int64_t offset) {
    ++S().counts.writes;
    return platform::WriteAt(fd, buffer, length, offset);
}

bool RawSync(int fd) {
    ++S().counts.syncs;
    return ::fdatasync(fd) == 0;
}

File* Changed(int fd) {
    State& s = S();
    if (!s.active || s.files.empty()) return nullptr;
    auto p = s.paths.find(fd);
    if (p == s.paths.end()) return nullptr;
    auto f = s.files.find(p->second);
    return f == s.files.end() ? nullptr : &f->second;
}

uint32_t Checksum(const std::string& bytes, size_t length) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < length; ++i) h = (h ^ uint8_t(bytes[i])) * 16777619u;
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
    const size_t tail = sizeof kEndMark + 4;
    if (j.size() < sizeof kMagic + tail || std::memcmp(j.data(), kMagic, sizeof kMagic) != 0)
        return 0;
    const size_t end = j.size() - tail;
    uint32_t sum;
    std::memcpy(&sum, j.data() + end + sizeof kEndMark, 4);
    if (std::memcmp(j.data() + end, kEndMark, sizeof kEndMark) != 0 ||
        sum != Checksum(j, end + sizeof kEndMark))
        return 0;
    return end;
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
    size_t at = sizeof kMagic;
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
    s.files.clear();
}

bool Active() { return S().active; }

void Abandon() {
    State& s = S();
    s.active = false;
    s.files.clear();
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

void Opened(int fd, const std::string& path) { S().paths[fd] = path; }
void Closing(int fd) { S().paths.erase(fd); }

int64_t FileSize(int fd) {
    if (File* f = Changed(fd)) return f->size;
    return platform::FileSize(fd);
}

long ReadAt(int fd, void* buffer, size_t length, int64_t offset) {
    File* f = Changed(fd);
    if (!f) return RawRead(fd, buffer, length, offset);
    if (offset >= f->size) return 0;
    const size_t want = size_t(std::min<int64_t>(int64_t(length), f->size - offset));
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < want) {
        const int64_t at = offset + int64_t(done);
        const int64_t page = at / kPage;
        const size_t in = size_t(at % kPage);
        size_t piece = std::min(want - done, size_t(kPage) - in);
        auto it = f->pages.find(page);
        if (it != f->pages.end()) {
            std::memcpy(out + done, it->second.get() + in, piece);
        } else {
            // Unchanged pages up to the next changed one come from the file in one read.
            auto next = f->pages.upper_bound(page);
            const int64_t stop = next == f->pages.end() ? f->size : next->first * kPage;
            piece = size_t(std::min<int64_t>(int64_t(want - done), stop - at));
            const int64_t onDisk = std::max<int64_t>(0, std::min<int64_t>(int64_t(piece), f->oldSize - at));
            long got = onDisk > 0 ? RawRead(fd, out + done, size_t(onDisk), at) : 0;
            if (got < 0) return done > 0 ? long(done) : -1;
            if (got < onDisk) return long(done) + got;
            std::memset(out + done + size_t(got), 0, piece - size_t(got));
        }
        done += piece;
    }
    return long(want);
}

long WriteAt(int fd, const void* buffer, size_t length, int64_t offset) {
    State& s = S();
    if (!s.active) return RawWrite(fd, buffer, length, offset);
    auto p = s.paths.find(fd);
    if (p == s.paths.end()) return RawWrite(fd, buffer, length, offset);
    auto [it, fresh] = s.files.try_emplace(p->second);
    File& f = it->second;
    if (fresh) {
        f.oldSize = platform::FileSize(fd);
        if (f.oldSize < 0) {
            s.files.erase(it);
            return -1;
        }
        f.size = f.oldSize;
    }
    const auto* in = static_cast<const uint8_t*>(buffer);
    size_t done = 0;
    while (done < length) {
        const int64_t at = offset + int64_t(done);
        const int64_t page = at / kPage;
        const size_t inPage = size_t(at % kPage);
        const size_t piece = std::min(length - done, size_t(kPage) - inPage);
        auto& bytes = f.pages[page];
        if (!bytes) {
            bytes.reset(new uint8_t[kPage]());
            const int64_t start = page * kPage;
            const bool whole = inPage == 0 && piece == size_t(kPage);
            if (!whole && start < f.oldSize) {
                const size_t onDisk = size_t(std::min<int64_t>(kPage, f.oldSize - start));
                if (RawRead(fd, bytes.get(), onDisk, start) != long(onDisk)) {
                    f.pages.erase(page);
                    if (errno == 0) errno = EIO;
                    return done > 0 ? long(done) : -1;
                }
            }
        }
        std::memcpy(bytes.get() + inPage, in + done, piece);
        done += piece;
    }
    f.size = std::max(f.size, offset + int64_t(length));
    return long(length);
}

void Commit() {
    State& s = S();
    if (!s.active) return;
    // Cached ranges written in the transaction belong to it.
    if (BlockCache* cache = BlockCache::Instance())
        for (int i = 0; i < BlockCache::kEntries; ++i)
            if (cache->At(i).state == BlockCache::kDirty) cache->FlushBlock(i);
    s.active = false;
    std::map<std::string, File> files = std::move(s.files);
    s.files.clear();
    if (files.empty() || IsamFatalPending()) return;
    FolderLock lock(s.folder);

    // The journal: every file's old length and the old bytes of its changed pages.
    std::string j(kMagic, sizeof kMagic);
    std::vector<std::pair<const std::string*, int>> open;
    auto closeAll = [&] {
        for (auto& [path, fd] : open) ::close(fd);
        open.clear();
    };
    for (auto& [path, f] : files) {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            closeAll();
            Fail(path, err);
        }
        open.emplace_back(&path, fd);
        AppendPath(j, 'S', path);
        Append(j, f.oldSize);
        for (const auto& [page, bytes] : f.pages) {
            const int64_t start = page * kPage;
            if (start >= f.oldSize) break;
            const uint32_t length = uint32_t(std::min<int64_t>(kPage, f.oldSize - start));
            AppendPath(j, 'P', path);
            Append(j, start);
            Append(j, length);
            const size_t at = j.size();
            j.resize(at + length);
            errno = 0;
            if (RawRead(fd, j.data() + at, length, start) != long(length)) {
                const int err = errno;
                closeAll();
                Fail(path, err);
            }
        }
    }
    j.append(kEndMark, sizeof kEndMark);
    Append(j, Checksum(j, j.size()));

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
        closeAll();
        Fail(s.journal, err);
    }

    // The new bytes: runs of consecutive pages in one write each, then a sync per file.
    std::vector<uint8_t> run;
    for (auto& [path, fd] : open) {
        File& f = files[*path];
        errno = 0;
        bool written = true;
        for (auto it = f.pages.begin(); written && it != f.pages.end();) {
            const int64_t first = it->first;
            int64_t last = first;
            run.clear();
            for (; it != f.pages.end() && it->first == last + (run.empty() ? 0 : 1); ++it) {
                last = it->first;
                run.insert(run.end(), it->second.get(), it->second.get() + kPage);
            }
            const int64_t start = first * kPage;
            const size_t length = size_t(std::min<int64_t>(int64_t(run.size()), f.size - start));
            written = RawWrite(fd, run.data(), length, start) == long(length);
        }
        if (!written || !RawSync(fd)) {
            err = errno;
            std::string failed;
            closeAll();
            if (PlayBack(j, WholeLength(j), &failed)) ::unlink(s.journal.c_str());
            Fail(*path, err);
        }
    }
    for (auto& [path, fd] : open) {
        if (::close(fd) != 0) {
            err = errno;
            const std::string failed = *path;
            open.clear();
            if (PlayBack(j, WholeLength(j), nullptr)) ::unlink(s.journal.c_str());
            Fail(failed, err);
        }
    }
    open.clear();
    if (::unlink(s.journal.c_str()) != 0) Fail(s.journal, errno);
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
