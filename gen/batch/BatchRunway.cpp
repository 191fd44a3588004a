// Batch RWY lines: 3 the airport's ident, 4 country, 5 length (and 'X' width), 6 designator,
// 7 surface, 8 lighting, 9 picture field; in the 13-field form 9 the flag word and 10-13 the
// positions of the two runway ends.
#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/batch/BatchHandlers.h"

namespace {

constexpr int32_t kPictureKindBase = static_cast<int32_t>(0xF0000000u);
constexpr int32_t kRslPicture = 64;

}  // namespace

bool FindRunway(int32_t asno, int32_t code, bool takePlaceholder, RwyRecord* out) {
    BatchUseFile<RwyRecord>();
    dbif_index<RwyRecord>("raptno");
    RwyRecord buf{};
    buf.raptno = asno;
    if (!dbif_find(buf)) return false;
    int32_t placeholder = -1;
    do {
        if (buf.raptno != asno) break;
        if (buf.rw == code) {
            *out = buf;
            return true;
        }
        if (takePlaceholder && code != 0 && buf.rw == 0 && placeholder < 0) placeholder = buf.rsno;
    } while (dbif_next(buf));
    if (placeholder < 0) return false;
    dbif_index<RwyRecord>("rsno");
    buf = RwyRecord{};
    buf.rsno = placeholder;
    if (!dbif_find(buf)) return false;
    *out = buf;
    return true;
}

int BatchAddRwy(BatchContext& c) {
    const BatchLine& l = c.line;
    AptRecord apt{};
    if (int r = FindLineAirport(c, kBatchRwy, l.count == 9 || l.count == 13, &apt)) return r;
    int32_t code = 0;
    if (ParseRunwayDesignator(l.Field(6), &code) != 0) return kBatchErrRwy;
    RwyRecord rec{};
    const bool found = FindRunway(apt.asno, code, true, &rec);
    RunwayFields f;
    if (int r = ParseRunwayFields(l, apt.alat, apt.along, &f)) return r;

    if (!found) {
        rec.rflags = -1;
        rec.rpicfl = kPictureKindBase;
    }
    rec.raptno = apt.asno;
    rec.rlen = f.length;
    rec.rwidth = f.width;
    rec.rw = code;
    rec.rsl = f.rsl;
    switch (f.picture) {
    case RunwayFields::Picture::None:
        if (rec.rpic != 0) rec.rsl |= kRslPicture;
        break;
    case RunwayFields::Picture::Ends:
    case RunwayFields::Picture::Words:
    case RunwayFields::Picture::Cleared:
        rec.rflags = f.rflags;
        rec.rpicst = f.rpicst;
        rec.rpic = f.rpic;
        rec.rnpic = f.rnpic;
        rec.rnpic2 = f.rnpic2;
        break;
    }
    if (f.hasMarker) rec.rpicfl = (rec.rpicfl & ~3) | f.marker;
    if (found) {
        BatchUpdateRecord(rec, "RWY", rec.rsno);
    } else {
        rec.rsno = TakeSerial(c.next, kFileRwy3);
        BatchAddRecord(rec, "RWY", rec.rsno);
    }
    ClearBriefMark(c, apt);
    return found ? kBatchModified : kBatchDone;
}

int BatchDelRwy(BatchContext& c) {
    const BatchLine& l = c.line;
    AptRecord apt{};
    if (int r = FindLineAirport(c, kBatchRwy, l.count >= 6, &apt)) return r;
    int32_t code = 0;
    if (ParseRunwayDesignator(l.Field(6), &code) != 0) return kBatchErrRwy;
    RwyRecord rec{};
    if (!FindRunway(apt.asno, code, false, &rec)) return kBatchAbs;
    BatchDeleteRecord<RwyRecord>("RWY", rec.rsno);
    return kBatchDone;
}
