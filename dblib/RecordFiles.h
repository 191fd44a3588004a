// The fifteen record files of the aeronautical database by file number, and the eleven that
// the database manager uses.
#pragma once

#include "dblib/RecordFile.h"

#include <memory>

struct RecordFileInfo {
    const char* name;   // file base name
    int recordLength;
};

inline constexpr int kRecordFileCount = 15;
// By file number: apts, country, freq3, ints, names, ndbs, rwy3, vors, usr, restr, appr, lwpt,
// awys, awps, rte.
extern const RecordFileInfo kRecordFiles[kRecordFileCount];
// The base names alone, in the same order.
extern const char* const kRecordFileNames[kRecordFileCount];

inline constexpr int kManagerFileCount = 11;
// The manager's record files, in the order it checks and opens them.
extern const char* const kManagerFiles[kManagerFileCount];

// The file number of a base name, or -1.
int RecordFileNumber(const char* name);

// Constructs the record-file object of a file number over the given paths (nullptr for a
// number outside 0..14).
std::unique_ptr<RecordFile> MakeRecordFileObject(int fileNumber, const std::string& dataPath,
                                                 const std::string& indexPath, int mode);
// The same over the data and index file of its name in the database folder.
std::unique_ptr<RecordFile> MakeRecordFileObject(int fileNumber, int mode);
