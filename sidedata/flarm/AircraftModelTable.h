// The aircraft models by which the Butterfly format codes aircraft types, and the look-up of a
// type text's code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sidedata/flarm/FlarmRecord.h"

constexpr unsigned kAircraftModelCount = 333;
constexpr unsigned kAircraftModelCodeMask = 0x3FFF;  // 14 bits in a Butterfly record

extern const char* const AircraftModelTable[kAircraftModelCount];

// The table's name of a code, "Model %03X" past the table.
std::string AircraftModelName(unsigned code);

struct AircraftModelMatch {
    unsigned code = 1;
    bool exact = false;  // "Model ..." text, empty text or a name equal to the text
};

// The code of a type text: "Model XXX" gives XXX, an empty text 1, an equal name its code,
// else the first name that begins with the text or that the text begins with, else the first
// that contains it, else 1.
AircraftModelMatch FindAircraftModel(const char* text);

// Matches already found, by type text (a save looks each text up once): an open-addressed
// table keyed by the text's bytes.
class AircraftModelCache {
public:
    // FindAircraftModel of the text.
    AircraftModelMatch Find(const char* text);

private:
    static constexpr size_t kKeyWords = 3;  // texts of up to 23 bytes are kept
    struct Slot {
        uint64_t key[kKeyWords] = {};  // the text, zero-padded
        AircraftModelMatch match;
        bool used = false;
    };
    std::vector<Slot> slots_ = std::vector<Slot>(64);
    size_t used_ = 0;
};

// FindAircraftModel of the record's TYPE; a match that is not exact is told to debugLine (when
// given) as 'Used "name" for "text"'.
unsigned LookupAircraftModel(const FlarmRecord& record,
                             const std::function<void(const std::string&)>& debugLine = {},
                             AircraftModelCache* cache = nullptr);
