// The unit's waypoint symbols: code and the name shown (list lines, dialogs, GPX files).
#pragma once

#include <cstdint>

struct WaypointSymbol {
    uint32_t code;
    const char* name;
};

// The 55 symbols, closed by a row with code 65535 and no name.
extern const WaypointSymbol kWaypointSymbols[56];

// The symbol's name, or null for an unknown code.
const char* SymbolName(uint32_t code);

// The symbol word (code shifted left 8) of the first symbol named exactly `name`; that of
// "Waypoint" when none is.
uint32_t SymbolCodeFromName(const char* name);
