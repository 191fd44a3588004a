// Tessily's ADD handlers of point records and the dispatch of its batch lines. Fields by
// BatchLine numbering (1 the command):
//   APT: 4 country, 5 city, 6 facility, 7 latitude, 8 longitude, 9 height, 10 on attributes
//   INT: 4 country, 5 name, 6 parent, 7 latitude, 8 longitude, 9 "VRP"
//   NDB: 4 country, 5 city, 6 facility, 7 latitude, 8 longitude, 9 kHz, 10 attribute (L)
//   VOR: 4 country, 5 city, 6 facility, 7 latitude, 8 longitude, 9 MHz, 10 kind, 11 on classes
//   USR: 4 latitude, 5 longitude, 6 comment
#include <strings.h>

#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen696/Batch696.h"
#include "gen696/Tessily696.h"
#include "gen696/Words696.h"

namespace {

// afuel bits.
constexpr int32_t kFuelBrief = 1;
constexpr int32_t kFuelA = 4;
constexpr int32_t kFuelM = 8;
constexpr int32_t kFuelJ = 16;
constexpr int32_t kFuelAt = 32;
constexpr int32_t kFuelMilitary = 64;
constexpr int32_t kFuelPrivate = 128;
constexpr int32_t kFuelHeli = 256;
constexpr int32_t kNoTimeZone = 31;
constexpr int32_t kDst = 32;
constexpr int32_t kNewA221507 = 0x100000;

constexpr int32_t kIntVrp = 256;
constexpr int32_t kVorWx = 4;
constexpr int32_t kVorNoRange = 3;

// An intersection's name and parent take the places of a point's city and facility.
constexpr PointMembers<IntRecord> kIntPointMembers{&IntRecord::iident,   &IntRecord::ilat,  &IntRecord::ilong,
                                                   &IntRecord::icountry, &IntRecord::iname, &IntRecord::iparent};

bool Same(const std::string& field, const char* word) { return ::strcasecmp(field.c_str(), word) == 0; }

// afuel bits and time zone of fields 10 on.
void AirportAttributes(const BatchLine& l, int32_t* fuel, int32_t* utc) {
    for (size_t i = 10; i <= l.count; ++i) {
        std::string word = l.Field(i);
        if (word == "[MIL]") {
            *fuel |= kFuelMilitary;
        } else if (word == "[PRV]") {
            *fuel |= kFuelPrivate;
        } else if (word == "[HEL]") {
            *fuel |= kFuelHeli;
        } else if (!word.empty() && word[0] == '[') {
            // other bracketed texts say nothing here
        } else if (word.compare(0, 3, "UTC") == 0) {
            const size_t dst = word.find("+DST");
            if (dst != std::string::npos) word.erase(dst);
            *utc = 12 - LeadingInteger(std::string_view(word).substr(3)) + (dst != std::string::npos ? kDst : 0);
        } else {
            if (word.find('J') != std::string::npos) *fuel |= kFuelJ;
            if (word.find('M') != std::string::npos) *fuel |= kFuelM;
            if (word.find('A') != std::string::npos) *fuel |= kFuelA;
        }
    }
}

// The index of a word in a table, compared without case; -1 when absent.
template <size_t N>
int WordIndex(const std::string& word, const char* const (&table)[N]) {
    for (size_t i = 0; i < N; ++i) {
        if (Same(word, table[i])) return static_cast<int>(i);
    }
    return -1;
}

// The VOR class word of fields 11 on: vtr, vmag and whether a range class was given; false for
// a field that is none of them.
bool VorClasses(const BatchLine& l, int32_t* vtr, int32_t* vmag) {
    bool range = false;
    for (size_t i = 11; i <= l.count; ++i) {
        const std::string& word = l.Field(i);
        if (Same(word, "WX")) {
            *vtr |= kVorWx;
            continue;
        }
        const int r = WordIndex(word, kVorRanges696);
        if (r >= 0) {
            *vtr |= r * 8;
            range = true;
        } else if (word.size() >= 5 && word[0] == '[' && word[4] == ']') {
            *vmag = LeadingInteger(std::string_view(word).substr(1, 3));
        } else {
            return false;
        }
    }
    if (!range) *vtr |= kVorNoRange * 8;
    return true;
}

// vdme rebuilt from vtr: its low byte the brief mark and the DME bit, its second byte the range
// class and the kind's bits; bits 16-23 stay.
int32_t VorDme(int32_t old, int32_t vtr, bool brief) {
    const int kind = (vtr >> 5) & 7;
    const bool dme = kind == 2 || kind == 4 || kind == 6;
    int32_t second = (vtr >> 3) & 3;
    if (kind == 2 || kind == 6) second += 32;
    if (kind == 3) second += 160;
    if (kind == 5) second += 128;
    if (vtr & kVorWx) second += 64;
    return (old & 0xFF0000) | second << 8 | (dme ? 4 : 0) | (brief ? 1 : 0);
}

}  // namespace

int BatchAddApt696(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > 4) return kBatchErrF3;
    if (l.count < 9) return kBatchErrFc;
    AptRecord rec{};
    c.session.SetCurrentAirport(-1);
    const bool found = FindAirport(l.Field(3), c.csno, &rec);
    PointFields p;
    if (int r = ReadPointFields(c, 7, true, &p)) return r;

    FillPointRecord(c, p, kAptPointMembers, &rec);
    rec.aheight = LeadingInteger(l.Field(9));
    int32_t fuel = (p.at ? kFuelAt : 0) | (found ? rec.afuel & kFuelBrief : kFuelBrief);
    int32_t utc = kNoTimeZone;
    AirportAttributes(l, &fuel, &utc);
    rec.afuel = fuel;
    rec.autc = utc;
    if (!found || rec.a212025 == -1) {
        rec.a212025 = 0;
        rec.a221507 = kNewA221507;
    }
    if (found) {
        BatchUpdateRecord(rec, "APT", rec.asno);
    } else {
        rec.asno = TakeSerial(c.next, kFileApts);
        BatchAddRecord(rec, "APT", rec.asno);
    }
    c.session.NoteAirport(rec);
    c.session.SetCurrentAirport(rec.asno);
    return found ? kBatchModified : kBatchDone;
}

int BatchAddInt696(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > 5) return kBatchErrF3;
    if (l.count != 8 && l.count != 9) return kBatchErrFc;
    IntRecord rec{};
    const bool found = c.csno >= 0 && FindIntOfCountry(l.Field(3), c.csno, &rec) == 0;
    PointFields p;
    if (int r = ReadPointFields(c, 7, true, &p)) return r;

    FillPointRecord(c, p, kIntPointMembers, &rec);
    if (!found) rec.icompat = 0;
    if (!found || rec.iflags == -1) rec.iflags = 0;
    rec.iflags &= ~kIntVrp;
    if (l.count == 9 && l.Field(9) == "VRP") rec.iflags |= kIntVrp;
    return WriteBatchRecord(c, found, &IntRecord::isno, kFileInts, "INT", &rec);
}

int BatchAddNdb696(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > 4) return kBatchErrF3;
    if (l.count < 9) return kBatchErrFc;
    NdbRecord rec{};
    const bool found = FindIdentInCountry("bident", &NdbRecord::bident, &NdbRecord::bcountry, l.Field(3), c.csno, &rec);
    PointFields p;
    if (int r = ReadPointFields(c, 7, true, &p)) return r;
    int32_t freq = 0;
    if (!ScaledDecimal(l.Field(9), 10, &freq)) return kBatchErrFrq;

    FillPointRecord(c, p, kNdbPointMembers, &rec);
    rec.bfreq = freq;
    const bool locator = l.count > 9 && l.Field(10).compare(0, 1, "L") == 0;
    rec.bcompat = (p.at ? 1 : 0) | (locator ? 4 : 0);
    if (!found || rec.bflags == -1) rec.bflags = 0;
    rec.bflags &= ~(64 | 256);
    return WriteBatchRecord(c, found, &NdbRecord::bsno, kFileNdbs, "NDB", &rec);
}

int BatchAddVor696(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > 4) return kBatchErrF3;
    if (l.count < 10) return kBatchErrFc;
    VorRecord rec{};
    const bool found = FindIdentInCountry("vident", &VorRecord::vident, &VorRecord::vcountry, l.Field(3), c.csno, &rec);
    PointFields p;
    if (int r = ReadPointFields(c, 7, true, &p)) return r;
    int32_t freq = 0;
    if (!ScaledDecimal(l.Field(9), 100, &freq)) return kBatchErrFrq;
    const int kind = WordIndex(l.Field(10), kVorKinds696);
    if (kind < 0) return kBatchErrDme;
    int32_t vtr = kind * 32;
    int32_t vmag = 0;
    if (!VorClasses(l, &vtr, &vmag)) return kBatchErrDme;

    FillPointRecord(c, p, kVorPointMembers, &rec);
    rec.vfreq = freq;
    if (!found || rec.v221817 == -1) {
        rec.vdme = 0;
        rec.v221817 = 0;
    }
    rec.vtr = vtr;
    rec.vmag = vmag;
    rec.vdme = VorDme(rec.vdme, vtr, p.at);
    return WriteBatchRecord(c, found, &VorRecord::vsno, kFileVors, "VOR", &rec);
}

int BatchAddUsr696(BatchContext& c) {
    if (c.line.Field(3).size() > 6) return kBatchErrF3;
    return BatchAddUsr(c);
}

int BatchAddUpdate696(BatchContext& c) {
    switch (c.line.type) {
    case kBatchApt: return BatchAddApt696(c);
    case kBatchInt: return BatchAddInt696(c);
    case kBatchNdb: return BatchAddNdb696(c);
    case kBatchVor: return BatchAddVor696(c);
    case kBatchRwy: return BatchAddRwy696(c);
    case kBatchFrq: return BatchAddFrq696(c);
    case kBatchUsr: return BatchAddUsr696(c);
    default: return kBatchErrF2;
    }
}

int BatchDelete696(BatchContext& c) {
    const BatchType type = c.line.type;
    if (type < kBatchApt || type > kBatchUsr) return kBatchErrF2;
    if (type != kBatchUsr && c.csno < 0) return kBatchErrCid;
    if (type <= kBatchVor) {
        DelNames names;
        if (int r = ReadDelNames(c, &names)) return r;
    }
    // Tessily's frequencies have types the framework's table lacks.
    return type == kBatchFrq ? BatchDelFrq696(c) : DefaultBatchHandlers().del[type](c);
}

const BatchHandlerTable& BatchHandlers696() {
    static const BatchHandlerTable table = [] {
        BatchHandlerTable t;
        for (int type = kBatchApt; type <= kBatchUsr; ++type) {
            t.add[type] = BatchAddUpdate696;
            t.del[type] = BatchDelete696;
        }
        t.resultTexts = BatchResultTexts696();
        return t;
    }();
    return table;
}
