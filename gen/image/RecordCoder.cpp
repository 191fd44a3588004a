#include "gen/image/RecordCoder.h"

#include <cstring>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "dblib/dfAPTS.h"
#include "dblib/dfINTS.h"
#include "dblib/dfNDBS.h"
#include "dblib/dfVORS.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/PositionField.h"
#include "gen/image/SerialMap.h"

namespace {

constexpr uint32_t kDetailBits = 19;
constexpr uint32_t kMaxElevationCode = 0xFFF;
constexpr int32_t kVorBase = 10800;
constexpr int32_t kMaxNdbFrequency = 0x7FFF;

std::string RecordName(const PointRecordInput& in) { return "\"" + TrimmedIdent(in.ident) + "\""; }

// Position, ident code, country index and (with names) both name pointers.
ImageResult EncodeCommon(const ImageParams& params, int section, const PointRecordInput& in, uint8_t* out) {
    const SectionParams& s = params.sections[section];
    std::memset(out, 0, s.recordSize);
    EncodePosition(out, in.lat, in.lon);
    if (in.countryIndex >= kMaxCountries) {
        return ImageResult::Data(StringFormatC("%s %s: country index %u does not fit its byte (limit %u)", s.name,
                                               RecordName(in).c_str(), in.countryIndex, kMaxCountries - 1));
    }
    out[s.countryByte] = static_cast<uint8_t>(in.countryIndex);
    if (ImageResult r = PackIdentCode(s, in.ident, out); !r) return r;
    if (!s.hasNames) return ImageResult::Ok();
    if (ImageResult r = PutNamePointer(params, s, NameField::Facility, in.facility, out, in.ident); !r) return r;
    return PutNamePointer(params, s, NameField::City, in.city, out, in.ident);
}

ImageResult ResolveCommon(const char* ident, int32_t lat, int32_t lon, int32_t country, const SerialMap& countries,
                          PointRecordInput* in) {
    in->ident = ImageIdent(ident);
    in->lat = lat;
    in->lon = lon;
    return FindCountryIndex(countries, country, &in->countryIndex);
}

ImageResult ResolveNames(int32_t facility, int32_t city, const NameMap& names, PointRecordInput* in) {
    if (ImageResult r = names.Find(facility, &in->facility); !r) return r;
    return names.Find(city, &in->city);
}

}  // namespace

uint32_t ElevationCode(int32_t feet) {
    int32_t code = feet / 10 + (feet % 10 >= 5 ? 1 : 0) + 500;
    if (code < 0) code = 0;
    if (code > static_cast<int32_t>(kMaxElevationCode)) code = kMaxElevationCode;
    return static_cast<uint32_t>(code);
}

bool VorFrequencyCode(int32_t vfreq, uint8_t* code) {
    const int32_t value = (vfreq - kVorBase) / 5;
    if (vfreq < kVorBase || value > 255) return false;
    *code = static_cast<uint8_t>(value);
    return true;
}

ImageResult EncodeAptRecord(const ImageParams& params, const AptRecordInput& in, uint8_t* out) {
    const SectionParams& s = params.sections[kSectionApt];
    if (in.detailValue >= (1u << kDetailBits)) {
        return ImageResult::Data(StringFormatC("APT %s: rwy/com/appr %s %lx does not fit its 19-bit field (limit 7ffff)",
                                               RecordName(in).c_str(), in.detailIsOffset ? "offset" : "value",
                                               static_cast<unsigned long>(in.detailValue)));
    }
    if (ImageResult r = EncodeCommon(params, kSectionApt, in, out); !r) return r;
    const auto flags = static_cast<uint32_t>(in.afuel);
    out[5] |= static_cast<uint8_t>(flags & 0x1E);
    PutBits(40, 3, out, in.detailValue >> 16);
    const uint32_t elevation = ElevationCode(in.aheight);
    out[6] = static_cast<uint8_t>(elevation);
    PutBits(60, 4, out, elevation >> 8);
    out[8] |= static_cast<uint8_t>(((flags >> 8) & 1) << 6 | (in.detailIsOffset ? 0x80 : 0));
    out[s.detailByte] = static_cast<uint8_t>(in.detailValue);
    out[s.detailByte + 1] = static_cast<uint8_t>(in.detailValue >> 8);
    return ImageResult::Ok();
}

ImageResult EncodeIntRecord(const ImageParams& params, const IntRecordInput& in, uint8_t* out) {
    if (ImageResult r = EncodeCommon(params, kSectionInt, in, out); !r) return r;
    out[5] |= static_cast<uint8_t>(in.icompat & 2);
    return ImageResult::Ok();
}

ImageResult EncodeNdbRecord(const ImageParams& params, const NdbRecordInput& in, uint8_t* out) {
    if (in.bfreq < 0 || in.bfreq > kMaxNdbFrequency) {
        return ImageResult::Data(StringFormatC("NDB %s: frequency %d does not fit its 15-bit field (limit %d)",
                                               RecordName(in).c_str(), in.bfreq, kMaxNdbFrequency));
    }
    if (ImageResult r = EncodeCommon(params, kSectionNdb, in, out); !r) return r;
    const auto compat = static_cast<uint32_t>(in.bcompat);
    out[5] |= static_cast<uint8_t>((compat & 2) | ((compat >> 1) & 4));
    const uint32_t freq = static_cast<uint32_t>(in.bfreq) | ((compat >> 2) & 1) << 15;
    out[8] = static_cast<uint8_t>(freq);
    out[9] = static_cast<uint8_t>(freq >> 8);
    out[14] |= static_cast<uint8_t>((compat & 1) << 5);
    return ImageResult::Ok();
}

ImageResult EncodeVorRecord(const ImageParams& params, const VorRecordInput& in, uint8_t* out) {
    uint8_t code = 0;
    if (!VorFrequencyCode(in.vfreq, &code)) {
        return ImageResult::Data(StringFormatC("VOR %s: frequency %d does not fit the frequency code (108.00 to 120.75 MHz)",
                                               RecordName(in).c_str(), in.vfreq));
    }
    if (ImageResult r = EncodeCommon(params, kSectionVor, in, out); !r) return r;
    const auto dme = static_cast<uint32_t>(in.vdme);
    out[5] |= static_cast<uint8_t>(dme & 6);
    out[12] |= static_cast<uint8_t>((dme & 1) << 5);
    out[13] = code;
    out[14] = static_cast<uint8_t>(dme >> 16);
    out[15] = static_cast<uint8_t>(dme >> 8);
    return ImageResult::Ok();
}

ImageResult AptInputFrom(const AptRecord& rec, const SerialMap& countries, const NameMap& names, AptRecordInput* in) {
    if (ImageResult r = ResolveCommon(rec.aident, rec.alat, rec.along, rec.acountry, countries, in); !r) return r;
    in->afuel = rec.afuel;
    in->aheight = rec.aheight;
    return ResolveNames(rec.afacil, rec.acity, names, in);
}

ImageResult IntInputFrom(const IntRecord& rec, const SerialMap& countries, IntRecordInput* in) {
    in->icompat = rec.icompat;
    return ResolveCommon(rec.iident, rec.ilat, rec.ilong, rec.icountry, countries, in);
}

ImageResult NdbInputFrom(const NdbRecord& rec, const SerialMap& countries, const NameMap& names, NdbRecordInput* in) {
    if (ImageResult r = ResolveCommon(rec.bident, rec.blat, rec.blong, rec.bcountry, countries, in); !r) return r;
    in->bfreq = rec.bfreq;
    in->bcompat = rec.bcompat;
    return ResolveNames(rec.bfacil, rec.bcity, names, in);
}

ImageResult VorInputFrom(const VorRecord& rec, const SerialMap& countries, const NameMap& names, VorRecordInput* in) {
    if (ImageResult r = ResolveCommon(rec.vident, rec.vlat, rec.vlong, rec.vcountry, countries, in); !r) return r;
    in->vfreq = rec.vfreq;
    in->vdme = rec.vdme;
    return ResolveNames(rec.vfacil, rec.vcity, names, in);
}
