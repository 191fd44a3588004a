// The image information that every reader of an image needs in memory: the header, the section
// map, the country table, the approach IDs, the names table with its list of name starts, the
// rwy/com/appr table and the sections' ident buckets; and the information lines that report it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gen/image/ImageHeader.h"
#include "gen/image/ImageLayout.h"
#include "gen/image/ImageResult.h"
#include "gen/image/NamePointer.h"
#include "gen/image/SectionMap.h"

class Image;

// Results of a name lookup that found no name: an unset pointer, and one that is no name start.
constexpr int32_t kNameIndexUnset = -1;
constexpr int32_t kNameIndexCorrupt = -2;

// Limit of the names in listings, terminator included.
constexpr size_t kListingNameLimit = 32;

struct ImageInfo {
    explicit ImageInfo(const ImageParams& params) : params(&params), layout(params) {}

    const ImageParams* params;
    uint64_t fileLength = 0;
    std::vector<uint8_t> headerBytes;  // the header and title page (data start bytes)
    ImageHeader header;
    ImageLayout layout;
    SectionMap map;
    std::vector<std::array<uint8_t, kCountryRecordSize>> countries;  // as stored (packed order)
    std::vector<std::string> countryTexts;  // "NAME-ID" of each country, made when loaded
    std::vector<std::string> approachIds;                            // 5 characters each
    std::vector<uint8_t> names;                                      // the names table
    std::vector<uint32_t> nameStarts;                                // bit positions, ascending
    std::vector<uint8_t> detail;                                     // the rwy/com/appr table
    uint16_t buckets[kSectionCount][kBucketCount] = {};

    // Names decoded in full, by their index in nameStarts, as they are first formatted.
    mutable std::vector<std::string> nameTexts;
    mutable std::vector<bool> nameDecoded;

    // The name-pointer lookup's last answer.
    mutable uint32_t lastPointer = 0xFFFFFFFF;
    mutable int32_t lastIndex = kNameIndexUnset;

    // "Image size (hex): %06x bytes (%x %s)" of the image end against the family's size limit.
    std::string SizeLine() const;
};

using InfoLineSink = std::function<void(const std::string&)>;

// Loads the image information of an open image. Debug lines (debugLevel not 0) and reports of
// corrupt name pointers go to `lines`; with debug bit 32 "apidgen.txt" is written in the current
// folder. A header or layout that does not fit the file is an error (nothing usable is loaded).
ImageResult LoadImageInfo(const Image& image, uint32_t debugLevel, ImageInfo* info, const InfoLineSink& lines);

// Index of a name in the list of name starts: kNameIndexUnset for an unset pointer, or
// kNameIndexCorrupt (reported to `lines` as a corrupt pointer) when it is not a name start.
int32_t NameIndexFromPointer(const ImageInfo& info, const NamePosition& name, const InfoLineSink& lines);
