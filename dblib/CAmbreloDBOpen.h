// The database viewer's check and open of the fifteen record files of the database folder
// (the viewer sets the folder to the current directory before it starts).
//
// Start-up: construct a CAmbreloDBOpen; when Status() is not 0 the caller shows
// "Sorry, Database in Use" and ends; else it calls OpenAll and reads through File(kind).
#pragma once

#include "dblib/DbCheck.h"
#include "dblib/RecordFiles.h"

#include <memory>

class CAmbreloDBOpen : public DbCheck {
public:
    // Checks the data and index file of all fifteen record files in file-number order,
    // stopping at the first failure. Nothing is created or left open.
    CAmbreloDBOpen();
    ~CAmbreloDBOpen() override;

    // Makes the record-file objects of all fifteen files, each left closed; a missing file
    // is created empty and given the version mark, an existing one is not written. The
    // status becomes the number of files that failed.
    void OpenAll();

    // The record-file object of a file number (null before OpenAll or out of range). Its
    // fields are the record buffer of that file for the life of the opener.
    RecordFile* File(int fileNumber) const;

private:
    std::unique_ptr<RecordFile> m_files[kRecordFileCount];
};
