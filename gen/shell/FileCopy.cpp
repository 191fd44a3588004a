#include "gen/shell/FileCopy.h"

#include <algorithm>
#include <vector>

#include "platform/FileSystem.h"

int OpenFiles::Open(const std::string& path, int flags, platform::Share share) {
    const int fd = platform::OpenFile(path, flags, share);
    if (fd >= 0) fds_.push_back(fd);
    return fd;
}

void OpenFiles::CloseAll() {
    for (int fd : fds_) platform::CloseFile(fd);
    fds_.clear();
}

int64_t CopyFilePart(int from, int64_t* fromOffset, int to, int64_t* toOffset, int64_t count, size_t piece) {
    std::vector<uint8_t> buf(piece);
    int64_t copied = 0;
    while (copied < count) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(piece), count - copied));
        const long n = platform::ReadAt(from, buf.data(), want, *fromOffset);
        if (n <= 0) break;
        if (platform::WriteAt(to, buf.data(), static_cast<size_t>(n), *toOffset) != n) return -1;
        *fromOffset += n;
        *toOffset += n;
        copied += n;
        if (static_cast<size_t>(n) < want) break;
    }
    return copied;
}
