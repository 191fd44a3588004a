// The List operation of Tessily: the image opened for listing (OpenImageSource696 through the
// model's open hook, CloseImage696 through its close hook), the iterator that hands out the
// position codes of the listed kind that pass the filters (NextListedRecord696) and the
// formatter that turns a position code into its line (ListSection696). Kinds: 1 title,
// 2 countries, 3 names, 4 APTs, 5 INTs, 6 NDBs, 7 VORs, 8 SUAs, 9 FSSs, 10 ARTCCs,
// 11 approaches, 12 airways.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gen/listing/ListingFormat.h"
#include "gen/listing/ListingWalk.h"
#include "gen/shell/GenModel.h"
#include "gen696/AirportInfo696.h"
#include "gen696/AirwayPoints696.h"
#include "gen696/ListedImage696.h"
#include "gen696/ListingFilter696.h"

inline constexpr int kListAirways696 = 12;
// Sub-lines of one record at most.
inline constexpr uint32_t kSuaSubLines696 = 1023;
inline constexpr uint32_t kApproachSubLines696 = 255;

// A decoded airspace shape: one entry per boundary point.
struct SuaPoint696 {
    enum Kind : uint8_t { Plain, ArcPointsFollow, EndOfArcPoints, Arc, Circle, HeightHeader, OtherArc, Corrupt };
    Kind kind = Plain;
    int32_t lat = 0;   // the point, or the centre of an arc or circle
    int32_t lon = 0;
    uint8_t bytes[11] = {};
    uint8_t size = 0;
};

// The state of a listing while it runs: the loaded image, the filters, the walker's cursor and
// the shape of the airspace shown last.
struct ListingState696 {
    std::unique_ptr<ListedImage696> image;
    ListingFilter696 filter;
    ListingCursor cursor;

    int32_t airportOf = -1;   // the airport whose block is decoded
    bool airportSound = false;
    AirportInfo696 airport;

    int32_t airwayOf = -1;    // the airway whose points are read
    bool airwaySound = false;
    std::vector<AirwayPoint696> airwayPoints;

    int32_t shapeOf = -1;   // the airspace whose shape is decoded
    std::vector<SuaPoint696> shape;

    bool tccEntriesLoaded = false;
    std::vector<uint32_t> tccEntries;   // byte offsets of the TCC frequency entries
    int32_t tccOf = -1;                 // the TCC whose sectors are read
    bool tccSound = false;
    std::vector<uint32_t> tccSectors;

    bool Loaded() const { return image != nullptr; }
};

// Opens the listing of the context's open image: loads it (a refused image lists why and
// stays unloaded) and sets up the filters.
void OpenImageSource696(OperationContext& context, ListingState696& state);
void CloseImage696(ListingState696& state);
// The country number of the country filter's id in the loaded image: -1 for no filter,
// kCountryNotInImage696 when the image lacks it.
int ListingCountryNumber696(const ListingState696& state, const std::string& countryFilter);

int32_t NextListedRecord696(OperationContext& context, ListingState696& state);
void ListSection696(OperationContext& context, ListingState696& state, int32_t code, std::string& out);
// The line of a code in the dump form that Save As turns into batch text.
void ListDumpLine696(OperationContext& context, ListingState696& state, int kind, int32_t code, bool decimal,
                     std::string& out);
// The line of a code of a listed kind with the given flags.
void FormatListedLine696(ListingState696& state, int kind, const ListingFlags& flags, int32_t code, std::string& out);

// The listing hooks of the model.
void InstallListing696(GenModel& model);

// ---- Line formats (ListingPoints696.cpp, ListingSua696.cpp) ----------------------------------

// Starts a point line: the type name (or "%4x" of the record number), the ident at column 5,
// the position at column 11; returns the column after the position.
int FormatListingIdent696(const ListedImage696& image, const ListingFlags& flags, int type, uint32_t n,
                          const uint8_t* record, ListingLine& line);
// Line 0 of a point record.
void FormatPointLine696(const ListedImage696& image, const ListingFlags& flags, int type, uint32_t n,
                        const uint8_t* record, std::string& out);
// Every record byte as " %02x".
std::string RecordBytesLine696(const uint8_t* record, uint32_t size);
// The first and second name of a point record.
std::string FirstName696(const ListedImage696& image, int type, const uint8_t* record);
std::string SecondName696(const ListedImage696& image, int type, const uint8_t* record);

// The shape of airspace `index` (first group, then second group), read within section 41.
std::vector<SuaPoint696> ReadSuaShape696(const ListedImage696& image, uint32_t index);
// The airspace record `index` of both groups (null outside), its size and group.
const uint8_t* SuaRecord696(const ListedImage696& image, uint32_t index, uint32_t* size, bool* firstGroup);
uint32_t SuaCount696(const ListedImage696& image);
uint32_t SuaLineCount696(ListingState696& state, const ListingFlags& flags, uint32_t index);
void FormatSuaLine696(ListingState696& state, const ListingFlags& flags, uint32_t index, uint32_t sub,
                      std::string& out);

// Airports (ListingAirport696.cpp): the block of airport n decoded into state.airport (false
// when it leaves section 10), the lines an airport gives and one of its lines.
bool DecodeListedAirport696(ListingState696& state, uint32_t n);
std::vector<uint8_t> BlockBytes696(const ListingState696& state);
uint32_t AirportBlockLines696(const ListingState696& state, const ListingFlags& flags);
uint32_t AirportLineCount696(ListingState696& state, const ListingFlags& flags, uint32_t n);
// Line 0 of an airport (the airport's line, then null), or its record for a later line.
const uint8_t* AirportHeadLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub,
                                  std::string& out);
void FormatAirportLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub,
                          std::string& out);

// Airways (ListingAirway696.cpp): the airways of section 45, the lines one gives (its points
// read into the state) and one of its lines.
uint32_t AirwayCount696(const ListedImage696& image);
uint32_t AirwayLineCount696(ListingState696& state, uint32_t n);
void FormatAirwayLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub,
                         std::string& out);
// The designator of one runway end: "%02d", 'T', the letter from " CLR"; ".." for number 0.
std::string RunwayDesignator696(const RunwaySlot696& runway, bool otherEnd);

// FSS and TCC records (ListingTcc696.cpp): their counts, the filters of an FSS record, the
// lines a TCC gives (0 when filtered out) and the lines.
uint32_t FssCount696(const ListedImage696& image);
bool FssListed696(const ListingState696& state, uint32_t n);
void FormatFssLine696(const ListedImage696& image, const ListingFlags& flags, uint32_t n, std::string& out);
uint32_t TccCount696(const ListedImage696& image);
uint32_t TccLineCount696(ListingState696& state, const ListingFlags& flags, uint32_t n);
void FormatTccLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub, std::string& out);

// Approaches (ListingApproach696.cpp): the lines of an airport with approaches (0 for one
// without) and one of them.
uint32_t ApproachLineCount696(ListingState696& state, const ListingFlags& flags, uint32_t n);
void FormatApproachLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub,
                           std::string& out);
