#include "gen696/ImageFile696.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "platform/FileSystem.h"

namespace {

constexpr size_t kAppendBuffer = 1 << 16;
constexpr size_t kSealChunk = 1 << 17;
// Far beyond any image, short of the 32-bit offsets' end.
constexpr uint32_t kMaxFileLength = 0xF0000000;

// Sixteen tables: table k advances a byte that stands k bytes before the end of a 16-byte group.
constexpr size_t kCrcGroup = 16;
using CrcTables = std::array<std::array<uint32_t, 256>, kCrcGroup>;
const CrcTables& CrcTable() {
    static const CrcTables tables = [] {
        CrcTables t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i) {
            for (size_t k = 1; k < kCrcGroup; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        }
        return t;
    }();
    return tables;
}

bool WriteAll(int fd, const uint8_t* data, size_t size, uint64_t offset) {
    while (size > 0) {
        const long n = platform::WriteAt(fd, data, size, static_cast<int64_t>(offset));
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

}  // namespace

void PackDirectoryEntry(uint8_t out[8], uint32_t start, uint32_t count, uint8_t size) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(start >> (8 * i));
    out[4] = size;
    for (int i = 0; i < 3; ++i) out[5 + i] = static_cast<uint8_t>(count >> (8 * i));
}

ImageDirectoryEntry UnpackDirectoryEntry(const uint8_t in[8], uint32_t position) {
    ImageDirectoryEntry e;
    e.start = in[0] | (in[1] << 8) | (in[2] << 16) | (static_cast<uint32_t>(in[3]) << 24);
    e.size = in[4];
    e.count = in[5] | (in[6] << 8) | (in[7] << 16);
    e.position = position;
    return e;
}

uint32_t ImageCrc696(uint32_t reg, const uint8_t* data, size_t size) {
    const CrcTables& t = CrcTable();
    size_t i = 0;
    for (; i + kCrcGroup <= size; i += kCrcGroup) {
        const uint8_t* p = data + i;
        const uint32_t lo = reg ^ (p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
        reg = t[15][lo & 0xFF] ^ t[14][(lo >> 8) & 0xFF] ^ t[13][(lo >> 16) & 0xFF] ^ t[12][lo >> 24] ^
              t[11][p[4]] ^ t[10][p[5]] ^ t[9][p[6]] ^ t[8][p[7]] ^ t[7][p[8]] ^ t[6][p[9]] ^ t[5][p[10]] ^
              t[4][p[11]] ^ t[3][p[12]] ^ t[2][p[13]] ^ t[1][p[14]] ^ t[0][p[15]];
    }
    for (; i < size; ++i) reg = (reg >> 8) ^ t[0][(reg ^ data[i]) & 0xFF];
    return reg;
}

ImageFile696::ImageFile696(int fd) : fd_(fd), entries_(kDirectoryEntries696) {
    buffer_ = std::make_unique<uint8_t[]>(kAppendBuffer);
    for (uint32_t n = 0; n < kDirectoryEntries696; ++n) entries_[n].position = kDirectoryStart696 + kEntrySize696 * n;
}

ImageFile696::~ImageFile696() { Flush(); }

bool ImageFile696::Flush() {
    if (used_ == 0) return true;
    const uint32_t start = end_ - static_cast<uint32_t>(used_);
    const bool ok = WriteAll(fd_, buffer_.get(), used_, start);
    used_ = 0;
    return ok;
}

bool ImageFile696::MoveEnd(uint32_t end) {
    if (!Flush()) return false;
    end_ = end;
    return true;
}

bool ImageFile696::Append(const void* data, size_t size) {
    if (size == 0) return true;
    if (size > kMaxFileLength - end_) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (used_ + size > kAppendBuffer && !Flush()) return false;
    if (size > kAppendBuffer) {
        if (!WriteAll(fd_, bytes, size, end_)) return false;
    } else {
        std::memcpy(buffer_.get() + used_, bytes, size);
        used_ += size;
    }
    end_ += static_cast<uint32_t>(size);
    return true;
}

uint8_t* ImageFile696::AppendRoom(size_t size) {
    if (size > kAppendBuffer || size > kMaxFileLength - end_) return nullptr;
    if (used_ + size > kAppendBuffer && !Flush()) return nullptr;
    const size_t at = used_;
    used_ += size;
    end_ += static_cast<uint32_t>(size);
    return buffer_.get() + at;
}

bool ImageFile696::WriteAt(uint32_t offset, const void* data, size_t size) {
    return Flush() && WriteAll(fd_, static_cast<const uint8_t*>(data), size, offset);
}

bool ImageFile696::ZeroDirectory() {
    const std::vector<uint8_t> zeros(kDirectoryEntries696 * kEntrySize696, 0);
    for (ImageDirectoryEntry& e : entries_) e = ImageDirectoryEntry{0, 0, 0, e.position};
    return WriteAt(kDirectoryStart696, zeros.data(), zeros.size());
}

bool ImageFile696::SetDirectoryEntry(int n, uint32_t start, uint32_t count, uint8_t size) {
    if (n < 0 || n >= static_cast<int>(kDirectoryEntries696)) return false;
    ImageDirectoryEntry& e = entries_[static_cast<size_t>(n)];
    e.start = start;
    e.count = count;
    e.size = size;
    uint8_t bytes[8];
    PackDirectoryEntry(bytes, start, count, size);
    return WriteAt(e.position, bytes, sizeof bytes);
}

bool ImageFile696::SealImageCrc() {
    if (!Flush()) return false;
    std::vector<uint8_t> chunk(kSealChunk);
    uint32_t reg = kImageCrcStart696;
    for (uint32_t at = 0; at < end_;) {
        const size_t want = std::min<size_t>(chunk.size(), end_ - at);
        const long n = platform::ReadAt(fd_, chunk.data(), want, at);
        if (n <= 0) return false;
        reg = ImageCrc696(reg, chunk.data(), static_cast<size_t>(n));
        at += static_cast<uint32_t>(n);
    }
    for (int i = 0; i < 4; ++i) seal_[i] = static_cast<uint8_t>(reg >> (8 * i));
    return Append(seal_, sizeof seal_) && Flush();
}
