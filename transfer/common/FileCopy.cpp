#include "transfer/common/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/FileSystem.h"

FileCopy::FileCopy(size_t chunkBytes) : chunkBytes_(chunkBytes), buffer_(new uint8_t[chunkBytes]) {}

FileCopy::~FileCopy() { Abandon(); }

bool FileCopy::Start(TransferFile& data, const std::string& target, uint32_t offset, uint32_t length) {
    Abandon();
    data_ = &data;
    target_ = platform::ResolveCase(target);
    left_ = length;
    copied_ = 0;
    error = 0;
    data.Seek(offset);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode_ = static_cast<int>(0666 & ~mask);
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0) mode_ = static_cast<int>(old.st_mode & 07777);
    const std::string folder = platform::DirName(target_);
    std::string pattern = (folder.empty() ? std::string(".") : folder) + "/." + platform::BaseName(target_) + "-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        error = errno;
        return false;
    }
    ::close(fd);
    temporary_ = pattern;
    if (!out_.OpenWrite(temporary_, true)) {
        error = errno;
        Abandon();
        return false;
    }
    return true;
}

ChunkResult FileCopy::Chunk() {
    const size_t ask = std::min<size_t>(left_, chunkBytes_);
    if (ask > 0) {
        const size_t got = data_->Read(buffer_.get(), ask);
        if (got < ask) {
            lastRead = got;
            lastAsked = ask;
            return ChunkResult::ReadFailed;
        }
        errno = 0;
        if (!out_.Write(buffer_.get(), ask)) {
            error = errno != 0 ? errno : ENOSPC;
            return ChunkResult::WriteFailed;
        }
        copied_ += static_cast<uint32_t>(ask);
        left_ -= static_cast<uint32_t>(ask);
    }
    return left_ == 0 ? Finish() : ChunkResult::More;
}

ChunkResult FileCopy::Finish() {
    // A card's file system may keep no modes: the mode is given back where it can be.
    const bool synced = out_.SyncAndClose();
    if (synced) static_cast<void>(::chmod(temporary_.c_str(), static_cast<mode_t>(mode_)));
    if (!synced || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = errno != 0 ? errno : EIO;
        return ChunkResult::WriteFailed;
    }
    temporary_.clear();
    const std::string folder = platform::DirName(target_);
    if (!SyncFolder(folder.empty() ? std::string(".") : folder)) {
        error = errno != 0 ? errno : EIO;
        return ChunkResult::WriteFailed;
    }
    return ChunkResult::Done;
}

void FileCopy::Abandon() {
    out_.Close();
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}
