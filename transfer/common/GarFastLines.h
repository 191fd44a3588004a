// The display lines of the common records, track points of either age and newer waypoints,
// written straight from the record's bytes into the listing's texts: the bytes FormatGarRecord
// gives them, without a GarLine per line. A record these decline (another layout, a field that
// would run into the next, a value shown through printf) is left to FormatGarRecord.
#pragma once

#include <string>
#include <vector>

#include "transfer/common/GarRecord.h"

class GarFastLines {
public:
    // The record's display lines, as many as `lines` holds; false, with the lines left as they
    // were, for a record left to FormatGarRecord.
    bool Format(const GarRecord& record, bool newer, int number, std::vector<std::string>& lines);

private:
    bool TrackPoint(const GarRecord& r, bool newer, int number, std::string& out);
    bool Waypoint(const GarRecord& r, int number, std::vector<std::string>& lines);
    // The symbol field's text "Icon= \"name\" " of the symbol last asked; 0 long for none.
    void SymbolText(int symbol);

    int symbol_ = -1;
    char symbolText_[40] = {};
    int symbolLength_ = 0;
};
