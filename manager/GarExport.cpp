#include "manager/GarExchange.h"

#include <cstring>

#include "dblib/dfRTE.h"
#include "dblib/dfUSR.h"
#include "manager/GarRecord.h"
#include "manager/RouteSlots.h"
#include "platform/MessageBox.h"

namespace {

std::string Field(const char* text, size_t size) { return {text, strnlen(text, size)}; }

void AssignField(std::string& to, const char* text, size_t size) { to.assign(text, strnlen(text, size)); }

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
    uint8_t shared[256], record[256];
    GarInitRecord(shared, format);
    GarSetWaypointType(shared, format, 4);
    GarSetCountryAltitude(shared, format, "  ", GarUnknownAltitudeBits());
    GarTexts texts;  // kept from record to record, so that its texts keep their room
    auto put = [&] {
        std::memcpy(record, shared, sizeof record);
        GarSetPosition(record, format, usr.ulat, usr.ulong, static_cast<uint32_t>(usr.utime));
        GarSetSymbol(record, format, static_cast<uint32_t>(usr.uicon));
        AssignField(texts.ident, usr.uident, sizeof usr.uident);
        AssignField(texts.comment, usr.uname, sizeof usr.uname);
        writer.Put(kGarUserWaypoint, record, GarPutTexts(record, format, texts) - 3);
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
    uint8_t record[256], link[256];
    const int linkSize = GarPutRouteLink(link);
    RouteSlots route;
    GarTexts texts;  // kept from record to record, so that its texts keep their room
    // A packet for each record and a link before each: the file never moves as it grows.
    writer.Reserve(2 * rte.SlotCount());
    for (int from = 0; CollectNextRoute(rte, from, route) && writer.Count() <= kGarMaxRecords;
         from = route.number + 1) {
        const std::string title = route.slots[0] ? Field(route.slots[0]->rtname1, sizeof route.slots[0]->rtname1) : "";
        writer.Put(kGarRouteHeader, record, GarPutRouteHeader(record, format, route.number, title));
        bool first = true;
        for (size_t order = 1; order < route.slots.size(); ++order) {
            const auto& point = route.slots[order];
            if (!point) continue;
            if (GarNewLayout(format) && !first) writer.Put(kGarRouteLink, link, linkSize);
            first = false;
            GarInitRecord(record, format);
            GarSetWaypointType(record, format, point->rttype);
            GarSetPosition(record, format, point->rtlat, point->rtlong, static_cast<uint32_t>(point->rttime));
            GarSetCountryAltitude(record, format, point->rtcnt, FloatBits(static_cast<float>(point->rtht)));
            GarSetSymbol(record, format, static_cast<uint32_t>(point->rticon));
            AssignField(texts.ident, point->rtident, sizeof point->rtident);
            AssignField(point->rttype == 4 ? texts.comment : texts.name, point->rtname1, sizeof point->rtname1);
            (point->rttype == 4 ? texts.name : texts.comment).clear();
            AssignField(texts.city, point->rtname2, sizeof point->rtname2);
            writer.Put(kGarRouteWaypoint, record, GarPutTexts(record, format, texts) - 3);
        }
    }
    return Finish(writer, kGarCommandRoutes, bytes);
}
