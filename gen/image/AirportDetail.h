// The rwy/com/appr entry of an airport: its runways, frequencies with their restrictions, the
// local waypoints of its approaches and the approach list; or, for an airport that needs no
// entry, the main-runway summary that its APT record holds instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

class dfRWY3;
class dfFREQ3;

// Limits of the fixed tables.
constexpr uint32_t kMaxDetailRunways = 80;
constexpr uint32_t kMaxDetailFrequencies = 80;
constexpr uint32_t kMaxApproachSequence = 63;
constexpr uint32_t kMaxApproachSlots = 4;
constexpr uint32_t kMaxLocalTableA = 256;
constexpr uint32_t kMaxLocalTableB = 16;
constexpr int32_t kFrequencyBase = 10800;

// One runway of the airport, as its RWY record holds it.
struct DetailRunway {
    int32_t rlen = 0;     // feet
    int32_t rwidth = 0;   // feet
    int32_t rsl = 0;      // surface and lighting; bit 6: a picture is present
    int32_t rw = 0;       // designator word
    int32_t rflags = 0;   // -1: no flags, no picture
    int32_t rpicst = 0;
    int32_t rpic = 0;

    // The runway an airport without RWY records gets.
    static DetailRunway Placeholder() { return {0, 0, 5, 0, -1, 0, 0}; }
    static DetailRunway From(const dfRWY3& rec);
};

// The runways, or the placeholder alone when there are none.
const std::vector<DetailRunway>& RunwaysOrPlaceholder(const std::vector<DetailRunway>& runways);

// One frequency of the airport with its restriction bytes (the chain's bytes, the first one
// holding their count minus 1; empty: none).
struct DetailFrequency {
    int32_t ftype = 0;
    int32_t freq = 0;     // MHz x 100
    int32_t flags = 0;
    std::vector<uint8_t> restriction;

    static DetailFrequency From(const dfFREQ3& rec, std::vector<uint8_t> restriction);
};

// A local waypoint of an approach (kinds 0xC0 and 0xE0).
struct LocalWaypoint {
    int32_t lat = 0;
    int32_t lon = 0;
    std::string ident;    // 5 characters for 0xC0, 3 for 0xE0
    int32_t freq = 0;     // 0xE0 only
};

// One waypoint slot of an approach; kind 0 leaves the slot empty.
struct ApproachWaypoint {
    uint32_t kind = 0;          // the waypoint's kind word: 0x20 INT, 0x40 NDB, 0x60 VOR, 0xA0 runway,
                                // 0xC0 and 0xE0 local (low nibble ignored; bit 8 of a runway: other end)
    uint32_t recordNumber = 0;  // 0x20-0x60: the record number in that section
    int32_t runway = -1;        // 0xA0: position in the airport's runway list, -1 when not found
    LocalWaypoint local;        // 0xC0, 0xE0
};

struct DetailApproach {
    int32_t sequence = 0;        // 0-63: position in the approach list
    uint32_t type = 0;
    uint32_t idIndex = 0;        // index in the approach ID table
    uint32_t waypointCount = 0;  // waypoints the approach states
    ApproachWaypoint slots[kMaxApproachSlots];
};

struct AirportDetailInput {
    int32_t asno = 0;             // for messages
    int32_t lat = 0;
    int32_t lon = 0;
    int32_t afuel = 0;            // flag word: bits 5-7 go into the entry
    bool brief = false;           // outside the limit rectangle or flag bit 0: summary only
    std::vector<DetailRunway> runways;          // RWY records in "raptno" order (placeholder when none)
    std::vector<DetailFrequency> frequencies;   // FREQ records in "faptno" order
    std::vector<DetailApproach> approaches;     // used approaches (ignored without approaches)
    uint32_t approachCount = 0;                 // approaches the airport was counted with
};

struct AirportDetail {
    bool hasEntry = false;
    // The entry's offset in the table (the caller's) or the main-runway summary.
    uint32_t summary = 0;
    std::vector<uint8_t> entry;
};

// Appends the frequency items of an entry: 12-bit frequency code, flags bits 12-14, the
// more-follows bit, the type with bit 6 for a restriction, then the restriction's bytes. A
// frequency outside the code's range is an error naming the airport.
ImageResult AppendFrequencyItems(const std::vector<DetailFrequency>& frequencies, int32_t asno,
                                 std::vector<uint8_t>* out);

// The main-runway summary: surface-and-lighting byte x 256 + length in hundreds of feet of the
// longest runway (the first of equal lengths).
uint32_t MainRunwaySummary(const std::vector<DetailRunway>& runways);

// Builds the airport's entry, or its summary when it needs none (brief, or no frequency, no
// approach, a first runway without designator and a flag word not above 31). Tables over their
// limits and an entry over 2048 bytes are errors naming the limit.
ImageResult BuildAirportDetail(const ImageParams& params, const AirportDetailInput& in, AirportDetail* out);

// (airport - waypoint) >> 11, with 2048 added first when the airport's value is not negative
// and the waypoint's is.
int32_t LocalDifference(int32_t airport, int32_t waypoint);

// Local-waypoint ident codes packed from the most significant bit of the last byte of `area`
// (size bytes) towards lower addresses: 'A' and above code - 0x40, '0' up to before 'A' code -
// 16, below '0' the code itself; after a NUL every code is 0. Other bits keep their values.
void PackLocalIdent(const std::string& ident, uint32_t length, uint8_t* area, uint32_t size);
