// The names table writer: names coded one behind the other at bit granularity, handed out as
// whole bytes while the last partial byte is carried over to the next name.
#pragma once

#include <cstdint>
#include <vector>

class NamesTableWriter {
public:
    // Codes the name behind the previous one; returns its bit position in the table.
    uint32_t Add(const char* name);
    // The whole bytes completed since the last take; they belong at table start + BytesTaken()
    // as it was before the call.
    std::vector<uint8_t> TakeCompleteBytes();
    // The rest, the last byte completed with zero bits. The table is then complete.
    std::vector<uint8_t> Finish();

    uint32_t BitLength() const { return bits_; }
    uint32_t ByteLength() const { return (bits_ + 7) / 8; }
    uint32_t BytesTaken() const { return taken_; }
    uint32_t NameCount() const { return count_; }

private:
    std::vector<uint8_t> pending_;  // bytes from BytesTaken() on, the last one maybe partial
    uint32_t bits_ = 0;
    uint32_t taken_ = 0;
    uint32_t count_ = 0;
};
