// Positions and heights as the obstacle listings write them. A position is 2^32 units to
// the circle: "N51°28.12345" / "E001°02.50000" (the degree sign is byte 0xB0), or the raw
// value "[%08x] ".
#pragma once

#include <cstdint>
#include <string>

namespace obstacles {

enum class PositionEnd {
    Blank,  // screen, and the longitude of a batch line of VRPs and fixed obstacles
    Bar,    // batch: the latitude, and the longitude in obstacle files
};

// A position as written: hemisphere letter, whole degrees and minutes (a value below 0.00027
// degrees counts as 0; minutes that reach 60 with 0.0005 added become the next degree; W for
// 180 degrees).
struct PositionParts {
    char letter = 'N';
    long degrees = 0;
    double minutes = 0;
};
PositionParts SplitPosition(int32_t value, bool isLongitude);

// Appends the position text ("%c%02ld\xB0%08.5lf", longitudes "%c%03ld...") and its end.
void AppendPosition(std::string& out, int32_t value, bool isLongitude, PositionEnd end);
// The same written at p (at most kPositionTextSize bytes); returns the end.
constexpr size_t kPositionTextSize = 32;
char* PutPosition(char* p, int32_t value, bool isLongitude, PositionEnd end);
char* PutRawPosition(char* p, int32_t value);

// Appends "[%08x] ".
void AppendRawPosition(std::string& out, int32_t value);

// Feet to whole metres: |v| / 3.2808 cut, plus 1 when the rest is above 1.6404; v's sign.
int FeetToMetres(int feet);
// Metres to whole feet: |h| x 3.2808 cut, plus 1 when the fraction is above 0.5; h's sign.
int MetresToFeet(int metres);

}  // namespace obstacles
