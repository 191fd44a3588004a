#include "manager/GarExchange.h"

#include <cstring>
#include <string_view>

#include "dblib/dfRTE.h"
#include "dblib/dfUSR.h"
#include "manager/FieldText.h"
#include "manager/GarRecord.h"
#include "manager/RouteSlots.h"
#include "platform/MessageBox.h"

namespace {

bool Finish(GarWriter& writer, int command, std::string& bytes) {
    if (writer.Count() > kGarMaxRecords) {
        platform::ShowMessage("Too many records for one file");
        return false;
    }
    writer.Finish(command);
    bytes = writer.TakeBytes();
    return true;
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

bool ExportUsrGar(dfUSR& usr, int format, uint16_t productId, int32_t onlyNumber, std::string& bytes) {
    GarWriter writer(productId);
    // The fields every user waypoint shares are set once; each record starts from a copy.
    uint8_t shared[256];
    GarInitRecord(shared, format);
    GarSetWaypointType(shared, format, 4);
    GarSetCountryAltitude(shared, format, "  ", GarUnknownAltitudeBits());
    auto put = [&] {
        uint8_t* record = writer.Begin(kGarUserWaypoint, shared);
        GarSetPosition(record, format, usr.ulat, usr.ulong, static_cast<uint32_t>(usr.utime));
        GarSetSymbol(record, format, static_cast<uint32_t>(usr.uicon));
        writer.End(GarPutWaypointTexts(record, format, usr.uident, usr.uname) - 3);
    };
    if (onlyNumber != 0) {
        usr.SelectIndex("usno");
        usr.usno = onlyNumber;
        if (usr.Find() == 0) put();
    } else {
        writer.Reserve(usr.SlotCount());
        usr.SelectIndex("uident");
        usr.Rewind();
        while (usr.Next(1) == 0 && writer.Count() <= kGarMaxRecords) put();
    }
    return Finish(writer, kGarCommandWaypoints, bytes);
}

bool ExportRteGar(dfRTE& rte, int format, uint16_t productId, std::string& bytes) {
    GarWriter writer(productId);
    uint8_t blank[256], record[256], link[256];
    GarInitRecord(blank, format);
    const int linkSize = GarPutRouteLink(link);
    RouteSlots route;
    // A packet for each record and a link before each: the file never moves as it grows.
    writer.Reserve(2 * rte.SlotCount());
    for (int from = 0; CollectNextRoute(rte, from, route) && writer.Count() <= kGarMaxRecords;
         from = route.number + 1) {
        const std::string title(route.slots[0] ? FieldView(route.slots[0]->rtname1) : "");
        writer.Put(kGarRouteHeader, record, GarPutRouteHeader(record, format, route.number, title));
        bool first = true;
        for (size_t order = 1; order < route.slots.size(); ++order) {
            const auto& point = route.slots[order];
            if (!point) continue;
            if (GarNewLayout(format) && !first) writer.Put(kGarRouteLink, link, linkSize);
            first = false;
            uint8_t* waypoint = writer.Begin(kGarRouteWaypoint, blank);
            GarSetWaypointType(waypoint, format, point->rttype);
            GarSetPosition(waypoint, format, point->rtlat, point->rtlong, static_cast<uint32_t>(point->rttime));
            GarSetCountryAltitude(waypoint, format, point->rtcnt, FloatBits(static_cast<float>(point->rtht)));
            GarSetSymbol(waypoint, format, static_cast<uint32_t>(point->rticon));
            writer.End(GarPutRoutePointTexts(waypoint, format, point->rtident, point->rtname1, point->rttype == 4,
                                             point->rtname2) -
                       3);
        }
    }
    return Finish(writer, kGarCommandRoutes, bytes);
}
