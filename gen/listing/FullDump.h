// The full dumps of Save As: every record of the open image that passes the filters, one line
// per record line, in text or converted to batch or SBS text.
#pragma once

#include <cstdint>
#include <string>

#include "gen/listing/ListingToBatch.h"
#include "gen/listing/SectionListing.h"

class LineWriter;
class OperationContext;

// What a save writes, from the name's flags and the settings.
struct SaveAsModes {
    int shownKind = 0;      // the listing kind shown (0: an operation's lines)
    bool batch = false;     // batch form: dump forms of the lines, point lines converted
    bool sbs = false;       // SBS mode: SBS lines, coordinates in signed decimal degrees
    bool longSbs = false;   // the long SBS airport form (-P)
    uint32_t dumpFlag = 0;  // 1 for the batch forms, with debug bit 16 for a dump: the dump's debug level
    bool keepOtherEnd = false;  // a runway's other end shown in the dump line is kept

    ListingLineToBatch::Form ConvertForm() const;
};

// True for a raw byte line (" 4a 3d ...": a blank, two hex digits, a blank), which the batch
// forms leave out.
bool IsRawByteLine(const std::string& line);

// Writes the dump: with the Record Numbers flag off, the extra debug level 0 and the debug level
// equal to the dump flag while it runs, walks APT, INT, NDB and VOR (in this order) when the
// shown kind is below 8, else only the shown kind; each record line that is not empty is written
// followed by CR LF, the point lines of the batch forms converted. The listing walk starts again
// afterwards. False when a write failed (the writer tells why).
bool DumpAllRecords(OperationContext& context, const SaveAsModes& modes, LineWriter& out);

// Exchanges the Record Numbers flag, the debug level and the extra debug level of the context's
// settings with the given values for its lifetime (the application's SwapListingModes).
class ListingModesSwap {
public:
    ListingModesSwap(OperationContext& context, int recordNumbers, uint32_t debugLevel, uint32_t extraDebugLevel);
    ~ListingModesSwap();
    ListingModesSwap(const ListingModesSwap&) = delete;
    ListingModesSwap& operator=(const ListingModesSwap&) = delete;

private:
    void Swap();

    OperationContext& context_;
    int recordNumbers_;
    uint32_t debugLevel_;
    uint32_t extraDebugLevel_;
};
