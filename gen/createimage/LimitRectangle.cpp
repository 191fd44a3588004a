// Rectangles as corner texts, the "Using filters: " line and the limit box test.
#include <cstdio>
#include <vector>

#include "common/CoordinateFormat.h"
#include "common/CoordinateParse.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/shell/RunSetup.h"
#include "platform/MessageBox.h"

namespace {

// Parses "latitude longitude"; false on any error.
bool ParseCorner(const std::string& text, int32_t& latitude, int32_t& longitude) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    CoordinateParseStatus status;
    char* next = ParseCoordinate(buffer.data(), &latitude, 32, false, status);
    if (status.error == 0) ParseCoordinate(next, &longitude, 32, true, status);
    return status.error == 0;
}

}  // namespace

std::string FormatCornerText(int32_t latitude, int32_t longitude, bool raw) {
    char lat[kCoordinateTextSize];
    char lon[kCoordinateTextSize];
    FormatCoordinate(lat, latitude, false, kNotationCompact, raw);
    FormatCoordinate(lon, longitude, true, kNotationCompact, raw);
    return std::string(lat) + " " + lon;
}

void FormatRectangleTexts(const GeoRect& rect, std::string& swText, std::string& neText, const GenSettings& settings) {
    bool raw = (settings.debugLevel & kDebugKeepWorkFiles) != 0;
    if (rect.SwSet()) swText = FormatCornerText(rect.swLat, rect.swLon, raw);
    if (rect.NeSet()) neText = FormatCornerText(rect.neLat, rect.neLon, raw);
}

void ParseFilterRectangle(GeoRect& rect, const std::string& swText, const std::string& neText, GenSettings& settings) {
    rect.Clear();
    GeoRect parsed;
    bool haveSw = false;
    bool haveNe = false;
    if (!swText.empty()) {
        if (!ParseCorner(swText, parsed.swLat, parsed.swLon)) {
            platform::ShowMessage("Error in SW Co-ordinates");
            settings.rectangleError = true;
            return;
        }
        rect.swLat = parsed.swLat;
        rect.swLon = parsed.swLon;
        haveSw = true;
    }
    if (!neText.empty()) {
        if (!ParseCorner(neText, parsed.neLat, parsed.neLon)) {
            platform::ShowMessage("Error in NE Co-ordinates");
            settings.rectangleError = true;
            return;
        }
        rect.neLat = parsed.neLat;
        rect.neLon = parsed.neLon;
        haveNe = true;
    }
    if (haveSw != haveNe) {
        platform::ShowMessage("You must enter both corners of your rectangle");
        settings.rectangleError = true;
        return;
    }
    if (haveSw && rect.swLat >= rect.neLat) {
        platform::ShowMessage("The SW latitude must be South of the NW Latitude");
        settings.rectangleError = true;
    }
}

int FormatFiltersText(std::string& buffer, int mode, const GenSettings& settings) {
    const GeoRect& r = settings.limitRect;
    bool raw = (settings.debugLevel & kDebugKeepWorkFiles) != 0;
    int count = 0;
    buffer = "Using filters: ";
    if (r.SwSet()) {
        buffer += " SW = " + FormatCornerText(r.swLat, r.swLon, raw);
        ++count;
    }
    if (r.NeSet()) {
        buffer += count ? ',' : ' ';
        buffer += " NE = " + FormatCornerText(r.neLat, r.neLon, raw);
        ++count;
    }
    if (mode == kModeCompileSua && settings.maxBase != 0) {
        char text[40];
        std::snprintf(text, sizeof text, "%c MAXBASE = %d", count ? ',' : ' ', settings.maxBase);
        buffer += text;
        ++count;
    }
    if (mode == kModeCreateImage && (r.SwSet() || r.NeSet()) && settings.briefApts) {
        buffer += ", Brief APTs included";
    }
    return count;
}

bool InsideLimitBox(int32_t latitude, int32_t longitude, const GeoRect& limit) {
    auto diff = [](int32_t a, int32_t b) {
        return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
    };
    if (limit.SwSet() && (latitude < limit.swLat || diff(longitude, limit.swLon) < 0)) return false;
    if (!limit.NeSet()) return true;
    if (latitude > limit.neLat || diff(longitude, limit.neLon) >= 1) return false;
    return true;
}

bool InsideLimitBox(int32_t latitude, int32_t longitude) {
    CGenApp* app = CGenApp::Current();
    return !app || InsideLimitBox(latitude, longitude, app->Settings().limitRect);
}
