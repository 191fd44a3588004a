// The database manager's check and open of the database folder.
//
// Start-up: construct a CKestraneDBOpen; when StatusText() is not null the caller shows it
// ("Sorry, Database in Use" or "Sorry, your ISAM db version is incorrect") and ends; else it
// calls OpenDatabase and shows KestraneDb().approachMessage when that is not empty.
#pragma once

#include "dblib/DbCheck.h"

class CKestraneDBOpen : public DbCheck {
public:
    // Checks the data and index file of each of the manager's eleven record files, stopping
    // at the first failure. Nothing is left open.
    CKestraneDBOpen();
    ~CKestraneDBOpen() override;

    // Opens the database for the manager's run (KestraneDb()): the record-file objects
    // (constructed on the first call), the version mark stamped into every data file, the
    // country and names files kept open, the display flags (counts not 0), the default country
    // from countryText (none: nullptr), the change journal and the approach-airport list.
    // Returns the status, now the number of data files that could not be stamped.
    [[nodiscard]] int OpenDatabase(const char* countryText, int recordNumbers, int pictureBytes);
};
