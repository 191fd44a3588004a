#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "transfer/common/ImageChecks.h"

const ImageBlocks& ImageChecks::Blocks() {
    if (blocks_.serial != sendFile.OpenSerial() || blocks_.start != sendFile.Position()) blocks_.Scan(sendFile);
    return blocks_;
}

int ImageChecks::ComputeSumcheckBytes(uint8_t result[kSumcheckSlots]) {
    std::memset(result, 0, kSumcheckSlots);
    const SumcheckLayoutRow* layout = SumcheckLayout(imageType);
    if (!layout) return 0;
    // The blocks are taken as 128-byte reads from the position: a read past the end gives
    // nothing, a read at the end of a section's first block less than 128 bytes ends the scan.
    const ImageBlocks& image = Blocks();
    const size_t section = static_cast<size_t>(layout->sectionBlocks);
    size_t block = 0;  // the blocks read so far
    int slot = layout->firstSlot;
    bool ended = false;
    bool data = false;
    do {
        unsigned sum = 0;
        data = false;
        const size_t first = block;
        if (image.Length(first) < kBlockSize) {
            ended = true;
            block = first + 1;
        } else {
            size_t from = first;
            if (first == 0) {
                const size_t skip = std::min(static_cast<size_t>(layout->fieldLength), static_cast<size_t>(kBlockSize));
                BlockSum(image.first + skip, kBlockSize - skip, sum, data);
                from = 1;
            }
            image.AddBlocks(from, first + section, sum, data);
            // A section running past the end stops after the read that gave nothing.
            block = std::min(first + section, image.count + 1);
        }
        result[slot] = static_cast<uint8_t>(0u - sum);
        ++slot;
        // The result holds 32 slots: an image of more sections ends the scan there.
        if (slot >= kSumcheckSlots) ended = true;
    } while (!ended && data);
    if (layout->firstSlot == 1) result[0] = static_cast<uint8_t>(slot - 2);
    if (imageType == 3) result[1] = static_cast<uint8_t>(result[1] - result[0]);
    sendFile.Seek(image.start + std::min<int64_t>(image.size, static_cast<int64_t>(block) * kBlockSize));
    return layout->fieldLength;
}

void ImageChecks::VerifySumchecks() {
    receiveFile.Close();
    reporter_.SetWaitCursor(true);
    if (!sendFile.OpenRead(fileName)) {
        reporter_.SetWaitCursor(false);
        reporter_.Message(StringFormatC("Unable to Open '%s' for reading", fileName.c_str()));
        return;
    }
    if (!DetectImageType()) {
        reporter_.Log("Unknown image type");
        sendFile.Close();
        reporter_.SetWaitCursor(false);
        return;
    }
    uint8_t computed[kSumcheckSlots];
    const int length = ComputeSumcheckBytes(computed);
    if (length == 0) {
        sendFile.Close();
        reporter_.SetWaitCursor(false);
        return;
    }
    const bool debug = reporter_.DebugLevel() != 0;
    if (debug) {
        reporter_.Log("Sumcheck Bytes");
        std::string line = "should be:";
        for (int i = 0; i < length; ++i) line += StringFormatC(" %02x", computed[i]);
        reporter_.Log(line);
    }
    uint8_t stored[kSumcheckSlots] = {};
    sendFile.Rewind();
    const size_t n = sendFile.Read(stored, kSumcheckSlots);
    bool correct = n >= static_cast<size_t>(length);
    std::string line = "actually: ";
    for (int i = 0; i < length; ++i) {
        line += StringFormatC(" %02x", stored[i]);
        if (stored[i] != computed[i]) correct = false;
    }
    if (debug) reporter_.Log(line);
    reporter_.Log(StringFormatC("Sumchecks %s", correct ? "Correct" : "**FAILED**"));
    sendFile.Close();
    reporter_.SetWaitCursor(false);
}
