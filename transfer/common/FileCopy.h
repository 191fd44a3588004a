// The copy of a range of a data file into a file of its own, one chunk per call, so that a
// long copy runs in idle turns. The file is written under a temporary name in its folder and
// takes its own name, and the mode of the file it replaces, once its data is on the medium:
// a copy that fails or is abandoned leaves the file it would replace as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transfer/common/TransferFile.h"

enum class ChunkResult { More, Done, ReadFailed, WriteFailed };

class FileCopy {
public:
    explicit FileCopy(size_t chunkBytes);
    ~FileCopy();
    FileCopy(const FileCopy&) = delete;
    FileCopy& operator=(const FileCopy&) = delete;

    // Creates the temporary file beside `target`; false (errno set) when it cannot be made.
    bool Start(TransferFile& data, const std::string& target, uint32_t offset, uint32_t length);
    // Copies the next chunk; at the end flushes, closes and renames the file and flushes its
    // folder.
    ChunkResult Chunk();
    // Drops an unfinished file.
    void Abandon();

    size_t ChunkBytes() const { return chunkBytes_; }
    uint32_t Copied() const { return copied_; }
    uint32_t Left() const { return left_; }
    const std::string& Target() const { return target_; }
    // Of the last failure: the bytes read and asked for, the system's error number.
    size_t lastRead = 0;
    size_t lastAsked = 0;
    int error = 0;

private:
    ChunkResult Finish();

    size_t chunkBytes_;
    std::unique_ptr<uint8_t[]> buffer_;
    TransferFile* data_ = nullptr;
    TransferFile out_;
    std::string target_;
    std::string temporary_;
    int mode_ = 0;
    uint32_t left_ = 0;
    uint32_t copied_ = 0;
};

// Flushes a folder's entries to the medium.
bool SyncFolder(const std::string& folder);
