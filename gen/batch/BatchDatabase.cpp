#include "gen/batch/BatchDatabase.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "dblib/BlockCache.h"
#include "gen/batch/BatchFields.h"
#include "gen/shell/GenExit.h"

namespace {

const char* const kSerialIndexes[kBatchFileCount] = {
    "asno", "csno", "fsno", "isno", "nsno", "bsno", "rsno", "vsno", "usno", "rcsno", "psno", "lsno",
};

[[noreturn]] void WriteFailed(const char* what, const char* type, int32_t serial) {
    char text[96];
    std::snprintf(text, sizeof text, "Program error: DB %s %s %d failed", what, type, serial);
    ProgramError(text);
}

}  // namespace

void BatchUseFile(int fileNumber) { dbif_open(fileNumber); }

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
    for (int f = 0; f < kBatchFileCount; ++f) {
        // Every record begins with its serial number: the largest one keys the last record.
        uint8_t buffer[128] = {};
        const int32_t largest = INT32_MAX;
        std::memcpy(buffer, &largest, sizeof largest);
        BatchUseFile(f);
        dbif_index(f, kSerialIndexes[f]);
        int32_t highest = -1;
        if (dbif_findprev(f, buffer)) std::memcpy(&highest, buffer, sizeof highest);
        next[f] = highest < INT32_MAX ? highest + 1 : INT32_MAX;
    }
    if (next[kFileRestr] < 1) next[kFileRestr] = 1;
}

int32_t TakeSerial(int32_t next[kGenFileCount], int fileNumber) {
    int32_t serial = next[fileNumber];
    if (serial < INT32_MAX) next[fileNumber] = serial + 1;
    return serial;
}

void BatchAddRecord(int fileNumber, void* buffer, const char* type, int32_t serial) {
    BatchUseFile(fileNumber);
    if (!dbif_add(fileNumber, buffer)) WriteFailed("add/upd", type, serial);
}

void BatchUpdateRecord(int fileNumber, void* buffer, const char* type, int32_t serial) {
    if (!dbif_upd(fileNumber, buffer)) WriteFailed("add/upd", type, serial);
}

void BatchDeleteRecord(int fileNumber, const char* type, int32_t serial) {
    if (!dbif_del(fileNumber)) WriteFailed("del", type, serial);
}

int32_t AddCountryRecord(int32_t next[kGenFileCount], std::string_view field) {
    CountryBuf buf{};
    buf.csno = TakeSerial(next, kFileCountry);
    const std::string id = AddedCountryId(field);
    std::memcpy(buf.cid, id.data(), id.size());
    std::string name(field.substr(3, 19));
    SetRecText(buf.cname, name.c_str(), sizeof buf.cname);
    BatchUseFile(kFileCountry);
    if (!dbif_add(kFileCountry, &buf)) WriteFailed("add", "COUNTRY", buf.csno);
    return buf.csno;
}

int32_t AddNameRecord(int32_t next[kGenFileCount], std::string_view text) {
    NameBuf buf{};
    buf.nsno = TakeSerial(next, kFileNames);
    std::string name = BatchNameText(text);
    std::memcpy(buf.nname, name.data(), name.size());
    BatchUseFile(kFileNames);
    if (!dbif_add(kFileNames, &buf)) WriteFailed("add", "NAME", buf.nsno);
    return buf.nsno;
}

int32_t StoreRestrictionChain(int32_t next[kGenFileCount], const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return 0;
    const size_t records = (bytes.size() + 7) / 8;
    std::vector<int32_t> serials(records);
    for (int32_t& s : serials) s = TakeSerial(next, kFileRestr);
    BatchUseFile(kFileRestr);
    for (size_t i = 0; i < records; ++i) {
        RestrBuf buf{};
        buf.rcsno = serials[i];
        buf.rcnxt = i + 1 < records ? serials[i + 1] : 0;
        const size_t n = std::min<size_t>(8, bytes.size() - i * 8);
        std::memcpy(buf.rcres, bytes.data() + i * 8, n);
        if (!dbif_add(kFileRestr, &buf)) WriteFailed("add", "RESTR", buf.rcsno);
    }
    return serials[0];
}

void DeleteRestrictionChain(int32_t first) {
    BatchUseFile(kFileRestr);
    dbif_index(kFileRestr, "rcsno");
    int32_t serial = first;
    // Each record is deleted before the next is looked up, so a chain that loops back ends at
    // the record already deleted.
    while (serial != 0) {
        RestrBuf buf{};
        buf.rcsno = serial;
        if (!dbif_find(kFileRestr, &buf)) break;
        BatchDeleteRecord(kFileRestr, "RESTR", serial);
        serial = buf.rcnxt;
    }
}
