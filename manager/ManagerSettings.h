// The manager's process-wide display settings: what the View menu shows, the three filters,
// the database kind and the line buffer every list line is built in.
#pragma once

#include <cstdint>
#include <string>

#include "common/ListingLine.h"
#include "platform/DeviceContext.h"

struct ManagerSettings {
    bool recordNumbers = false;  // columns 0-4 shown
    bool pictureBytes = false;   // runway picture bytes shown in hex
    bool icons = true;           // user waypoints show their symbol, else their time
    int32_t countryFilter = -1;  // a country record number, -1 none
    std::string identFilter;     // upper case, digits stored as p-y; empty none
    std::string nameFilter;      // as typed; empty none
    int kindVote = 0;            // airports of the 696 form minus those of the older form
    ListingLine line;            // the 159-column line buffer
    platform::Font screenFont{"Courier New", 16, 0, 500, false, false, platform::Pitch::Fixed,
                              platform::FontFamily::DontCare, platform::FontQuality::Draft};
    platform::Font printFont{"Courier New", 0, 0, 500, false, false, platform::Pitch::Fixed,
                             platform::FontFamily::Modern, platform::FontQuality::Proof};

    bool Legacy() const { return kindVote < 0; }
};

ManagerSettings& Manager();

// Counts every airport record's form once: +1 for the 696 form, -1 for the older form (an empty
// file counts as 696). The apts file is opened and closed.
void DecideDatabaseKind();
