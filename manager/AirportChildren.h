// The runways and frequencies of the airport held in the apts object: the rows under its line.
#pragma once

#include <cstdint>
#include <vector>

struct RunwayEntry {
    int32_t rsno = -1;  // -1: empty
    int32_t rlen = 0, rwidth = 0, rsl = 0, rw = 0, rflags = 0;
    int32_t rpicst = 0, rpic = 0, rpicfl = 0, rnpic = 0, rnpic2 = 0;
};

struct FrequencyEntry {
    int32_t fsno = -1;  // -1: empty
    int32_t ftype = 0, freq = 0, flags = 0, frsno = 0, f431 = 0;
    std::vector<uint8_t> restriction;  // the chain's bytes, length byte first; empty none
};

struct AirportChildren {
    static constexpr int kEntries = 128;
    // A row number has 7 bits: more rows are not listed.
    static constexpr int kMaxRows = 127;

    RunwayEntry runways[kEntries];
    FrequencyEntry frequencies[kEntries];
    int32_t airport = -1;  // asno the tables were loaded for
    int rows = 0;
    int filled = 0;  // entries set by the last load (the rest hold their defaults)
};

AirportChildren& AirportRows();

// The restriction string of a chain from its first RESTR record (restr open): the first byte + 1
// gives the length, each record adds up to 8 bytes. A missing record is reported ("Failed to read
// restrictions record %d") and ends the string there.
void ReadRestrictionChain(int32_t first, std::vector<uint8_t>& out);

class KestraneDatabase;
// Whether rwy3 and freq3 are both open (held by the caller).
bool ChildFilesHeld(KestraneDatabase& db);

// Loads both tables for the airport held in the apts object; returns the number of rows: the
// larger of the runway count and the last frequency index + 1, at most kMaxRows. rwy3, freq3
// and restr are opened and closed, unless the caller holds rwy3 and freq3: then they stay open,
// and restr, opened when a restriction chain is read, is left open for the caller to close.
int LoadAirportChildren();
