#include "gen/image/PacketCount.h"

#include <algorithm>

#include "common/CLocale.h"
#include "gen/image/Image.h"

uint32_t PacketCountHalved(uint32_t usedBlocks) { return (usedBlocks + 1) / 2; }

uint32_t PacketCountBlocks(uint32_t usedBlocks) { return usedBlocks; }

long CountUsedBlocks(const Image& image, uint32_t imageEnd) {
    // Read 32 blocks at a time.
    constexpr size_t kPiece = 32 * kPacketBlock;
    uint8_t piece[kPiece];
    long used = 0;
    for (uint64_t at = 0; at < imageEnd; at += kPiece) {
        // Whole blocks up to the first one that reaches the image end.
        const uint64_t blocksLeft = (imageEnd - at + kPacketBlock - 1) / kPacketBlock;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kPiece, blocksLeft * kPacketBlock));
        const long n = image.Read(at, piece, want);
        if (n < 0) return -1;
        for (long block = 0; block < n; block += kPacketBlock) {
            const long end = std::min<long>(n, block + kPacketBlock);
            for (long i = block; i < end; ++i) {
                if (piece[i] != 0xFF) {
                    ++used;
                    break;
                }
            }
        }
        if (n < static_cast<long>(want)) break;
    }
    return used;
}

ImageResult WritePacketCount(Image& image, uint32_t imageEnd, uint32_t* stored) {
    const ImageParams& params = image.Params();
    const long used = CountUsedBlocks(image, imageEnd);
    if (used < 0) return ImageResult::Internal("Program error: cannot read image to count packets");
    const uint32_t value = params.packetCountValue(static_cast<uint32_t>(used));
    if (value > 0xFFFF) {
        return ImageResult::Data(StringFormatC("The packet count %u does not fit its 16-bit field (limit 65535)", value));
    }
    if (stored) *stored = value;
    return image.WriteU16(params.packetCountOffset, value);
}
