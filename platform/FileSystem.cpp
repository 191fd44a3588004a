#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

// Descriptors opened only to hold a lock that the caller's descriptor cannot take
// (a write lock needs a writable description, a read lock a readable one).
std::mutex g_lockMutex;
std::unordered_map<int, int> g_lockFds;

bool Exists(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

// The entry of folder `dir` whose name equals `name` ignoring ASCII case, or "".
std::string FindCaseInsensitive(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string found;
    while (dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

// ResolveCase, telling whether the path it gives names an existing file or folder.
std::string Resolve(const std::string& path, bool* exists) {
    std::string p = NormalizePath(path);
    if (exists) *exists = false;
    if (p.empty()) return p;
    if (Exists(p)) {
        if (exists) *exists = true;
        return p;
    }
    // The usual miss: a leaf in a folder that exists as spelt. A walk from the start would keep
    // every folder component as it is and only look for the leaf.
    const size_t slash = p.find_last_of('/');
    const std::string leaf = slash == std::string::npos ? p : p.substr(slash + 1);
    if (!leaf.empty() && leaf != "." && leaf != ".." && p.find("//") == std::string::npos) {
        std::string dir;
        if (slash != std::string::npos) dir = slash == 0 ? "/" : p.substr(0, slash);
        if (dir.empty() || Exists(dir)) {
            const std::string match = FindCaseInsensitive(dir, leaf);
            if (match.empty()) return p;
            if (exists) *exists = true;
            return Join(dir, match);
        }
    }
    std::string out = p[0] == '/' ? "/" : "";
    size_t pos = p[0] == '/' ? 1 : 0;
    while (pos <= p.size()) {
        size_t next = p.find('/', pos);
        if (next == std::string::npos) next = p.size();
        std::string part = p.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty()) continue;
        std::string exact = Join(out, part);
        if (part == "." || part == ".." || Exists(exact)) {
            out = exact;
            continue;
        }
        std::string match = FindCaseInsensitive(out, part);
        if (match.empty()) {
            // Nothing matches: keep the remainder as given.
            return next >= p.size() ? exact : Join(exact, p.substr(next + 1));
        }
        out = Join(out, match);
    }
    if (exists) *exists = Exists(out);
    return out;
}

// The path to open: the exact path when it exists, else its case-insensitive match;
// for a file to be created, the folder resolved and the leaf reusing an existing spelling.
std::string PathForOpen(const std::string& path) {
    std::string p = NormalizePath(path);
    if (Exists(p)) return p;
    std::string dir = ResolveCase(DirName(p));
    std::string leaf = BaseName(p);
    if (leaf.empty()) return p;
    std::string match = FindCaseInsensitive(dir, leaf);
    return Join(dir, match.empty() ? leaf : match);
}

int LockType(Share share) { return share == Share::DenyNone ? F_RDLCK : F_WRLCK; }

bool TryLock(int fd, int type) {
    struct flock fl {};
    fl.l_type = static_cast<short>(type);
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// True when some open holds a lock on the file that a denying open would conflict with.
bool HeldElsewhere(const std::string& p) {
    int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    bool held = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

}  // namespace

std::string NormalizePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

std::string DirName(const std::string& path) {
    std::string p = NormalizePath(path);
    auto slash = p.find_last_of('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return p.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    std::string p = NormalizePath(path);
    auto slash = p.find_last_of('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string ResolveCase(const std::string& path) { return Resolve(path, nullptr); }

int OpenFile(const std::string& path, int flags, Share share, int mode) {
    std::string spelt;
    return OpenFile(path, flags, share, mode, spelt);
}

int OpenFile(const std::string& path, int flags, Share share, int mode, std::string& spelt) {
    if ((flags & O_CREAT) == 0) {
        // An existing file under the exact name opens without a look of its own first.
        spelt = NormalizePath(path);
        const int fd = OpenFileAsSpelt(spelt, flags, share, mode);
        if (fd >= 0 || (errno != ENOENT && errno != ENOTDIR)) return fd;
    }
    spelt = PathForOpen(path);
    return OpenFileAsSpelt(spelt, flags, share, mode);
}

std::vector<std::string> SpellingsInFolder(const std::string& folder, const std::vector<std::string>& names) {
    const std::string dir = ResolveCase(folder);
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(Join(dir, name));
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return paths;
    // As an open finds them: the exact name first, else the first match in the folder's order.
    enum Match : char { kNone, kOtherCase, kExact };
    std::vector<Match> matched(names.size(), kNone);
    while (dirent* e = ::readdir(d)) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (matched[i] == kExact || ::strcasecmp(e->d_name, names[i].c_str()) != 0) continue;
            if (names[i] == e->d_name || matched[i] == kNone) {
                matched[i] = names[i] == e->d_name ? kExact : kOtherCase;
                paths[i] = Join(dir, e->d_name);
            }
        }
    }
    ::closedir(d);
    return paths;
}

int OpenFileAsSpelt(const std::string& p, int flags, Share share, int mode) {
    const bool truncate = (flags & O_TRUNC) != 0;
    // Truncation waits until the lock is held, so a denied open never damages the file.
    int fd = ::open(p.c_str(), (flags & ~O_TRUNC) | O_CLOEXEC, mode);
    if (fd < 0) return -1;

    const int type = LockType(share);
    const int acc = flags & O_ACCMODE;
    const bool fits = type == F_WRLCK ? acc != O_RDONLY : acc != O_WRONLY;
    int lockFd = fd;
    if (!fits) {
        lockFd = ::open(p.c_str(), (type == F_WRLCK ? O_RDWR : O_RDONLY) | O_CLOEXEC);
        if (lockFd < 0) lockFd = fd;  // cannot take the stronger lock: a shared one still guards
    }
    int effective = (lockFd == fd && !fits) ? F_RDLCK : type;
    if (lockFd == fd && !fits && acc == O_WRONLY) effective = -1;  // no lock possible
    if (effective != -1 && !TryLock(lockFd, effective)) {
        int err = errno;
        if (lockFd != fd) ::close(lockFd);
        ::close(fd);
        errno = (err == EAGAIN || err == EACCES) ? EACCES : err;
        return -1;
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        int err = errno;
        if (lockFd != fd) ::close(lockFd);
        ::close(fd);
        errno = err;
        return -1;
    }
    if (lockFd != fd) {
        std::lock_guard<std::mutex> g(g_lockMutex);
        g_lockFds[fd] = lockFd;
    }
    return fd;
}

int CloseFile(int fd) {
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    {
        std::lock_guard<std::mutex> g(g_lockMutex);
        auto it = g_lockFds.find(fd);
        if (it != g_lockFds.end()) {
            ::close(it->second);
            g_lockFds.erase(it);
        }
    }
    return ::close(fd);
}

bool CloseAndDeleteFile(int fd, const std::string& path) {
    int lockFd = fd;
    {
        std::lock_guard<std::mutex> g(g_lockMutex);
        auto it = g_lockFds.find(fd);
        if (it != g_lockFds.end()) lockFd = it->second;
    }
    // This open's own lock never conflicts with the question, so any answer is another open's.
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    const bool held = ::fcntl(lockFd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    const bool deleted = !held && ::unlink(path.c_str()) == 0;
    const int err = held ? EACCES : errno;
    CloseFile(fd);
    if (!deleted) errno = err;
    return deleted;
}

namespace {

// A positioned read or write of len bytes, retried past interruptions and short transfers: the
// count done (short at the end of a read), or -1 when the first call fails.
template <class Byte, class Call>
long WholeTransfer(Call call, int fd, Byte* buf, size_t len, int64_t offset) {
    size_t done = 0;
    while (done < len) {
        const ssize_t n = call(fd, buf + done, len - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return done ? static_cast<long>(done) : -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}

}  // namespace

long ReadAt(int fd, void* buf, size_t len, int64_t offset) {
    return WholeTransfer(::pread, fd, static_cast<char*>(buf), len, offset);
}

void StartWriteBack(int fd, int64_t offset, int64_t len) {
#if defined(__linux__)
    ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(len), SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
    (void)offset;
    (void)len;
#endif
}

long WriteAt(int fd, const void* buf, size_t len, int64_t offset) {
    return WholeTransfer(::pwrite, fd, static_cast<const char*>(buf), len, offset);
}

int64_t FileSize(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return -1;
    return st.st_size;
}

bool DeleteFile(const std::string& path) {
    std::string p = ResolveCase(path);
    if (!Exists(p)) {
        errno = ENOENT;
        return false;
    }
    if (HeldElsewhere(p)) {
        errno = EACCES;
        return false;
    }
    return ::unlink(p.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    std::string src = ResolveCase(from);
    if (!Exists(src)) {
        errno = ENOENT;
        return false;
    }
    std::string dst = PathForOpen(to);
    if (Exists(dst)) {
        struct stat a, b;
        // A change of letter case only renames the file onto itself.
        bool same = ::stat(src.c_str(), &a) == 0 && ::stat(dst.c_str(), &b) == 0 &&
                    a.st_dev == b.st_dev && a.st_ino == b.st_ino;
        if (!same) {
            errno = EEXIST;
            return false;
        }
        dst = Join(DirName(dst), BaseName(NormalizePath(to)));
    }
    if (HeldElsewhere(src)) {
        errno = EACCES;
        return false;
    }
    return ::rename(src.c_str(), dst.c_str()) == 0;
}

bool FileExists(const std::string& path, std::string* actual) {
    bool exists = false;
    std::string p = Resolve(path, &exists);
    if (!exists) return false;
    if (actual) *actual = p;
    return true;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(ResolveCase(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path) {
    std::string p = NormalizePath(path);
    std::string dir = ResolveCase(DirName(p));
    std::string leaf = BaseName(p);
    std::string match = leaf.empty() ? std::string() : FindCaseInsensitive(dir, leaf);
    if (!match.empty()) {
        errno = EEXIST;
        return false;
    }
    return ::mkdir(Join(dir, leaf).c_str(), 0777) == 0;
}

std::vector<std::string> ListDirectory(const std::string& path) {
    std::vector<std::string> names;
    std::string p = ResolveCase(path);
    DIR* d = ::opendir(p.empty() ? "." : p.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
    return names;
}

}  // namespace platform
