// The aircraft models by which the Butterfly format codes aircraft types, and the look-up of a
// type text's code.
#pragma once

#include <functional>
#include <string>

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

class AircraftModelCache;

// FindAircraftModel of the record's TYPE; a match that is not exact is told to debugLine (when
// given) as 'Used "name" for "text"'.
unsigned LookupAircraftModel(const FlarmRecord& record,
                             const std::function<void(const std::string&)>& debugLine = {},
                             AircraftModelCache* cache = nullptr);
