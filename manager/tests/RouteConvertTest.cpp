// File > Convert of the routes window: route waypoints stored as user waypoints take the fields of
// the point of the same ident at the same place (the ident's digits in stored form), and only then.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/IdentDigits.h"
#include "dblib/KestraneDatabase.h"
#include "manager/GarExchange.h"
#include "manager/ImportRecords.h"
#include "manager/RouteConvert.h"
#include "manager/tests/ManagerTestFolder.h"

namespace {

class RouteConvert : public ManagerTestFolder {
protected:
    static KestraneDatabase& Db() { return KestraneDb(); }

    void AddName(int32_t number, const char* text) {
        Db().names->nsno = number;
        SetField(Db().names->nname, text);
        ASSERT_EQ(Db().names->Insert(), 0);
    }
    void AddPoint(int32_t number, int route, int order, const char* ident, int32_t lat, int type = 4) {
        dfRTE& r = *Db().rte;
        r.Clear();
        r.rtsno = number;
        r.rtno = route;
        r.rtorder = order;
        SetField(r.rtident, ident);
        r.rtlat = lat;
        r.rtlong = -1000;
        r.rttype = type;
        ASSERT_EQ(r.Insert(), 0);
    }
    std::string Point(int32_t number) {
        dfRTE& r = *Db().rte;
        r.SelectIndex("rtsno");
        r.rtsno = number;
        if (r.Find() != 0) return "missing";
        return std::string(r.rtident) + "|" + r.rtname1 + "|" + r.rtname2 + "|" + std::string(r.rtcnt, strnlen(r.rtcnt, 4)) +
               "|" + std::to_string(r.rttype) + "|" + std::to_string(r.rtht);
    }
};

TEST_F(RouteConvert, UserWaypointsTakeTheFieldsOfTheNearbyPoint) {
    KestraneDatabase& db = Db();
    ASSERT_EQ(db.names->Open(), 0);
    ASSERT_EQ(db.country->Open(), 0);
    AddName(1, "SEATTLE TACOMA");
    AddName(2, "SEATTLE");
    AddName(3, "ONE NDB");
    db.country->csno = 5;
    std::memcpy(db.country->cid, "US", 3);
    SetField(db.country->cname, "UNITED STATES");
    ASSERT_EQ(db.country->Insert(), 0);
    ASSERT_EQ(db.apts->Open(), 0);
    db.apts->asno = 1;
    char ident[8] = "K1S";
    EncodeIdentDigits(ident);
    std::memcpy(db.apts->aident, ident, 8);
    db.apts->alat = 500000;
    db.apts->along = -1000;
    db.apts->afacil = 1;
    db.apts->acity = 2;
    db.apts->acountry = 5;
    db.apts->aheight = 433;
    ASSERT_EQ(db.apts->Insert(), 0);
    db.apts->Close();
    ASSERT_EQ(db.ndbs->Open(), 0);
    db.ndbs->bsno = 1;
    std::memcpy(db.ndbs->bident, "NB\0\0\0\0\0", 8);
    db.ndbs->blat = 0x10000;  // one unit nearer than the limit
    db.ndbs->blong = -1000;
    db.ndbs->bfacil = 3;
    db.ndbs->bcity = -1;
    db.ndbs->bcountry = 5;
    ASSERT_EQ(db.ndbs->Insert(), 0);
    db.ndbs->Close();

    ASSERT_EQ(db.rte->Open(), 0);
    AddPoint(1, 1, 0, "", 0);
    AddPoint(2, 1, 1, "K1S", 500000 + 0x10000);  // the airport
    AddPoint(3, 1, 2, "K1S", 500000 + 0x10001);  // too far
    AddPoint(4, 1, 3, "NB", 0);                  // the NDB
    AddPoint(5, 1, 4, "NB", 0, 3);               // not a user waypoint
    db.rte->Close();
    ConvertRouteWaypoints();
    ASSERT_EQ(db.rte->Open(), 0);
    EXPECT_EQ(Point(2), "K1S|SEATTLE TACOMA|SEATTLE|US|0|433");
    EXPECT_EQ(Point(3), "K1S||||4|0");
    EXPECT_EQ(Point(4), "NB|ONE NDB||US|2|0");
    EXPECT_EQ(Point(5), "NB||||3|0");
    db.rte->Close();
    db.names->Close();
    db.country->Close();
}

// A file holds at most 32767 records: more refuse the export.
TEST_F(RouteConvert, TooManyRecordsForOneFile) {
    dfUSR& u = *Db().usr;
    ASSERT_EQ(u.Open(), 0);
    for (int n = 1; n <= 32768; ++n) {
        u.usno = n;
        SetField(u.uident, "W" + std::to_string(n));
        ASSERT_EQ(u.Insert(), 0);
    }
    std::string bytes;
    EXPECT_FALSE(ExportUsrGar(u, 9, 402, 0, bytes));
    u.usno = 1;
    u.SelectIndex("usno");
    ASSERT_EQ(u.Find(), 0);
    ASSERT_EQ(u.Erase(), 0);
    EXPECT_TRUE(ExportUsrGar(u, 9, 402, 0, bytes));
    EXPECT_EQ(bytes.substr(8, 2), "\xff\x7f");
    u.Close();
}

}  // namespace
