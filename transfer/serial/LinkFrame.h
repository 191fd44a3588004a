// The packet link's frame: DLE, id, size, data, checksum, DLE, ETX. Every 0x10 among id, size,
// data and checksum is sent twice; the leading DLE and the closing DLE ETX once.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;
constexpr int kMaxFrame = 255 + 6;
constexpr int kMaxStuffedFrame = 2 * kMaxFrame;

// A frame being built to send: the transmit packet keeps the last one for retransmission.
class LinkFrame {
public:
    // Sets id, size and data (size bytes, may be null for 0).
    void Set(int id, const uint8_t* data, int size);
    // Sets id and the two data bytes [a, b].
    void Set2(int id, int a, int b);
    // Computes the checksum and appends DLE ETX.
    void Seal();
    // Writes the stuffed frame to out (room for kMaxStuffedFrame); returns its length.
    int Stuff(uint8_t* out) const;

    int Id() const { return bytes_[1]; }
    int Size() const { return bytes_[2]; }
    uint8_t* Data() { return bytes_ + 3; }
    const uint8_t* Data() const { return bytes_ + 3; }
    // The unframed frame: size + 6 bytes.
    const uint8_t* Bytes() const { return bytes_; }
    int Length() const { return bytes_[2] + 6; }
    // No packet to retransmit (the emulator's waiting state).
    void Clear() { bytes_[1] = bytes_[2] = 0; }

private:
    uint8_t bytes_[kMaxFrame] = {kDle};
};

// Two's complement of the low byte of the sum of n bytes.
uint8_t FrameChecksum(const uint8_t* bytes, int n);

// Assembles one received frame byte by byte into the 319-position receive buffer: bytes
// before a frame's DLE are discards, stuffed DLE pairs are taken once, a lone DLE followed by
// another byte starts a new frame there, and bytes past the buffer's last position overwrite
// it.
class FrameAssembler {
public:
    static constexpr int kBufferSize = 319;

    void Reset();
    // Takes one byte; true at the end of a frame (DLE ETX).
    bool Add(uint8_t byte);
    // 0 for a good frame: DLE ETX at size + 4 and size + 5, and the bytes from the id to the
    // checksum summing to 0; otherwise the sum (or 256 when only the ends are misplaced).
    int Residue() const;
    int Fill() const { return fill_; }
    int Discards() const { return discards_; }
    const uint8_t* Buffer() const { return buffer_; }

private:
    uint8_t buffer_[kBufferSize] = {};
    int fill_ = 0;
    int discards_ = 0;
    bool loneDle_ = false;
};
