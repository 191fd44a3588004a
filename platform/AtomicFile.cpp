#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <set>
#include <vector>

namespace platform {
namespace {

// Temporary files not yet committed or removed: a process that ends through exit() removes them.
std::mutex g_tempMutex;
std::set<std::string>& LiveTemps() {
    static std::set<std::string>* temps = new std::set<std::string>;
    return *temps;
}

void RemoveLiveTemps() {
    std::lock_guard<std::mutex> g(g_tempMutex);
    for (const std::string& path : LiveTemps()) ::unlink(path.c_str());
    LiveTemps().clear();
}

void NoteTemp(const std::string& path) {
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(RemoveLiveTemps); });
    std::lock_guard<std::mutex> g(g_tempMutex);
    LiveTemps().insert(path);
}

void ForgetTemp(const std::string& path) {
    std::lock_guard<std::mutex> g(g_tempMutex);
    LiveTemps().erase(path);
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// A new file beside the target: ".<name>.<unique>.tmp", created exclusively with the usual mode.
int CreateTemp(const std::string& target, std::string* temp) {
    static std::atomic<unsigned> counter{0};
    const std::string dir = DirName(target);
    const std::string base = BaseName(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned long unique = static_cast<unsigned long>(::getpid()) * 1000003ul +
                                     counter.fetch_add(1) * 7919ul + static_cast<unsigned long>(std::time(nullptr));
        *temp = Join(dir, "." + base + "." + std::to_string(unique % 100000000ul) + ".tmp");
        const int fd = ::open(temp->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// True when another open holds a lock on the file that a denying open would conflict with.
bool HeldByAnother(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

bool CopyAll(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        for (ssize_t done = 0; done < got;) {
            const ssize_t n = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0) errno = EIO;
                return false;
            }
            done += n;
        }
    }
}

void SyncFolder(const std::string& target) {
    const std::string dir = DirName(target);
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // some file systems cannot sync a folder; the rename stands regardless
    ::close(fd);
}

}  // namespace

AtomicFile::~AtomicFile() { Abandon(); }

bool AtomicFile::Fail(int error) {
    if (error_ == 0) error_ = error;
    Abandon();
    errno = error;
    return false;
}

void AtomicFile::Release() {
    if (holdFd_ >= 0) CloseFile(holdFd_);
    holdFd_ = -1;
}

bool AtomicFile::Open(const std::string& path, Start start, Share share) {
    Abandon();
    error_ = 0;
    target_ = ResolveCase(NormalizePath(path));
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
        if (!S_ISREG(st.st_mode)) {
            // A device or pipe cannot be replaced: it is written in place.
            const int flags = O_WRONLY | (start == Start::Empty ? O_TRUNC : O_APPEND);
            fd_ = OpenFile(target_, flags, share);
            return fd_ >= 0 || Fail(errno);
        }
        // A link is followed: the file it names is the one replaced.
        if (char* real = ::realpath(target_.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
        if (::access(target_.c_str(), W_OK) != 0) return Fail(errno);
        holdFd_ = OpenFile(target_, O_RDONLY, share);
        if (holdFd_ < 0) return Fail(errno);
    }
    fd_ = CreateTemp(target_, &temp_);
    if (fd_ < 0) {
        temp_.clear();
        return Fail(errno);
    }
    NoteTemp(temp_);
    if (exists) {
        ::fchmod(fd_, st.st_mode & 07777);  // the replacement keeps the old file's permissions
        if (start == Start::CopyOfOld && (::lseek(holdFd_, 0, SEEK_SET) != 0 || !CopyAll(holdFd_, fd_))) {
            return Fail(errno ? errno : EIO);
        }
    }
    return true;
}

bool AtomicFile::Write(const void* data, size_t length) {
    if (fd_ < 0) return Fail(EBADF);
    const char* in = static_cast<const char*>(data);
    for (size_t done = 0; done < length;) {
        const ssize_t n = ::write(fd_, in + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n == 0 ? ENOSPC : errno;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::WriteAt(const void* data, size_t length, int64_t offset) {
    if (fd_ < 0) return Fail(EBADF);
    const long n = platform::WriteAt(fd_, data, length, offset);
    if (n != static_cast<long>(length)) {
        error_ = n < 0 ? errno : ENOSPC;
        return false;
    }
    return true;
}

bool AtomicFile::Commit() {
    if (fd_ < 0) return Fail(EBADF);
    if (error_ != 0) return Fail(error_);
    if (temp_.empty()) {  // written in place
        const int fd = fd_;
        fd_ = -1;
        return CloseFile(fd) == 0 || Fail(errno);
    }
    if (::fsync(fd_) != 0) return Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail(errno);
    Release();
    if (HeldByAnother(target_)) return Fail(EACCES);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
    ForgetTemp(temp_);
    temp_.clear();
    SyncFolder(target_);
    return true;
}

void AtomicFile::Abandon() {
    if (fd_ >= 0) {
        if (temp_.empty()) {
            CloseFile(fd_);
        } else {
            ::close(fd_);
        }
    }
    fd_ = -1;
    Release();
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        ForgetTemp(temp_);
        temp_.clear();
    }
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    const std::string source = ResolveCase(NormalizePath(from));
    const std::string target = ResolveCase(NormalizePath(to));
    if (HeldByAnother(source) || HeldByAnother(target)) {
        errno = EACCES;
        return false;
    }
    if (::rename(source.c_str(), target.c_str()) != 0) return false;
    SyncFolder(target);
    return true;
}

}  // namespace platform
