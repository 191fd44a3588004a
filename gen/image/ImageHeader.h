// The image header, title page and fixed-area blocks: the writer that fills them from the
// layout, and the readers that take them back (listings, Create ISAM, image information).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

class Image;
class ImageLayout;

struct ImageDate {
    int month = 1;  // 1-12
    int day = 1;    // 1-31
    int year = 2000;
};

// Today's local date.
ImageDate TodayLocal();

// (year mod 100) * 100 + month, e.g. 2601 for January 2026.
uint32_t ImageCycle(const ImageDate& date);

// The header line of a TCC.DAT file: V0 the body length, V1-V7 the offsets of its sub-areas,
// counted from the body's first byte.
struct TccSectionHeader {
    uint32_t v[8] = {};
};

// The header line of an SUA.DAT file in line order: C0 O0 C1 O1 C2 O2 C3 O3 S E L (counts C,
// offsets O, the section start S, the end of the raw part E and the body length L).
struct SuaSectionHeader {
    uint32_t v[11] = {};
    enum { C0, O0, C1, O1, C2, O2, C3, O3, S, E, L };
};

struct HeaderInput {
    std::string title;
    ImageDate date;
    const TccSectionHeader* tcc = nullptr;  // null: the image has no FSS/TCC section
    const SuaSectionHeader* sua = nullptr;  // null: the image has no SUA section
};

// Where the appended sections go (kAbsent24 when absent).
struct AppendedPositions {
    uint32_t tcc = kAbsent24;
    uint32_t sua = kAbsent24;
};

// Places the appended sections behind the VOR area (FSS/TCC first) and sets the layout's
// appended length; their positions (absent for a null header).
AppendedPositions PlaceAppendedSections(ImageLayout& layout, const TccSectionHeader* tcc, const SuaSectionHeader* sua);
// Writes the pointer and name-index blocks of the four sections and, for the sections present,
// the FSS/TCC and SUA blocks of the sections placed at `placed`.
ImageResult WriteSectionBlocks(Image& image, const TccSectionHeader* tcc, const SuaSectionHeader* sua,
                               const AppendedPositions& placed);

// Writes the header (sumcheck bytes 0, cycle, dates, part number, packet count 0, pointers),
// the blank title page with the title, the data start block, the airport block, the pointer and
// name-index blocks of the four sections and the FSS/TCC and SUA blocks. The appended sections
// are placed at the image end, which grows by their lengths (layout.appendedLength). A table
// start or count that does not fit its field is an error naming the limit.
ImageResult WriteImageHeader(Image& image, const HeaderInput& input, AppendedPositions* positions = nullptr);

// A section's pointer block (13 bytes: grid cells, grid index, records) and, for a section with
// names, its name-index block (10 bytes: city and facility indexes). A start or count that does
// not fit its field is an error naming the section.
struct SectionDescriptor;
ImageResult EncodeSectionBlocks(const SectionDescriptor& s, uint8_t* pointerBlock, uint8_t* nameBlock);

// The 8-byte FSS/TCC block A and the 26-byte block B of a section placed at image position P.
ImageResult EncodeTccBlocks(const ImageParams& params, const TccSectionHeader& tcc, uint32_t position,
                            uint8_t blockA[8], uint8_t blockB[26]);
// The 23-byte SUA block of a section placed at image position P.
ImageResult EncodeSuaBlock(const SuaSectionHeader& sua, uint32_t position, uint8_t block[23]);

// What a reader takes from the header.
struct ImageHeader {
    std::vector<uint8_t> sumcheck;  // the sumcheck field
    uint32_t cycle = 0;
    ImageDate validFrom, validTo, created;
    std::string partNumberText;     // 32 characters
    int partNumber = -1;            // from the "006-Dnnnn-XX" tail, -1 when not valid
    uint32_t packetCount = 0;
    uint32_t pointers[kPointerBlockLength / 3] = {};  // the u24 pointers, HeaderPointer / 3
    std::string title;              // the title page from the title offset, trailing blanks cut

    uint32_t Pointer(HeaderPointer which) const { return pointers[which / 3]; }
};

// Reads the header of an image of the family; a file shorter than the fixed area is an error.
ImageResult ReadImageHeader(const Image& image, ImageHeader* header);

// Fills the layout from an image: country count and table, names start, approach ID count and
// start, rwy/com/appr start, and per section the info start, record count and the starts and
// counts of its blocks. Pointers that lie outside the file are an error naming the pointer.
ImageResult ReadImageLayout(const Image& image, ImageLayout* layout);

// "st=%06lx, len=%04x, sc=%04x " of a block: start, length and the 16-bit sum of its bytes.
std::string DescribeBlock(const Image& image, uint32_t start, uint32_t length);
