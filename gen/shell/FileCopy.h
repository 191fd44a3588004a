// Copying parts of open files in fixed-size pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

// Files opened for one operation, all closed when it ends.
class OpenFiles {
public:
    OpenFiles() = default;
    OpenFiles(const OpenFiles&) = delete;
    OpenFiles& operator=(const OpenFiles&) = delete;
    ~OpenFiles() { CloseAll(); }
    // platform::OpenFile; the descriptor (or -1) is kept for closing.
    int Open(const std::string& path, int flags, platform::Share share);
    void CloseAll();

private:
    std::vector<int> fds_;
};

// Copies up to `count` bytes from `from` (at *fromOffset) to `to` (at *toOffset) in pieces of
// `piece` bytes; stops early when a read returns fewer bytes than asked (those are copied).
// Both offsets advance. Returns the bytes copied, -1 when a write fails.
int64_t CopyFilePart(int from, int64_t* fromOffset, int to, int64_t* toOffset, int64_t count, size_t piece = 256);
