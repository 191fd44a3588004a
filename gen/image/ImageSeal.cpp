#include "gen/image/ImageSeal.h"

#include <algorithm>

#include "common/CLocale.h"
#include "gen/image/Image.h"
#include "gen/image/ImageCut.h"
#include "gen/image/PacketCount.h"
#include "gen/image/Sumcheck.h"

namespace {

// True when Create Image writes a sumcheck into an image of this layout.
bool SumcheckWritten(const ImageParams& params, const ImageLayout& layout, uint32_t imageEnd) {
    uint32_t counts[kSectionCount];
    for (int s = 0; s < kSectionCount; ++s) counts[s] = layout.sections[s].recordCount;
    return CheckImageSize(params, layout.namesLength, imageEnd, counts).sumcheck;
}

}  // namespace

uint32_t UsedBlocksOf(const uint8_t* data, size_t size) {
    uint32_t used = 0;
    for (size_t at = 0; at < size; at += kPacketBlock) {
        const size_t n = std::min<size_t>(kPacketBlock, size - at);
        if (std::any_of(data + at, data + at + n, [](uint8_t b) { return b != 0xFF; })) ++used;
    }
    return used;
}

std::string ImageSealFault(const ImageParams& params, const ImageLayout& layout, uint32_t imageEnd, const uint8_t* data,
                           size_t size) {
    const uint32_t packets = params.packetCountValue(UsedBlocksOf(data, size)) & 0xFFFF;
    const size_t countAt = params.packetCountOffset;
    const uint32_t stored = countAt + 2 <= size ? GetU16(data + countAt) : 0x10000;
    if (stored != packets) {
        return StringFormatC("the packet count is %u, the image holds %u", stored, packets);
    }
    if (!SumcheckWritten(params, layout, imageEnd)) return "";
    const std::vector<uint8_t> field = ComputeSumcheckField(params.sumcheck, data, size, imageEnd);
    for (size_t i = 0; i < field.size(); ++i) {
        const int byte = i < size ? data[i] : -1;
        if (byte != field[i]) {
            return StringFormatC("sumcheck byte %u is %02x, the image gives %02x", static_cast<unsigned>(i),
                                 static_cast<unsigned>(byte & 0xFF), static_cast<unsigned>(field[i]));
        }
    }
    return "";
}

void SealImageBytes(const ImageParams& params, const ImageLayout& layout, uint32_t imageEnd, std::vector<uint8_t>& data) {
    if (data.size() < params.packetCountOffset + 2) return;
    PutU16(data.data() + params.packetCountOffset, params.packetCountValue(UsedBlocksOf(data.data(), data.size())));
    if (!SumcheckWritten(params, layout, imageEnd)) return;
    const std::vector<uint8_t> field = ComputeSumcheckField(params.sumcheck, data.data(), data.size(), imageEnd);
    std::copy(field.begin(), field.begin() + static_cast<long>(std::min(field.size(), data.size())), data.begin());
}
