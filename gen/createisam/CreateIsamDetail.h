// The rwy/com/appr entry of an airport read back: the inverse of BuildAirportDetail, giving the
// runways, frequencies (with their restriction bytes) and approaches that rebuild the same
// entry. Every list, table and reference is checked against the entry's length and the image.
#pragma once

#include <cstdint>
#include <vector>

#include "gen/image/AirportDetail.h"
#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

// What the references of an entry may point at.
struct DetailLimits {
    uint32_t approachIds = 0;                 // entries of the approach ID table
    uint32_t sectionRecords[kSectionCount] = {};  // records of the INT, NDB and VOR sections
};

struct DecodedAirportDetail {
    uint8_t flags = 0;                         // the entry's first byte (bits 5-7: flag word bits 5-7)
    std::vector<DetailRunway> runways;
    std::vector<DetailFrequency> frequencies;  // restriction: its length byte, then its bytes
    std::vector<DetailApproach> approaches;    // in list order; slot kinds carry their slot number
    uint32_t approachData = 0;                 // where the local waypoint tables and the approach list
                                               // begin (0 when the lists before could not be read)
};

// Decodes the entry of `length` bytes of an airport at (lat, lon) (its position as the image
// holds it). A list that runs past the entry, more than 80 runways or frequencies, a
// restriction that does not fit, a reference outside its table and bytes left over are errors
// that say what is wrong; the runways and frequencies read before an error stay in `out`.
ImageResult DecodeAirportDetail(const ImageParams& params, const uint8_t* entry, uint32_t length,
                                const DetailLimits& limits, int32_t lat, int32_t lon, DecodedAirportDetail* out);

// Reads the frequency items of an entry from *at up to the first without its more-follows bit;
// *at moves behind them. Items that run past the entry, or more than 80, are errors.
ImageResult ReadFrequencyItems(const uint8_t* entry, uint32_t length, uint32_t* at,
                               std::vector<DetailFrequency>* frequencies);

// The one runway of an airport without an entry, from its main-runway summary.
DetailRunway SummaryRunway(uint32_t summary);

// The length of restriction bytes (without their length byte) from their flags: the sector,
// "BELOW", "ABOVE", the remote VOR and the coded text; false when they run past `available`.
bool RestrictionLength(const uint8_t* bytes, uint32_t available, uint32_t* length);

// A local waypoint's latitude or longitude from the airport's (a multiple of 2048 units) and the
// entry's difference: airport - difference x 2048, with the low 11 bits set when the airport's
// value is not negative and the result is, so that LocalDifference gives the difference back.
int32_t LocalWaypointPosition(int32_t airport, int32_t difference);
