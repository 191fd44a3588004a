#include "manager/ManagerSettings.h"

#include "dblib/KestraneDatabase.h"

ManagerSettings& Manager() {
    static ManagerSettings settings;
    return settings;
}

void DecideDatabaseKind() {
    dfAPTS& apts = *KestraneDb().apts;
    int vote = 0;
    if (apts.Open() == 0) {
        apts.SelectIndex("asno");
        (void)apts.Rewind();
        while (apts.Next(1) == 0) vote += apts.a212025 == -1 ? -1 : 1;
        apts.Close();
    }
    Manager().kindVote = vote;
}
