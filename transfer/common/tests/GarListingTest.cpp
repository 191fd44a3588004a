#include "transfer/common/GarListing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "transfer/common/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

class GarListingTest : public TempFolder {
protected:
    std::vector<std::string> ListAll(const Gar& gar) {
        listing.ListGarFile(Write("t.gar", gar.bytes));
        std::vector<std::string> lines;
        for (int n = 0; n < listing.GetLineCount(); ++n) lines.push_back(listing.GetLine(n, true));
        return lines;
    }
    std::vector<std::string> messages;
    GarListing listing{[this](const std::string& m) { messages.push_back(m); }};
};

// A newer unit's user waypoint in the layout of D3 = 0x70 (strings from 52).
Bytes NewerWaypoint(int classByte, const std::string& ident, float altitude, int display = 1) {
    Bytes d(52, 0);
    d[1] = static_cast<uint8_t>(classByte);
    d[2] = static_cast<uint8_t>(display);
    d[3] = 0x70;
    d[4] = 18;  // symbol "Waypoint"
    const int32_t lat = Semicircles(-0.5), lon = Semicircles(2.25);
    std::memcpy(&d[24], &lat, 4);
    std::memcpy(&d[28], &lon, 4);
    std::memcpy(&d[32], &altitude, 4);
    d[44] = 'E';
    d[45] = 'G';
    d[46] = 'U';
    d[47] = 'K';
    PutText(d, ident);
    PutText(d, "COMMENT");
    PutText(d, "FACILITY");
    PutText(d, "CITY");
    return d;
}

TEST_F(GarListingTest, NewerWaypointsWithAndWithoutAltitude) {
    Gar gar;
    gar.Product(595).Count(2).Record(35, NewerWaypoint(0, "USR1", 100.0f)).Record(35, NewerWaypoint(64, "APT1", 1.0e25f)).End();
    const auto lines = ListAll(gar);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "User Waypoints Database - 2 Packets from GPS 496");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Waypoint 1 (USR)     USR1");
    EXPECT_EQ(lines[3], "        S 00\xB0" "30.000   COMMENT                          Icon= \"Waypoint\" (Symb only)");
    EXPECT_EQ(lines[4], "        E002\xB0" "15.000                                    Height:330 ft,");
    EXPECT_EQ(lines[6], "Waypoint 2 (APT)     APT1");
    EXPECT_EQ(lines[7].substr(22, 8), "FACILITY");
    EXPECT_EQ(lines[8], "        E002\xB0" "15.000   CITY (EG)                        Country:UK") << "no altitude, no Height:";
    EXPECT_TRUE(messages.empty());
}

TEST_F(GarListingTest, CityAndStateShareTwentyFourColumns) {
    // NewerWaypoint's strings: ident, comment, facility, city; its state is "EG".
    const struct {
        const char* city;
        const char* shown;
    } cases[] = {{"CITY", "CITY (EG)"}, {"TWENTY-ONE CHARACTERS", "TWENTY-ONE CHARACTERS (E"}, {"A NAME OF TWENTY-SIX CHARS", "A NAME OF TWENTY-SIX CHA"}};
    for (const auto& c : cases) {
        Bytes apt = NewerWaypoint(64, "APT1", 1.0e25f);
        const std::string tail = std::string("COMMENT") + '\0' + "FACILITY" + '\0' + "CITY" + '\0';
        apt.resize(apt.size() - tail.size());
        PutText(apt, "COMMENT");
        PutText(apt, "FACILITY");
        PutText(apt, c.city);
        Gar gar;
        gar.Product(595).Count(1).Record(35, apt).End();
        const auto lines = ListAll(gar);
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[4].substr(22, 33), std::string(c.shown) + std::string(33 - std::strlen(c.shown), ' ')) << c.city;
    }
}

TEST_F(GarListingTest, OlderWaypointClassesFromTheFixedLayout) {
    Bytes apt(127, ' ');
    std::memcpy(&apt[0], "EGLL  ", 6);
    const int32_t lat = Semicircles(51.5), lon = Semicircles(-0.5);
    std::memcpy(&apt[6], &lat, 4);
    std::memcpy(&apt[10], &lon, 4);
    apt[118] = 25;
    apt[119] = 0;
    std::memcpy(&apt[120], "UK_", 3);
    apt[123] = 0;
    apt[124] = 0;
    apt[125] = 0x40;
    apt[126] = 4;
    Bytes usr(12, 0);  // too short for a class byte (USR) and a longitude
    std::memcpy(&usr[0], "HOME", 4);
    Gar gar;
    gar.Product(45).Count(2).Record(35, apt).Record(35, usr).End();
    const auto lines = ListAll(gar);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "User Waypoints Database - 2 Packets from GPS 90");
    EXPECT_EQ(lines[2], "Waypoint 1 (APT)");
    EXPECT_EQ(lines[3].substr(0, 19), "EGLL    N 51\xB0" "30.000");
    EXPECT_EQ(lines[3].substr(55), "Icon= \"Airport\" (Symb & Cmnt)");
    EXPECT_EQ(lines[4].substr(55), "Height:80 ft, Country:UK");
    EXPECT_EQ(lines[6], "Waypoint 2 (USR)");
    EXPECT_EQ(lines[7], "HOME    N 00\xB0" " 0.000");
    EXPECT_EQ(lines[8], "") << "longitude and time lie beyond the short record";
}

TEST_F(GarListingTest, RouteWaypointsNumberedAfterEachHeader) {
    Bytes header = {1};
    PutText(header, "HOME TO EGLL");
    Gar gar;
    gar.Product(45).Count(5).Record(29, header).Record(30, Bytes(20, 0)).Record(98, {}).Record(30, Bytes(20, 0));
    gar.Record(29, {2}).Record(30, Bytes(20, 0)).End();
    const auto lines = ListAll(gar);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "Routes Database - 5 Packets from GPS 90");
    EXPECT_EQ(lines[4], "Route Number 1 HOME TO EGLL");
    EXPECT_EQ(lines[6], "Waypoint 1 (USR)");
    EXPECT_EQ(lines[10], "Waypoint 2 (USR)") << "the route link is not a record";
    EXPECT_EQ(lines[16], "Route Number 2");
    EXPECT_EQ(lines[18], "Waypoint 1 (USR)");
    EXPECT_EQ(listing.GetLine(10, false), "Waypoint 2 (USR)") << "the same line read out of order";
}

// A track point record: position, time, altitude, depth 0, and the new-track mark.
Bytes TrackPoint(int32_t lat, int32_t lon, uint32_t time, float altitude, bool start) {
    Bytes p;
    PutLe(p, static_cast<uint32_t>(lat), 4);
    PutLe(p, static_cast<uint32_t>(lon), 4);
    PutLe(p, time, 4);
    PutFloat(p, altitude);
    PutFloat(p, 0.0f);
    p.push_back(start);
    return p;
}

TEST_F(GarListingTest, TracksOneLinePerPointAndHeaders) {
    Gar gar;
    gar.Product(402).Count(3);
    Bytes head = {0, 0};
    PutText(head, "ACTIVE LOG");
    gar.Record(99, head);
    for (int i = 0; i < 2; ++i) gar.Record(34, TrackPoint(Semicircles(10.0), Semicircles(-20.0), 86400, 1000.0f, i == 0));
    const auto lines = ListAll(gar.End());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Track Database - 3 Packets from GPS 396");
    EXPECT_EQ(lines[1], "   1:  ACTIVE LOG");
    EXPECT_EQ(lines[2], "   2:  N 10\xB0" " 0.000  W020\xB0" " 0.000   3280 ft     00:00:00 01.JAN.1990  Start");
    EXPECT_EQ(lines[3], "   3:  N 10\xB0" " 0.000  W020\xB0" " 0.000   3280 ft     00:00:00 01.JAN.1990");
}

// Lines fetched out of order, or again after others, read as when fetched in order: a line
// owes nothing to the line fetched before it.
TEST_F(GarListingTest, LinesTheSameInAnyOrder) {
    Gar gar;
    gar.Product(402).Count(12000);
    for (int i = 0; i < 12000; ++i) {
        gar.Record(34, TrackPoint(Semicircles(10.0) + i / 7 * 900, Semicircles(-20.0) - i * 300,
                                  static_cast<uint32_t>(86400 * 3 + 59 + i / 3 * 7), static_cast<float>(100 + i / 5),
                                  i % 250 == 0));
    }
    const auto inOrder = ListAll(gar.End());
    ASSERT_EQ(inOrder.size(), 12001u);
    EXPECT_EQ(inOrder[9999], "9999:  N 10\xB0" " 6.463  W020\xB0" "15.084   6890 ft     06:29:43 03.JAN.1990");
    EXPECT_EQ(inOrder[10000], "10000: N 10\xB0" " 6.463  W020\xB0" "15.086   6890 ft     06:29:50 03.JAN.1990");
    EXPECT_EQ(inOrder[10001], "10001: N 10\xB0" " 6.463  W020\xB0" "15.088   6890 ft     06:29:50 03.JAN.1990  Start");
    std::mt19937 rng(7);
    for (int k = 0; k < 3000; ++k) {
        const int n = k % 3 == 0 ? static_cast<int>(rng() % inOrder.size()) : 9990 + k % 20;
        ASSERT_EQ(listing.GetLine(n, false), inOrder[static_cast<size_t>(n)]) << "line " << n;
    }
    std::string joined;
    for (const std::string& line : inOrder) joined += line + "\r\n";
    EXPECT_EQ(WrittenLines(listing), joined) << "Save As after lines fetched out of order";
}

// A file cut after it was counted: the lines past the cut are empty, each found so without
// reading the file again from its start (a cut file of many records is listed in one pass), and
// the lines before the cut still read.
TEST_F(GarListingTest, FileCutAfterCountingIsListedInOnePass) {
    Gar gar;
    gar.Product(402).Count(40000);
    for (int i = 0; i < 40000; ++i) gar.Record(34, TrackPoint(Semicircles(10.0), Semicircles(-20.0), 86400, 1000.0f, false));
    ASSERT_TRUE(listing.ListGarFile(Write("cut.gar", gar.End().bytes)));
    ASSERT_EQ(listing.GetLineCount(), 40001);
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    for (int n = 1; n < listing.GetLineCount(); ++n) listing.GetLine(n, true);
    const auto whole = Clock::now() - start;
    const std::string second = listing.GetLine(2, true);

    std::filesystem::resize_file(Path("cut.gar"), std::filesystem::file_size(Path("cut.gar")) / 2);
    start = Clock::now();
    int empty = 0;
    for (int n = 1; n < listing.GetLineCount(); ++n) empty += listing.GetLine(n, true).empty();
    const auto cut = Clock::now() - start;
    EXPECT_GT(empty, 19000);
    EXPECT_LT(empty, 21000);
    EXPECT_EQ(listing.GetLine(2, true), second);
    EXPECT_LT(cut, 20 * whole + std::chrono::milliseconds(200)) << "the file read again from its start per line";
}

TEST_F(GarListingTest, OtherKindsInHexadecimal) {
    Bytes almanac(26);
    for (size_t i = 0; i < almanac.size(); ++i) almanac[i] = static_cast<uint8_t>(0xA0 + i);
    Gar gar;
    gar.Count(1).Record(31, almanac).End();
    const auto lines = ListAll(gar);
    // 26 + 2 = 28 bytes: 28 / 24 + 1, and one more as 28 is not a multiple of 24.
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Alamanac Database - 1 Packets");
    EXPECT_EQ(lines[1].substr(0, 13), "   1:  A0 A1 ");
    EXPECT_EQ(lines[1].size(), 7u + 24 * 3 - 1);
    EXPECT_EQ(lines[2], "       B8 B9");
    EXPECT_EQ(lines[3], "");
}

TEST_F(GarListingTest, DamagedFiles) {
    EXPECT_FALSE(listing.ListGarFile(Write("none.gar", Gar().Product(45).Record(35, Bytes(4, 0)).bytes)))
        << "no record count after the product data";
    EXPECT_FALSE(listing.IsListing());
    EXPECT_FALSE(listing.ListGarFile(Path("missing.gar")));

    Gar cut;
    cut.Product(595).Count(3).Record(35, NewerWaypoint(0, "A", 0.0f)).Record(35, NewerWaypoint(0, "B", 0.0f));
    cut.bytes.resize(cut.bytes.size() - 5);
    const auto lines = ListAll(cut);
    EXPECT_EQ(messages, std::vector<std::string>{GarListing::kUnexpectedEnd});
    ASSERT_EQ(lines.size(), 5u) << "the records counted so far are listed";
    EXPECT_EQ(lines[2], "Waypoint 1 (USR)     A");
}

}  // namespace
