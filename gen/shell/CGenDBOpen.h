// The generators' access to the aeronautical database: the checker-and-opener of the
// database folder, and the dbif_ operations that move whole records of one record type
// between a caller's record and its record-file object.
#pragma once

#include <cstdint>
#include <memory>

#include "dblib/DbCheck.h"
#include "dblib/RecordFile.h"
#include "dblib/dfAPPR.h"
#include "dblib/dfAPTS.h"
#include "dblib/dfAWPS.h"
#include "dblib/dfAWYS.h"
#include "dblib/dfCOUNTRY.h"
#include "dblib/dfFREQ3.h"
#include "dblib/dfINTS.h"
#include "dblib/dfLWPT.h"
#include "dblib/dfNAMES.h"
#include "dblib/dfNDBS.h"
#include "dblib/dfRESTR.h"
#include "dblib/dfRTE.h"
#include "dblib/dfRWY3.h"
#include "dblib/dfUSR.h"
#include "dblib/dfVORS.h"

// File numbers of the generators' table.
enum GenFileNumber : int {
    kFileApts = dfAPTS::kFileNumber,
    kFileCountry = dfCOUNTRY::kFileNumber,
    kFileFreq3 = dfFREQ3::kFileNumber,
    kFileInts = dfINTS::kFileNumber,
    kFileNames = dfNAMES::kFileNumber,
    kFileNdbs = dfNDBS::kFileNumber,
    kFileRwy3 = dfRWY3::kFileNumber,
    kFileVors = dfVORS::kFileNumber,
    kFileUsr = dfUSR::kFileNumber,
    kFileRestr = dfRESTR::kFileNumber,
    kFileAppr = dfAPPR::kFileNumber,
    kFileLwpt = dfLWPT::kFileNumber,
    kFileAwys = dfAWYS::kFileNumber,
    kFileAwps = dfAWPS::kFileNumber,
    kFileRte = dfRTE::kFileNumber,
    kGenFileCount = 15,
};

// Base name of a file number ("apts" ...), or "" outside 0..14.
const char* GenFileName(int fileNumber);

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
    // Instead of OpenAll: each record-file object is created when it is first used (Use), and
    // a failure is counted in the status then.
    void OpenOnUse();
    // Creates one record-file object (closed after set-up) and stamps its data file; false
    // (counted as a failure) when that cannot be done.
    bool MakeRecordFile(int fileNumber);

    // The record-file object of a file number (null when none).
    RecordFile* File(int fileNumber) const;
    // The same, created now when the opener creates them on use.
    RecordFile* Use(int fileNumber);

    // The opener the dbif_ operations use (the application's; tests set their own).
    static CGenDBOpen* Active();
    static void SetActive(CGenDBOpen* opener);

private:
    std::unique_ptr<RecordFile> files_[kGenFileCount];
    bool onUse_ = false;
    bool tried_[kGenFileCount] = {};  // MakeRecordFile was called for the number
};

// The record-file object of a file number; a number without one is a program error.
RecordFile& GenRecordFile(int fileNumber);
// The failure box of dbif_add, dbif_upd and dbif_del: Abort ends the program, any other
// answer returns 0.
int GenRecordFailed(const char* what, int fileNumber);

// The record file of a record type (AptRecord, ..., RteRecord of dblib/).
template <class Record>
typename Record::File& DbifFile() {
    using File = typename Record::File;
    return static_cast<File&>(GenRecordFile(File::kFileNumber));
}

// Record access through the record type: each record type knows its record file. The record
// moves between the caller's record and the record-file object's fields.
template <class Record>
int dbif_open() {  // 1, or 0 when the file cannot be opened
    return DbifFile<Record>().Open() == 0 ? 1 : 0;
}
template <class Record>
int dbif_close() {  // 1
    DbifFile<Record>().Close();
    return 1;
}
template <class Record>
int dbif_index(const char* index) {  // 1 (an unknown name is fatal)
    DbifFile<Record>().SelectIndex(index);
    return 1;
}
template <class Record>
int dbif_release() {  // 1: the memory of the file's pages read so far is freed
    DbifFile<Record>().DropHeldPages();
    return 1;
}
template <class Record>
int dbif_find(Record& record) {  // 1 found, 0 not
    auto& file = DbifFile<Record>();
    static_cast<Record&>(file) = record;
    if (file.Find() != 0) return 0;
    record = static_cast<const Record&>(file);
    return 1;
}
template <class Record>
int dbif_first(Record& record) {  // 1 or 0
    auto& file = DbifFile<Record>();
    file.Rewind();
    if (file.Next(1) != 0) return 0;
    record = static_cast<const Record&>(file);
    return 1;
}
template <class Record>
int dbif_next(Record& record) {  // 1 or 0 at the end
    auto& file = DbifFile<Record>();
    if (file.Next(1) != 0) return 0;
    record = static_cast<const Record&>(file);
    return 1;
}
template <class Record>
int dbif_findprev(Record& record) {  // 1 or 0: last record below the key
    auto& file = DbifFile<Record>();
    static_cast<Record&>(file) = record;
    (void)file.Find();   // positions only: Prev(1) gives the record below the key
    if (file.Prev(1) != 0) return 0;
    record = static_cast<const Record&>(file);
    return 1;
}
template <class Record>
int dbif_add(const Record& record) {  // 1 added, 0 refused
    auto& file = DbifFile<Record>();
    static_cast<Record&>(file) = record;
    if (file.Insert() != 0) return GenRecordFailed("add", Record::File::kFileNumber);
    return 1;
}
template <class Record>
int dbif_upd(const Record& record) {  // 1 or 0: amend the current record
    auto& file = DbifFile<Record>();
    static_cast<Record&>(file) = record;
    if (file.Amend() != 0) return GenRecordFailed("upd", Record::File::kFileNumber);
    return 1;
}
template <class Record>
int dbif_del() {  // 1 or 0: erase the current record
    if (DbifFile<Record>().Erase() != 0) return GenRecordFailed("del", Record::File::kFileNumber);
    return 1;
}

// Open and close by file number, for work over several record files.
int dbif_open(int fileNumber);   // 1, or 0 when the file cannot be opened
int dbif_close(int fileNumber);  // 1

// Copies at most width - 1 characters and terminates, then cuts the text after its last
// character above blank (below 33 and top-bit characters count as blank), keeping the first.
void SetRecText(char* destination, const char* source, int width);
// Copies a terminated text unchanged.
void CopyKeyText(char* destination, const char* source);
