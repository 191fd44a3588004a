// Batch APT lines: 4 country, 5 city, 6 facility, 7 latitude, 8 longitude, 9 height, 10 on
// attribute words.
#include <type_traits>

#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/batch/BatchHandlers.h"

namespace {

// afuel bits of the line.
constexpr int32_t kFuelBrief = 1;      // added by the batch, no runway or frequency yet
constexpr int32_t kFuelA = 4;
constexpr int32_t kFuelM = 8;
constexpr int32_t kFuelJ = 16;
constexpr int32_t kFuelMilitary = 64;
constexpr int32_t kFuelPrivate = 128;
constexpr int32_t kFuelAt = 256;

int32_t AttributeBits(const BatchLine& l) {
    int32_t bits = 0;
    for (size_t i = 10; i <= l.count; ++i) {
        const std::string& word = l.Field(i);
        if (word == "[MIL]") {
            bits |= kFuelMilitary;
        } else if (word == "[PRV]") {
            bits |= kFuelPrivate;
        } else {
            if (word.find('J') != std::string::npos) bits |= kFuelJ;
            if (word.find('M') != std::string::npos) bits |= kFuelM;
            if (word.find('A') != std::string::npos) bits |= kFuelA;
        }
    }
    return bits;
}

// Deletes every record of its type whose key `index` holds the airport's serial; FREQ records
// take their restriction chains with them.
template <class Record>
void DeleteChildren(const char* index, int32_t Record::*airport, int32_t Record::*serial, int32_t asno,
                    const char* type) {
    BatchUseFile<Record>();
    for (;;) {
        Record buf{};
        buf.*airport = asno;
        dbif_index<Record>(index);
        if (!dbif_find(buf) || buf.*airport != asno) return;
        if constexpr (std::is_same_v<Record, FreqRecord>) {
            if (buf.frsno != 0) DeleteRestrictionChain(buf.frsno);
        }
        BatchDeleteRecord<Record>(type, buf.*serial);
    }
}

}  // namespace

int BatchAddApt(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(kBatchApt)) return kBatchErrF3;
    if (l.count < 9) return kBatchErrFc;
    AptRecord rec{};
    c.session.SetCurrentAirport(-1);
    const bool found = FindAirport(l.Field(3), c.csno, &rec);
    PointFields p;
    if (int r = ReadPointFields(c, 7, true, &p)) return r;

    FillPointRecord(c, p, kAptPointMembers, &rec);
    rec.aheight = LeadingInteger(l.Field(9));
    rec.afuel = (found ? rec.afuel & kFuelBrief : kFuelBrief) | (p.at ? kFuelAt : 0) | AttributeBits(l);
    if (found) {
        BatchUpdateRecord(rec, "APT", rec.asno);
    } else {
        rec.asno = TakeSerial(c.next, kFileApts);
        rec.a212025 = -1;
        rec.a221507 = 0;
        BatchAddRecord(rec, "APT", rec.asno);
    }
    c.session.NoteAirport(rec);
    c.session.SetCurrentAirport(rec.asno);
    return found ? kBatchModified : kBatchDone;
}

int BatchDelApt(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(kBatchApt)) return kBatchErrF3;
    if (l.count < 4) return kBatchErrFc;
    DelNames names;
    if (int r = ReadDelNames(c, &names)) return r;
    AptRecord rec{};
    c.session.SetCurrentAirport(-1);
    if (!FindAirport(l.Field(3), c.csno, &rec)) return kBatchAbs;
    if (!names.Match(rec.acity, rec.afacil)) return kBatchErrNu;
    // The airport's runways and frequencies go with it.
    DeleteChildren("raptno", &RwyRecord::raptno, &RwyRecord::rsno, rec.asno, "RWY");
    DeleteChildren("faptno", &FreqRecord::faptno, &FreqRecord::fsno, rec.asno, "FRQ");
    BatchDeleteRecord<AptRecord>("APT", rec.asno);
    c.session.ForgetAirport();
    c.session.SetCurrentAirport(-1);
    return kBatchDone;
}
