#include "gen/image/ImageParams.h"

#include "gen/image/ImageCut.h"
#include "gen/image/PacketCount.h"
#include "gen/image/Sumcheck.h"

namespace {

// Sections of the 495/496 family: 20-bit name offsets with their high nibbles in the last bytes.
constexpr SectionParams kApt496 = {"APT", 72, 249, 19, true, 12, 132, 128, 66, 69, 0, 9, 11, 4, 17};
constexpr SectionParams kInt496 = {"INT", 75, 610, 9, false, 0, 0, 0, 0, 0, 7, 8, 7, 5, 0};
constexpr SectionParams kNdb496 = {"NDB", 78, 953, 16, true, 10, 120, 124, 42, 115, 7, 7, 6, 3, 0};
constexpr SectionParams kVor496 = {"VOR", 81, 1306, 17, true, 8, 128, 132, 42, 99, 7, 7, 6, 3, 0};

// The 18-bit families drop the byte of high nibbles and keep 2 high bits elsewhere.
constexpr SectionParams Narrow(SectionParams s, uint32_t infoPointer, uint32_t infoStart, uint32_t recordSize,
                               uint32_t facilityHigh, uint32_t cityHigh, uint32_t detailByte) {
    s.infoPointerOffset = infoPointer;
    s.infoStart = infoStart;
    s.recordSize = recordSize;
    s.facilityHighBit = facilityHigh;
    s.cityHighBit = cityHigh;
    s.detailByte = detailByte;
    return s;
}

}  // namespace

constinit const ImageParams ImageParams496 = {
    6, 677, true,
    102, 16, 33, 57, 66, 112, 244,
    2012, 2020, 2046, 2069, 10, 19,
    20, 0xFFFFF,
    0x400000, 0x400000, 0x400000, nullptr, 0, nullptr,
    0x40000, CutBehindImageEnd, PacketCountHalved,
    {16, 0x40000, 16, AssembleChunkChecks},
    {kApt496, kInt496, kNdb496, kVor496},
    nullptr,
};

constinit const ImageParams ImageParamsIIIPilot = {
    4, 19, false,
    110, 25, 42, 66, 74, 112, 252,
    2020, 2028, 2054, 2077, 9, 18,
    18, 0x3FFFF,
    0x170000, 0x170000, 0x170000, nullptr, 0, nullptr,
    0x10000, CutBehindImageEnd, PacketCountBlocks,
    {25, 0x10000, 0x170000 / 0x10000, AssembleCountedChunkChecks},
    {Narrow(kApt496, 80, 257, 18, 58, 56, 16), Narrow(kInt496, 83, 618, 9, 0, 0, 0),
     Narrow(kNdb496, 86, 961, 15, 112, 118, 0), Narrow(kVor496, 89, 1314, 16, 96, 102, 0)},
    nullptr,
};

constinit const ImageParams ImageParams195 = {
    2, 14, true,
    102, 16, 33, 57, 66, 112, 244,
    2012, 2020, 2046, 2069, 9, 18,
    18, 0x3FFFF,
    0x200000, 0x260000, 0x200000, "Do not use this image in 195,196,295 units because it is too long",
    32768, "Do not use this image in 195,196,295 units because there are too many %ss",
    0x20000, CutBehindImageEnd, PacketCountBlocks,
    {16, 0x20000, 16, AssembleChunkChecks},
    {Narrow(kApt496, 72, 249, 18, 58, 56, 16), Narrow(kInt496, 75, 610, 9, 0, 0, 0),
     Narrow(kNdb496, 78, 953, 15, 112, 118, 0), Narrow(kVor496, 81, 1306, 16, 96, 102, 0)},
    nullptr,
};
