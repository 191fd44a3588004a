// The airport loader: an airport's runways and frequencies decoded from its rwy/com/appr entry
// (or the main-runway summary of an airport without one), and its local waypoints and approach
// list. A damaged entry never reads outside the loaded table: it ends with an error text that the
// listing shows as a line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/ImageReader.h"

constexpr uint32_t kMaxAirportEntries = 80;
constexpr uint32_t kMaxApproaches = 64;
constexpr uint32_t kMaxApproachWaypoints = 4;
constexpr uint32_t kMaxLocalInts = 256;
constexpr uint32_t kMaxLocalNdbs = 16;

struct RunwayEntry {
    bool present = false;
    uint32_t length = 0;  // hundreds of feet
    uint32_t width = 0;   // units of 5 feet
    uint32_t surfaceLights = 0;
    uint32_t designator = 0;    // number bits 0-4, letter 5-6, bit 7 with the other end in bits 8-12
    int32_t flag = -1;          // the flag byte sign-extended; negative: no width
    uint32_t pictureStart = 0;  // the two threshold words (0 when absent)
    uint32_t picture = 0;

    bool HasThresholds() const { return pictureStart != 0 || picture != 0; }
};

struct FrequencyEntry {
    bool present = false;
    uint8_t type = 0;                // low 4 bits the frequency type, bits 6 and 7 the two '*' marks
    uint32_t code = 0;               // 12-bit frequency code: MHz x 100 - 10800
    uint32_t flags = 0;              // the 3 flag bits beside the code
    std::vector<uint8_t> extension;  // byte 0 the count of bytes that follow, byte 1 the flag byte
};

struct AirportTables {
    int32_t record = -1;      // the airport loaded (the cache key)
    bool hasInfo = false;     // the record points into the rwy/com/appr table
    uint32_t infoOffset = 0;  // offset of the entry in the table
    uint32_t infoEnd = 0;     // where the next airport's entry begins (or the table's end)
    uint8_t infoFlags = 0;
    RunwayEntry runways[kMaxAirportEntries];
    FrequencyEntry frequencies[kMaxAirportEntries];
    uint32_t runwayCount = 0;
    uint32_t frequencyLines = 0;  // one past the highest frequency index used
    uint32_t approachStart = 0;   // offset in the table where the approach data begins
    std::string error;            // why the entry could not be read to its end

    // Runway and frequency lines: the larger of the two counts.
    uint32_t LineCount() const { return runwayCount > frequencyLines ? runwayCount : frequencyLines; }
};

// Decodes the airport's entry into the tables (record number `number`, record bytes given);
// returns the number of runway entries, or with `larger` the larger of the runway and frequency
// counts. A repeated call for the same airport uses the tables as loaded.
uint32_t LoadAirportInfo(const ImageReader& reader, uint32_t number, const uint8_t* record, bool larger,
                         AirportTables* tables);

// The offset of the airport's entry in the rwy/com/appr table and whether it has one.
bool AirportInfoOffset(const ImageParams& params, const uint8_t* record, uint32_t* offset);

struct LocalInt {
    GeoPoint position;
    std::string ident;  // up to 5 characters
};

struct LocalNdb {
    GeoPoint position;
    std::string ident;       // up to 3 characters
    uint32_t frequency = 0;  // kHz x 10
};

struct ApproachWaypointRef {
    uint8_t code = 0;        // kind in the high nibble
    uint32_t reference = 0;  // record number (kinds below 0x80) or table position
};

struct ApproachEntry {
    uint8_t type = 0;
    uint32_t idIndex = 0;
    std::vector<ApproachWaypointRef> waypoints;
};

struct ApproachList {
    int32_t record = -1;  // the airport loaded (the cache key)
    std::vector<LocalInt> ints;
    std::vector<LocalNdb> ndbs;
    std::vector<ApproachEntry> approaches;
    std::string error;  // why the list could not be read to its end

    // One title line per approach and one line per waypoint.
    uint32_t LineCount() const;
};

// Loads the approach list of the airport whose tables are loaded (the airport's position is
// that of its record); returns the number of approaches.
uint32_t LoadApproaches(const ImageReader& reader, const AirportTables& tables, const GeoPoint& airport,
                        ApproachList* list);
