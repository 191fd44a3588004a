// What the database manager holds of the aeronautical database for its whole run: its eleven
// record-file objects, the display flags and default country settled at open, the change
// journal and the approach-airport list. One object per process (KestraneDb()).
#pragma once

#include "dblib/ApproachAirports.h"
#include "dblib/dfAPTS.h"
#include "dblib/dfCOUNTRY.h"
#include "dblib/dfFREQ3.h"
#include "dblib/dfINTS.h"
#include "dblib/dfNAMES.h"
#include "dblib/dfNDBS.h"
#include "dblib/dfRESTR.h"
#include "dblib/dfRTE.h"
#include "dblib/dfRWY3.h"
#include "dblib/dfUSR.h"
#include "dblib/dfVORS.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

inline constexpr const char* kJournalFile = "upd_bat.txt";

class KestraneDatabase {
public:
    KestraneDatabase() = default;
    ~KestraneDatabase();
    KestraneDatabase(const KestraneDatabase&) = delete;
    KestraneDatabase& operator=(const KestraneDatabase&) = delete;

    // Constructs the eleven record-file objects over the database folder, closed (files and
    // indexes created or rebuilt when missing); does nothing when they exist already.
    void MakeRecordFiles();
    bool HasRecordFiles() const { return apts != nullptr; }

    // Opens the change journal for appending in the current folder; false when it cannot be.
    [[nodiscard]] bool OpenJournal();
    // Resolves a country id text (its first two characters) through index "cid" of the open
    // country file: the country's csno, or -1 when none is given or found.
    int32_t LookUpCountry(const char* countryText);
    // (Re)loads the approach-airport list from the database folder.
    [[nodiscard]] ApproachAirports::LoadResult LoadApproachAirports();

    // Closes the journal and destroys the record-file objects (end of run, or a new folder).
    void Release();

    // The record-file objects, one each for the run (null before MakeRecordFiles).
    std::unique_ptr<dfAPTS> apts;
    std::unique_ptr<dfCOUNTRY> country;
    std::unique_ptr<dfFREQ3> freq3;
    std::unique_ptr<dfINTS> ints;
    std::unique_ptr<dfNAMES> names;
    std::unique_ptr<dfNDBS> ndbs;
    std::unique_ptr<dfRESTR> restr;
    std::unique_ptr<dfRTE> rte;
    std::unique_ptr<dfRWY3> rwy3;
    std::unique_ptr<dfUSR> usr;
    std::unique_ptr<dfVORS> vors;

    bool recordNumbers = false;   // record numbers shown
    bool pictureBytes = false;    // picture bytes shown
    int32_t countryFilter = -1;   // default country: a csno, -1 none
    FILE* journal = nullptr;      // "upd_bat.txt", appended to
    ApproachAirports approachAirports;
    std::string approachMessage;  // the text to show after a failed load of the list, else ""
};

// The process-wide object.
KestraneDatabase& KestraneDb();
