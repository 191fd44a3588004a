// The check of the database folder before a program touches it: no record file may be held
// by another program, and every data file must carry the version mark. The version mark
// itself is written by StampDbVersion.
#pragma once

#include "dblib/FileMgr.h"

#include <string>

// The character in byte kDbVersionMarkOffset of every data file of the current layouts.
inline constexpr char kDbVersionMark = '2';
inline constexpr int kDbVersionMarkOffset = FileMgr::kVersionMarkOffset;

// Texts for the caller to show when the check fails.
inline constexpr const char* kDbInUseText = "Sorry, Database in Use";
inline constexpr const char* kDbVersionText = "Sorry, your ISAM db version is incorrect";

class DbCheck {
public:
    static constexpr int kWrongVersion = -1;

    virtual ~DbCheck();

    // 0 all files usable, > 0 a file is held by another program, -1 a data file has the
    // wrong version mark.
    int Status() const { return m_status; }
    void SetStatus(int status) { m_status = status; }

    // Checks one file and returns true when the status is still 0: a missing file is fine;
    // a file that cannot be opened exclusively raises the status by one; a ".dta" file whose
    // byte 1020 is not the version mark sets the status to -1.
    [[nodiscard]] bool CheckFile(const std::string& path);
    // Checks the data file and then the index file of each name in the database folder,
    // stopping at the first failure.
    [[nodiscard]] bool CheckRecordFiles(const char* const* names, int count);

    // The text for the caller to show for the status, or nullptr when it is 0.
    const char* StatusText() const;

protected:
    int m_status = 0;
};

// Writes the version mark into the data file of that base name in the database folder, which
// is opened without sharing restriction. 1 done, 0 when the file cannot be opened, is shorter
// than its header or cannot be written.
[[nodiscard]] int StampDbVersion(const char* baseName);
// The same for the data file at `path`.
[[nodiscard]] int StampDbVersionAt(const std::string& path);
