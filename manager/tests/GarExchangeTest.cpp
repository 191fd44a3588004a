// User waypoints and routes through GAR files and the record files: exports by format with the
// count, the selection and the route order; imports that keep newer waypoints, replace
// numbered routes and add new ones; and files cut short keep what was read before the cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dblib/KestraneDatabase.h"
#include "manager/GarExchange.h"
#include "manager/GarRecord.h"
#include "manager/ImportRecords.h"
#include "manager/RenumberRoute.h"
#include "manager/RouteSlots.h"
#include "manager/tests/ManagerTestFolder.h"

namespace {

class GarExchange : public ManagerTestFolder {
protected:
    void SetUp() override {
        ManagerTestFolder::SetUp();
        ASSERT_EQ(Usr().Open(), 0);
        ASSERT_EQ(Rte().Open(), 0);
    }
    void TearDown() override {
        Usr().Close();
        Rte().Close();
        ManagerTestFolder::TearDown();
    }
    static dfUSR& Usr() { return *KestraneDb().usr; }
    static dfRTE& Rte() { return *KestraneDb().rte; }

    void AddUsr(int32_t number, const char* ident, int32_t time, const char* name = "NAME") {
        dfUSR& u = Usr();
        u.usno = number;
        SetField(u.uident, ident);
        u.ulat = number * 1000;
        u.ulong = -number * 2000;
        u.utime = time;
        SetField(u.uname, name);
        u.uicon = 0x4000 << 8 | 3;
        ASSERT_EQ(u.Insert(), 0);
    }
    void AddRte(int32_t number, int route, int order, const char* text, int type = 4) {
        dfRTE& r = Rte();
        r.Clear();
        r.rtsno = number;
        r.rtno = route;
        r.rtorder = order;
        if (order == 0) SetField(r.rtname1, text);
        else {
            SetField(r.rtident, text);
            SetField(r.rtname1, std::string("T1 ") + text);
            SetField(r.rtname2, "CITY@WA");
            std::memcpy(r.rtcnt, "US", 2);
            r.rtht = 1250;
            r.rticon = 0x4000 << 8;
        }
        r.rtlat = number * 100000;
        r.rtlong = -number * 300000;
        r.rttype = type;
        ASSERT_EQ(r.Insert(), 0);
    }
    std::vector<std::string> UsrLines() {
        std::vector<std::string> out;
        Usr().SelectIndex("uident");
        Usr().Rewind();
        while (Usr().Next(1) == 0)
            out.push_back(std::to_string(Usr().usno) + " " + Usr().uident + "|" + Usr().uname + "|" +
                          std::to_string(Usr().ulat) + "|" + std::to_string(Usr().utime));
        return out;
    }
    void EraseAllUsr() {
        Usr().SelectIndex("usno");
        Usr().Rewind();
        while (Usr().Next(1) == 0) ASSERT_EQ(Usr().Erase(), 0);
    }
    struct RouteRecord {
        int route, order;
        const char* text;
    };
    // Records numbered 1, 2, ... in the given order.
    void AddRoutes(std::initializer_list<RouteRecord> records) {
        int32_t number = 0;
        for (const RouteRecord& r : records) AddRte(++number, r.route, r.order, r.text);
    }
    void EraseAllRte() {
        Rte().SelectIndex("rtsno");
        Rte().Rewind();
        while (Rte().Next(1) == 0) ASSERT_EQ(Rte().Erase(), 0);
    }
    // Every route record by route number and order.
    std::vector<std::string> RteLines() {
        std::vector<std::string> out;
        Rte().SelectIndex("rtno");
        Rte().Rewind();
        while (Rte().Next(1) == 0) {
            const dfRTE& r = Rte();
            out.push_back(std::to_string(r.rtno) + "/" + std::to_string(r.rtorder) + " " + r.rtident + "|" +
                          r.rtname1 + "|" + r.rtname2 + "|" + std::string(r.rtcnt, strnlen(r.rtcnt, 4)) + "|" +
                          std::to_string(r.rtht) + "|" + std::to_string(r.rttype) + "|" + std::to_string(r.rtlat));
        }
        std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
            return std::stoi(a) != std::stoi(b) ? std::stoi(a) < std::stoi(b)
                                                 : std::stoi(a.substr(a.find('/') + 1)) < std::stoi(b.substr(b.find('/') + 1));
        });
        return out;
    }
    // The packet ids of a file after its first two packets.
    static std::vector<int> Ids(const std::string& bytes) {
        std::vector<int> ids;
        for (size_t at = 10; at + 1 < bytes.size(); at += 2 + static_cast<uint8_t>(bytes[at + 1]))
            ids.push_back(static_cast<uint8_t>(bytes[at]));
        return ids;
    }
    static int Count(const std::string& bytes) { return static_cast<uint8_t>(bytes[8]) | static_cast<uint8_t>(bytes[9]) << 8; }

    void ImportUsr(const std::string& bytes) {
        GarReader reader(bytes);
        GarPacket packet;
        GarHeader header;
        if (StartGarImport(reader, packet, header, false)) ImportUsrGar(reader, packet, header, Usr(), highest);
    }
    void ImportRte(const std::string& bytes) {
        GarReader reader(bytes);
        GarPacket packet;
        GarHeader header;
        ImportRouteNumbers numbers(Rte());
        if (StartGarImport(reader, packet, header, true))
            ImportRteGar(reader, packet, header, Rte(), highest, numbers);
    }

    int32_t highest = 0;
};

TEST_F(GarExchange, UserWaypointsOutAndBackInEveryFormat) {
    const uint16_t products[10] = {0, 41, 45, 48, 71, 112, 128, 145, 364, 402};
    for (int format = 1; format <= 9; ++format) {
        SCOPED_TRACE(format);
        EraseAllUsr();
        AddUsr(1, "ALPHA", 5000, "FIRST NAME");
        AddUsr(2, "BRAVO1", 6000, "SECOND");
        std::string bytes;
        ASSERT_TRUE(ExportUsrGar(Usr(), format, products[format], 0, bytes));
        EXPECT_EQ(Count(bytes), 2);
        EXPECT_EQ(Ids(bytes), (std::vector<int>{35, 35, 12}));
        EraseAllUsr();
        highest = 0;
        ImportUsr(bytes);
        const bool hasTime = format <= 5 || format == 9;
        EXPECT_EQ(UsrLines(), (std::vector<std::string>{"1 ALPHA|FIRST NAME|1000|" + std::string(hasTime ? "5000" : "0"),
                                                        "2 BRAVO1|SECOND|2000|" + std::string(hasTime ? "6000" : "0")}));
    }
}

// A waypoint's packet in a file of all waypoints is the one it gets alone: nothing of the
// waypoint before it (a longer name, other fields) stays in its bytes.
TEST_F(GarExchange, EachPacketAsItsWaypointAlone) {
    const uint16_t products[10] = {0, 41, 45, 48, 71, 112, 128, 145, 364, 402};
    AddUsr(1, "ALPHA", 5000, "A NAME OF TWENTY-NINE LETTERS");
    AddUsr(2, "BRAVO1", -1, "B");
    AddUsr(3, "C", 7000, "");
    for (int format = 1; format <= 9; ++format) {
        SCOPED_TRACE(format);
        std::string all;
        ASSERT_TRUE(ExportUsrGar(Usr(), format, products[format], 0, all));
        size_t at = 10;  // after product data and the count
        for (int32_t number = 1; number <= 3; ++number) {
            std::string alone;
            ASSERT_TRUE(ExportUsrGar(Usr(), format, products[format], number, alone));
            const size_t size = 2 + static_cast<uint8_t>(alone[11]);
            ASSERT_LE(at + size, all.size());
            EXPECT_EQ(all.substr(at, size), alone.substr(10, size)) << number;
            at += size;
        }
    }
}

TEST_F(GarExchange, SelectionAndTheUnknownAltitude) {
    AddUsr(1, "ALPHA", 5000);
    AddUsr(2, "BRAVO", 6000);
    std::string bytes;
    ASSERT_TRUE(ExportUsrGar(Usr(), 4, 71, 2, bytes));
    EXPECT_EQ(Count(bytes), 1);
    ASSERT_EQ(Ids(bytes), (std::vector<int>{35, 12}));
    const uint8_t* record = reinterpret_cast<const uint8_t*>(bytes.data()) + 12;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record), 6), "BRAVO ");
    EXPECT_EQ(record[118] | record[119] << 8, 32767);
    EXPECT_EQ(record[123], 4);
    ASSERT_TRUE(ExportUsrGar(Usr(), 9, 402, 0, bytes));
    uint32_t altitude;
    std::memcpy(&altitude, bytes.data() + 12 + 32, 4);
    EXPECT_EQ(altitude, GarUnknownAltitudeBits());
}

// A known ident whose stored time word is at least the file's is kept; an older one is replaced.
TEST_F(GarExchange, ImportKeepsNewerWaypoints) {
    AddUsr(1, "ALPHA", 5000, "ORIGINAL");
    AddUsr(2, "BRAVO", 6000, "ORIGINAL");
    std::string bytes;
    ASSERT_TRUE(ExportUsrGar(Usr(), 9, 402, 0, bytes));
    Usr().SelectIndex("usno");
    Usr().usno = 1;
    ASSERT_EQ(Usr().Find(), 0);
    SetField(Usr().uname, "NEWER");
    Usr().utime = 5000;
    ASSERT_EQ(Usr().Amend(), 0);
    Usr().usno = 2;
    ASSERT_EQ(Usr().Find(), 0);
    SetField(Usr().uname, "OLDER");
    Usr().utime = 10;
    ASSERT_EQ(Usr().Amend(), 0);
    highest = 2;
    ImportUsr(bytes);
    EXPECT_EQ(UsrLines(), (std::vector<std::string>{"1 ALPHA|NEWER|1000|5000", "2 BRAVO|ORIGINAL|2000|6000"}));
    const auto once = UsrLines();
    ImportUsr(bytes);
    EXPECT_EQ(UsrLines(), once);
    EXPECT_EQ(highest, 2);
}

TEST_F(GarExchange, RoutesExportedInNumberOrder) {
    AddRte(1, 7, 0, "SEVEN");
    AddRte(2, 7, 1, "S1");
    AddRte(3, 3, 1, "T1", 0);
    AddRte(4, 3, 0, "THREE");
    AddRte(5, 3, 2, "T2");
    AddRte(6, 3, 3, "T3", 1);
    AddRte(7, 30, 0, "THIRTY");
    AddRte(8, 12, 1, "NOHEADER");
    std::string bytes;
    ASSERT_TRUE(ExportRteGar(Rte(), 9, 402, bytes));
    EXPECT_EQ(Ids(bytes), (std::vector<int>{29, 30, 98, 30, 98, 30, 29, 30, 29, 30, 12}));
    EXPECT_EQ(Count(bytes), 10);
    EXPECT_EQ(bytes.substr(12, 6), std::string("THREE\0", 6));
    ASSERT_TRUE(ExportRteGar(Rte(), 5, 112, bytes));
    EXPECT_EQ(Ids(bytes), (std::vector<int>{29, 30, 30, 30, 29, 30, 29, 30, 12}));
    EXPECT_EQ(bytes[12], 3);

    // Back into an empty database: new numbers from format 9, the file's from format 5.
    std::string format9;
    ASSERT_TRUE(ExportRteGar(Rte(), 9, 402, format9));
    EraseAllRte();
    highest = 0;
    ImportRte(format9);
    const int32_t l1 = 3 * 100000, l5 = 5 * 100000, l6 = 6 * 100000, l2 = 2 * 100000, l8 = 8 * 100000;
    EXPECT_EQ(RteLines(), (std::vector<std::string>{
                              "1/0 |THREE|||0|0|0", "1/1 T1|T1 T1|CITY@WA|US|1250|0|" + std::to_string(l1),
                              "1/2 T2|T1 T2||US|1250|4|" + std::to_string(l5),
                              "1/3 T3|||US|1250|1|" + std::to_string(l6), "2/0 |SEVEN|||0|0|0",
                              "2/1 S1|T1 S1||US|1250|4|" + std::to_string(l2), "3/0 ||||0|0|0",
                              "3/1 NOHEADE|T1 NOHEADER||US|1250|4|" + std::to_string(l8)}));
}

TEST_F(GarExchange, RouteCollectionGoesOnFromWhereItStoppedOnlyWhenTheFileStaysThere) {
    AddRoutes({{3, 0, "THREE"}, {3, 1, "T1"}, {7, 1, "S1"}, {12, 0, "TWELVE"}, {7, 0, "SEVEN"}});
    const struct {
        bool moved;  // the record it stopped at looked up again by its number between the collections
        int from;
        int expected;  // -1: none
    } cases[] = {{false, 4, 7}, {true, 4, 7}, {false, 8, 12}, {true, 8, 12}, {false, 13, -1}, {false, 3, 3}};
    for (const auto& c : cases) {
        RouteSlots route;
        ASSERT_TRUE(CollectNextRoute(Rte(), 0, route));
        ASSERT_EQ(route.number, 3);
        if (c.moved) {
            Rte().SelectIndex("rtsno");
            Rte().rtsno = route.nextRecord;
            ASSERT_EQ(Rte().Find(), 0);
        }
        const bool found = CollectNextRoute(Rte(), c.from, route);
        EXPECT_EQ(found ? route.number : -1, c.expected) << c.moved << " " << c.from;
        if (c.expected == 7) {
            ASSERT_TRUE(route.slots[0] && route.slots[1]) << "the route whole, title first";
            EXPECT_EQ(std::string(route.slots[0]->rtname1), "SEVEN");
        }
    }
}

TEST_F(GarExchange, ImportedPointsCarryTheLegsTheRenumberingGives) {
    AddRoutes({{4, 0, "FOUR"}, {4, 1, "P1"}, {4, 2, "P2"}, {4, 3, "P3"}, {6, 1, "Q1"}});
    std::string bytes;
    ASSERT_TRUE(ExportRteGar(Rte(), 9, 402, bytes));
    EraseAllRte();
    highest = 0;
    ImportRte(bytes);
    // Order, range and bearing of every record as imported, then after renumbering each route.
    auto legs = [this] {
        std::vector<std::string> out;
        Rte().SelectIndex("rtsno");
        Rte().Rewind();
        while (Rte().Next(1) == 0)
            out.push_back(std::to_string(Rte().rtno) + "/" + std::to_string(Rte().rtorder) + " " +
                          std::to_string(Rte().rtrange) + " " + std::to_string(Rte().rtbearing));
        return out;
    };
    const std::vector<std::string> imported = legs();
    ASSERT_EQ(imported.size(), 6u);
    EXPECT_EQ(imported[1].substr(0, 4), "1/1 ");
    EXPECT_EQ(imported[1].substr(4), "0 0") << "the first point has no leg";
    EXPECT_NE(imported[2].substr(4), "0 0") << "later points have theirs";
    for (int32_t route = 1; route <= 2; ++route) EXPECT_EQ(RenumberRoute(route, 0), route == 1 ? 3 : 1);
    EXPECT_EQ(legs(), imported);
}

TEST_F(GarExchange, NumberedRoutesReplaceTheirNumber) {
    AddRte(1, 2, 0, "TWO");
    AddRte(2, 2, 1, "OLD1");
    AddRte(3, 2, 2, "OLD2");
    AddRte(4, 5, 0, "FIVE");
    AddRte(5, 5, 1, "F1");
    std::string bytes;
    ASSERT_TRUE(ExportRteGar(Rte(), 5, 112, bytes));
    // Route 2 of the file now holds one waypoint, NEW1.
    AddRte(6, 2, 3, "NEW1");
    std::string changed;
    Rte().SelectIndex("rtsno");
    for (int n : {2, 3}) {
        Rte().rtsno = n;
        ASSERT_EQ(Rte().Find(), 0);
        ASSERT_EQ(Rte().Erase(), 0);
    }
    ASSERT_TRUE(ExportRteGar(Rte(), 5, 112, changed));
    Rte().SelectIndex("rtsno");
    for (int n : {1, 4, 5, 6}) {
        Rte().rtsno = n;
        ASSERT_EQ(Rte().Find(), 0);
        ASSERT_EQ(Rte().Erase(), 0);
    }
    highest = 10;
    ImportRte(bytes);
    ImportRte(changed);
    std::vector<std::string> lines = RteLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 8), "2/0 ||||");
    EXPECT_EQ(lines[1].substr(0, 9), "2/1 NEW1|");
    EXPECT_EQ(lines[2].substr(0, 4), "5/0 ");
    EXPECT_EQ(lines[3].substr(0, 7), "5/1 F1|");
}

// A file cut at any byte: what came before the cut is stored, nothing after it.
TEST_F(GarExchange, CutFilesKeepEarlierRecords) {
    for (int n = 1; n <= 3; ++n) AddUsr(n, ("WP" + std::to_string(n)).c_str(), 100);
    std::string whole;
    ASSERT_TRUE(ExportUsrGar(Usr(), 9, 402, 0, whole));
    const size_t first = 10, size = 2 + static_cast<uint8_t>(whole[11]);
    for (size_t cut : {first + 1, first + size - 1, first + size, first + size + 3, first + 3 * size}) {
        SCOPED_TRACE(cut);
        Usr().SelectIndex("usno");
        Usr().Rewind();
        while (Usr().Next(1) == 0) ASSERT_EQ(Usr().Erase(), 0);
        highest = 0;
        ImportUsr(whole.substr(0, cut));
        EXPECT_EQ(static_cast<size_t>(highest), (cut - first) / size);
    }
}

}  // namespace
