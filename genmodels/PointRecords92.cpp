#include "genmodels/PointRecords92.h"

#include <cstring>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/Image.h"
#include "genmodels/OlderModelCoding.h"

namespace {

constexpr uint32_t kAfuelBits = 0x3E;
constexpr uint32_t kVlrHighBit = 64;     // stream bits 64-65
constexpr uint32_t kElevationHighBit = 60;
constexpr uint32_t kVlrLowByte = 16;

std::string RecordName(const PointRecordInput& in) { return "\"" + TrimmedIdent(in.ident) + "\""; }

ImageResult EncodeCommon92(const ImageParams& params, int section, const PointRecordInput& in, uint8_t* out) {
    const SectionParams& s = params.sections[section];
    std::memset(out, 0, s.recordSize);
    PackPosition(out, in.lat, in.lon);
    if (ImageResult r = PackOlderIdent(s, in.ident, out); !r) return r;
    return PackNameFields(params, s, in.facility, in.city, in.countryIndex, out, in.ident);
}

}  // namespace

ImageResult EncodeAptRecord92(const ImageParams& params, const AptRecordInput& in, uint8_t tableFlags, uint8_t* out) {
    if (in.detailIsOffset && in.detailValue >= kVlrOffsetLimit92) {
        return ImageResult::Data(StringFormatC("APT %s: VLR offset %lx does not fit its 18-bit field (limit 3ffff)",
                                               RecordName(in).c_str(), static_cast<unsigned long>(in.detailValue)));
    }
    if (ImageResult r = EncodeCommon92(params, kSectionApt, in, out); !r) return r;
    out[5] |= static_cast<uint8_t>((static_cast<uint32_t>(in.afuel) & kAfuelBits) | (tableFlags & 0xC0));
    const uint32_t elevation = OlderElevationCode(in.aheight);
    out[6] = static_cast<uint8_t>(elevation);
    PutBits(kElevationHighBit, 4, out, elevation >> 8);
    if (in.detailIsOffset) PutBits(kVlrHighBit, 2, out, in.detailValue >> 16);
    PutU16(out + kVlrLowByte, in.detailValue & 0xFFFF);
    return ImageResult::Ok();
}

ImageResult EncodeVorRecord92(const ImageParams& params, const VorRecordInput& in, uint8_t* out) {
    uint8_t code = 0;
    if (!OlderVorFrequencyByte(in.vfreq, &code)) {
        return ImageResult::Data(StringFormatC("VOR %s: frequency %d does not fit the frequency byte (108.00 to 120.75 MHz)",
                                               RecordName(in).c_str(), in.vfreq));
    }
    if (ImageResult r = EncodeCommon92(params, kSectionVor, in, out); !r) return r;
    const auto dme = static_cast<uint32_t>(in.vdme);
    out[5] |= static_cast<uint8_t>(dme & 6);
    out[12] |= static_cast<uint8_t>((dme & 1) << 5);
    out[13] = code;
    return ImageResult::Ok();
}

uint32_t AptVlrOffset92(const uint8_t* record) {
    return GetBits(kVlrHighBit, 2, record) << 16 | GetU16(record + kVlrLowByte);
}

bool AptEntryOffset92(const uint8_t* record, uint32_t* offset) {
    if (!(record[5] & kAptHasVlr92)) return false;
    *offset = AptVlrOffset92(record);
    return true;
}
