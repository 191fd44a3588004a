#include "dblib/CKestraneDBOpen.h"

#include "dblib/KestraneDatabase.h"
#include "dblib/RecordFiles.h"

// The outcome is the status word (Status()).
CKestraneDBOpen::CKestraneDBOpen() { (void)CheckRecordFiles(kManagerFiles, kManagerFileCount); }

CKestraneDBOpen::~CKestraneDBOpen() = default;

int CKestraneDBOpen::OpenDatabase(const char* countryText, int recordNumbers, int pictureBytes) {
    KestraneDatabase& db = KestraneDb();
    db.MakeRecordFiles();

    m_status = 0;
    for (const char* name : kManagerFiles)
        if (!StampDbVersion(name)) ++m_status;

    // Held open for the whole run: their exclusive opens keep other programs out.
    // A file that cannot be opened is counted with those that could not be stamped.
    for (IsamMgr* file : {static_cast<IsamMgr*>(db.country.get()),
                          static_cast<IsamMgr*>(db.names.get())})
        if (file->Open() != 0) ++m_status;

    db.recordNumbers = recordNumbers != 0;
    db.pictureBytes = pictureBytes != 0;
    db.countryFilter = db.LookUpCountry(countryText);
    // Without its change journal the manager runs on (journal stays null); a list that could
    // not be loaded leaves its message in approachMessage.
    (void)db.OpenJournal();
    (void)db.LoadApproachAirports();
    return m_status;
}
