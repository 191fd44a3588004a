#include "gen/image/ImageHeader.h"

#include <algorithm>
#include <ctime>
#include <cstring>

#include "common/CLocale.h"
#include "gen/image/Image.h"
#include "gen/image/ImageLayout.h"
#include "common/PartNumber.h"

namespace {

constexpr uint32_t kDateSize = 4;
constexpr uint32_t kTccBlockA = 8;
constexpr uint32_t kTccBlockB = 26;
constexpr uint32_t kSuaBlock = 23;
constexpr uint32_t kFssTccEntry = 23;   // block B: entries of table m
constexpr uint32_t kTccGridNumber = 2;  // block B: grid record numbers
constexpr uint32_t kTccFrequency = 6;   // block B: TCC frequency words
constexpr uint32_t kDataStartBlock = 5;

// Sequential little-endian writer over a fixed buffer that reports fields too small for
// their value.
class FieldWriter {
public:
    FieldWriter(uint8_t* buf, const char* what) : buf_(buf), what_(what) {}
    void U16(uint32_t v, const char* field) {
        if (v > 0xFFFF) Fail(v, 0xFFFF, field);
        PutU16(buf_ + at_, v);
        at_ += 2;
    }
    void U24(uint32_t v, const char* field) {
        if (v >= kAbsent24) Fail(v, kAbsent24 - 1, field);
        PutU24(buf_ + at_, v);
        at_ += 3;
    }
    void Absent24() {
        PutU24(buf_ + at_, kAbsent24);
        at_ += 3;
    }
    ImageResult Result() const { return result_; }

private:
    void Fail(uint32_t v, uint32_t limit, const char* field) {
        if (!result_.ok()) return;
        result_ = ImageResult::Data(StringFormatC("%s: %s %lx does not fit its field (limit %lx)", what_, field,
                                                  static_cast<unsigned long>(v), static_cast<unsigned long>(limit)));
    }
    uint8_t* buf_;
    const char* what_;
    size_t at_ = 0;
    ImageResult result_;
};

void PutDate(uint8_t* p, const ImageDate& d) {
    p[0] = static_cast<uint8_t>(d.month);
    p[1] = static_cast<uint8_t>(d.day);
    PutU16(p + 2, static_cast<uint32_t>(d.year));
}

ImageDate GetDate(const uint8_t* p) { return {p[0], p[1], static_cast<int>(GetU16(p + 2))}; }

}  // namespace

ImageResult EncodeSectionBlocks(const SectionDescriptor& s, uint8_t* pointerBlock, uint8_t* nameBlock) {
    FieldWriter w(pointerBlock, s.params->name);
    w.U16(s.cellCount, "grid cell count");
    w.U24(s.cellsStart, "grid cell start");
    w.U16(s.recordCount, "record count");
    w.U24(s.gridIndexStart, "grid index start");
    w.U24(s.recordsStart, "record start");
    if (!w.Result().ok() || !s.params->hasNames) return w.Result();
    FieldWriter n(nameBlock, s.params->name);
    n.U16(s.cityCount, "city index count");
    n.U24(s.cityIndexStart, "city index start");
    n.U16(s.recordCount, "facility index count");
    n.U24(s.facilityIndexStart, "facility index start");
    return n.Result();
}

ImageDate TodayLocal() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900};
}

uint32_t ImageCycle(const ImageDate& date) {
    return static_cast<uint32_t>((date.year % 100) * 100 + date.month);
}

ImageResult EncodeTccBlocks(const ImageParams& params, const TccSectionHeader& tcc, uint32_t position,
                            uint8_t blockA[8], uint8_t blockB[26]) {
    uint32_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = tcc.v[i] + position;
    for (int i = 1; i < 8; ++i) {
        if (tcc.v[i] > tcc.v[0] || (i > 1 && tcc.v[i] < tcc.v[i - 1])) {
            return ImageResult::Data("FSS/TCC section header values out of order");
        }
    }
    FieldWriter a(blockA, "FSS/TCC");
    a.U16((v[2] - v[1]) / params.fssRecordSize, "FSS count");
    a.U24(v[1], "FSS start");
    a.U24(position, "section start");
    if (!a.Result().ok()) return a.Result();
    FieldWriter b(blockB, "FSS/TCC");
    b.U16((tcc.v[0] - tcc.v[7]) / kFssTccEntry, "grid cell count");
    b.U24(v[7], "grid cell start");
    b.U16((v[7] - v[6]) / kTccGridNumber, "grid number count");
    b.U24(v[6], "grid number start");
    b.U16((v[6] - v[5]) / params.tccRecordSize, "TCC count");
    b.U24(v[5], "TCC start");
    b.U24(v[4], "byte list start");
    b.U16((v[4] - v[3]) / kTccFrequency, "vertex count");
    b.U24(v[3], "vertex start");
    b.U24(v[2], "frequency start");
    return b.Result();
}

ImageResult EncodeSuaBlock(const SuaSectionHeader& sua, uint32_t position, uint8_t block[23]) {
    using H = SuaSectionHeader;
    FieldWriter w(block, "SUA");
    const int counts[4] = {H::C0, H::C1, H::C2, H::C3};
    const int offsets[4] = {H::O0, H::O1, H::O2, H::O3};
    for (int i = 0; i < 4; ++i) {
        w.U16(sua.v[counts[i]], "count");
        w.U24(sua.v[offsets[i]] + position, "table start");
    }
    w.U24(sua.v[H::S] + position, "section start");
    return w.Result();
}

AppendedPositions PlaceAppendedSections(ImageLayout& layout, const TccSectionHeader* tcc,
                                        const SuaSectionHeader* sua) {
    // Appended sections go behind the VOR area, FSS/TCC first.
    AppendedPositions placed;
    layout.appendedLength = 0;
    if (tcc) {
        placed.tcc = layout.ImageEnd();
        layout.appendedLength += tcc->v[0];
    }
    if (sua) {
        placed.sua = layout.ImageEnd();
        layout.appendedLength += sua->v[SuaSectionHeader::L];
    }
    return placed;
}

ImageResult WriteSectionBlocks(Image& image, const TccSectionHeader* tcc, const SuaSectionHeader* sua,
                               const AppendedPositions& placed) {
    const ImageParams& p = image.Params();
    const ImageLayout& layout = image.Layout();
    for (const SectionDescriptor& s : layout.sections) {
        uint8_t pointerBlock[13];
        uint8_t nameBlock[10];
        if (ImageResult r = EncodeSectionBlocks(s, pointerBlock, nameBlock); !r) return r;
        if (ImageResult r = image.Write(s.infoStart + kInfoPointerBlock, pointerBlock, sizeof pointerBlock); !r) return r;
        if (s.params->hasNames) {
            if (ImageResult r = image.Write(s.infoStart + kInfoNameBlock, nameBlock, sizeof nameBlock); !r) return r;
        }
    }

    // FSS/TCC and SUA blocks.
    if (tcc) {
        uint8_t blockA[kTccBlockA];
        uint8_t blockB[kTccBlockB];
        if (ImageResult r = EncodeTccBlocks(p, *tcc, placed.tcc, blockA, blockB); !r) return r;
        if (ImageResult r = image.Write(p.fssBlockA, blockA, sizeof blockA); !r) return r;
        if (ImageResult r = image.Write(p.fssBlockB, blockB, sizeof blockB); !r) return r;
    }
    if (sua) {
        uint8_t block[kSuaBlock];
        if (ImageResult r = EncodeSuaBlock(*sua, placed.sua, block); !r) return r;
        if (ImageResult r = image.Write(p.suaBlock, block, sizeof block); !r) return r;
    }
    return ImageResult::Ok();
}

ImageResult WriteImageHeader(Image& image, const HeaderInput& input, AppendedPositions* positions) {
    const ImageParams& p = image.Params();
    ImageLayout& layout = image.Layout();
    layout.Compute();

    const AppendedPositions placed = PlaceAppendedSections(layout, input.tcc, input.sua);
    layout.fssBlockA = input.tcc ? p.fssBlockA : kAbsent24;
    layout.fssBlockB = input.tcc ? p.fssBlockB : kAbsent24;
    layout.suaBlock = input.sua ? p.suaBlock : kAbsent24;
    if (positions) *positions = placed;

    // Header and title page.
    std::vector<uint8_t> head(p.dataStart, 0);
    std::memset(head.data() + p.headerSize, kTitlePageFill, p.dataStart - p.headerSize);
    PutU16(&head[p.cycleOffset], ImageCycle(input.date));
    for (int i = 0; i < 3; ++i) PutDate(&head[p.cycleOffset + 2 + kDateSize * i], input.date);
    PackPartNumber(&head[p.partNumberOffset], MakePartNumberText(input.title, p.partNumber));
    for (uint32_t i = p.packetCountOffset + 2; i < p.pointerBlockOffset; ++i) head[i] = 0xFF;

    FieldWriter ptr(&head[p.pointerBlockOffset], "Header");
    ptr.U24(p.dataStart, "data start");
    ptr.U24(layout.namesStart, "names table start");
    for (int s = 0; s < kSectionCount; ++s) ptr.U24(layout.sections[s].infoStart, "info area");
    ptr.Absent24();
    if (input.tcc) {
        ptr.U24(layout.fssBlockA, "FSS/TCC block");
        ptr.U24(layout.fssBlockB, "FSS/TCC block");
    } else {
        ptr.Absent24();
        ptr.Absent24();
    }
    if (input.sua) ptr.U24(layout.suaBlock, "SUA block"); else ptr.Absent24();
    ptr.Absent24();
    ptr.Absent24();
    if (!ptr.Result().ok()) return ptr.Result();
    for (int s = 0; s < kSectionCount; ++s) {
        if (p.sections[s].infoPointerOffset != p.pointerBlockOffset + kPtrInfoApt + 3 * s) {
            return ImageResult::Internal("Program error: info-area pointer out of place");
        }
    }
    const size_t titleRoom = p.dataStart - p.titleOffset;
    std::memcpy(&head[p.titleOffset], input.title.data(), std::min(input.title.size(), titleRoom));
    if (ImageResult r = image.Write(0, head.data(), head.size()); !r) return r;

    // Data start block.
    uint8_t dataBlock[kDataStartBlock];
    FieldWriter d(dataBlock, "Country table");
    d.U16(layout.countryCount, "country count");
    d.U24(layout.countryStart, "start");
    if (!d.Result().ok()) return d.Result();
    if (ImageResult r = image.Write(p.dataStart, dataBlock, sizeof dataBlock); !r) return r;

    // Airport block.
    uint8_t airportBlock[8];
    FieldWriter a(airportBlock, "APT");
    a.U24(layout.detailStart, "rwy/com/appr table start");
    if (p.approaches && layout.approachIdCount > 0) {
        if (layout.approachIdCount >= 0xFFFF) {
            return ImageResult::Data(StringFormatC("Too many approach IDs: %u (limit 65534)", layout.approachIdCount));
        }
        a.U16(layout.approachIdCount, "approach ID count");
        a.U24(layout.approachIdStart, "approach ID table start");
    } else {
        a.U16(0xFFFF, "approach ID count");
        a.Absent24();
    }
    if (!a.Result().ok()) return a.Result();
    const uint32_t aptInfo = layout.sections[kSectionApt].infoStart;
    if (ImageResult r = image.Write(aptInfo + kInfoAirportBlock, airportBlock, sizeof airportBlock); !r) return r;

    return WriteSectionBlocks(image, input.tcc, input.sua, placed);
}

ImageResult ReadImageHeader(const Image& image, ImageHeader* header) {
    const ImageParams& p = image.Params();
    // The pointer block may end behind the data start (a family whose fixed area begins early).
    std::vector<uint8_t> head(std::max<size_t>(p.dataStart, p.pointerBlockOffset + kPointerBlockLength), 0xFF);
    if (image.Read(0, head.data(), head.size()) != static_cast<long>(head.size())) {
        return ImageResult::Data(StringFormatC("%s is too short for an image", image.Path().c_str()));
    }
    ImageHeader h;
    h.sumcheck.assign(head.begin(), head.begin() + p.sumcheck.fieldLength);
    h.cycle = GetU16(&head[p.cycleOffset]);
    h.validFrom = GetDate(&head[p.cycleOffset + 2]);
    h.validTo = GetDate(&head[p.cycleOffset + 2 + kDateSize]);
    h.created = GetDate(&head[p.cycleOffset + 2 + 2 * kDateSize]);
    h.partNumberText = UnpackPartNumberText(&head[p.partNumberOffset]);
    h.partNumber = DecodePartNumber(head.data(), head.size(), p.partNumberOffset);
    h.packetCount = GetU16(&head[p.packetCountOffset]);
    for (uint32_t i = 0; i < kPointerBlockLength / 3; ++i) h.pointers[i] = GetU24(&head[p.pointerBlockOffset + 3 * i]);
    h.title.assign(reinterpret_cast<const char*>(&head[p.titleOffset]), p.dataStart - p.titleOffset);
    while (!h.title.empty() && (h.title.back() == ' ' || h.title.back() == '\0')) h.title.pop_back();
    *header = std::move(h);
    return ImageResult::Ok();
}

ImageResult ReadImageLayout(const Image& image, ImageLayout* layout) {
    const uint64_t fileLength = image.FileLength();
    ImageHeader header;
    if (ImageResult r = ReadImageHeader(image, &header); !r) return r;
    auto inside = [&](uint64_t start, uint64_t length, const char* what) -> ImageResult {
        if (start + length > fileLength) {
            return ImageResult::Data(StringFormatC("Damaged image: %s at %llx lies outside the file", what,
                                                   static_cast<unsigned long long>(start)));
        }
        return ImageResult::Ok();
    };
    layout->SetFixed(header.Pointer(kPtrFssBlockA) != kAbsent24, header.Pointer(kPtrSuaBlock) != kAbsent24);

    const uint32_t dataStart = header.Pointer(kPtrDataStart);
    if (ImageResult r = inside(dataStart, kDataStartBlock, "data start block"); !r) return r;
    layout->countryCount = image.ReadU16(dataStart);
    layout->countryStart = image.ReadU24(dataStart + 2);
    if (ImageResult r = inside(layout->countryStart, uint64_t{kCountryRecordSize} * layout->countryCount,
                               "country table");
        !r) {
        return r;
    }
    layout->namesStart = header.Pointer(kPtrNames);

    for (int s = 0; s < kSectionCount; ++s) {
        SectionDescriptor& d = layout->sections[s];
        d.infoStart = header.Pointer(static_cast<HeaderPointer>(kPtrInfoApt + 3 * s));
        const uint32_t infoLength = s == kSectionApt ? kInfoAirportBlock + 8
                                    : d.params->hasNames ? kInfoNameBlock + 10 : kInfoNameBlock;
        if (ImageResult r = inside(d.infoStart, infoLength, d.params->name); !r) return r;
        d.recordCount = image.ReadU16(d.infoStart + kInfoRecordCount);
        const uint32_t block = d.infoStart + kInfoPointerBlock;
        d.cellCount = image.ReadU16(block);
        d.cellsStart = image.ReadU24(block + 2);
        d.gridIndexStart = image.ReadU24(block + 7);
        d.recordsStart = image.ReadU24(block + 10);
        if (d.params->hasNames) {
            const uint32_t names = d.infoStart + kInfoNameBlock;
            d.cityCount = image.ReadU16(names);
            d.cityIndexStart = image.ReadU24(names + 2);
            d.facilityIndexStart = image.ReadU24(names + 7);
        } else {
            d.cityIndexStart = d.facilityIndexStart = d.recordsStart;
        }
        if (ImageResult r = inside(d.recordsStart, uint64_t{d.params->recordSize} * d.recordCount, "records"); !r) return r;
        if (ImageResult r = inside(d.gridIndexStart, 2ull * d.recordCount, "grid index"); !r) return r;
        if (ImageResult r = inside(d.cellsStart, uint64_t{kGridCellSize} * d.cellCount, "grid cells"); !r) return r;
        if (ImageResult r = inside(d.cityIndexStart, 2ull * d.cityCount, "city index"); !r) return r;
        if (d.params->hasNames) {
            if (ImageResult r = inside(d.facilityIndexStart, 2ull * d.recordCount, "facility index"); !r) return r;
        }
    }

    const uint32_t airport = layout->sections[kSectionApt].infoStart + kInfoAirportBlock;
    layout->detailStart = image.ReadU24(airport);
    const uint32_t approachCount = image.ReadU16(airport + 3);
    const uint32_t approachStart = image.ReadU24(airport + 5);
    // A family without approaches has no approach ID table (its airport block may end sooner).
    const bool noApproaches = !image.Params().approaches;
    layout->approachIdCount =
        (noApproaches || approachCount >= 0xFFFF || approachStart == kAbsent24) ? 0 : approachCount;
    layout->approachIdStart = layout->approachIdCount ? approachStart : kAbsent24;
    const uint32_t namesEnd = layout->approachIdCount ? layout->approachIdStart : layout->detailStart;
    if (namesEnd < layout->namesStart || namesEnd > fileLength) {
        return ImageResult::Data("Damaged image: names table bounds out of order");
    }
    layout->namesLength = namesEnd - layout->namesStart;
    if (ImageResult r = inside(layout->approachIdCount ? layout->approachIdStart : 0,
                               uint64_t{kApproachIdSize} * layout->approachIdCount, "approach ID table");
        !r) {
        return r;
    }
    const uint32_t aptAreaStart = layout->sections[kSectionApt].facilityIndexStart;
    layout->detailLength = aptAreaStart >= layout->detailStart ? aptAreaStart - layout->detailStart : 0;
    return ImageResult::Ok();
}

std::string DescribeBlock(const Image& image, uint32_t start, uint32_t length) {
    std::vector<uint8_t> bytes(length, 0);
    const long n = image.Read(start, bytes.data(), length);
    uint32_t sum = 0;
    for (long i = 0; i < n; ++i) sum += bytes[static_cast<size_t>(i)];
    return StringFormatC("st=%06lx, len=%04x, sc=%04x ", static_cast<unsigned long>(start), length, sum & 0xFFFF);
}
