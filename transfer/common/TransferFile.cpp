#include "transfer/common/TransferFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstring>

#include "platform/FileSystem.h"

TransferFile::~TransferFile() { Close(); }

bool TransferFile::OpenRead(const std::string& path) {
    Close();
    fd_ = platform::OpenFile(platform::NormalizePath(path), O_RDONLY, platform::Share::DenyNone);
    position_ = 0;
    ++openSerial_;
    return fd_ >= 0;
}

bool TransferFile::OpenWrite(const std::string& path, bool truncate) {
    Close();
    const int flags = O_WRONLY | O_CREAT | (truncate ? O_TRUNC : 0);
    fd_ = platform::OpenFile(platform::NormalizePath(path), flags, platform::Share::DenyWrite);
    position_ = 0;
    ++openSerial_;
    if (fd_ < 0) return false;
    if (!truncate) position_ = platform::FileSize(fd_);
    return true;
}

void TransferFile::Close() {
    if (fd_ >= 0) platform::CloseFile(fd_);
    fd_ = -1;
    position_ = 0;
    bufferLength_ = 0;
}

bool TransferFile::SyncAndClose() {
    if (fd_ < 0) return false;
    const bool synced = ::fsync(fd_) == 0;
    const int error = errno;
    const bool closed = platform::CloseFile(fd_) == 0;
    fd_ = -1;
    position_ = 0;
    bufferLength_ = 0;
    if (!synced) errno = error;
    return synced && closed;
}

size_t TransferFile::ReadThrough(void* buf, size_t len) {
    if (fd_ < 0 || len == 0) return 0;
    char* out = static_cast<char*>(buf);
    size_t done = 0;
    while (done < len) {
        if (len - done >= kBufferSize) {
            // Large reads go straight to the caller.
            const long n = platform::ReadAt(fd_, out + done, len - done, position_);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
            position_ += n;
            continue;
        }
        if (position_ < bufferStart_ || position_ >= bufferStart_ + static_cast<int64_t>(bufferLength_)) {
            if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferSize);
            const long n = platform::ReadAt(fd_, buffer_.get(), kBufferSize, position_);
            bufferStart_ = position_;
            bufferLength_ = n > 0 ? static_cast<size_t>(n) : 0;
            if (n <= 0) break;
        }
        const size_t at = static_cast<size_t>(position_ - bufferStart_);
        const size_t take = std::min(len - done, bufferLength_ - at);
        std::memcpy(out + done, buffer_.get() + at, take);
        done += take;
        position_ += static_cast<int64_t>(take);
    }
    return done;
}

size_t TransferFile::Refill(const uint8_t*& data) {
    static constexpr uint8_t kNone = 0;
    data = &kNone;
    if (fd_ < 0) return 0;
    if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferSize);
    const long n = platform::ReadAt(fd_, buffer_.get(), kBufferSize, position_);
    bufferStart_ = position_;
    bufferLength_ = n > 0 ? static_cast<size_t>(n) : 0;
    data = reinterpret_cast<const uint8_t*>(buffer_.get());
    return bufferLength_;
}

bool TransferFile::Write(const void* buf, size_t len) {
    if (fd_ < 0) return false;
    bufferLength_ = 0;
    size_t done = 0;
    while (done < len) {
        const long n = platform::WriteAt(fd_, static_cast<const char*>(buf) + done, len - done, position_);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
        position_ += n;
    }
    return true;
}

int64_t TransferFile::Size() const { return fd_ >= 0 ? platform::FileSize(fd_) : 0; }
