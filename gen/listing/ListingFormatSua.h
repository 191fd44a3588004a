// The SUA vertex texts, and the position pieces that they share with the area lines.
#pragma once

#include <cstdint>
#include <string>

#include "common/CoordinateFormat.h"
#include "gen/image/ImageReaderSua.h"
#include "gen/listing/ListingFormat.h"

// The position of SUA vertex entry v (an arc's or circle's centre for entries without a position
// of their own); returns the entry's 12-bit radius field.
uint32_t SuaVertexPosition(const SuaVertexList& list, uint32_t v, int32_t* lat, int32_t* lon);

// The vertex text of an SUA entry that has no position (heights header, markers, arcs, circles),
// appended to `text`.
void AppendSuaEntryText(const SuaVertexList& list, uint32_t v, const ListingFlags& flags, std::string& text);

// The debug check text of a circle: " diam=%.1fnm, pts=%d, rad=%d, subrad=%d (%.2fnm)".
std::string FormatCircleCheck(const SuaVertexList& list, uint32_t v);

// Room that PutPositionText needs.
constexpr size_t kPositionTextRoom = 2 * kCoordinateTextSize;

// Latitude, a blank and longitude as PositionPairText gives them, written at `at` (no NUL);
// returns the end.
char* PutPositionText(char* at, const GeoPoint& p, const ListingFlags& flags);

// The same appended to the text.
void AppendPositionText(std::string& text, const GeoPoint& p, const ListingFlags& flags);
