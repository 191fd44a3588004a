// The section map of an image being read: where the country table, names table, approach IDs,
// rwy/com/appr table, the point sections, the FSS/TCC and SUA sections start and end, and the
// image end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageParams.h"

class Image;
class ImageLayout;
struct ImageHeader;

constexpr uint32_t kSuaCellSize = 20;
constexpr uint32_t kTccCellSize = 23;
constexpr uint32_t kTccGroupSize = 6;
constexpr uint32_t kSuaBlockSize = 23;
constexpr uint32_t kFssBlockASize = 8;
constexpr uint32_t kFssBlockBSize = 26;

struct FssTccMap {
    bool present = false;
    uint32_t blockA = kAbsent24;
    uint32_t blockB = kAbsent24;
    uint32_t fssCount = 0, fssStart = 0, fssFreqStart = 0;
    uint32_t cellCount = 0, cellStart = 0;
    uint32_t gridCount = 0, gridStart = 0;
    uint32_t tccCount = 0, tccStart = 0;
    uint32_t byteListStart = 0;
    uint32_t groupCount = 0, groupStart = 0;
    uint32_t tccFreqStart = 0;
    uint32_t end = 0;  // the largest table start + count x record size
};

struct SuaMap {
    bool present = false;
    uint32_t block = kAbsent24;
    uint32_t cellCount = 0, cellStart = 0;  // C0 O0
    uint32_t gridCount = 0, gridStart = 0;  // C1 O1
    uint32_t aCount = 0, aStart = 0;        // C2 O2
    uint32_t bCount = 0, bStart = 0;        // C3 O3
    uint32_t dataStart = 0;                 // S: the vertex data (info area)
    uint32_t dataEnd = 0;                   // the next table start above it (0x400000 when none)
    uint32_t areaStart = 0;                 // the smallest start
    uint32_t end = 0;                       // the largest table start + count x record size
};

struct SectionMap {
    uint32_t countryStart = 0, countryCount = 0, countryEnd = 0;
    uint32_t namesStart = 0, namesEnd = 0;
    uint32_t approachIdStart = kAbsent24, approachIdCount = 0;
    uint32_t detailStart = 0, detailEnd = 0;
    FssTccMap fss;
    SuaMap sua;
    // The end of the last section present: SUA, else FSS/TCC, else the VOR area.
    uint32_t imageEnd = 0;
    // Every known section start, ascending.
    std::vector<uint32_t> starts;

    // The smallest section start above the offset, or the offset itself when there is none.
    uint32_t NextSectionStart(uint32_t offset) const;
};

// Fills the map from the header and the layout read from the image (ReadImageLayout). With
// `debugLines`, the map's lines are appended to it as the values are read.
void DumpSectionMap(const Image& image, const ImageHeader& header, const ImageLayout& layout, SectionMap* map,
                    std::vector<std::string>* debugLines);
