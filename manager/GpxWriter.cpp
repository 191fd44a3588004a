#include "manager/GpxWriter.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "common/Angle.h"
#include "dblib/dfRTE.h"
#include "dblib/dfUSR.h"
#include "common/XmlText.h"
#include "manager/RouteSlots.h"
#include "manager/SymbolTable.h"

namespace {

constexpr const char* kGpxStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>"
    "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\""
    " xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\""
    " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v1\""
    " creator=\"aera 660\" version=\"1.1\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"
    " http://www.garmin.com/xmlschemas/GpxExtensions/v3 http://www.garmin.com/xmlschemas/GpxExtensionsv3.xsd"
    " http://www.garmin.com/xmlschemas/TrackPointExtension/v1"
    " http://www.garmin.com/xmlschemas/TrackPointExtensionv1.xsd\">"
    "<metadata><link href=\"http://www.garmin.com\"><text>Garmin International</text></link>";

std::string_view Field(const char* text, size_t size) { return {text, strnlen(text, size)}; }

// Degrees with six decimals, as "%lf" in the C locale writes them.
void AppendDegrees(std::string& out, int32_t value) {
    char text[kCircleDegreesTextSize];
    out.append(text, static_cast<size_t>(FormatCircleDegrees(text, value)));
}

// The start tag of a point from its start ("<wpt lat=\""): "<wpt lat="%lf" lon="%lf">".
void AppendPoint(std::string& out, std::string_view start, int32_t latitude, int32_t longitude) {
    out += start;
    AppendDegrees(out, latitude);
    out += "\" lon=\"";
    AppendDegrees(out, longitude);
    out += "\">";
}

// Characters that stand in element text as they are: printable ASCII but & < > ".
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c) plain[static_cast<size_t>(c)] = c != '&' && c != '<' && c != '>' && c != '"';
    return plain;
}();

// An element from its start and end tags ("<name>", "</name>") and its text.
void AppendElement(std::string& out, std::string_view start, std::string_view end, std::string_view text) {
    bool plain = true;
    for (char c : text) plain &= kPlain[static_cast<unsigned char>(c)];
    out += start;
    if (plain) out += text;
    else out += XmlTextFrom1252(text);
    out += end;
}

// Hands the text on once it has grown past a chunk.
constexpr size_t kChunk = 1u << 16;
void MaybeFlush(std::string& out, const GpxFlush& flush) {
    if (flush && out.size() >= kChunk) flush(out);
}

// Room for a chunk and the waypoint or route that passes it, so that the text is not moved as
// it grows.
void ReserveChunk(std::string& out, const GpxFlush& flush) {
    if (flush) out.reserve(out.size() + kChunk + kChunk / 2);
}

}  // namespace

void WriteGpxHeader(std::string& out, std::time_t now) {
    out += kGpxStart;
    std::tm utc{};
    gmtime_r(&now, &utc);
    char time[32];
    std::strftime(time, sizeof time, "%Y-%m-%dT%H:%M:%SZ", &utc);
    out += "<time>";
    out += time;
    out += "</time></metadata>";
}

void WriteGpxWaypoint(std::string& out, dfUSR& usr, std::time_t now, const GpxFlush& flush) {
    ReserveChunk(out, flush);
    WriteGpxHeader(out, now);
    usr.SelectIndex("uident");
    usr.Rewind();
    // Waypoints mostly share a symbol: the name of the last one is kept.
    uint32_t symbolCode = UINT32_MAX;
    const char* symbol = nullptr;
    while (usr.Next(1) == 0) {
        AppendPoint(out, "<wpt lat=\"", usr.ulat, usr.ulong);
        AppendElement(out, "<name>", "</name>", Field(usr.uident, sizeof usr.uident));
        AppendElement(out, "<desc>", "</desc>", Field(usr.uname, sizeof usr.uname));
        const uint32_t code = static_cast<uint32_t>(usr.uicon) >> 8 & 0xFFFF;
        if (code != symbolCode) {
            symbolCode = code;
            symbol = SymbolName(code);
        }
        if (symbol) AppendElement(out, "<sym>", "</sym>", symbol);
        out += "</wpt>";
        MaybeFlush(out, flush);
    }
    out += "</gpx>";
}

void WriteGpxRoute(std::string& out, dfRTE& rte, std::time_t now, const GpxFlush& flush) {
    ReserveChunk(out, flush);
    WriteGpxHeader(out, now);
    RouteSlots route;
    for (int from = 0; CollectNextRoute(rte, from, route); from = route.number + 1) {
        out += "<rte>";
        if (const auto& title = route.slots[0])
            AppendElement(out, "<name>", "</name>", Field(title->rtname1, sizeof title->rtname1));
        for (size_t order = 1; order < route.slots.size(); ++order) {
            const auto& point = route.slots[order];
            if (!point) continue;
            AppendPoint(out, "<rtept lat=\"", point->rtlat, point->rtlong);
            AppendElement(out, "<name>", "</name>", Field(point->rtident, sizeof point->rtident));
            out += "<extensions><gpxx:RoutePointExtension><gpxx:Subclass>000000000000ffffffff000000000";
            out += point->rttype == 4 ? '2' : '0';
            out += "000000</gpxx:Subclass></gpxx:RoutePointExtension></extensions></rtept>";
        }
        out += "</rte>";
        MaybeFlush(out, flush);
    }
    out += "</gpx>";
}
