// The runways, frequencies and restriction chains of the database's airports, read in one walk
// of each file (a piece per call) for the airports' rwy/com entries, instead of a search of
// each file per airport.
#pragma once

#include <cstdint>
#include <vector>

#include "gen/createimage/DbWalk.h"
#include "gen/image/AirportDetail.h"
#include "gen/image/ImageResult.h"
#include "gen/image/SerialIndex.h"

class AirportDetailSource {
public:
    // Reads the next piece of rwy3 (by "raptno"), freq3 (by "faptno") and restr (by "rcsno");
    // true once everything is read. `nextSerial` (the files' next serial numbers) sizes the
    // lists at the start.
    bool LoadPiece(const int32_t* nextSerial);

    // An airport's runways in "raptno" order, their serials beside them, and its frequencies in
    // "faptno" order with their restriction bytes: one more than the tables hold at most, so that
    // a coder can tell an airport over the limit. A restriction chain naming a record that does
    // not exist is an error naming it. The runways are appended; the frequencies replace the
    // list's, whose entries lend their memory.
    void Runways(int32_t asno, std::vector<DetailRunway>* runways, std::vector<int32_t>* serials) const;
    ImageResult Frequencies(int32_t asno, std::vector<DetailFrequency>* frequencies) const;

private:
    struct Runway {
        int32_t asno;
        int32_t rsno;
        DetailRunway runway;
    };
    struct Frequency {
        int32_t asno;
        int32_t ftype;
        int32_t freq;
        int32_t flags;
        int32_t frsno;
    };
    struct Link {
        int32_t next;
        uint8_t bytes[8];
    };

    ImageResult Restriction(int32_t first, std::vector<uint8_t>* bytes) const;

    enum class Phase { Runways, Frequencies, Restrictions, Done };
    Phase phase_ = Phase::Runways;
    DbWalk walk_;
    std::vector<Runway> runways_;
    std::vector<Frequency> frequencies_;
    SerialIndex<Link> links_;
};
