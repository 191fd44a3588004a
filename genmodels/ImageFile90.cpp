#include "genmodels/ImageFile90.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/CLocale.h"
#include "common/PartNumber.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"
#include "gen/image/ImageLayout.h"
#include "gen/image/Sumcheck.h"
#include "genmodels/ImageFile92.h"
#include "genmodels/PointRecords92.h"

namespace {

constexpr uint32_t kCountryRefBlock = 77;
constexpr uint32_t kCycleOffset = 9;
constexpr uint32_t kPartNumberOffset = 26;
constexpr uint32_t kZeroField = 23;  // three zero bytes after the dates
constexpr uint32_t kPointerBlock = 50;
constexpr uint32_t kSuaPointer = 68;
constexpr uint32_t kSparePointers = 71;
constexpr uint32_t kDateSize = 4;
constexpr uint32_t kTail = 330;
constexpr uint32_t kXlLimit = 0x100000;
constexpr uint32_t kLimit = 0xC0000;
constexpr uint32_t kCountryStartXl = 1482;
constexpr uint32_t kCountryStart = 1880;
constexpr uint32_t kVorInfoXl = 1113;
constexpr uint32_t kVorInfo = 1534;
constexpr uint32_t kMaxChunks = 5;
constexpr int kPartNumber90 = 9;

uint32_t NoPackets(uint32_t) { return 0; }

void AssembleChunkChecks90(const SumcheckMethod&, const uint8_t* checks, uint32_t imageEnd, uint8_t* field) {
    const uint32_t n = std::min(SumcheckChunks90(imageEnd), kMaxChunks);
    field[0] = static_cast<uint8_t>(n);
    std::copy(checks, checks + n, field + 1);
}

constexpr SectionParams Section90(const char* name, uint32_t pointer, uint32_t info, uint32_t size, bool names,
                                  uint32_t low, uint32_t facilityHigh, uint32_t cityHigh, uint32_t facilityStart,
                                  uint32_t cityStart, uint32_t absentStart, uint32_t country, uint32_t identLast,
                                  uint32_t identLength, uint32_t detail) {
    return {name, pointer, info, size, names, low, facilityHigh, cityHigh, facilityStart, cityStart, absentStart,
            country, identLast, identLength, detail};
}

// The chunk count and the first four chunk checks.
std::string SumcheckReport90(const uint8_t* head) {
    return StringFormatC("Sumcheck bytes set to %d, %02x, %02x, %02x, %02x ", head[0], head[1], head[2], head[3], head[4]);
}

constexpr ImageParams Params90(bool xl) {
    const uint32_t limit = xl ? kXlLimit : kLimit;
    return {
        1, kPartNumber90, false,
        kImage90HeaderSize, kCycleOffset, kPartNumberOffset, kZeroField, kPointerBlock, kCountryRefBlock,
        kCountryRefBlock,
        0, 0, xl ? kImage90SuaBlock : kAbsent24, xl ? kCountryStartXl : kCountryStart, 9, 18,
        18, 0x40000,
        limit, limit, limit, nullptr, 0, nullptr,
        kImage90Chunk, CutLength90, NoPackets,
        {kImage90SumcheckField, kImage90Chunk, kMaxChunks, AssembleChunkChecks90},
        {Section90("APT", 56, 82, 18, true, 12, 58, 56, 66, 69, 0, 9, 11, 4, 16),
         Section90("INT", 59, 431, 9, false, 0, 0, 0, 0, 0, 7, 8, 7, 5, 0),
         Section90("NDB", 62, 767, 15, true, 10, 112, 118, 42, 115, 7, 7, 6, 3, 0),
         Section90("VOR", 65, xl ? kVorInfoXl : kVorInfo, 14, true, 8, 96, 102, 42, 99, 7, 7, 6, 3, 0)},
        AptEntryOffset92,
        ReadImageLayout90,
        kSuaTypesB92,
        kSuaNoAirport92,
        SumcheckReport90,
    };
}

void PutDate(uint8_t* p, const ImageDate& d) {
    p[0] = static_cast<uint8_t>(d.month);
    p[1] = static_cast<uint8_t>(d.day);
    PutU16(p + 2, static_cast<uint32_t>(d.year));
}

// Writes 24-bit starts and 16-bit counts, the first that does not fit its field named.
class Fields {
public:
    explicit Fields(Image& image) : image_(image) {}
    void U24(uint32_t at, uint32_t value, const char* what) {
        if (!result_) return;
        if (value > 0xFFFFFF) {
            result_ = ImageResult::Data(StringFormatC("Header: %s %lx does not fit its 24-bit field", what,
                                                      static_cast<unsigned long>(value)));
            return;
        }
        result_ = image_.WriteU24(at, value);
    }
    void U16(uint32_t at, uint32_t value, const char* what) {
        if (!result_) return;
        if (value > 0xFFFF) {
            result_ = ImageResult::Data(StringFormatC("Header: %s %u does not fit its 16-bit field (limit 65535)", what,
                                                      value));
            return;
        }
        result_ = image_.WriteU16(at, value);
    }
    const ImageResult& Result() const { return result_; }

private:
    Image& image_;
    ImageResult result_ = ImageResult::Ok();
};

}  // namespace

constinit const ImageParams ImageParams90Xl = Params90(true);
constinit const ImageParams ImageParams90 = Params90(false);

uint32_t Image90Limit(bool xl) { return xl ? kXlLimit : kLimit; }

std::string ImageLabel90(const std::string& title) {
    std::string label;
    for (char ch : title) {
        const auto c = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(ch)));
        label += (c >= 0x20 && c < 0x60) ? static_cast<char>(c) : ' ';
    }
    label.resize(kImage90LabelLength, ' ');
    return label;
}

std::string PartNumberText90(const std::string& label, bool airspace) {
    return label + "006-D000" + (airspace ? "9-XX" : "4-02");
}

ImageResult WriteImageHeader90(Image& image, const Header90Input& input, uint32_t* suaPosition) {
    ImageLayout& layout = image.Layout();
    layout.Compute();
    const uint32_t end = layout.ImageEnd();
    const bool airspace = input.sua != nullptr;

    uint8_t head[kImage90HeaderSize] = {};
    PutU16(head + kCycleOffset, ImageCycle(input.date));
    for (uint32_t i = 0; i < 3; ++i) PutDate(head + kCycleOffset + 2 + kDateSize * i, input.date);
    PackPartNumber(head + kPartNumberOffset, PartNumberText90(input.label, airspace));
    PutU16(head + kPointerBlock, kCountryRefBlock);
    if (layout.namesStart > 0xFFFFFF) return ImageResult::Data("Header: names table start does not fit its field");
    PutU24(head + kPointerBlock + kPtrNames, layout.namesStart);
    for (int s = 0; s < kSectionCount; ++s) PutU24(head + kPointerBlock + kPtrInfoApt + 3 * s, layout.sections[s].infoStart);
    PutU24(head + kSuaPointer, airspace ? kImage90SuaBlock : kAbsent90);
    PutU24(head + kSparePointers, kAbsent90);
    PutU24(head + kSparePointers + 3, kAbsent90);
    if (ImageResult r = image.Write(0, head, sizeof head); !r) return r;

    Fields f(image);
    f.U16(kCountryRefBlock, layout.countryCount, "country count");
    f.U24(kCountryRefBlock + 2, layout.countryStart, "country table start");
    f.U24(kImage90DetailPointer, layout.detailStart, "rwy/com table start");
    for (const SectionDescriptor& d : layout.sections) {
        const uint32_t tail = d.infoStart + kTail;
        f.U24(tail, d.gridIndexStart, "latitude index start");
        f.U24(tail + 3, d.recordsStart, "records start");
        if (!d.params->hasNames) continue;
        f.U16(tail + 6, d.recordCount, "record count");
        f.U24(tail + 8, d.cityIndexStart, "city index start");
        f.U16(tail + 11, d.recordCount, "record count");
        f.U24(tail + 13, d.facilityIndexStart, "facility index start");
    }
    if (!f.Result()) return f.Result();

    if (!airspace) {
        const std::vector<uint8_t> zeros(kImage90ZeroLength, 0);
        return image.Write(kImage90ZeroStart, zeros.data(), zeros.size());
    }
    const AppendedPositions placed = PlaceAppendedSections(layout, nullptr, input.sua);
    if (suaPosition) *suaPosition = placed.sua;
    uint8_t block[23];
    if (ImageResult r = EncodeSuaBlock(*input.sua, end, block); !r) return r;
    return image.Write(kImage90SuaBlock, block, sizeof block);
}

ImageResult ReadImageLayout90(const Image& image, ImageLayout* layout, uint32_t* tccBlock, uint32_t* suaBlock) {
    const uint64_t fileLength = image.FileLength();
    if (fileLength < kCountryStartXl) return DamagedImage(StringFormatC("%s is too short for an image", image.Path().c_str()));
    auto inside = [&](uint64_t start, uint64_t length, const char* what) -> ImageResult {
        if (start + length <= fileLength) return ImageResult::Ok();
        return DamagedImage(StringFormatC("%s at %llx lies outside the file", what, static_cast<unsigned long long>(start)));
    };
    const uint32_t sua = image.ReadU24(kSuaPointer);
    const bool airspace = sua != kAbsent90;
    if (airspace && sua != kImage90SuaBlock) return DamagedImage(StringFormatC("the SUA pointer is %x", sua));
    *layout = ImageLayout(airspace ? ImageParams90Xl : ImageParams90);
    layout->SetFixed(false, airspace);
    *tccBlock = kAbsent24;
    *suaBlock = airspace ? kImage90SuaBlock : kAbsent24;
    for (int s = 0; s < kSectionCount; ++s) {
        const uint32_t info = image.ReadU24(kPointerBlock + kPtrInfoApt + 3 * s);
        if (info != layout->sections[s].infoStart) {
            return DamagedImage(StringFormatC("the %s area pointer is %x", layout->sections[s].params->name, info));
        }
    }
    layout->countryCount = image.ReadU16(kCountryRefBlock);
    layout->countryStart = image.ReadU24(kCountryRefBlock + 2);
    if (ImageResult r = inside(layout->countryStart, uint64_t{kCountryRecordSize} * layout->countryCount, "country table"); !r) {
        return r;
    }
    layout->namesStart = image.ReadU24(kPointerBlock + kPtrNames);
    layout->detailStart = image.ReadU24(kImage90DetailPointer);
    if (layout->detailStart < layout->namesStart || layout->detailStart > fileLength) {
        return DamagedImage("names table bounds out of order");
    }
    layout->namesLength = layout->detailStart - layout->namesStart;
    for (SectionDescriptor& d : layout->sections) {
        const uint32_t tail = d.infoStart + kTail;
        d.recordCount = image.ReadU16(d.infoStart + kInfoRecordCount);
        d.gridIndexStart = image.ReadU24(tail);
        d.recordsStart = image.ReadU24(tail + 3);
        d.cellCount = 0;
        d.cellsStart = d.gridIndexStart + 2 * d.recordCount;
        if (d.params->hasNames) {
            d.cityCount = d.recordCount;
            d.cityIndexStart = image.ReadU24(tail + 8);
            d.facilityIndexStart = image.ReadU24(tail + 13);
            if (image.ReadU16(tail + 6) != d.recordCount || image.ReadU16(tail + 11) != d.recordCount) {
                return DamagedImage(StringFormatC("the %s index counts differ from its record count", d.params->name));
            }
        } else {
            d.cityIndexStart = d.facilityIndexStart = d.recordsStart;
        }
        if (ImageResult r = inside(d.recordsStart, uint64_t{d.params->recordSize} * d.recordCount, "records"); !r) return r;
        if (ImageResult r = inside(d.gridIndexStart, 2ull * d.recordCount, "latitude index"); !r) return r;
        if (ImageResult r = inside(d.cityIndexStart, 2ull * d.cityCount, "city index"); !r) return r;
        if (ImageResult r = inside(d.facilityIndexStart, 2ull * d.cityCount, "facility index"); !r) return r;
    }
    // The rwy/com table ends where the first kind's area begins.
    const SectionDescriptor& apt = layout->sections[kSectionApt];
    const uint32_t detailEnd = apt.params->hasNames ? apt.facilityIndexStart : apt.recordsStart;
    if (detailEnd < layout->detailStart) return DamagedImage("the rwy/com table bounds are out of order");
    layout->detailLength = detailEnd - layout->detailStart;
    return ImageResult::Ok();
}

uint32_t SumcheckChunks90(uint32_t imageEnd) { return imageEnd / kImage90Chunk + 1; }

uint8_t ChunkCheck90(const uint8_t* data, size_t size, uint32_t chunk) {
    const size_t start = size_t{chunk} * kImage90Chunk;
    if (start >= size) return 0;
    const size_t skip = chunk == 0 ? std::min<size_t>(size, kImage90SumcheckField) : 0;
    return ChunkCheck(data + start, std::min<size_t>(size - start, kImage90Chunk), skip);
}

std::vector<uint8_t> SumcheckField90(const uint8_t* data, size_t size, uint32_t imageEnd) {
    std::vector<uint8_t> field(kImage90SumcheckField, 0);
    const uint32_t n = std::min(SumcheckChunks90(imageEnd), kMaxChunks);
    field[0] = static_cast<uint8_t>(n);
    for (uint32_t i = 0; i < n; ++i) field[1 + i] = ChunkCheck90(data, size, i);
    return field;
}

uint64_t CutLength90(const ImageParams&, uint32_t imageEnd, uint64_t fileLength) {
    const uint64_t cut = (uint64_t{imageEnd} & ~uint64_t{kImage90Chunk - 1}) + kImage90Chunk;
    return cut < fileLength ? cut : fileLength;
}
