// What the image checks learn of an image in one pass: for every 128-byte block its byte sum
// and whether it holds a byte other than 0xFF, with the first and the final block's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TransferFile;

struct ImageBlocks {
    uint64_t serial = 0;      // the file's open serial when scanned
    int64_t start = -1;       // the position the scan started at
    int64_t size = 0;         // bytes from the start to the end
    std::vector<uint16_t> sums;
    std::vector<uint8_t> data;
    size_t count = 0;         // blocks, the final one possibly short
    size_t dataBlocks = 0;    // blocks holding a byte other than 0xFF
    size_t lastLength = 0;    // bytes of the final block
    uint8_t first[128] = {};
    uint8_t last[128] = {};

    // Bytes of block i (0 beyond the end).
    size_t Length(size_t i) const { return i + 1 < count ? 128 : i + 1 == count ? lastLength : 0; }

    // Reads the file from its position to the end; the position is put back.
    void Scan(TransferFile& file);
    // Adds the sums of blocks [from, to) to sum; data is set when one of them holds data.
    void AddBlocks(size_t from, size_t to, unsigned& sum, bool& data) const;
};

// Byte sum and "holds a byte other than 0xFF" of n bytes.
void BlockSum(const uint8_t* bytes, size_t n, unsigned& sum, bool& data);
