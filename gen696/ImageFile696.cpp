#include "gen696/ImageFile696.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include <unistd.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/FileSystem.h"

namespace {

constexpr size_t kAppendBuffer = 1 << 16;
constexpr size_t kSealChunk = 1 << 17;
// Appended bytes are sent on to the disk in runs of this many, while the image is still being made.
constexpr uint32_t kWriteBackRun = 1 << 21;
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

#if defined(__x86_64__)
#define CRC_TARGET __attribute__((target("pclmul,sse4.1")))
CRC_TARGET inline __m128i Load16(const uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
// x times the two 64-bit constants of k, added to the next 128 bits.
CRC_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// Whole 16-byte blocks (at least 64 bytes) by folding with carry-less multiplication: four
// 128-bit lanes folded 64 bytes at a time, then into one lane, then to 64 and 32 bits by the
// reflected polynomial's constants and a Barrett reduction. The same register as the table's.
CRC_TARGET uint32_t CrcFolded(uint32_t reg, const uint8_t* p, size_t size) {
    alignas(16) static const uint64_t kFold4[2] = {0x154442bd4, 0x1c6e41596};
    alignas(16) static const uint64_t kFold1[2] = {0x1751997d0, 0x0ccaa009e};
    alignas(16) static const uint64_t kFold64[2] = {0x163cd6124, 0};
    alignas(16) static const uint64_t kBarrett[2] = {0x1db710641, 0x1f7011641};
    __m128i x1 = _mm_xor_si128(Load16(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x2 = Load16(p + 16);
    __m128i x3 = Load16(p + 32);
    __m128i x4 = Load16(p + 48);
    p += 64;
    size -= 64;
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
    for (; size >= 64; p += 64, size -= 64) {
        x1 = Fold(x1, k, Load16(p));
        x2 = Fold(x2, k, Load16(p + 16));
        x3 = Fold(x3, k, Load16(p + 32));
        x4 = Fold(x4, k, Load16(p + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
    x1 = Fold(x1, k, x2);
    x1 = Fold(x1, k, x3);
    x1 = Fold(x1, k, x4);
    for (; size >= 16; p += 16, size -= 16) x1 = Fold(x1, k, Load16(p));
    // 128 bits to 64, then to 32 plus the Barrett step.
    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), _mm_srli_si128(x1, 4));
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    __m128i t = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10), low32);
    t = _mm_clmulepi64_si128(t, k, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}
#undef CRC_TARGET

bool HasCarrylessMultiply() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}
#endif

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
#if defined(__x86_64__)
    if (size >= 64 && HasCarrylessMultiply()) {
        i = size & ~size_t{15};
        reg = CrcFolded(reg, data, i);
    }
#endif
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

namespace {

// Polynomial products in the reflected form (bit 31 the constant term), modulo the CRC's.
uint32_t MultiplyModP(uint32_t a, uint32_t b) {
    uint32_t product = 0;
    for (uint32_t m = 1u << 31; m != 0; m >>= 1) {
        if (a & m) product ^= b;
        b = (b & 1) ? (b >> 1) ^ 0xEDB88320u : b >> 1;
    }
    return product;
}

// x to the power 2^k, for k = 0..63.
const std::array<uint32_t, 64>& PowersOfX() {
    static const std::array<uint32_t, 64> powers = [] {
        std::array<uint32_t, 64> t{};
        uint32_t p = 1u << 30;   // x
        for (uint32_t& v : t) {
            v = p;
            p = MultiplyModP(p, p);
        }
        return t;
    }();
    return powers;
}

}  // namespace

uint32_t ImageCrcShift696(uint32_t reg, uint64_t size) {
    // reg times x^(8 size).
    const std::array<uint32_t, 64>& powers = PowersOfX();
    uint32_t factor = 1u << 31;   // 1
    for (uint32_t k = 3; size != 0 && k < 64; size >>= 1, ++k) {
        if (size & 1) factor = MultiplyModP(powers[k], factor);
    }
    return MultiplyModP(factor, reg);
}

ImageFile696::ImageFile696(int fd) : fd_(fd), entries_(kDirectoryEntries696) {
    buffer_ = std::make_unique<uint8_t[]>(kAppendBuffer);
    for (uint32_t n = 0; n < kDirectoryEntries696; ++n) entries_[n].position = kDirectoryStart696 + kEntrySize696 * n;
}

ImageFile696::~ImageFile696() {
    Flush();
    if (earlySync_.joinable()) earlySync_.join();
}

bool ImageFile696::StartEarlySync() {
    if (!Flush()) return false;
    if (earlySync_.joinable()) earlySync_.join();
    const int fd = ::dup(fd_);
    if (fd >= 0) {
        earlySync_ = std::thread([fd] {
            ::fdatasync(fd);
            ::close(fd);
        });
    }
    return true;
}

bool ImageFile696::WriteOut(const uint8_t* data, size_t size, uint32_t start) {
    if (!WriteAll(fd_, data, size, start)) return false;
    pieces_.push_back({start, static_cast<uint32_t>(size), ImageCrc696(0, data, size), false});
    const uint32_t written = start + static_cast<uint32_t>(size);
    if (written > writtenBack_ + kWriteBackRun) {
        platform::StartWriteBack(fd_, writtenBack_, written - writtenBack_);
        writtenBack_ = written;
    }
    return true;
}

void ImageFile696::WrittenOver(uint32_t offset, size_t size) {
    for (Piece& p : pieces_) {
        if (offset < p.start + p.size && p.start < offset + size) p.stale = true;
    }
}

bool ImageFile696::Flush() {
    bool ok = true;
    if (used_ > 0) {
        const uint32_t start = end_ - static_cast<uint32_t>(used_);
        ok = WriteOut(buffer_.get(), used_, start);
        used_ = 0;
    }
    if (dirtyFirst_ >= 0) {
        const size_t first = static_cast<size_t>(dirtyFirst_) * kEntrySize696;
        const size_t size = static_cast<size_t>(dirtyLast_ - dirtyFirst_ + 1) * kEntrySize696;
        ok = WriteAll(fd_, directory_ + first, size, kDirectoryStart696 + first) && ok;
        WrittenOver(static_cast<uint32_t>(kDirectoryStart696 + first), size);
        dirtyFirst_ = dirtyLast_ = -1;
    }
    return ok;
}

bool ImageFile696::MoveEnd(uint32_t end) {
    if (!Flush()) return false;
    if (end < end_) WrittenOver(end, end_ - end);   // to be written again
    end_ = end;
    return true;
}

bool ImageFile696::Append(const void* data, size_t size) {
    if (size == 0) return true;
    if (size > kMaxFileLength - end_) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (used_ + size > kAppendBuffer && !Flush()) return false;
    if (size > kAppendBuffer) {
        if (!WriteOut(bytes, size, end_)) return false;
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
    if (!Flush()) return false;
    WrittenOver(offset, size);
    return WriteAll(fd_, static_cast<const uint8_t*>(data), size, offset);
}

bool ImageFile696::ZeroDirectory() {
    for (ImageDirectoryEntry& e : entries_) e = ImageDirectoryEntry{0, 0, 0, e.position};
    std::memset(directory_, 0, sizeof directory_);
    dirtyFirst_ = dirtyLast_ = -1;
    return WriteAt(kDirectoryStart696, directory_, sizeof directory_);
}

bool ImageFile696::SetDirectoryEntry(int n, uint32_t start, uint32_t count, uint8_t size) {
    if (n < 0 || n >= static_cast<int>(kDirectoryEntries696)) return false;
    ImageDirectoryEntry& e = entries_[static_cast<size_t>(n)];
    e.start = start;
    e.count = count;
    e.size = size;
    uint8_t* bytes = directory_ + static_cast<size_t>(n) * kEntrySize696;
    PackDirectoryEntry(bytes, start, count, size);
    if (end_ < kSectionsStart696) return WriteAt(e.position, bytes, kEntrySize696);
    dirtyFirst_ = dirtyFirst_ < 0 ? n : std::min(dirtyFirst_, n);
    dirtyLast_ = std::max(dirtyLast_, n);
    return true;
}

bool ImageFile696::SealImageCrc() {
    if (!Flush()) return false;
    std::vector<uint8_t> chunk;
    uint32_t reg = kImageCrcStart696;
    // The bytes of [from, to) read back.
    const auto readBack = [&](uint32_t from, uint32_t to) {
        chunk.resize(kSealChunk);
        for (uint32_t at = from; at < to;) {
            const size_t want = std::min<size_t>(chunk.size(), to - at);
            const long n = platform::ReadAt(fd_, chunk.data(), want, at);
            if (n <= 0) return false;
            reg = ImageCrc696(reg, chunk.data(), static_cast<size_t>(n));
            at += static_cast<uint32_t>(n);
        }
        return true;
    };
    uint32_t at = 0;
    for (const Piece& p : pieces_) {
        if (p.stale || p.start < at || p.start + p.size > end_) continue;
        if (!readBack(at, p.start)) return false;
        reg = ImageCrcShift696(reg, p.size) ^ p.reg;
        at = p.start + p.size;
    }
    if (!readBack(at, end_)) return false;
    for (int i = 0; i < 4; ++i) seal_[i] = static_cast<uint8_t>(reg >> (8 * i));
    return Append(seal_, sizeof seal_) && Flush();
}
