// The helpers of the setup exchange: compile filters, confirmation text, rectangles, the
// limit box, the "Are you SURE" question and the part-number pattern check.
#pragma once

#include <cstdint>
#include <string>

struct GenSettings;
struct GeoRect;
class CGenApp;
class CGenView;

// The compile dialog step for modes 0, 4 and 5 (others: true at once); true to go on.
bool AskCompileFilters(CGenApp& app, int mode);
// Writes the confirmation lines; true for GO.
bool ShowConfirmation(CGenView& view);
// The "Using filters: " line over the limit rectangle; returns the number of filters named.
int FormatFiltersText(std::string& buffer, int mode, const GenSettings& settings);
// Parses two corner texts into a rectangle; errors are shown and set settings.rectangleError
// (which the caller clears first).
void ParseFilterRectangle(GeoRect& rect, const std::string& swText, const std::string& neText,
                          GenSettings& settings);
// Corner texts of a rectangle; a corner that is not set leaves its text as it was.
void FormatRectangleTexts(const GeoRect& rect, std::string& swText, std::string& neText,
                          const GenSettings& settings);
// One corner text: "%c%02d%02d%02d %c%03d%02d%02d" (raw "[%08x] " values at debug bit 4).
std::string FormatCornerText(int32_t latitude, int32_t longitude, bool raw);
// True when the position lies inside the limit rectangle (wrapping longitudes).
bool InsideLimitBox(int32_t latitude, int32_t longitude, const GeoRect& limit);
bool InsideLimitBox(int32_t latitude, int32_t longitude);
// "Are you SURE you want to " + text: true on Yes.
bool ConfirmAreYouSure(const std::string& text);
// Checks the packed part number of an image header at offset; stores its two numbers in the
// view. header holds at least offset + 9 bytes.
bool CheckPartNumberPattern(CGenView& view, const uint8_t* header, size_t size, size_t offset);
