#include "genmodels/ImageFile89.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include <fcntl.h>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "common/PartNumber.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/ImageLayout.h"
#include "gen/image/Sumcheck.h"
#include "genmodels/OlderModelCoding.h"
#include "platform/FileSystem.h"

namespace {

constexpr uint32_t kCountryRefBlock = 192;
constexpr uint32_t kCycleOffset = 1;
constexpr uint32_t kPartNumberOffset = 18;
constexpr uint32_t kZeroField = 15;
constexpr uint32_t kPointerBlock = 42;
constexpr uint32_t kGeoPointer = 51;
constexpr uint32_t kSparePointers = 54;
constexpr uint32_t kAptInfo = 197;
constexpr uint32_t kVorInfo = 533;
constexpr uint32_t kTail = 330;
constexpr uint32_t kDataStart = 1546;
// The family has no INT or NDB areas: their empty bucket tables are read from unused bytes of
// the fixed area, which stay 0xFF.
constexpr uint32_t kNoArea = 1200;
constexpr uint32_t kDateSize = 4;
constexpr size_t kGeoHeaderRead = 64;

uint32_t NoPackets(uint32_t) { return 0; }
bool NoEntries(const uint8_t*, uint32_t*) { return false; }
uint64_t KeepLength(const ImageParams&, uint32_t, uint64_t fileLength) { return fileLength; }

void PutDate(uint8_t* p, const ImageDate& d) {
    p[0] = static_cast<uint8_t>(d.month);
    p[1] = static_cast<uint8_t>(d.day);
    PutU16(p + 2, static_cast<uint32_t>(d.year));
}

std::string RecordName(const PointRecordInput& in) { return "\"" + TrimmedIdent(in.ident) + "\""; }

ImageResult EncodeCommon89(const ImageParams& params, int section, const PointRecordInput& in, uint8_t* out) {
    const SectionParams& s = params.sections[section];
    std::memset(out, 0, s.recordSize);
    PackPosition(out, in.lat, in.lon);
    if (ImageResult r = PackOlderIdent(s, in.ident, out); !r) return r;
    if (in.countryIndex >= kMaxCountries) {
        return ImageResult::Data(StringFormatC("%s %s: country index %u does not fit its byte (limit 255)", s.name,
                                               RecordName(in).c_str(), in.countryIndex));
    }
    out[s.countryByte] = static_cast<uint8_t>(in.countryIndex);
    return ImageResult::Ok();
}

std::string SumcheckReport89(const uint8_t* head) { return StringFormatC("Sumcheck byte set to %02x", head[0]); }

}  // namespace

// APT: ident length 4 ending at byte 9 (the string's third byte, always 0, then takes the
// country); VOR: ident length 3 ending at byte 6. No names, no INT or NDB records.
constinit const ImageParams ImageParams89 = {
    3, 10, false,
    kImage89HeaderSize, kCycleOffset, kPartNumberOffset, kZeroField, kPointerBlock, kCountryRefBlock, kCountryRefBlock,
    0, 0, kAbsent24, kDataStart, 9, 18,
    18, 0x40000,
    kImage89Size, kImage89DataLimit, kImage89DataLimit, nullptr, 0, nullptr,
    kImage89Size, KeepLength, NoPackets,
    {1, kImage89Size, 1, AssembleChunkChecks},
    {{"APT", 45, kAptInfo, 10, false, 0, 0, 0, 0, 0, 0, 7, 9, 4, 0},
     {"INT", 0, kNoArea, 9, false, 0, 0, 0, 0, 0, 0, 8, 7, 5, 0},
     {"NDB", 0, kNoArea, 9, false, 0, 0, 0, 0, 0, 0, 7, 6, 3, 0},
     {"VOR", 48, kVorInfo, 9, false, 0, 0, 0, 0, 0, 0, 7, 6, 3, 0}},
    NoEntries,
    ReadImageLayout89,
    nullptr,
    0xFFFF,
    SumcheckReport89,
};

std::string PartNumberText89(const std::string& title) {
    std::string label = "   ";
    for (char ch : title) {
        const auto c = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(ch)));
        label += (c >= 0x20 && c < 0x60) ? static_cast<char>(c) : ' ';
    }
    label.resize(20, ' ');
    return label + "006-D0010-00";
}

ImageResult EncodeAptRecord89(const ImageParams& params, const AptRecordInput& in, uint8_t* out) {
    if (ImageResult r = EncodeCommon89(params, kSectionApt, in, out); !r) return r;
    const uint32_t elevation = OlderElevationCode(in.aheight);
    out[5] |= static_cast<uint8_t>((static_cast<uint32_t>(in.afuel) & 0x0E) | ((elevation >> 8) & 15) << 4);
    out[6] = static_cast<uint8_t>(elevation);
    return ImageResult::Ok();
}

ImageResult EncodeVorRecord89(const ImageParams& params, const VorRecordInput& in, uint8_t* out) {
    uint8_t code = 0;
    if (!OlderVorFrequencyByte(in.vfreq, &code)) {
        return ImageResult::Data(StringFormatC("VOR %s: frequency %d does not fit the frequency byte (108.00 to 120.75 MHz)",
                                               RecordName(in).c_str(), in.vfreq));
    }
    if (ImageResult r = EncodeCommon89(params, kSectionVor, in, out); !r) return r;
    out[5] |= static_cast<uint8_t>(static_cast<uint32_t>(in.vdme) & 6);
    out[8] = code;
    return ImageResult::Ok();
}

int32_t AptElevation89(const uint8_t* record) {
    return OlderElevationFeet(record[6] | static_cast<uint32_t>(record[5] >> 4) << 8);
}

GeoFileState ReadGeoFile89(const std::string& path, GeoData89* geo) {
    const int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) return GeoFileState::Absent;
    const int64_t size = platform::FileSize(fd);
    std::string bytes(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    const long got = bytes.empty() ? 0 : platform::ReadAt(fd, bytes.data(), bytes.size(), 0);
    platform::CloseFile(fd);
    if (got != static_cast<long>(bytes.size())) return GeoFileState::Corrupt;
    const size_t head = std::min(bytes.size(), kGeoHeaderRead);
    const size_t mark = bytes.find('<');
    if (mark == std::string::npos || mark >= head) return GeoFileState::Corrupt;
    unsigned count = 0;
    char end = 0;
    const std::string text = bytes.substr(0, mark + 1);
    if (std::sscanf(text.c_str(), "%x%c", &count, &end) != 2 || end != '<') return GeoFileState::Corrupt;
    const size_t length = size_t{count} * kGeoRecordSize;
    if (bytes.size() - mark - 1 < length) return GeoFileState::Corrupt;
    geo->count = count;
    geo->records.assign(bytes.begin() + static_cast<long>(mark + 1), bytes.begin() + static_cast<long>(mark + 1 + length));
    return GeoFileState::Usable;
}

std::vector<uint8_t> GeoFileBytes89(uint32_t count, const uint8_t* records) {
    const std::string head = StringFormatC("%x<", count);
    std::vector<uint8_t> out(head.begin(), head.end());
    out.insert(out.end(), records, records + size_t{count} * kGeoRecordSize);
    return out;
}

ImageResult WriteImageHeader89(Image& image, const Header89Input& input, uint32_t* geoStart) {
    ImageLayout& layout = image.Layout();
    layout.appendedLength = 0;
    layout.Compute();
    uint8_t head[kImage89HeaderSize] = {};
    PutU16(head + kCycleOffset, ImageCycle(input.date));
    for (uint32_t i = 0; i < 3; ++i) PutDate(head + kCycleOffset + 2 + kDateSize * i, input.date);
    PackPartNumber(head + kPartNumberOffset, PartNumberText89(input.title));
    PutU16(head + kPointerBlock, kCountryRefBlock);
    PutU24(head + kPointerBlock + 3, kAptInfo);
    PutU24(head + kPointerBlock + 6, kVorInfo);
    PutU24(head + kGeoPointer, input.geo ? kImage89GeoBlock : kAbsent89);
    PutU24(head + kSparePointers, kAbsent89);
    PutU24(head + kSparePointers + 3, kAbsent89);
    if (ImageResult r = image.Write(0, head, sizeof head); !r) return r;
    if (layout.countryCount > 0xFFFF) return ImageResult::Data("Header: country count does not fit its field");
    uint8_t block[5];
    PutU16(block, layout.countryCount);
    PutU24(block + 2, layout.countryStart);
    if (ImageResult r = image.Write(kCountryRefBlock, block, sizeof block); !r) return r;
    for (int s : {kSectionApt, kSectionVor}) {
        const SectionDescriptor& d = layout.sections[s];
        uint8_t tail[6];
        PutU24(tail, d.gridIndexStart);
        PutU24(tail + 3, d.recordsStart);
        if (ImageResult r = image.Write(d.infoStart + kTail, tail, sizeof tail); !r) return r;
    }
    const uint32_t end = layout.ImageEnd();
    if (geoStart) *geoStart = end;
    if (!input.geo) return ImageResult::Ok();
    if (input.geo->count > 0xFFFF) return ImageResult::Data("Header: GEO record count does not fit its field");
    layout.appendedLength = kGeoRecordSize * input.geo->count;
    PutU16(block, input.geo->count);
    PutU24(block + 2, end);
    return image.Write(kImage89GeoBlock, block, sizeof block);
}

ImageResult ReadImageLayout89(const Image& image, ImageLayout* layout, uint32_t* tccBlock, uint32_t* suaBlock) {
    const uint64_t fileLength = image.FileLength();
    if (fileLength < kDataStart) return DamagedImage(StringFormatC("%s is too short for an image", image.Path().c_str()));
    auto inside = [&](uint64_t start, uint64_t length, const char* what) -> ImageResult {
        if (start + length <= fileLength) return ImageResult::Ok();
        return DamagedImage(StringFormatC("%s at %llx lies outside the file", what, static_cast<unsigned long long>(start)));
    };
    *layout = ImageLayout(ImageParams89);
    layout->SetFixed(false, false);
    *tccBlock = kAbsent24;
    *suaBlock = kAbsent24;
    layout->countryCount = image.ReadU16(kCountryRefBlock);
    layout->countryStart = image.ReadU24(kCountryRefBlock + 2);
    if (ImageResult r = inside(layout->countryStart, uint64_t{kCountryRecordSize} * layout->countryCount, "country table"); !r) {
        return r;
    }
    layout->namesStart = layout->detailStart = layout->countryStart + kCountryRecordSize * layout->countryCount;
    for (int s : {kSectionApt, kSectionVor}) {
        SectionDescriptor& d = layout->sections[s];
        d.recordCount = image.ReadU16(d.infoStart + kInfoRecordCount);
        d.gridIndexStart = image.ReadU24(d.infoStart + kTail);
        d.recordsStart = image.ReadU24(d.infoStart + kTail + 3);
        d.cityIndexStart = d.facilityIndexStart = d.recordsStart;
        d.cellsStart = d.gridIndexStart + 2 * d.recordCount;
        // The readers of the shared record code look up to 16 bytes into a record.
        if (ImageResult r = inside(d.recordsStart, uint64_t{d.params->recordSize} * d.recordCount + 16, "records"); !r) {
            return r;
        }
        if (ImageResult r = inside(d.gridIndexStart, 2ull * d.recordCount, "latitude index"); !r) return r;
    }
    uint32_t count = 0;
    uint32_t start = 0;
    if (GeoSection89(image, &count, &start)) {
        if (ImageResult r = inside(start, uint64_t{kGeoRecordSize} * count, "GEO section"); !r) return r;
    }
    return ImageResult::Ok();
}

bool GeoSection89(const Image& image, uint32_t* count, uint32_t* start) {
    if (image.ReadU24(kGeoPointer) != kImage89GeoBlock) return false;
    *count = image.ReadU16(kImage89GeoBlock);
    *start = image.ReadU24(kImage89GeoBlock + 2);
    return true;
}
