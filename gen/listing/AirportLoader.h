// The airport loader of the listings: an airport's rwy/com/appr entry read through the entry
// decoder that Create ISAM uses (or the main-runway summary of an airport without one), laid out
// in the tables that the runway-and-frequency lines and the approach lines show. A damaged entry
// keeps what could be read and ends with an error text that the listing shows as a line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gen/image/AirportDetail.h"
#include "gen/createisam/CreateIsamDetail.h"
#include "gen/image/ImageReader.h"

constexpr uint32_t kMaxAirportEntries = 80;

struct RunwayEntry {
    bool present = false;
    uint32_t length = 0;  // hundreds of feet
    uint32_t width = 0;   // units of 5 feet
    uint32_t surfaceLights = 0;
    uint32_t designator = 0;    // the designator word as stored: number bits 0-4, letter 5-6, bit 7
                                // set when bits 8-15 give the other end
    int32_t flag = -1;          // the flag byte; negative: no width (see LoadAirportInfo)
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

// The offsets of all airports' entries in the rwy/com/appr table, ascending: an entry ends where
// the next one begins (or at the table's end).
struct AirportEntryIndex {
    const ImageInfo* info = nullptr;  // the image it was built for
    std::vector<uint32_t> offsets;
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
    uint32_t approachStart = 0;   // offset in the table where the approach data begins (infoEnd
                                  // when the entry could not be read that far)
    std::vector<DetailApproach> approaches;  // the approach list as decoded
    std::string error;                       // why the entry could not be read to its end
    std::shared_ptr<const AirportEntryIndex> entryIndex;  // kept from airport to airport
    DecodedAirportDetail decoded;                         // the decoder's room, reused

    // Runway and frequency lines: the larger of the two counts.
    uint32_t LineCount() const { return runwayCount > frequencyLines ? runwayCount : frequencyLines; }
};

// Decodes the airport's entry into the tables (record number `number`, record bytes given);
// returns the number of runway entries, or with `larger` the larger of the runway and frequency
// counts. A repeated call for the same airport uses the tables as loaded.
//
// Display rules on top of the decoded entry: a restricted frequency takes the next line that has
// no runway (its restriction text runs into the runway columns), and more than 80 lines end the
// tables with "Too many FRQs in APT %04x"; a runway flag byte with its top bit set and no picture
// behind it is the writer's form of the flag word -1 (a runway without width), so it is
// negative, while a runway with a picture has a flag byte of 0-255.
uint32_t LoadAirportInfo(const ImageReader& reader, uint32_t number, const uint8_t* record, bool larger,
                         AirportTables* tables);

// The offset of the airport's entry in the rwy/com/appr table (or its main-runway summary) and
// whether it has an entry.
bool AirportInfoOffset(const ImageParams& params, const uint8_t* record, uint32_t* offset);

struct ApproachWaypointRef {
    uint8_t code = 0;        // the code byte: kind in the high nibble, slot (1-4) in the low
    uint32_t reference = 0;  // record number (kinds below 0x80); runway position, bit 7 for the
                             // other end (0xA0)
    GeoPoint position;       // local waypoints (0xC0, 0xE0): airport less the stored difference
    std::string ident;       // local waypoints: up to 5 (0xC0) or 3 (0xE0) characters
    uint32_t frequency = 0;  // local NDBs: kHz x 10
};

struct ApproachEntry {
    uint8_t type = 0;
    uint32_t idIndex = 0;
    std::vector<ApproachWaypointRef> waypoints;
};

struct ApproachList {
    int32_t record = -1;  // the airport loaded (the cache key)
    std::vector<ApproachEntry> approaches;

    // One title line per approach and one line per waypoint.
    uint32_t LineCount() const;
};

// The approach list of the airport whose tables are loaded (the airport's position is that of
// its record), its waypoints in slot order; returns the number of approaches.
uint32_t LoadApproaches(const AirportTables& tables, const GeoPoint& airport, ApproachList* list);
