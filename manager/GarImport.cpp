#include "manager/GarExchange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dblib/dfRTE.h"
#include "dblib/dfUSR.h"
#include "manager/GarRecord.h"
#include "manager/ImportRecords.h"
#include "platform/MessageBox.h"

namespace {

// A route height in feet from the bits of a float altitude: rounded, the unknown altitude as 0.
int32_t HeightFromBits(uint32_t bits) {
    float altitude;
    std::memcpy(&altitude, &bits, sizeof altitude);
    if (bits == GarUnknownAltitudeBits() || !std::isfinite(altitude) || std::fabs(altitude) > 2.0e9f) return 0;
    return static_cast<int32_t>(std::lround(altitude));
}

}  // namespace

bool StartGarImport(GarReader& reader, GarPacket& packet, GarHeader& header, bool routes) {
    header = GarHeader{};
    const int read = ReadGarHeader(reader, packet, header);
    if (read == 1 && header.format != 0 && header.count != 0 &&
        packet.id == (routes ? kGarRouteHeader : kGarUserWaypoint))
        return true;
    if (header.format != 0 || read == 1)
        platform::ShowMessage(routes ? "File Type is not Routes, or file is empty"
                                     : "File Type is not USR Waypoints, or file is empty");
    return false;
}

void ImportUsrGar(GarReader& reader, GarPacket& packet, GarHeader& header, dfUSR& usr, int32_t& highest) {
    while (packet.id == kGarUserWaypoint) {
        const int format = header.format;
        if (packet.size >= GarFixedPart(format)) {
            const GarTexts texts = GarGetTexts(packet.data, packet.size, format);
            int32_t latitude, longitude;
            uint32_t time;
            GarGetPosition(packet.data, packet.size, format, latitude, longitude, time);
            StoreUserWaypoint(usr, ImportText(texts.ident, 7), latitude, longitude, time, ImportText(texts.comment, 31),
                              GarGetSymbol(packet.data, packet.size, format), true, highest);
        }
        if (ReadGarHeader(reader, packet, header) != 1) return;
    }
}

void ImportRteGar(GarReader& reader, GarPacket& packet, GarHeader& header, dfRTE& rte, int32_t& highest,
                  ImportRouteNumbers& numbers) {
    int route = -1;
    int order = 0;
    RouteLegStart leg;
    auto insert = [&](const char* failure) { InsertRouteRecord(rte, route, highest, failure, leg); };
    // A route's title record; false when no route number is left.
    auto startRoute = [&](int given, const std::string& title) {
        bool replace = false;
        route = given < 0 ? numbers.NewRoute() : numbers.GivenRoute(given, replace);
        if (route < 0) return false;
        if (replace) EraseRoute(rte, route);
        rte.Clear();
        SetField(rte.rtname1, title);
        rte.rtorder = 0;
        insert("Insert RTE wpt 0x%x failed");
        order = 1;
        return true;
    };
    do {
        const int format = header.format;
        if (packet.id == kGarEnd) return;
        if (packet.id == kGarRouteHeader && (GarNewLayout(format) || packet.size >= 1)) {
            const int given = GarNewLayout(format) ? -1 : packet.data[0];
            if (!startRoute(given, GarGetRouteTitle(packet.data, packet.size, format))) return;
        } else if (packet.id == kGarRouteWaypoint && packet.size >= GarFixedPart(format)) {
            if (route < 0 && !startRoute(-1, "")) return;
            if (order <= kImportedRouteOrders) {
                const uint8_t* r = packet.data;
                const int size = packet.size;
                const GarTexts texts = GarGetTexts(r, size, format);
                rte.Clear();
                rte.rtorder = order++;
                uint32_t time;
                GarGetPosition(r, size, format, rte.rtlat, rte.rtlong, time);
                rte.rttime = static_cast<int32_t>(time);
                SetField(rte.rtident, ImportText(texts.ident, 7));
                rte.rttype = GarGetWaypointType(r, size, format);
                if (rte.rttype != 1) {
                    SetField(rte.rtname1, ImportText(rte.rttype == 4 ? texts.comment : texts.name, 31));
                    if (rte.rttype != 4) SetField(rte.rtname2, ImportText(texts.city, 26));
                }
                std::string country;
                uint32_t altitude;
                GarGetCountryAltitude(r, size, format, country, altitude);
                std::memcpy(rte.rtcnt, country.data(), std::min<size_t>(country.size(), 2));
                rte.rtht = HeightFromBits(altitude);
                rte.rticon = static_cast<int32_t>(GarGetSymbol(r, size, format));
                insert("Insert RTE wpt 0x%x failed");
            }
        }
    } while (ReadGarHeader(reader, packet, header) == 1);
}
