// The state of the image source of an operation context while it is open: the loaded image
// information and reader, the listing walker's cursor, the decoded tables of the airport and SUA
// area shown last, and the SUA areas already reported to "duff_suas.txt".
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gen/listing/AirportLoader.h"
#include "gen/image/ImageReaderSua.h"
#include "gen/listing/ListingFilter.h"
#include "gen/listing/ListingFormat.h"
#include "gen/listing/ListingWalk.h"

class OperationContext;

inline constexpr const char* kDuffSuasFile = "duff_suas.txt";

struct ListingSession {
    std::unique_ptr<ImageInfo> info;
    std::unique_ptr<ImageReader> reader;
    ListingFilter filter;

    // Walker: the record whose sub-lines are being handed out (the context's current record).
    ListingCursor cursor;
    std::vector<uint16_t> tccLines;  // group << 8 | entry of the current TCC record's sub-lines

    AirportTables airport;
    ApproachList approaches;
    SuaVertexList sua;
    std::set<uint32_t> duffReported;

    bool Loaded() const { return reader != nullptr; }
};

// The session of a context (null when its image source was never opened or is closed).
ListingSession* FindListingSession(const OperationContext& context);

// Loads the image information of the context's open image into a fresh session and writes the
// information lines ("Image size (hex): ..." and an empty line; the section map and the
// name-pointer check with a debug level); a file that cannot be read as an image gives a line
// that says why. Resolves the country filter into the context.
void ShowImageInfo(OperationContext& context);

// Releases the context's session.
void CloseListingSource(const OperationContext& context);

// The listing flags of the context's settings with a request's dump and decimal flags.
ListingFlags ListingFlagsOf(const OperationContext& context, bool dump, bool decimal);
