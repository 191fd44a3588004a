// The image file of the 92/190 family: its parameter set (header and fixed-area offsets, section
// descriptors, pre-fill, cut, packet count and sumcheck rules), the part-number text with the
// image label, and the writer of the 98-byte header and the fixed area's blocks.
#pragma once

#include <cstdint>
#include <string>

#include "gen/image/ImageHeader.h"
#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

class Image;

extern const ImageParams ImageParams92;
// The type names of SUA(b) areas of the model-92 compiler (code 7 "Unknown Type", no ADIZ).
extern const char* const kSuaTypesB92[16];
// The airport field of an SUA(a) area without an airport in the family's SUA.DAT.
constexpr uint32_t kSuaNoAirport92 = 32768;

constexpr uint32_t kImage92HeaderSize = 98;
constexpr uint32_t kImage92DataStartBlock = 240;
constexpr uint32_t kImage92CountryStart = 2060;
constexpr uint32_t kImage92Size = 0x180000;
constexpr uint32_t kImage92VlrPointer = 353;  // in the APT information block
constexpr uint32_t kImage92LabelLength = 20;

// The 20-character label: three blanks and the title, upper-cased, padded with blanks and cut
// at 20.
std::string ImageLabel92(const std::string& title);
// "%s006-D0011-03" of the label.
std::string PartNumberText92(const std::string& label);

struct Header92Input {
    std::string label;              // ImageLabel92
    ImageDate date;
    const TccSectionHeader* tcc = nullptr;  // null: no FSS/TCC section
    const SuaSectionHeader* sua = nullptr;  // null: no SUA section
};

// Places the airspace sections behind the VOR grid cells (FSS/TCC first), then writes the header
// (bytes 0-97; sumcheck bytes and packet count 0), the data-start block, the VLR pointer, the
// pointer and name-index blocks of the four sections and the FSS, TCC and SUA header blocks.
// Bytes 98-239 and unused fixed-area bytes keep the pre-fill. A value that does not fit its
// field is an error naming it.
ImageResult WriteImageHeader92(Image& image, const Header92Input& input, AppendedPositions* positions);
