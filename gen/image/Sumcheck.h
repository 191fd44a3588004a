// Chunk sumcheck of an image: each chunk's check is the two's complement of the 8-bit sum of
// its bytes (chunk 0 without the sumcheck field); the family's method places the checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

class Image;

// 495/496 and 195 families: field byte i = check of chunk i.
void AssembleChunkChecks(const SumcheckMethod& method, const uint8_t* checks, uint32_t imageEnd, uint8_t* field);
// GPS III Pilot: byte 0 = number of chunks up to the image end (rounded up), byte 1 + i = check
// of chunk i; the check of chunk 0 also covers byte 0 (the transfer programs' reading), so byte
// 1 is reduced by byte 0.
void AssembleCountedChunkChecks(const SumcheckMethod& method, const uint8_t* checks, uint32_t imageEnd,
                                uint8_t* field);

// Check of one chunk held in memory (`skip` leading bytes left out).
uint8_t ChunkCheck(const uint8_t* data, size_t length, size_t skip);

// Sumcheck field of an image held in memory: bytes beyond `size` count as 0xFF.
std::vector<uint8_t> ComputeSumcheckField(const SumcheckMethod& method, const uint8_t* data, size_t size,
                                          uint32_t imageEnd);

// The sumcheck step, one chunk per call.
class Sumcheck {
public:
    explicit Sumcheck(const SumcheckMethod& method);

    uint32_t ChunkCount() const { return method_.chunkCount; }
    // Sums chunk `index` of the image in 128-byte reads; a short read is the internal error
    // "read only %d bytes".
    ImageResult SumChunk(const Image& image, uint32_t index);
    // Builds the field from the chunk checks and writes it at offset 0.
    ImageResult Write(Image& image, uint32_t imageEnd);

    const std::vector<uint8_t>& Field() const { return field_; }
    // The bytes of the "Sumcheck bytes set to:" report, each as a blank and two hex digits: the
    // whole field, or with a chunk count in byte 0, bytes 0 to that count.
    std::string ReportLine() const;

private:
    SumcheckMethod method_;
    std::vector<uint8_t> checks_;
    std::vector<uint8_t> field_;
};
