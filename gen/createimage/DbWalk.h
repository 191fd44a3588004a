// A walk over a record file through one of its indexes, one record per call.
#pragma once

#include "dblib/Transaction.h"
#include "gen/shell/CGenDBOpen.h"

class DbWalk {
public:
    // The first record on the first call, then the next; false at the end (the walk is then
    // over and the next call starts again). At the end the memory of the file's pages goes back
    // for the next walk's.
    template <class Record>
    bool Next(const char* index, Record& record) {
        int found;
        if (!active_) {
            dbif_index<Record>(index);
            found = dbif_first(record);
            active_ = true;
        } else {
            found = dbif_next(record);
        }
        if (!found) {
            active_ = false;
            dbif_release<Record>();
            dbtx::DropAllUnchanged();
        }
        return found != 0;
    }
    void Reset() { active_ = false; }

private:
    bool active_ = false;
};
