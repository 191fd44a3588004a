// Parsing of latitude and longitude texts:
//   compact       "N513000", "W0012000"   (letter, 6 or 7 digits: degrees, minutes, seconds)
//   minutes form  "N 51~30.5", "W 1#20.25", "N 51\xB030.500"   (letter, degrees, mark, decimal minutes)
#pragma once

#include <cstdint>

// The error code that a failed coordinate parse leaves in the status.
constexpr int kCoordinateParseError = 11;

// What the callers of ParseCoordinate clear before and read after a parse.
struct CoordinateParseStatus {
    int error = 0;              // kCoordinateParseError after a failure; never cleared by a parse
    bool farLongitude = false;  // set by a value above 150 degrees; never cleared by a parse
    void Clear() { *this = CoordinateParseStatus(); }
};

// The status shared by the callers that use the process-wide one (batch update, compilers).
CoordinateParseStatus& SharedCoordinateStatus();

// The rules that differ between the notations' users.
struct CoordinateRules {
    const char* minuteMarks;  // characters accepted between degrees and decimal minutes
    int maxLatitude;          // highest latitude in whole degrees
};

// '~', '#' and the degree sign; latitude up to 90.
extern const CoordinateRules kListingCoordinateRules;

// The outcome of scanning one coordinate text.
struct CoordinateScan {
    double degrees = 0;     // magnitude: degrees + minutes / 60 + seconds / 3600
    bool negative = false;  // 'S' or 'W'
    bool valid = false;     // every check passed
    char* next = nullptr;   // the text position after the coordinate (or where the scan stopped)
};

// Scans one coordinate at the start of text (leading blanks skipped). Changes the text in place:
// it is cut after its last character above a blank, and the mark of the minutes form becomes '~'.
CoordinateScan ScanCoordinate(char* text, bool isLongitude, const CoordinateRules& rules);

// Parses a coordinate into circle units keeping `bits` significant bits (see DegreesToCircle).
// *out is always written (from the fields that could be read, 0 for the others); a failure sets
// status.error to kCoordinateParseError; a value above 150 degrees sets status.farLongitude.
// Returns the text position after the coordinate.
char* ParseCoordinate(char* text, int32_t* out, int bits, bool isLongitude, CoordinateParseStatus& status);

// The same with the shared status.
char* ParseCoordinate(char* text, int32_t* out, int bits, bool isLongitude);
