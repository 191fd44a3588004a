#include "genmodels/ImageFile92.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "common/PartNumber.h"
#include "gen/image/Image.h"
#include "gen/image/ImageCut.h"
#include "gen/image/ImageLayout.h"
#include "gen/image/PacketCount.h"
#include "gen/image/Sumcheck.h"
#include "genmodels/PointRecords92.h"

namespace {

// Records of the 92/190 family: 18-bit name pointers, VOR records of 14 bytes.
constexpr SectionParams kApt92 = {"APT", 68, 245, 18, true, 12, 58, 56, 66, 69, 0, 9, 11, 4, 16};
constexpr SectionParams kInt92 = {"INT", 71, 601, 9, false, 0, 0, 0, 0, 0, 7, 8, 7, 5, 0};
constexpr SectionParams kNdb92 = {"NDB", 74, 944, 15, true, 10, 112, 118, 42, 115, 7, 7, 6, 3, 0};
constexpr SectionParams kVor92 = {"VOR", 77, 1297, 14, true, 8, 96, 102, 42, 99, 7, 7, 6, 3, 0};

constexpr int kPartNumber92 = 11;
constexpr uint32_t kDateSize = 4;

void PutDate(uint8_t* p, const ImageDate& d) {
    p[0] = static_cast<uint8_t>(d.month);
    p[1] = static_cast<uint8_t>(d.day);
    PutU16(p + 2, static_cast<uint32_t>(d.year));
}

ImageResult PutPointer(uint8_t* p, uint32_t value, const char* what) {
    if (value >= kAbsent24) {
        return ImageResult::Data(StringFormatC("Header: %s %lx does not fit its field (limit %lx)", what,
                                               static_cast<unsigned long>(value),
                                               static_cast<unsigned long>(kAbsent24 - 1)));
    }
    PutU24(p, value);
    return ImageResult::Ok();
}

}  // namespace

// The family's type names of SUA(b) areas: code 7 is "Unknown Type", and there is no ADIZ.
constinit const char* const kSuaTypesB92[16] = {
    "Alert Area", "Caution Area", "Danger Area", "MOA", "Prohibited Area", "Restricted Area", "Training Area",
    "Unknown Type", "Warning Area", "Mode C Veil", "Mode-C Veil", "Unknown AreaB", "Unknown AreaC", "Unknown AreaD",
    "Unknown AreaE", "Unknown AreaF",
};

constinit const ImageParams ImageParams92 = {
    5, kPartNumber92, false,
    kImage92HeaderSize, 12, 29, 53, 62, kImage92DataStartBlock, kImage92DataStartBlock,
    2003, 2011, 2037, kImage92CountryStart, 9, 18,
    18, 0x40000,
    kImage92Size, kImage92Size, kImage92Size, nullptr, 0, nullptr,
    0x20000, CutBehindImageEnd, PacketCountBlocks,
    {12, 0x20000, 12, AssembleChunkChecks},
    {kApt92, kInt92, kNdb92, kVor92},
    AptEntryOffset92,
    nullptr,
    kSuaTypesB92,
    kSuaNoAirport92,
};

std::string ImageLabel92(const std::string& title) {
    return MakePartNumberText(title, kPartNumber92).substr(0, kImage92LabelLength);
}

std::string PartNumberText92(const std::string& label) { return label + "006-D0011-03"; }

ImageResult WriteImageHeader92(Image& image, const Header92Input& input, AppendedPositions* positions) {
    const ImageParams& p = image.Params();
    ImageLayout& layout = image.Layout();
    layout.Compute();

    const AppendedPositions placed = PlaceAppendedSections(layout, input.tcc, input.sua);
    if (positions) *positions = placed;

    uint8_t head[kImage92HeaderSize] = {};
    PutU16(head + p.cycleOffset, ImageCycle(input.date));
    for (uint32_t i = 0; i < 3; ++i) PutDate(head + p.cycleOffset + 2 + kDateSize * i, input.date);
    PackPartNumber(head + p.partNumberOffset, PartNumberText92(input.label));
    std::memset(head + p.packetCountOffset + 3, 0xFF, p.pointerBlockOffset - p.packetCountOffset - 3);
    uint8_t* ptr = head + p.pointerBlockOffset;
    PutU16(ptr + kPtrDataStart, p.dataStart);
    if (ImageResult r = PutPointer(ptr + kPtrNames, layout.namesStart, "names text start"); !r) return r;
    for (int s = 0; s < kSectionCount; ++s) PutU24(ptr + kPtrInfoApt + 3 * s, layout.sections[s].infoStart);
    PutU24(ptr + kPtrFifth, kAbsent24);
    PutU24(ptr + kPtrFssBlockA, input.tcc ? p.fssBlockA : kAbsent24);
    PutU24(ptr + kPtrFssBlockB, input.tcc ? p.fssBlockB : kAbsent24);
    PutU24(ptr + kPtrSuaBlock, input.sua ? p.suaBlock : kAbsent24);
    PutU24(ptr + kPtrSpare1, kAbsent24);
    PutU24(ptr + kPtrSpare2, kAbsent24);
    if (ImageResult r = image.Write(0, head, sizeof head); !r) return r;

    // Data-start block: the country count and table start.
    uint8_t dataBlock[5];
    if (layout.countryCount > 0xFFFF) return ImageResult::Data("Header: country count does not fit its field");
    PutU16(dataBlock, layout.countryCount);
    PutU24(dataBlock + 2, layout.countryStart);
    if (ImageResult r = image.Write(p.dataStart, dataBlock, sizeof dataBlock); !r) return r;

    uint8_t vlr[3];
    if (ImageResult r = PutPointer(vlr, layout.detailStart, "VLR start"); !r) return r;
    if (ImageResult r = image.Write(layout.sections[kSectionApt].infoStart + kImage92VlrPointer, vlr, sizeof vlr); !r) {
        return r;
    }
    return WriteSectionBlocks(image, input.tcc, input.sua, placed);
}
