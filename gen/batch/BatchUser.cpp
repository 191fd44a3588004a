// Batch USR lines: 3 ident (up to 7 characters, '-' allowed), 4 latitude, 5 longitude, 6 name.
#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/batch/BatchHandlers.h"

namespace {

constexpr int32_t kUserIcon = 0x120003;

bool FindUser(std::string_view ident, UsrRecord* out) {
    UsrRecord buf{};
    CopyIdent(buf.uident, ident);
    BatchUseFile<UsrRecord>();
    dbif_index<UsrRecord>("uident");
    if (!dbif_find(buf)) return false;
    *out = buf;
    return true;
}

}  // namespace

int BatchAddUsr(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(kBatchUsr)) return kBatchErrF3;
    if (l.count != 6) return kBatchErrFc;
    UsrRecord rec{};
    const bool found = FindUser(l.Field(3), &rec);
    int32_t lat = 0;
    int32_t lon = 0;
    if (int r = ParseBatchPosition(l.Field(4), &lat, false, kBatchUsr)) return r;
    if (int r = ParseBatchPosition(l.Field(5), &lon, true, kBatchUsr)) return r;

    CopyIdent(rec.uident, l.Field(3));
    rec.ulat = lat;
    rec.ulong = lon;
    std::string name = l.Field(6).substr(0, sizeof rec.uname - 1);
    std::memset(rec.uname, 0, sizeof rec.uname);
    SetRecText(rec.uname, name.c_str(), sizeof rec.uname);
    rec.utime = c.now;
    rec.uicon = kUserIcon;
    if (found) {
        BatchUpdateRecord(rec, "USR", rec.usno);
        return kBatchModified;
    }
    rec.usno = TakeSerial(c.next, kFileUsr);
    BatchAddRecord(rec, "USR", rec.usno);
    return kBatchDone;
}

int BatchDelUsr(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > BatchIdentLimit(kBatchUsr)) return kBatchErrF3;
    if (l.count < 3) return kBatchErrFc;
    UsrRecord rec{};
    if (!FindUser(l.Field(3), &rec)) return kBatchAbs;
    BatchDeleteRecord<UsrRecord>("USR", rec.usno);
    return kBatchDone;
}
