// A binary file read or written from a current position, as the transfer programs use their
// send, receive and listing files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

class TransferFile {
public:
    TransferFile() = default;
    ~TransferFile();
    TransferFile(const TransferFile&) = delete;
    TransferFile& operator=(const TransferFile&) = delete;

    // Opens an existing file for reading (sharing it with other readers).
    bool OpenRead(const std::string& path);
    // Opens for writing, created when missing; truncate empties it, otherwise writing
    // begins at its end.
    bool OpenWrite(const std::string& path, bool truncate);
    void Close();
    // Flushes what was written to the medium and closes; false (errno set) when either fails.
    bool SyncAndClose();
    bool IsOpen() const { return fd_ >= 0; }
    // Changes with every open: what was learnt of the file's content holds while it stays.
    uint64_t OpenSerial() const { return openSerial_; }

    // Reads up to len bytes at the current position; returns the count read (0 at the end,
    // and on an error).
    size_t Read(void* buf, size_t len) {
        // Most reads are small and lie in the buffer.
        const uint64_t at = static_cast<uint64_t>(position_ - bufferStart_);
        if (at < bufferLength_ && len <= bufferLength_ - at) {
            std::memcpy(buf, buffer_.get() + at, len);
            position_ += static_cast<int64_t>(len);
            return len;
        }
        return ReadThrough(buf, len);
    }
    // The bytes from the current position as the read buffer holds them, without moving the
    // position: at least `wanted` (at most the buffer's size) where the file has them, refilled
    // when fewer are held. The view holds until the next read, write or close.
    size_t Peek(const uint8_t*& data, size_t wanted) {
        const uint64_t at = static_cast<uint64_t>(position_ - bufferStart_);
        if (at > bufferLength_ || bufferLength_ - at < wanted) return Refill(data);
        data = reinterpret_cast<const uint8_t*>(buffer_.get()) + at;
        return bufferLength_ - at;
    }
    // Writes at the current position; false when not all was written.
    bool Write(const void* buf, size_t len);
    void Rewind() { position_ = 0; }
    void Seek(int64_t position) { position_ = position < 0 ? 0 : position; }
    int64_t Position() const { return position_; }
    int64_t Size() const;

private:
    size_t ReadThrough(void* buf, size_t len);
    size_t Refill(const uint8_t*& data);

    // Reads go through a buffer of the file's bytes from bufferStart_; writes drop it.
    static constexpr size_t kBufferSize = 64 * 1024;
    int fd_ = -1;
    int64_t position_ = 0;
    uint64_t openSerial_ = 0;
    std::unique_ptr<char[]> buffer_;
    int64_t bufferStart_ = 0;
    size_t bufferLength_ = 0;
};
