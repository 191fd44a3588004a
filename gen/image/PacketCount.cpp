#include "gen/image/PacketCount.h"

#include "common/CLocale.h"
#include "gen/image/Image.h"

uint32_t PacketCountHalved(uint32_t usedBlocks) { return (usedBlocks + 1) / 2; }

uint32_t PacketCountBlocks(uint32_t usedBlocks) { return usedBlocks; }

long CountUsedBlocks(const Image& image, uint32_t imageEnd) {
    uint8_t block[kPacketBlock];
    long used = 0;
    for (uint64_t at = 0; at < imageEnd; at += kPacketBlock) {
        const long n = image.Read(at, block, sizeof block);
        if (n < 0) return -1;
        for (long i = 0; i < n; ++i) {
            if (block[i] != 0xFF) {
                ++used;
                break;
            }
        }
        if (n < static_cast<long>(sizeof block)) break;
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
