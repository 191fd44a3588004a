// The generators' access to the aeronautical database: the checker-and-opener of the
// database folder, and the dbif_ operations that address a record file by its file number
// and move whole records between a caller's buffer and the record-file object.
#pragma once

#include <cstdint>
#include <memory>

#include "dblib/DbCheck.h"

class RecordFile;

// File numbers of the generators' table.
enum GenFileNumber : int {
    kFileApts = 0,
    kFileCountry = 1,
    kFileFreq3 = 2,
    kFileInts = 3,
    kFileNames = 4,
    kFileNdbs = 5,
    kFileRwy3 = 6,
    kFileVors = 7,
    kFileUsr = 8,
    kFileRestr = 9,
    kFileAppr = 10,
    kFileLwpt = 11,
    kFileAwys = 12,
    kFileAwps = 13,
    kFileRte = 14,
    kGenFileCount = 15,
};

// Base name of a file number ("apts" ...), or "" outside 0..14.
const char* GenFileName(int fileNumber);
// Record length of a file number's buffer (0 outside 0..14).
int GenRecordLength(int fileNumber);

// Offsets of the generators' USR buffer (name before time).
constexpr int kUsrBufUsno = 0;
constexpr int kUsrBufIdent = 4;
constexpr int kUsrBufLat = 12;
constexpr int kUsrBufLong = 16;
constexpr int kUsrBufName = 20;
constexpr int kUsrBufTime = 52;
constexpr int kUsrBufIcon = 56;

class CGenDBOpen : public DbCheck {
public:
    // Checks the fifteen record files of the database folder in table order, each data file
    // then its index file, stopping at the first failure.
    CGenDBOpen();
    ~CGenDBOpen() override;
    CGenDBOpen(const CGenDBOpen&) = delete;
    CGenDBOpen& operator=(const CGenDBOpen&) = delete;

    // Creates every record-file object; the status becomes the number that failed.
    void OpenAll();
    // Creates one record-file object (closed after set-up) and stamps its data file; false
    // (counted as a failure) when that cannot be done.
    bool MakeRecordFile(int fileNumber);

    // The record-file object of a file number (null when none).
    RecordFile* File(int fileNumber) const;

    // The opener the dbif_ operations use (the application's; tests set their own).
    static CGenDBOpen* Active();
    static void SetActive(CGenDBOpen* opener);

private:
    std::unique_ptr<RecordFile> files_[kGenFileCount];
};

// All take a file number; a number without a record-file object is a program error.
int dbif_open(int fileNumber);                      // 1
int dbif_close(int fileNumber);                     // 1
int dbif_index(int fileNumber, const char* index);  // 1 (an unknown name is fatal)
int dbif_find(int fileNumber, void* buffer);        // 1 found, 0 not
int dbif_first(int fileNumber, void* buffer);       // 1 or 0
int dbif_next(int fileNumber, void* buffer);        // 1 or 0 at the end
int dbif_findprev(int fileNumber, void* buffer);    // 1 or 0: last record below the key
int dbif_add(int fileNumber, void* buffer);         // 1 added, 0 refused
int dbif_upd(int fileNumber, void* buffer);         // 1 or 0: amend the current record
int dbif_del(int fileNumber);                       // 1 or 0: erase the current record

// Copies at most width - 1 characters and terminates, then cuts the text after its last
// character above blank (below 33 and top-bit characters count as blank), keeping the first.
void SetRecText(char* destination, const char* source, int width);
// Copies a terminated text unchanged.
void CopyKeyText(char* destination, const char* source);

// Buffer order <-> disk order of a record (only USR differs).
void RecordToDisk(int fileNumber, const uint8_t* buffer, uint8_t* disk);
void RecordFromDisk(int fileNumber, const uint8_t* disk, uint8_t* buffer);
