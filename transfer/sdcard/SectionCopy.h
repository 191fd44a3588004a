// The copy of one section of the data file into its file on the card, one chunk of 128 KB per
// call. The file is written under a temporary name in its folder and takes its own name, and
// the mode of the file it replaces, once its data is on the medium.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transfer/common/TransferFile.h"

enum class ChunkResult { More, Done, ReadFailed, WriteFailed };

class SectionCopy {
public:
    static constexpr size_t kChunkBytes = 131072;

    SectionCopy();
    ~SectionCopy();

    // Creates the temporary file beside `target`; false (errno set) when it cannot be made.
    bool Start(TransferFile& data, const std::string& target, uint32_t offset, uint32_t length);
    // Copies the next chunk; at the end flushes, closes and renames the file.
    ChunkResult Chunk();
    // Drops an unfinished file.
    void Abandon();

    uint32_t Copied() const { return copied_; }
    uint32_t Left() const { return left_; }
    // Of the last failure: the bytes read and asked for, the system's error number.
    size_t lastRead = 0;
    size_t lastAsked = 0;
    int error = 0;

private:
    ChunkResult Finish();

    std::unique_ptr<uint8_t[]> buffer_;
    TransferFile* data_ = nullptr;
    TransferFile out_;
    std::string target_;
    std::string temporary_;
    int mode_ = 0;
    uint32_t left_ = 0;
    uint32_t copied_ = 0;
};
