// Tessily's ADD handlers of an airport's runways and frequencies. Fields by BatchLine numbering
// (1 the command):
//   RWY: 3 airport, 4 country, 5 length ('X' width), 6 designator, 7 surface, 8 lighting,
//        9 picture field; in the 13-field form 9 the flags and 10-13 the two runway ends
//   FRQ: 3 airport, 4 country, 5 type word, 6 MHz (a third decimal 5 marks it), 7 "M", and a
//        last field "R:..." the restriction text
#include <strings.h>

#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen696/AirportBlock696.h"
#include "gen696/AirportInfo696.h"
#include "gen696/Batch696.h"
#include "gen696/Restriction696.h"
#include "gen696/Words696.h"

namespace {

constexpr int32_t kRslPicture = 64;
constexpr int32_t kSidesRead = 0x100000;   // a221507: the runways' sides are not given
constexpr int32_t kHighestFrequency = 14895;
constexpr int32_t kMarked = 128;

int SurfaceBits696(const std::string& word) {
    for (int i = 0; i < 16; ++i) {
        if (::strcasecmp(word.c_str(), kSurfaces696[i]) != 0) continue;
        // Stored codes: the image's code less one; every unknown word is 6.
        return (i >= 1 && i <= 6) ? i - 1 : i == 8 ? 7 : 6;
    }
    return -1;
}

int LightingBits696(const std::string& word) {
    for (int i = 0; i < 4; ++i) {
        if (::strcasecmp(word.c_str(), kLights696[i]) == 0) return i * 16;
    }
    return -1;
}

const RunwayFieldRules kRunwayRules696{SurfaceBits696, LightingBits696, false};

// Writes the airport with afuel bit 0 cleared (as the current APT record).
void AmendAirport(BatchContext& c, AptRecord& apt) {
    if (c.session.CurrentAirport() != apt.asno) {
        AptRecord found{};
        if (!FindAirport(c.line.Field(3), c.csno, &found)) return;
        found.a221507 = apt.a221507;
        apt = found;
    }
    apt.afuel &= ~1;
    BatchUpdateRecord(apt, "APT", apt.asno);
    c.session.NoteAirport(apt);
    c.session.SetCurrentAirport(apt.asno);
}

// The frequency of field 6 in hundredths of a MHz and its third-decimal mark; false when it is
// not a number the image can hold.
bool ReadFrequency696(const std::string& text, int32_t* freq, bool* marked) {
    if (!ScaledDecimal(text, 100, freq)) return false;
    if (*freq < kFrequencyBase696 || *freq > kHighestFrequency) return false;
    const size_t point = text.find('.');
    *marked = point != std::string::npos && point + 3 < text.size() && text[point + 3] == '5' && text[point + 2] != '2' &&
              text[point + 2] != '7';
    return true;
}

// The airport's frequency of this value and type index; it is then the current FREQ record.
bool FindFrequency696(int32_t asno, int32_t freq, int32_t typeIndex, FreqRecord* out) {
    BatchUseFile<FreqRecord>();
    dbif_index<FreqRecord>("faptno");
    FreqRecord buf{};
    buf.faptno = asno;
    for (bool more = dbif_find(buf); more && buf.faptno == asno; more = dbif_next(buf)) {
        if (buf.freq == freq && (FrequencyTypeCode696(buf.ftype, buf.f431) & 63) == typeIndex) {
            *out = buf;
            return true;
        }
    }
    return false;
}

// The type index of a frequency type word, compared without case; -1 for none.
int FrequencyTypeIndexOfWord696(const std::string& word) {
    for (int i = 0; i < 64; ++i) {
        if (::strcasecmp(word.c_str(), kFrequencyTypes696[i]) == 0) return i;
    }
    return -1;
}

}  // namespace

int BatchAddRwy696(BatchContext& c) {
    const BatchLine& l = c.line;
    AptRecord apt{};
    if (int r = FindLineAirport(c, kBatchRwy, l.count == 9 || l.count == 13, &apt)) return r;
    int32_t code = 0;
    if (ParseRunwayDesignator(l.Field(6), &code, true) != 0) return kBatchErrRwy;
    RunwayFields f;
    if (int r = ParseRunwayFields(l, apt.alat, apt.along, kRunwayRules696, &f)) return r;
    RwyRecord rec{};
    const bool found = FindRunway(apt.asno, code, false, &rec);

    if (!found) {
        rec.rflags = -1;
        rec.rpicfl = 0;
    }
    rec.raptno = apt.asno;
    rec.rlen = f.length;
    rec.rwidth = f.width;
    rec.rw = code;
    rec.rsl = f.rsl & ~kRslPicture;
    switch (f.picture) {
    case RunwayFields::Picture::None:
        break;
    case RunwayFields::Picture::Ends:
        rec.rflags = f.rflags;
        rec.rnpic = f.rnpic;
        rec.rnpic2 = f.rnpic2;
        break;
    case RunwayFields::Picture::Words:
        rec.rflags = f.rflags;
        rec.rpicst = f.rpicst;
        rec.rpic = f.rpic;
        break;
    case RunwayFields::Picture::Cleared:
        rec.rflags = -1;
        rec.rpicst = rec.rpic = rec.rnpic = rec.rnpic2 = 0;
        break;
    }
    if (f.hasMarker) rec.rpicfl = (rec.rpicfl & ~3) | f.marker;
    if (rec.rnpic != 0 || rec.rnpic2 != 0) rec.rsl |= kRslPicture;
    if (!f.hasMarker && apt.a221507 != -1) apt.a221507 &= ~kSidesRead;

    if (found) {
        BatchUpdateRecord(rec, "RWY", rec.rsno);
    } else {
        rec.rsno = TakeSerial(c.next, kFileRwy3);
        BatchAddRecord(rec, "RWY", rec.rsno);
    }
    if ((apt.afuel & 1) != 0 || (apt.a221507 & kSidesRead) == 0) AmendAirport(c, apt);
    return found ? kBatchModified : kBatchDone;
}

int BatchAddFrq696(BatchContext& c) {
    const BatchLine& l = c.line;
    AptRecord apt{};
    if (int r = FindLineAirport(c, kBatchFrq, l.count >= 6, &apt)) return r;
    int32_t freq = 0;
    bool marked = false;
    if (!ReadFrequency696(l.Field(6), &freq, &marked)) return kBatchErrFrq;
    const int typeIndex = FrequencyTypeIndexOfWord696(l.Field(5));
    if (typeIndex < 0) return kBatchErrFrq;
    const bool mMark = l.count >= 7 && l.Field(7).compare(0, 2, "R:") != 0;
    if (mMark && l.Field(7) != "M") return kBatchErrFrq;
    const std::string& last = l.Field(l.count);
    const bool hasText = l.count >= 7 && last.compare(0, 2, "R:") == 0;
    Restriction696 restriction;
    std::string error;
    if (hasText && !ParseRestriction696(last, &restriction, &error)) return kBatchErrFrq;
    const uint8_t typeCode = static_cast<uint8_t>(typeIndex | (mMark ? 64 : 0));
    const int32_t ftype = FrequencyTypeIndex696(typeCode) | (mMark ? kMarked : 0) | typeCode << 8;

    FreqRecord rec{};
    const bool found = FindFrequency696(apt.asno, freq, typeIndex, &rec);
    if (found && rec.frsno == 0 && !hasText) return kBatchOk;
    if (found && rec.frsno != 0) DeleteRestrictionChain(rec.frsno);
    rec.ftype = ftype;
    rec.freq = freq;
    rec.frsno = 0;
    if (hasText) StoreRestriction696(restriction, c.next, &rec);
    rec.f431 = FrequencyFlags696(found ? rec.f431 : 0, restriction.flagBits, marked);
    if (found) {
        BatchUpdateRecord(rec, "FRQ", rec.fsno);
    } else {
        rec.fsno = TakeSerial(c.next, kFileFreq3);
        rec.faptno = apt.asno;
        rec.flags = 0;
        BatchAddRecord(rec, "FRQ", rec.fsno);
    }
    if (apt.afuel & 1) AmendAirport(c, apt);
    return kBatchDone;
}

int BatchDelFrq696(BatchContext& c) {
    const BatchLine& l = c.line;
    AptRecord apt{};
    if (int r = FindLineAirport(c, kBatchFrq, l.count >= 6, &apt)) return r;
    int32_t freq = 0;
    bool marked = false;
    const int typeIndex = FrequencyTypeIndexOfWord696(l.Field(5));
    if (!ReadFrequency696(l.Field(6), &freq, &marked) || typeIndex < 0) return kBatchErrFrq;
    FreqRecord rec{};
    if (!FindFrequency696(apt.asno, freq, typeIndex, &rec)) return kBatchAbs;
    if (rec.frsno != 0) DeleteRestrictionChain(rec.frsno);
    BatchDeleteRecord<FreqRecord>("FRQ", rec.fsno);
    return kBatchDone;
}
