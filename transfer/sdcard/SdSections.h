// The sections of a data file that go onto an SD card: a whole image recognised by its part
// number, an AOPA directory file, or the region records of a container.
#pragma once

#include <string>
#include <vector>

#include "transfer/usb/RegionContainer.h"

class TransferFile;

constexpr int kSdImageG1000 = 8;   // part numbers 170, 2049
constexpr int kSdImage696 = 7;     // part number 974
constexpr int kSdImageG1000r2 = 12;  // part numbers 5159, 5307

struct SdSections {
    int productId = 0;  // 0: unknown
    int imageType = -1;
    std::vector<ContainerRegion> rows;

    // The data is for the target model's family (an unknown product fits none).
    bool FitsTarget(int model) const;
    // The rows whose region has a place on the card.
    int UsableCount() const;
};

// Reads the sections of the file at `path` (open in `file`) for the target model; the file is
// left at its start.
SdSections ReadImageSections(TransferFile& file, const std::string& path, int targetModel);
