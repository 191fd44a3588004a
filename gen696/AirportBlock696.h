// The builder of an airport's information block (the writer's side of AirportInfo696): the
// runway and frequency parts, and the short form an airport with one plain runway and nothing
// else keeps in its APT record instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen696/AirportInfo696.h"

// A frequency as the builder takes it from the database.
struct FrequencySlot696 {
    uint8_t type = 0;             // type code
    uint32_t value = 0;           // MHz x 100 minus 10800
    int32_t flags = -1;           // the record's flags word (`f431`); -1 all ones
    std::vector<uint8_t> blob;    // the remarks blob (leading count byte); empty: none
};

// The type code of a frequency record (`ftype`, `f431`).
uint8_t FrequencyTypeCode696(int32_t ftype, int32_t flags);
// The older form's type word (0-15) of a type code's low 6 bits; 7 for a code it lacks.
int32_t FrequencyTypeIndex696(uint8_t code);

struct AirportBlockInput696 {
    std::vector<RunwaySlot696> runways;          // at least one (the default slot when none)
    std::vector<FrequencySlot696> frequencies;
    uint32_t runwayFixedLength = 0;              // section 1, value 1
    uint32_t pictureLength = 14;
    // The approaches with their waypoints, in slot order; a local NDB or ILS navaid and local
    // waypoints carry their packed entries in their data, which the block's tables take.
    std::vector<ApproachEntry696> approaches;
};

// The record's information value when the airport needs no block (no frequency, no approach,
// a first runway without designator): its single runway's length in hundreds and surface;
// false when it needs one.
bool AirportShortForm696(const AirportBlockInput696& in, uint32_t* value);

// The block (mask, length words, parts); false with a message for a value that does not fit
// its field, a local table over its room or a block over 65535 bytes.
bool BuildAirportBlock696(const AirportBlockInput696& in, std::vector<uint8_t>* block, std::string* error);
