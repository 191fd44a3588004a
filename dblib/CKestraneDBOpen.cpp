#include "dblib/CKestraneDBOpen.h"

#include "dblib/KestraneDatabase.h"
#include "dblib/RecordFiles.h"

CKestraneDBOpen::CKestraneDBOpen() { CheckRecordFiles(kManagerFiles, kManagerFileCount); }

CKestraneDBOpen::~CKestraneDBOpen() = default;

int CKestraneDBOpen::OpenDatabase(const char* countryText, int recordNumbers, int pictureBytes) {
    KestraneDatabase& db = KestraneDb();
    db.MakeRecordFiles();

    m_status = 0;
    for (const char* name : kManagerFiles)
        if (!StampDbVersion(name)) ++m_status;

    // Held open for the whole run: their exclusive opens keep other programs out.
    db.country->Open();
    db.names->Open();

    db.recordNumbers = recordNumbers != 0;
    db.pictureBytes = pictureBytes != 0;
    db.countryFilter = db.LookUpCountry(countryText);
    db.OpenJournal();
    db.LoadApproachAirports();
    return m_status;
}
