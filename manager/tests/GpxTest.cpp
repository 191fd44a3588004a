// GPX files: the header and elements as written, and the reader's
// scan: attributes in any order and quoting, points without a valid position left out, a
// missing closing tag, routes with and without a name, route numbers of imported routes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/Angle.h"
#include "dblib/KestraneDatabase.h"
#include "manager/GpxReader.h"
#include "manager/GpxWriter.h"
#include "manager/ImportRecords.h"
#include "manager/tests/ManagerTestFolder.h"

namespace {

class Gpx : public ManagerTestFolder {
protected:
    void SetUp() override {
        ManagerTestFolder::SetUp();
        ASSERT_EQ(Db().usr->Open(), 0);
        ASSERT_EQ(Db().rte->Open(), 0);
    }
    void TearDown() override {
        Db().usr->Close();
        Db().rte->Close();
        ManagerTestFolder::TearDown();
    }
    static KestraneDatabase& Db() { return KestraneDb(); }

    void AddUsr(int32_t number, const char* ident, int32_t lat, int32_t lon, const char* name, int32_t icon) {
        dfUSR& u = *Db().usr;
        u.usno = number;
        SetField(u.uident, ident);
        u.ulat = lat;
        u.ulong = lon;
        u.utime = 1000;
        SetField(u.uname, name);
        u.uicon = icon;
        ASSERT_EQ(u.Insert(), 0);
    }
    void AddRte(int32_t number, int route, int order, const char* text, int type = 4) {
        dfRTE& r = *Db().rte;
        r.Clear();
        r.rtsno = number;
        r.rtno = route;
        r.rtorder = order;
        if (order == 0) SetField(r.rtname1, text);
        else SetField(r.rtident, text);
        r.rtlat = 0x10000000;
        r.rtlong = -0x20000000;
        r.rttype = type;
        ASSERT_EQ(r.Insert(), 0);
    }
    // Every user waypoint as "IDENT|name|lat|lon|icon" in ident order.
    std::vector<std::string> Usr() {
        std::vector<std::string> out;
        dfUSR& u = *Db().usr;
        u.SelectIndex("uident");
        u.Rewind();
        while (u.Next(1) == 0)
            out.push_back(std::string(u.uident) + "|" + u.uname + "|" + std::to_string(u.ulat) + "|" +
                          std::to_string(u.ulong) + "|" + std::to_string(u.uicon));
        return out;
    }
    // Every route record as "route/order ident-or-title" by route number and record number.
    std::vector<std::string> Routes() {
        std::vector<std::string> out;
        dfRTE& r = *Db().rte;
        r.SelectIndex("rtno");
        r.Rewind();
        while (r.Next(1) == 0)
            out.push_back(std::to_string(r.rtno) + "/" + std::to_string(r.rtorder) + " " +
                          (r.rtorder == 0 ? r.rtname1 : r.rtident));
        return out;
    }
};

TEST_F(Gpx, WaypointFileAsWritten) {
    AddUsr(1, "B&<", 0x20000000, -5, "DEG \xB0 \"Q\"", 0x120004);  // Waypoint
    AddUsr(2, "A1", -0x20000000, 0x40000000, "", 0x7777700);     // not in the table
    std::string out;
    WriteGpxWaypoint(out, *Db().usr, 0);
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?><gpx xmlns=";
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_NE(out.find(" creator=\"aera 660\" version=\"1.1\" "), std::string::npos);
    EXPECT_NE(out.find("<text>Garmin International</text></link><time>1970-01-01T00:00:00Z</time></metadata>"
                       "<wpt lat=\"-45.000000\" lon=\"90.000000\"><name>A1</name><desc></desc></wpt>"
                       "<wpt lat=\"45.000000\" lon=\"0.000000\"><name>B&amp;&lt;</name>"
                       "<desc>DEG \xC2\xB0 &quot;Q&quot;</desc><sym>Waypoint</sym></wpt></gpx>"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find('\n'), std::string::npos);
}

// A character that needs escaping or converting is found wherever it stands in a text of up to
// 31 characters: in each place of each group of eight, and in the tail.
TEST_F(Gpx, EveryCharacterNeedingEscapeIsFound) {
    const struct {
        char c;
        const char* written;
    } cases[] = {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"},
                 {'\x7F', "\x7F"}, {'\x01', "?"},  {'\xB0', "\xC2\xB0"}, {'\xE9', "\xC3\xA9"}};
    for (const auto& c : cases) {
        for (size_t at = 0; at < 31; ++at) {
            std::string name(31, 'N');
            name[at] = c.c;
            Db().usr->SelectIndex("usno");
            Db().usr->Rewind();
            while (Db().usr->Next(1) == 0) ASSERT_EQ(Db().usr->Erase(), 0);
            AddUsr(1, "A", 0, 0, name.c_str(), 0x120004);
            std::string out;
            WriteGpxWaypoint(out, *Db().usr, 0);
            std::string expected = "<desc>" + name + "</desc>";
            expected.replace(6 + at, 1, c.written);
            EXPECT_NE(out.find(expected), std::string::npos) << int(static_cast<unsigned char>(c.c)) << " at " << at;
        }
    }
}

// A field's text ends at its NUL, whatever follows it, or at the field's end: what lies past the
// text is neither written nor escaped, and a text filling its field is escaped to its last byte.
template <size_t N>
std::string AllBytes(const char (&text)[N]) {
    return {text, N - 1};
}

TEST_F(Gpx, FieldTextsEndAtTheirNulOrTheFieldsEnd) {
    const struct {
        std::string ident, name;  // the fields' whole bytes
        const char *writtenIdent, *writtenName;
    } cases[] = {
        {AllBytes("ID\0&<\xB0\x01\""), AllBytes("PLAIN\0&&<<>>\"\"\xB0\x01"), "ID", "PLAIN"},
        {"ABCDEFG&", std::string(31, 'N') + "<", "ABCDEFG&amp;", "NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN&lt;"},
        {AllBytes("\0&&&&&&&"), AllBytes("\0\xFF\xFF"), "", ""},
        {"1234567\xE9", std::string(15, 'M') + std::string("\0", 1) + std::string(16, '&'), "1234567\xC3\xA9",
         "MMMMMMMMMMMMMMM"},
    };
    for (const auto& c : cases) {
        dfUSR& u = *Db().usr;
        u.SelectIndex("usno");
        u.Rewind();
        while (u.Next(1) == 0) ASSERT_EQ(u.Erase(), 0);
        u.usno = 1;
        std::memset(u.uident, 0, sizeof u.uident);
        std::memset(u.uname, 0, sizeof u.uname);
        std::memcpy(u.uident, c.ident.data(), std::min(c.ident.size(), sizeof u.uident));
        std::memcpy(u.uname, c.name.data(), std::min(c.name.size(), sizeof u.uname));
        u.uicon = 0x120004;
        ASSERT_EQ(u.Insert(), 0);
        std::string out;
        WriteGpxWaypoint(out, u, 0);
        const std::string expected =
            std::string("<name>") + c.writtenIdent + "</name><desc>" + c.writtenName + "</desc>";
        EXPECT_NE(out.find(expected), std::string::npos) << c.writtenIdent << " " << c.writtenName;
    }
}

TEST_F(Gpx, RouteFileAsWritten) {
    AddRte(1, 3, 0, "TITLE");
    AddRte(2, 3, 2, "SECOND", 0);
    AddRte(3, 3, 1, "FIRST");
    AddRte(4, 7, 1, "UNTITLD");
    AddRte(5, 30, 0, "NOT EXPORTED");
    std::string out;
    WriteGpxRoute(out, *Db().rte, 0);
    const std::string point = "<extensions><gpxx:RoutePointExtension><gpxx:Subclass>000000000000ffffffff000000000";
    const std::string end = "000000</gpxx:Subclass></gpxx:RoutePointExtension></extensions></rtept>";
    EXPECT_NE(out.find("</metadata><rte><name>TITLE</name><rtept lat=\"22.500000\" lon=\"-45.000000\"><name>FIRST</name>" +
                       point + "2" + end + "<rtept lat=\"22.500000\" lon=\"-45.000000\">"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<name>SECOND</name>" + point + "0" + end + "</rte><rte><rtept"), std::string::npos) << out;
    EXPECT_NE(out.find("<name>UNTITLD</name>" + point + "2" + end + "</rte></gpx>"), std::string::npos) << out;
    EXPECT_EQ(out.find("NOT EXPORTED"), std::string::npos);
}

TEST_F(Gpx, WaypointsRead) {
    AddUsr(1, "KNOWN", 0, 0, "OLD", 0);
    const std::string text =
        "<gpx><metadata><name>not a point</name></metadata>"
        "<wpt lon='-122.5' lat='47.25'><ele>3</ele><name>KNOWN</name><desc>NEW &amp; BETTER</desc>"
        "<sym>Airport</sym></wpt>\n"
        "<wpt\n lat=\"10\"   lon = \"20\" ><name>LONGIDENT</name><sym>No Such</sym></wpt>"
        "<wpt lat=\"91\" lon=\"0\"><name>BADLAT</name></wpt>"
        "<wpt lat=\"x\" lon=\"0\"><name>BADNUM</name></wpt>"
        "<wpt lon=\"0\"><name>NOLAT</name></wpt>"
        "<wpt lat=\"1\" lon=\"1\"></wpt>"
        "<rte><rtept lat=\"1\" lon=\"1\"><name>RTEPT</name></rtept></rte>"
        "<wpt lat=\"5\" lon=\"5\"><name>CUT</name><desc>no end";
    int32_t highest = 1;
    EXPECT_EQ(ReadGpxWaypoints(text, *Db().usr, highest, 777), 3);
    EXPECT_EQ(highest, 2);
    const std::vector<std::string> expected = {
        "KNOWN|NEW & BETTER|" + std::to_string(DegreesToCircle(47.25, 26)) + "|" +
            std::to_string(DegreesToCircle(-122.5, 26)) + "|" + std::to_string(64 << 8 | 4),
        "LONGIDE||" + std::to_string(DegreesToCircle(10, 26)) + "|" + std::to_string(DegreesToCircle(20, 26)) +
            "|" + std::to_string(0x120004)};
    EXPECT_EQ(Usr(), expected);
    // The second reading amends: no new record.
    EXPECT_EQ(ReadGpxWaypoints(text, *Db().usr, highest, 778), 3);
    EXPECT_EQ(highest, 2);
    EXPECT_EQ(Usr(), expected);
}

TEST_F(Gpx, RoutesRead) {
    AddRte(1, 4, 0, "OLD");
    const std::string text =
        "<gpx><rte><name>FIRST &lt;1&gt;</name><rtept lat=\"1\" lon=\"2\"><name>A</name>"
        "<extensions><gpxx:RoutePointExtension><gpxx:Subclass>0000</gpxx:Subclass></gpxx:RoutePointExtension>"
        "</extensions></rtept><rtept lat=\"100\" lon=\"2\"><name>BAD</name></rtept>"
        "<rtept lon=\"3\" lat=\"4\"/><rtept lat=\"5\" lon=\"6\"><name>C</name></rtept></rte>"
        "<rte><rtept lat=\"1\" lon=\"1\"><name>NONAME</name></rtept></rte>"
        "<rte></rte>"
        "<rte><name>CUT</name><rtept lat=\"1\" lon=\"1\"><name>X</name></rtept><rtept lat=\"1\" lon=\"1\"><name>Y";
    int32_t highest = 1;
    ImportRouteNumbers numbers(*Db().rte);
    EXPECT_EQ(ReadGpxRoutes(text, *Db().rte, highest, numbers), 1);
    const std::vector<std::string> expected = {"4/0 OLD", "5/0 FIRST <1>", "5/1 A", "5/2 ", "5/3 C", "6/0 ",
                                               "6/1 NONAME", "7/0 CUT", "7/1 X"};
    EXPECT_EQ(Routes(), expected);
}

TEST_F(Gpx, RoutesPastTheLastNumberTakeFreeOnes) {
    AddRte(1, 18, 0, "A");
    AddRte(2, 0, 0, "B");
    AddRte(3, 2, 0, "C");
    std::string text = "<gpx>";
    for (int i = 0; i < 20; ++i) text += "<rte><name>R" + std::to_string(i) + "</name></rte>";
    int32_t highest = 3;
    ImportRouteNumbers numbers(*Db().rte);
    ReadGpxRoutes(text, *Db().rte, highest, numbers);  // "No free route number ..." after 17
    std::vector<std::string> routes = Routes();
    ASSERT_EQ(routes.size(), 20u);
    EXPECT_EQ(routes[0], "0/0 B");
    EXPECT_EQ(routes[1], "1/0 R1");
    EXPECT_EQ(routes[2], "2/0 C");
    EXPECT_EQ(routes[3], "3/0 R2");
    EXPECT_EQ(routes[4], "4/0 R3");
    EXPECT_EQ(routes[17], "17/0 R16");
    EXPECT_EQ(routes[18], "18/0 A");
    EXPECT_EQ(routes[19], "19/0 R0");
}

}  // namespace
