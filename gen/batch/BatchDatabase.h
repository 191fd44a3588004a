// The batch update's use of the database: the record files it opens, the serial numbers of new
// records, the lookups that several handlers share, writes that end the program when the
// database refuses them, countries and names made on the fly, and restriction chains.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "gen/shell/CGenDBOpen.h"

// The record files the batch update may use (files 0 to 11).
constexpr int kBatchFileCount = 12;

// Opens the record file of a record type for the batch when it is closed.
template <class Record>
void BatchUseFile() {
    dbif_open<Record>();
}

// Closes every record file the batch may have opened.
void BatchCloseFiles();
// Writes the database library's cached index blocks back to their files, so that what the
// batch has done so far is on disk although its record files stay open.
void BatchWriteBack();

// Sets the next serial number of files 0 to 11: the highest serial found plus one, 0 for an
// empty file; RESTR starts at 1 at least.
void InitBatchSerials(int32_t next[kGenFileCount]);
// The same for the names file alone.
void InitBatchNameSerial(int32_t next[kGenFileCount]);
// The next serial number of a file, counted on.
int32_t TakeSerial(int32_t next[kGenFileCount], int fileNumber);

// Ends the program with "Program error: DB %s %s %d failed" (what, type word, serial).
[[noreturn]] void BatchWriteFailed(const char* what, const char* type, int32_t serial);

// Writes; a refusal ends the program with "Program error: DB add/upd %s %d failed" (type word,
// serial) or "Program error: DB del %s %d failed".
template <class Record>
void BatchAddRecord(const Record& record, const char* type, int32_t serial) {
    BatchUseFile<Record>();
    if (!dbif_add(record)) BatchWriteFailed("add/upd", type, serial);
}
template <class Record>
void BatchUpdateRecord(const Record& record, const char* type, int32_t serial) {
    if (!dbif_upd(record)) BatchWriteFailed("add/upd", type, serial);
}
// Deletes the current record of the record type's file.
template <class Record>
void BatchDeleteRecord(const char* type, int32_t serial) {
    if (!dbif_del<Record>()) BatchWriteFailed("del", type, serial);
}

// A new COUNTRY record from a country field that CanAddCountry accepts: cid = its
// AddedCountryId, cname = the text from the fourth (at most 19). Returns its csno.
int32_t AddCountryRecord(int32_t next[kGenFileCount], std::string_view field);
// A new NAME record of the text (BatchNameText form). Returns its nsno.
int32_t AddNameRecord(int32_t next[kGenFileCount], std::string_view text);

// Stores restriction bytes (first byte = count - 1) as a chain of 8-byte RESTR records and
// returns the first one's rcsno; 0 for no bytes.
int32_t StoreRestrictionChain(int32_t next[kGenFileCount], const std::vector<uint8_t>& bytes);
// Deletes the chain that starts at rcsno `first` (to its end or its first missing record).
void DeleteRestrictionChain(int32_t first);

// The first record with this ident (stored form) in the country, through the ident index.
template <class Record>
bool FindIdentInCountry(const char* index, char (Record::*ident)[8], int32_t Record::*country, std::string_view text,
                        int32_t csno, Record* out) {
    if (csno < 0) return false;
    Record buf{};
    std::memcpy(buf.*ident, text.data(), text.size() < 8 ? text.size() : 7);
    char key[8];
    std::memcpy(key, buf.*ident, sizeof key);
    BatchUseFile<Record>();
    dbif_index<Record>(index);
    if (!dbif_find(buf)) return false;
    do {
        if (std::strncmp(buf.*ident, key, sizeof key) != 0) return false;
        if (buf.*country == csno) {
            *out = buf;
            return true;
        }
    } while (dbif_next(buf));
    return false;
}

inline bool FindAirport(std::string_view ident, int32_t csno, AptRecord* out) {
    return FindIdentInCountry("aident", &AptRecord::aident, &AptRecord::acountry, ident, csno, out);
}
