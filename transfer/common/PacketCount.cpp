#include <cstring>

#include "common/CLocale.h"
#include "transfer/common/ImageChecks.h"

namespace {

bool HasData(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (bytes[i] != 0xFF) return true;
    }
    return false;
}

// Units below this product id take the last block with its bytes 122 to 127 blank.
constexpr int kTailBlankUnits = 48;
constexpr size_t kTailFrom = 122;

}  // namespace

void ImageChecks::CountPackets() {
    reporter_.Log("Counting packets .. ");
    const ImageBlocks& image = Blocks();
    countedPackets = static_cast<int>(image.dataBlocks);
    lastDataPacket = 0;
    const size_t lastLength = image.lastLength;
    if (unitProductId < kTailBlankUnits && lastLength > kTailFrom && HasData(image.last + kTailFrom, lastLength - kTailFrom)) {
        if (HasData(image.last, kTailFrom)) {
            lastDataPacket = static_cast<int>(image.count);
        } else {
            --countedPackets;
        }
    }
    sendFile.Rewind();
    reporter_.Log(StringFormatC("%d Packets to send", countedPackets));
}

bool ImageChecks::CheckPacketCount() {
    if (!SumcheckLayout(imageType)) return true;
    const int offset = StoredPacketCountOffset(imageType);
    if (offset == 0) return false;
    uint8_t block[kBlockSize] = {};
    sendFile.Rewind();
    sendFile.Read(block, kBlockSize);
    sendFile.Rewind();
    const int stored = block[offset] | block[offset + 1] << 8;
    if (stored == countedPackets) return false;
    if ((unitProductId == 595 || unitProductId == 887) && stored == (countedPackets + 1) / 2) return false;
    return !reporter_.AskYesNo(StringFormatC("Packet counts differ: calc=%d, image=%d\nDo you REALLY want to continue",
                                             countedPackets, stored));
}
