// End-of-file cut and size checks of a finished image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageParams.h"

// The cut of the 495/496, GPS III Pilot and 195 families: the image end rounded down to the
// family's cut unit, plus one unit, when that lies below the pre-fill size; otherwise the file
// keeps its length. An end that is itself a multiple of the unit is still followed by a unit.
uint64_t CutBehindImageEnd(const ImageParams& params, uint32_t imageEnd, uint64_t fileLength);

// Outcome of the size checks made before the sumcheck.
struct ImageSizeCheck {
    bool sumcheck = true;               // false: the image must not be used and gets no sumcheck
    std::vector<std::string> messages;  // texts for message boxes, in order
};

// Names table length and image end against the family's limits, and (for a family with a
// record warning) the record counts of the four sections.
ImageSizeCheck CheckImageSize(const ImageParams& params, uint32_t namesLength, uint32_t imageEnd,
                              const uint32_t recordCounts[kSectionCount]);
