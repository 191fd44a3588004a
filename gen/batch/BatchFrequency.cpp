// Batch FRQ lines: 3 the airport's ident, 4 country, 5 frequency type word, 6 MHz (a '*' as the
// third decimal marks it), 7 "M" or a restriction list; a last field that begins "R:" is the
// restriction list.
#include <vector>

#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/batch/BatchHandlers.h"
#include "gen/image/RestrictionCoder.h"

namespace {

constexpr int32_t kMarked = 128;

// The frequency and type code of a FRQ line; false when either is not readable.
bool ReadFrequency(const BatchLine& l, int32_t* freq, int32_t* type) {
    int code = ParseFrequencyType(l);
    if (code == kBadFrequencyType) return false;
    const std::string& text = l.Field(6);
    if (!ScaledDecimal(text, 100, freq)) return false;
    size_t point = text.find('.');
    if (point != std::string::npos && point + 3 < text.size() && text[point + 3] == '*') code |= kMarked;
    *type = code;
    return true;
}

// Finds the airport's frequency; the current FREQ record is then the one found.
bool FindFrequency(int32_t asno, int32_t freq, int32_t type, FreqRecord* out) {
    BatchUseFile<FreqRecord>();
    dbif_index<FreqRecord>("faptno");
    FreqRecord buf{};
    buf.faptno = asno;
    if (!dbif_find(buf)) return false;
    do {
        if (buf.faptno != asno) return false;
        if (buf.freq == freq && buf.ftype == type) {
            *out = buf;
            return true;
        }
    } while (dbif_next(buf));
    return false;
}

}  // namespace

int BatchAddFrq(BatchContext& c) { return BatchAddFrq(c, true); }

int BatchAddFrq(BatchContext& c, bool unk20Keyword) {
    const BatchLine& l = c.line;
    AptRecord apt{};
    if (int r = FindLineAirport(c, kBatchFrq, l.count >= 6, &apt)) return r;
    int32_t freq = 0;
    int32_t type = 0;
    if (!ReadFrequency(l, &freq, &type)) return kBatchErrFrq;
    const std::string& last = l.Field(l.count);
    const bool hasList = l.count >= 7 && last.compare(0, 2, "R:") == 0;
    std::vector<uint8_t> restriction;
    if (hasList && !EncodeRestrictionText(last, &restriction, unk20Keyword).ok()) return kBatchErrFrq;

    FreqRecord rec{};
    int result = kBatchDone;
    if (!FindFrequency(apt.asno, freq, type, &rec)) {
        rec.fsno = TakeSerial(c.next, kFileFreq3);
        rec.faptno = apt.asno;
        rec.ftype = type;
        rec.freq = freq;
        rec.flags = 0;
        rec.frsno = StoreRestrictionChain(c.next, restriction);
        rec.f431 = -1;
        BatchAddRecord(rec, "FRQ", rec.fsno);
    } else if (rec.frsno == 0 && !hasList) {
        result = kBatchOk;
    } else {
        if (rec.frsno != 0) DeleteRestrictionChain(rec.frsno);
        rec.frsno = StoreRestrictionChain(c.next, restriction);
        BatchUpdateRecord(rec, "FRQ", rec.fsno);
    }
    ClearBriefMark(c, apt);
    return result;
}

int BatchDelFrq(BatchContext& c) {
    const BatchLine& l = c.line;
    AptRecord apt{};
    if (int r = FindLineAirport(c, kBatchFrq, l.count >= 6, &apt)) return r;
    int32_t freq = 0;
    int32_t type = 0;
    if (!ReadFrequency(l, &freq, &type)) return kBatchErrFrq;
    FreqRecord rec{};
    // A DEL line written without the frequency's "M" still names the marked frequency.
    if (!FindFrequency(apt.asno, freq, type, &rec) &&
        ((type & kMarked) != 0 || !FindFrequency(apt.asno, freq, type | kMarked, &rec)))
        return kBatchAbs;
    if (rec.frsno != 0) DeleteRestrictionChain(rec.frsno);
    BatchDeleteRecord<FreqRecord>("FRQ", rec.fsno);
    return kBatchDone;
}
