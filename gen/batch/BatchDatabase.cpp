#include "gen/batch/BatchDatabase.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "dblib/BlockCache.h"
#include "gen/batch/BatchFields.h"
#include "gen/shell/GenExit.h"

namespace {

// The serial number of the record with the highest one (through its serial index), or -1.
template <class Record>
int32_t HighestSerial(const char* index, int32_t Record::*serial) {
    // The largest possible serial as the key: the record below it is the last one.
    Record record{};
    record.*serial = INT32_MAX;
    BatchUseFile<Record>();
    dbif_index<Record>(index);
    return dbif_findprev(record) ? record.*serial : -1;
}

template <class Record>
void SetNextSerial(int32_t next[kGenFileCount], const char* index, int32_t Record::*serial) {
    const int32_t highest = HighestSerial(index, serial);
    next[Record::File::kFileNumber] = highest < INT32_MAX ? highest + 1 : INT32_MAX;
}

}  // namespace

void BatchWriteFailed(const char* what, const char* type, int32_t serial) {
    char text[96];
    std::snprintf(text, sizeof text, "Program error: DB %s %s %d failed", what, type, serial);
    ProgramError(text);
}

void BatchCloseFiles() {
    for (int f = 0; f < kBatchFileCount; ++f) {
        if (CGenDBOpen::Active() && CGenDBOpen::Active()->File(f)) dbif_close(f);
    }
}

void BatchWriteBack() {
    BlockCache* cache = BlockCache::Instance();
    if (!cache) return;
    for (int i = 0; i < BlockCache::kEntries; ++i) {
        if (cache->At(i).state == BlockCache::kDirty) cache->FlushBlock(i);
    }
}

void InitBatchSerials(int32_t next[kGenFileCount]) {
    SetNextSerial(next, "asno", &AptRecord::asno);
    SetNextSerial(next, "csno", &CountryRecord::csno);
    SetNextSerial(next, "fsno", &FreqRecord::fsno);
    SetNextSerial(next, "isno", &IntRecord::isno);
    InitBatchNameSerial(next);
    SetNextSerial(next, "bsno", &NdbRecord::bsno);
    SetNextSerial(next, "rsno", &RwyRecord::rsno);
    SetNextSerial(next, "vsno", &VorRecord::vsno);
    SetNextSerial(next, "usno", &UsrRecord::usno);
    SetNextSerial(next, "rcsno", &RestrRecord::rcsno);
    SetNextSerial(next, "psno", &ApprRecord::psno);
    SetNextSerial(next, "lsno", &LwptRecord::lsno);
    if (next[kFileRestr] < 1) next[kFileRestr] = 1;
}

void InitBatchNameSerial(int32_t next[kGenFileCount]) { SetNextSerial(next, "nsno", &NameRecord::nsno); }

int32_t TakeSerial(int32_t next[kGenFileCount], int fileNumber) {
    int32_t serial = next[fileNumber];
    if (serial < INT32_MAX) next[fileNumber] = serial + 1;
    return serial;
}

int32_t AddCountryRecord(int32_t next[kGenFileCount], std::string_view field) {
    CountryRecord buf{};
    buf.csno = TakeSerial(next, kFileCountry);
    const std::string id = AddedCountryId(field);
    std::memcpy(buf.cid, id.data(), id.size());
    std::string name(field.substr(3, 19));
    SetRecText(buf.cname, name.c_str(), sizeof buf.cname);
    BatchUseFile<CountryRecord>();
    if (!dbif_add(buf)) BatchWriteFailed("add", "COUNTRY", buf.csno);
    return buf.csno;
}

int32_t AddNameRecord(int32_t next[kGenFileCount], std::string_view text) {
    NameRecord buf{};
    buf.nsno = TakeSerial(next, kFileNames);
    std::string name = BatchNameText(text);
    std::memcpy(buf.nname, name.data(), name.size());
    BatchUseFile<NameRecord>();
    if (!dbif_add(buf)) BatchWriteFailed("add", "NAME", buf.nsno);
    return buf.nsno;
}

int32_t StoreRestrictionChain(int32_t next[kGenFileCount], const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return 0;
    const size_t records = (bytes.size() + 7) / 8;
    std::vector<int32_t> serials(records);
    for (int32_t& s : serials) s = TakeSerial(next, kFileRestr);
    BatchUseFile<RestrRecord>();
    for (size_t i = 0; i < records; ++i) {
        RestrRecord buf{};
        buf.rcsno = serials[i];
        buf.rcnxt = i + 1 < records ? serials[i + 1] : 0;
        const size_t n = std::min<size_t>(8, bytes.size() - i * 8);
        std::memcpy(buf.rcres, bytes.data() + i * 8, n);
        if (!dbif_add(buf)) BatchWriteFailed("add", "RESTR", buf.rcsno);
    }
    return serials[0];
}

void DeleteRestrictionChain(int32_t first) {
    BatchUseFile<RestrRecord>();
    dbif_index<RestrRecord>("rcsno");
    int32_t serial = first;
    // Each record is deleted before the next is looked up, so a chain that loops back ends at
    // the record already deleted.
    while (serial != 0) {
        RestrRecord buf{};
        buf.rcsno = serial;
        if (!dbif_find(buf)) break;
        BatchDeleteRecord<RestrRecord>("RESTR", serial);
        serial = buf.rcnxt;
    }
}
