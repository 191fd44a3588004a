// The image file of the 90/95 XL family: its parameter sets (with airspace: the XL layout;
// without: the VOR area moved up and the data from 1880), the 77-byte header and the fixed
// area's blocks, the layout reader, the chunked sumcheck with its chunk count and the cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageHeader.h"
#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

class Image;
class ImageLayout;

// XL mode: pre-filled to 1 MiB, the layout with airspace.
extern const ImageParams ImageParams90Xl;
// XL mode off: pre-filled to 768 KiB, the layout without airspace (also the layout of an XL
// image that holds no airspace).
extern const ImageParams ImageParams90;

constexpr uint32_t kImage90HeaderSize = 77;
constexpr uint32_t kImage90Chunk = 0x40000;
constexpr uint32_t kImage90SumcheckField = 9;
constexpr uint32_t kImage90DetailPointer = 428;
constexpr uint32_t kImage90SuaBlock = 1459;
constexpr uint32_t kImage90ZeroStart = 1113;  // without airspace: 421 zero bytes up to 1534
constexpr uint32_t kImage90ZeroLength = 421;
constexpr uint32_t kImage90LabelLength = 20;
constexpr uint32_t kAbsent90 = 0x1FFFFF;  // a header pointer to no section: FF FF 1F

// The pre-filled length: 0x100000 in XL mode, 0xC0000 without.
uint32_t Image90Limit(bool xl);

// The 20-character label: the title, upper-cased, blank-padded or cut to 20 characters.
std::string ImageLabel90(const std::string& title);
// "%s006-D000%s" with "9-XX" (airspace) or "4-02".
std::string PartNumberText90(const std::string& label, bool airspace);

struct Header90Input {
    std::string label;
    ImageDate date;
    const SuaSectionHeader* sua = nullptr;  // null: no airspace
};

// Writes the header (sumcheck bytes 0), the country reference block, the rwy/com table start,
// each kind's tail of its information area and, with airspace, the SUA reference block of the
// section placed at the image end (the layout's appended length then grows by it); without,
// the 421 zero bytes at 1113. A start or count that does not fit its field is an error naming it.
ImageResult WriteImageHeader90(Image& image, const Header90Input& input, uint32_t* suaPosition);

// The layout of an image read back: the fixed layout by its SUA pointer, the counts and starts
// of its tails; pointers outside the file are a damaged image.
ImageResult ReadImageLayout90(const Image& image, ImageLayout* layout, uint32_t* tccBlock, uint32_t* suaBlock);

// The chunk count n of an image end: end / 0x40000 + 1.
uint32_t SumcheckChunks90(uint32_t imageEnd);
// The check of chunk i of a file held in memory (chunk 0 from byte 9; bytes beyond the file add
// nothing).
uint8_t ChunkCheck90(const uint8_t* data, size_t size, uint32_t chunk);
// The nine sumcheck bytes: n, then the checks of chunks 0 to n - 1, the rest 0.
std::vector<uint8_t> SumcheckField90(const uint8_t* data, size_t size, uint32_t imageEnd);
// The cut: (end with its low 18 bits cleared) + 0x40000 when below the file's pre-filled length.
uint64_t CutLength90(const ImageParams& params, uint32_t imageEnd, uint64_t fileLength);
