// The display lines of the common records, track points of either age and newer waypoints,
// written straight from the record's bytes into a saved text or the listing's line texts: the
// bytes FormatGarRecord gives them, without a GarLine per line. A record these decline (another layout, a field that
// would run into the next, a value shown through printf) is left to FormatGarRecord.
#pragma once

#include <string>
#include <vector>

#include "transfer/common/GarRecord.h"

class GarFastLines {
public:
    // Track lines are made blank this far; the fields of every fixed layout end before it.
    static constexpr int kLineRoom = 104;
    // Room that Write may fill: a record's lines and the fields written past a line's end
    // before it is cut.
    static constexpr size_t kRecordRoom = 640;

    // The record's `lines` display lines, each followed by CR LF, written at `out`; their end,
    // or null for a record left to FormatGarRecord.
    char* Write(const GarRecord& record, bool newer, int number, int lines, char* out);
    // The same lines as texts, as many as `lines` holds; false, with the lines left as they
    // were, for a record left to FormatGarRecord.
    bool Format(const GarRecord& record, bool newer, int number, std::vector<std::string>& lines);

private:
    // The track point's line brought up to date in track_: its length, or -1 for a record left
    // to FormatGarRecord.
    int TrackLine(const GarRecord& r, bool newer, int number);
    char* Waypoint(const GarRecord& r, int number, char* out);
    // Ends line `s` at `end` with CR LF; returns where the next line begins.
    char* EndLine(char* end, int s) {
        lineEnds_[s] = end;
        end[0] = '\r';
        end[1] = '\n';
        return end + 2;
    }
    // The symbol field's text "Icon= \"name\" display" of the symbol and display code last
    // asked; 0 long for none.
    void SymbolText(int symbol, int display);

    // The track line last written, kept with the values it shows: the next point's line changes
    // the fields whose values changed. `trackKept` is false when the line shows nothing known.
    char track_[kLineRoom];
    bool trackKept_ = false;
    bool trackNewer_ = false;
    int trackNumber_ = 0;
    int32_t trackLatitude_ = 0;
    int32_t trackLongitude_ = 0;
    int32_t trackTime_ = 0;
    uint32_t trackMetres_ = 0;
    bool trackStart_ = false;
    int altitudeEnd_ = 0;  // the column after the feet, 0 for none
    int timeLength_ = 0;

    // Where the lines of the last Write end, before their CR LF.
    const char* lineEnds_[4] = {};

    // The height field's text "Height:n ft, " of the metres (a float's bits) last asked; 0 long
    // before the first.
    void HeightText(uint32_t metres);
    uint32_t heightMetres_ = 0;
    char heightText_[32] = {};
    int heightLength_ = 0;

    int symbol_ = -1;
    int display_ = -1;
    char symbolText_[48] = {};
    int symbolLength_ = 0;
};
