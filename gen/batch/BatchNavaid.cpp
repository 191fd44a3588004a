// Batch INT, NDB and VOR lines.
//   INT: 4 country, 5 latitude, 6 longitude
//   NDB: 4 country, 5 city, 6 facility, 7 latitude, 8 longitude, 9 kHz, 10 attribute (L)
//   VOR: 4 country, 5 city, 6 facility, 7 latitude, 8 longitude, 9 MHz, 10 on class words
#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/batch/BatchHandlers.h"

namespace {

struct ClassWord {
    const char* word;
    int32_t bits;
    bool range;  // HIGH, LOW, TERM
};
const ClassWord kClassWords[] = {
    {"VOR", 0, false},         {"DME", 0x2004, false},   {"VORDME", 0x4, false},
    {"TACAN", 0xA000, false},  {"VORTAC", 0x8000, false}, {"WX", 0x4000, false},
    {"HIGH", 0x100, true},     {"LOW", 0, true},          {"TERM", 0x200, true},
};
constexpr int32_t kNoRangeClass = 0x300;

// The class bits of fields 10 on; false for a word that is not a class word.
bool ClassBits(const BatchLine& l, int32_t* bits) {
    int32_t v = 0;
    bool range = false;
    for (size_t i = 10; i <= l.count; ++i) {
        const ClassWord* match = nullptr;
        for (const ClassWord& w : kClassWords) {
            if (l.Field(i) == w.word) match = &w;
        }
        if (!match) return false;
        v |= match->bits;
        range = range || match->range;
    }
    *bits = range ? v : v | kNoRangeClass;
    return true;
}

// DEL of an NDB or VOR: by ident within the country, the names as the line gives them.
template <class Record>
int DelPoint(BatchContext& c, const char* index, char (Record::*ident)[8], int32_t Record::*country,
             int32_t Record::*city, int32_t Record::*facility, int32_t Record::*serial, const char* type) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(l.type)) return kBatchErrF3;
    if (l.count < 4) return kBatchErrFc;
    DelNames names;
    if (int r = ReadDelNames(c, &names)) return r;
    Record rec{};
    if (!FindIdentInCountry(index, ident, country, l.Field(3), c.csno, &rec)) return kBatchAbs;
    if (!names.Match(rec.*city, rec.*facility)) return kBatchErrNu;
    BatchDeleteRecord<Record>(type, rec.*serial);
    return kBatchDone;
}

}  // namespace

int BatchAddInt(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(kBatchInt)) return kBatchErrF3;
    if (l.count != 6) return kBatchErrFc;
    IntRecord rec{};
    const bool found = c.csno >= 0 && FindIntOfCountry(l.Field(3), c.csno, &rec) == 0;
    PointFields p;
    if (int r = ReadPointFields(c, 5, false, &p)) return r;

    CommitPointFields(c, p);
    CopyIdent(rec.iident, l.Field(3));
    rec.ilat = p.lat;
    rec.ilong = p.lon;
    rec.icountry = c.csno;
    if (found) {
        BatchUpdateRecord(rec, "INT", rec.isno);
        return kBatchModified;
    }
    rec.isno = TakeSerial(c.next, kFileInts);
    rec.iname = -1;
    rec.iparent = -1;
    rec.iflags = -1;
    rec.icompat = 0;
    BatchAddRecord(rec, "INT", rec.isno);
    return kBatchDone;
}

int BatchDelInt(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(kBatchInt)) return kBatchErrF3;
    if (l.count < 4) return kBatchErrFc;
    if (c.csno < 0) return kBatchErrCid;
    IntRecord rec{};
    if (FindIntOfCountry(l.Field(3), c.csno, &rec) != 0) return kBatchAbs;
    BatchDeleteRecord<IntRecord>("INT", rec.isno);
    return kBatchDone;
}

int BatchAddNdb(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(kBatchNdb)) return kBatchErrF3;
    if (l.count < 9) return kBatchErrFc;
    NdbRecord rec{};
    const bool found = FindIdentInCountry("bident", &NdbRecord::bident, &NdbRecord::bcountry, l.Field(3), c.csno, &rec);
    PointFields p;
    if (int r = ReadPointFields(c, 7, true, &p)) return r;
    int32_t freq = 0;
    if (!ScaledDecimal(l.Field(9), 10, &freq)) return kBatchErrFrq;

    FillPointRecord(c, p, kNdbPointMembers, &rec);
    rec.bfreq = freq;
    const bool lAttribute = l.count >= 10 && l.Field(10).compare(0, 1, "L") == 0;
    rec.bcompat = (found ? rec.bcompat & ~5 : 0) | (p.at ? 1 : 0) | (lAttribute ? 4 : 0);
    if (!found) rec.bflags = -1;
    return WriteBatchRecord(c, found, &NdbRecord::bsno, kFileNdbs, "NDB", &rec);
}

int BatchDelNdb(BatchContext& c) {
    return DelPoint(c, "bident", &NdbRecord::bident, &NdbRecord::bcountry, &NdbRecord::bcity, &NdbRecord::bfacil,
                    &NdbRecord::bsno, "NDB");
}

int BatchAddVor(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(kBatchVor)) return kBatchErrF3;
    if (l.count < 9) return kBatchErrFc;
    VorRecord rec{};
    const bool found = FindIdentInCountry("vident", &VorRecord::vident, &VorRecord::vcountry, l.Field(3), c.csno, &rec);
    int32_t classBits = 0;
    if (!ClassBits(l, &classBits)) return kBatchErrDme;
    PointFields p;
    if (int r = ReadPointFields(c, 7, true, &p)) return r;
    int32_t freq = 0;
    if (!ScaledDecimal(l.Field(9), 100, &freq)) return kBatchErrFrq;

    FillPointRecord(c, p, kVorPointMembers, &rec);
    rec.vfreq = freq;
    rec.vdme = (p.at ? 1 : 0) | classBits;
    if (!found) {
        rec.vtr = 0;
        rec.v221817 = -1;
    }
    return WriteBatchRecord(c, found, &VorRecord::vsno, kFileVors, "VOR", &rec);
}

int BatchDelVor(BatchContext& c) {
    return DelPoint(c, "vident", &VorRecord::vident, &VorRecord::vcountry, &VorRecord::vcity, &VorRecord::vfacil,
                    &VorRecord::vsno, "VOR");
}
