#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "transfer/serial/ComLink.h"

FdLink::FdLink(int readFd, int writeFd, bool owned) { Attach(readFd, writeFd, owned); }

FdLink::~FdLink() {
    Close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void FdLink::Attach(int readFd, int writeFd, bool owned) {
    readFd_ = readFd;
    writeFd_ = writeFd;
    owned_ = owned;
    begin_ = end_ = 0;
    if (wakeFd_ < 0) wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

void FdLink::Close() {
    if (owned_) {
        if (readFd_ >= 0) ::close(readFd_);
        if (writeFd_ >= 0 && writeFd_ != readFd_) ::close(writeFd_);
    }
    readFd_ = writeFd_ = -1;
    owned_ = false;
    begin_ = end_ = 0;
}

int FdLink::ReadByte(uint8_t& byte, int timeoutMs) {
    if (begin_ < end_) {
        byte = buffer_[begin_++];
        return 1;
    }
    if (readFd_ < 0) return -EBADF;
    pollfd fds[2] = {{readFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, wakeFd_ >= 0 ? 2 : 1, timeoutMs);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -errno;
        }
        if (n == 0) return 0;
        if (fds[1].revents & POLLIN) return -ECANCELED;
        break;
    }
    const ssize_t got = ::read(readFd_, buffer_, sizeof buffer_);
    if (got > 0) {
        begin_ = 1;
        end_ = static_cast<size_t>(got);
        byte = buffer_[0];
        return 1;
    }
    if (got == 0) return -EPIPE;  // the other end closed the pipe
    if (errno == EAGAIN || errno == EINTR) return 0;
    return -errno;
}

int FdLink::Write(const uint8_t* bytes, size_t count) {
    if (writeFd_ < 0) return EBADF;
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(writeFd_, bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

void FdLink::Wake() {
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
    }
}

void FdLink::Rearm() {
    if (wakeFd_ >= 0) {
        uint64_t value;
        (void)!::read(wakeFd_, &value, sizeof value);
    }
}
