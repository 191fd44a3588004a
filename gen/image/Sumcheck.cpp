#include "gen/image/Sumcheck.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "gen/image/Image.h"

void AssembleChunkChecks(const SumcheckMethod& method, const uint8_t* checks, uint32_t, uint8_t* field) {
    const uint32_t n = std::min(method.chunkCount, method.fieldLength);
    std::copy(checks, checks + n, field);
}

void AssembleCountedChunkChecks(const SumcheckMethod& method, const uint8_t* checks, uint32_t imageEnd,
                                uint8_t* field) {
    const uint32_t n = std::min(method.chunkCount, method.fieldLength - 1);
    field[0] = static_cast<uint8_t>((imageEnd + method.chunkSize - 1) / method.chunkSize);
    std::copy(checks, checks + n, field + 1);
    field[1] = static_cast<uint8_t>(field[1] - field[0]);
}

uint8_t ChunkCheck(const uint8_t* data, size_t length, size_t skip) {
    const uint8_t* p = data + std::min(skip, length);
    size_t n = length > skip ? length - skip : 0;
    uint32_t sum = 0;
    // Eight bytes at a time, in four 16-bit lanes that take two bytes a word: 128 words fill a
    // lane to 65280 at most, then the lanes are added up.
    constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
    while (n >= 8) {
        const size_t words = std::min<size_t>(n / 8, 128);
        uint64_t lanes = 0;
        for (size_t w = 0; w < words; ++w, p += 8) {
            uint64_t v;
            std::memcpy(&v, p, 8);
            lanes += (v & kEvenBytes) + ((v >> 8) & kEvenBytes);
        }
        n -= words * 8;
        sum += static_cast<uint32_t>((lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
    }
    for (; n > 0; --n) sum += *p++;
    return static_cast<uint8_t>(0u - sum);
}

std::vector<uint8_t> ComputeSumcheckField(const SumcheckMethod& method, const uint8_t* data, size_t size,
                                          uint32_t imageEnd) {
    std::vector<uint8_t> checks(method.chunkCount);
    std::vector<uint8_t> chunk(method.chunkSize);
    for (uint32_t i = 0; i < method.chunkCount; ++i) {
        const size_t start = static_cast<size_t>(i) * method.chunkSize;
        std::fill(chunk.begin(), chunk.end(), 0xFF);
        if (start < size) {
            const size_t n = std::min<size_t>(method.chunkSize, size - start);
            std::copy(data + start, data + start + n, chunk.begin());
        }
        checks[i] = ChunkCheck(chunk.data(), chunk.size(), i == 0 ? method.fieldLength : 0);
    }
    std::vector<uint8_t> field(method.fieldLength, 0);
    method.assemble(method, checks.data(), imageEnd, field.data());
    return field;
}

Sumcheck::Sumcheck(const SumcheckMethod& method) : method_(method), checks_(method.chunkCount, 0) {}

ImageResult Sumcheck::SumChunk(const Image& image, uint32_t index) {
    constexpr uint32_t kPiece = 4096;
    uint8_t piece[kPiece];
    uint8_t sum = 0;
    const uint64_t start = static_cast<uint64_t>(index) * method_.chunkSize;
    for (uint32_t at = 0; at < method_.chunkSize; at += kPiece) {
        const uint32_t want = std::min(kPiece, method_.chunkSize - at);
        const long n = image.Read(start + at, piece, want);
        if (n != static_cast<long>(want)) return ImageResult::Internal(StringFormatC("read only %d bytes", static_cast<int>(n < 0 ? 0 : n)));
        const uint32_t skip = (start + at == 0) ? std::min(method_.fieldLength, want) : 0;
        sum = static_cast<uint8_t>(sum - ChunkCheck(piece, want, skip));
    }
    if (index < checks_.size()) checks_[index] = static_cast<uint8_t>(-sum);
    return ImageResult::Ok();
}

ImageResult Sumcheck::Write(Image& image, uint32_t imageEnd) {
    field_.assign(method_.fieldLength, 0);
    method_.assemble(method_, checks_.data(), imageEnd, field_.data());
    return image.Write(0, field_.data(), field_.size());
}

std::string Sumcheck::ReportLine() const {
    size_t count = field_.size();
    if (method_.assemble == AssembleCountedChunkChecks && !field_.empty()) {
        count = std::min<size_t>(field_.size(), static_cast<size_t>(field_[0]) + 1);
    }
    std::string line;
    for (size_t i = 0; i < count; ++i) line += StringFormatC(" %02x", field_[i]);
    return line;
}
