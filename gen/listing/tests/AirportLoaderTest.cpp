// The listings' airport loader over entries written by the image writer (and a few damaged ones
// made by hand): runways, frequencies and approaches as the entry decoder reads them, and the
// display rules on top (frequency placement, flag bytes, designators, local positions).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/CLocale.h"
#include "gen/image/PositionField.h"
#include "gen/testsupport/ListingExample.h"

using namespace listtest;

namespace {

constexpr int32_t kUnit = 2048;  // local waypoint differences count in these units

// An image information and reader over a hand-made rwy/com/appr table (no file behind them),
// with two approach IDs and four records in each waypoint section.
class AirportLoaderTest : public ::testing::Test {
protected:
    AirportLoaderTest() : image_(ImageParams496), info_(ImageParams496), reader_(image_, info_) {
        info_.approachIds = {"I04L ", "R22R "};
        for (int s : {kSectionInt, kSectionNdb, kSectionVor}) info_.layout.sections[s].recordCount = 4;
    }

    // An APT record at the input's position whose rwy/com/appr value is `value`.
    static std::vector<uint8_t> AptRecord(const AirportDetailInput& in, uint32_t value, bool entry) {
        std::vector<uint8_t> r(kMaxImageRecord, 0);
        EncodePosition(r.data(), in.lat, in.lon);
        r[17] = static_cast<uint8_t>(value);
        r[18] = static_cast<uint8_t>(value >> 8);
        r[5] = static_cast<uint8_t>((r[5] & 0x1F) | ((value >> 16) & 7) << 5);
        if (entry) r[8] |= 0x80;
        return r;
    }

    // Writes the airport with the image writer: its entry goes to the end of the table.
    std::vector<uint8_t> Write(const AirportDetailInput& in) {
        AirportDetail d;
        const ImageResult r = BuildAirportDetail(ImageParams496, in, &d);
        EXPECT_TRUE(r.ok()) << r.text;
        const auto offset = static_cast<uint32_t>(info_.detail.size());
        info_.detail.insert(info_.detail.end(), d.entry.begin(), d.entry.end());
        return AptRecord(in, d.hasEntry ? offset : d.summary, d.hasEntry);
    }

    // A hand-made entry as the whole table.
    std::vector<uint8_t> Bytes(std::vector<uint8_t> entry) {
        info_.detail = std::move(entry);
        return AptRecord(AirportDetailInput{}, 0, true);
    }

    uint32_t Load(const std::vector<uint8_t>& record, uint32_t number = 5) {
        return LoadAirportInfo(reader_, number, record.data(), true, &tables_);
    }

    std::string RunwayLine(uint32_t index, const ListingFlags& flags = {}) {
        ListingLine line;
        if (!FormatRunwayFrequencyLine(tables_, index, GeoPoint{}, flags, line)) return "(none)";
        line.Trim();
        return line.Text();
    }

    Image image_;
    ImageInfo info_;
    ImageReader reader_;
    AirportTables tables_;
};

DetailRunway Runway(int32_t rw, int32_t flags = 0, int32_t rsl = 0, int32_t picst = 0, int32_t pic = 0) {
    return {5000, 150, rsl, rw, flags, picst, pic};
}

DetailFrequency Frequency(int32_t freq, std::vector<uint8_t> restriction = {}) {
    return {4, freq, 0, std::move(restriction)};
}

TEST_F(AirportLoaderTest, FrequenciesBesideTheRunwaysAndRestrictedOnesBelowThem) {
    AirportDetailInput in;
    in.runways = {Runway(9), Runway(8 | 2 << 5)};
    // The second frequency has a restriction of one byte (flag 0x20, "UNK20").
    in.frequencies = {Frequency(11870), Frequency(12590, {1, 0x20}), Frequency(12175)};
    const std::vector<uint8_t> rec = Write(in);
    EXPECT_EQ(LoadAirportInfo(reader_, 5, rec.data(), false, &tables_), 2u);
    EXPECT_EQ(Load(rec), 4u);
    EXPECT_EQ(tables_.error, "");
    EXPECT_EQ(tables_.frequencies[0].code, 11870u - 10800u);
    EXPECT_FALSE(tables_.frequencies[1].present);
    EXPECT_EQ(tables_.frequencies[2].code, 12590u - 10800u);
    EXPECT_EQ(tables_.frequencies[2].type, 0x44);
    EXPECT_EQ(tables_.frequencies[2].extension, (std::vector<uint8_t>{1, 0x20}));
    EXPECT_EQ(tables_.frequencies[3].code, 12175u - 10800u);
    EXPECT_EQ(tables_.approachStart, info_.detail.size());
    EXPECT_EQ(tables_.infoEnd, info_.detail.size());
    EXPECT_EQ(RunwayLine(2), "           Tower * 125.90  UNK20");

    // 79 runways leave one line for the first restricted frequency: a second one is too many.
    AirportDetailInput full;
    full.runways.assign(79, Runway(9));
    full.frequencies = {Frequency(11870, {1, 0x20}), Frequency(11880, {1, 0x20})};
    info_.detail.clear();
    const std::vector<uint8_t> many = Write(full);
    EXPECT_EQ(LoadAirportInfo(reader_, 6, many.data(), true, &tables_), 80u);
    EXPECT_EQ(tables_.error, "Too many FRQs in APT 0006");
}

TEST_F(AirportLoaderTest, SummaryAndDamagedEntries) {
    // No entry: one runway from the summary (45 hundred feet, surface-and-lighting 0x21).
    const std::vector<uint8_t> summary = AptRecord(AirportDetailInput{}, 0x2100 | 45, false);
    EXPECT_EQ(LoadAirportInfo(reader_, 1, summary.data(), true, &tables_), 1u);
    EXPECT_EQ(tables_.runways[0].length, 45u);
    EXPECT_EQ(tables_.runways[0].surfaceLights, 0x21u);
    EXPECT_LT(tables_.runways[0].flag, 0);
    EXPECT_EQ(tables_.frequencyLines, 0u);
    EXPECT_FALSE(tables_.hasInfo);

    // Damaged entries keep what could be read and end with a line that says why.
    std::vector<uint8_t> frequencies81 = {0x02};
    for (int i = 0; i < 81; ++i) {
        frequencies81.insert(frequencies81.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i < 80 ? 0x80 : 0), 4});
    }
    const struct {
        std::vector<uint8_t> table;
        uint32_t offset;
        uint32_t lines;
        const char* error;
    } cases[] = {
        {{0x01, 10, 0, 20, 9, 0}, 7, 0, "Damaged image: APT 0002 points at 7, outside the rwy/com/appr table"},
        {{0x01, 10, 0x80, 20, 9, 0, 20}, 0, 1, "Damaged image: APT 0002: its runway list runs past its entry"},
        {frequencies81, 0, 80, "Damaged image: APT 0002: its frequency list goes on beyond 80 frequencies"},
        {{0x01, 10, 0, 20, 9, 0, 0x55}, 0, 1, "Damaged image: APT 0002: 1 bytes of its entry are left over"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        std::vector<uint8_t> rec = Bytes(c.table);
        rec[17] = static_cast<uint8_t>(c.offset);
        AirportTables damaged;
        EXPECT_EQ(LoadAirportInfo(reader_, 2, rec.data(), true, &damaged), c.lines);
        EXPECT_EQ(damaged.error, c.error);
    }
}

TEST_F(AirportLoaderTest, RunwayFlagBytesAbove127) {
    const char* const kWide = " 5000x150' hard   no lts";
    const struct {
        DetailRunway runway;
        int32_t flag;
        const char* size;    // from column 54
        const char* remark;  // without and with -p
        const char* raw;
    } cases[] = {
        // A flag word above 127 with a picture: the flag byte, the width and the remark.
        {Runway(9, 0xC8, 0x40, 0x1234, static_cast<int32_t>(0x80000080u)), 0xC8, kWide, " (p)", " (c8 1234 80000080)"},
        {Runway(9, 0xFF, 0x40, 0, 0x80), 0xFF, kWide, " (p)", " (ff 0000 00000080)"},
        {Runway(9, 5), 5, kWide, " (b)", " (05 0000 00000000)"},
        // The flag word -1 is written as the top byte of the picture value, without the picture:
        // with its top bit set the runway lists without width.
        {Runway(9, -1, 0, 0, static_cast<int32_t>(0x80000000u)), -128, " 5000' hard   no lts", "", ""},
        {Runway(9, -1), 0, kWide, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        AirportDetailInput in;
        in.runways = {c.runway};
        info_.detail.clear();
        tables_ = AirportTables{};
        Load(Write(in));
        ASSERT_EQ(tables_.error, "");
        EXPECT_EQ(tables_.runways[0].flag, c.flag);
        EXPECT_EQ(RunwayLine(0).substr(54), std::string(c.size) + c.remark);
        ListingFlags raw;
        raw.rawReferences = true;
        EXPECT_EQ(RunwayLine(0, raw).substr(54), std::string(c.size) + c.raw);
    }
}

TEST_F(AirportLoaderTest, DesignatorsAsListed) {
    const struct {
        int32_t rw;
        const char* runway;  // columns 46-52
        const char* ends;    // approach waypoints to its first and second end
    } cases[] = {
        {0, " ..-.. ", "RW ..|RW.."},
        {9, " 09-27 ", "RW09|RW27"},
        {8 | 2 << 5, "08L-26R", "RW08L|RW26R"},
        // The other end stored explicitly (bit 7): as its number less 18, or as its own number.
        {4 | 2 << 5 | 0x80 | 5 << 8, "04L-23R", "RW04LS|RW23RS"},
        {9 | 0x80 | 27 << 8, " 09-27 ", "RW09 S|RW27 S"},
        // A first end above 18 is listed from its low end; the waypoints name the ends stored.
        {27 | 2 << 5, "09R-27L", "RW27L|RW09R"},
        {22 | 3 << 5, "04L-22R", "RW22R|RW04L"},
    };
    AirportDetailInput in;
    DetailApproach a;
    a.type = 6;
    a.waypointCount = 2;
    a.slots[0].kind = 0xA1;
    a.slots[1].kind = 0x1A2;
    for (size_t i = 0; i < std::size(cases); ++i) {
        in.runways.push_back(Runway(cases[i].rw));
        a.sequence = static_cast<int32_t>(i);
        a.slots[0].runway = a.slots[1].runway = static_cast<int32_t>(i);
        in.approaches.push_back(a);
    }
    in.approachCount = static_cast<uint32_t>(in.approaches.size());
    Load(Write(in));
    ASSERT_EQ(tables_.error, "");
    ApproachList list;
    ASSERT_EQ(LoadApproaches(tables_, GeoPoint{}, &list), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].runway);
        EXPECT_EQ(tables_.runways[i].designator, static_cast<uint32_t>(cases[i].rw));
        EXPECT_EQ(RunwayLine(static_cast<uint32_t>(i)).substr(46, 7), cases[i].runway);
        std::string ends;
        for (uint32_t w = 0; w < 2; ++w) {
            const std::string text = FormatApproachWaypoint(tables_, list, static_cast<uint32_t>(i), w, GeoPoint{},
                                                            ListingFlags{}, nullptr);
            std::string name = text.substr(0, 11);  // the position pair follows
            name.erase(name.find_last_not_of(' ') + 1);
            ends += (w ? "|" : "") + name;
        }
        EXPECT_EQ(ends, cases[i].ends);
    }
}

TEST_F(AirportLoaderTest, ApproachesWhoseLastWaypointIsNotInSlotFour) {
    // The first approach ends with slot 3; the second one's type byte (36, RNAV) reads like an
    // INT waypoint of slot 4, and it has a local INT and a local NDB in slots 1 and 2.
    AirportDetailInput in;
    in.lat = 200 * kUnit;
    in.lon = -300 * kUnit;
    in.runways = {Runway(4 | 2 << 5)};
    DetailApproach ils;
    ils.type = 6;
    ils.idIndex = 0;
    ils.waypointCount = 3;
    ils.slots[0].kind = 0x21;
    ils.slots[0].recordNumber = 2;
    ils.slots[1].kind = 0x62;
    ils.slots[1].recordNumber = 3;
    ils.slots[2].kind = 0xA3;
    ils.slots[2].runway = 0;
    DetailApproach rnav;
    rnav.sequence = 1;
    rnav.type = 36;
    rnav.idIndex = 1;
    rnav.waypointCount = 2;
    rnav.slots[0].kind = 0xC1;
    rnav.slots[0].local = {in.lat + 7 * kUnit, in.lon - 5 * kUnit, "LOCIN", 0};
    rnav.slots[1].kind = 0xE2;
    rnav.slots[1].local = {in.lat - 3 * kUnit, in.lon + 4 * kUnit, "LN", 3450};
    in.approaches = {ils, rnav};
    in.approachCount = 2;
    const std::vector<uint8_t> rec = Write(in);
    Load(rec);
    ASSERT_EQ(tables_.error, "");
    // Runway list of 5 bytes after the flags byte: then the local tables.
    EXPECT_EQ(tables_.approachStart, 6u);

    ApproachList list;
    const GeoPoint airport{in.lat, in.lon};
    ASSERT_EQ(LoadApproaches(tables_, airport, &list), 2u);
    EXPECT_EQ(list.LineCount(), 2u + 3u + 2u);
    const auto& w0 = list.approaches[0].waypoints;
    ASSERT_EQ(w0.size(), 3u);
    EXPECT_EQ(w0[0].code, 0x21);
    EXPECT_EQ(w0[0].reference, 2u);
    EXPECT_EQ(w0[1].code, 0x62);
    EXPECT_EQ(w0[1].reference, 3u);
    EXPECT_EQ(w0[2].code, 0xA3);
    EXPECT_EQ(w0[2].reference, 0u);
    EXPECT_EQ(list.approaches[1].type, 36);
    EXPECT_EQ(list.approaches[1].idIndex, 1u);
    const auto& w1 = list.approaches[1].waypoints;
    ASSERT_EQ(w1.size(), 2u);
    EXPECT_EQ(w1[0].ident, "LOCIN");
    EXPECT_EQ(w1[0].position.lat, in.lat + 7 * kUnit);
    EXPECT_EQ(w1[0].position.lon, in.lon - 5 * kUnit);
    EXPECT_EQ(w1[1].ident, "LN");
    EXPECT_EQ(w1[1].frequency, 3450u);
    EXPECT_EQ(w1[1].position.lat, in.lat - 3 * kUnit);
    EXPECT_EQ(w1[1].position.lon, in.lon + 4 * kUnit);

    const RecordLineFormatter recordLine = [](int section, uint32_t number) {
        return StringFormatC("record %d/%u", section, number);
    };
    EXPECT_EQ(FormatApproachWaypoint(tables_, list, 0, 0, airport, ListingFlags{}, recordLine), "record 1/2");
    EXPECT_EQ(FormatApproachWaypoint(tables_, list, 0, 1, airport, ListingFlags{}, recordLine), "record 3/3");
    EXPECT_EQ(FormatApproachWaypoint(tables_, list, 0, 2, airport, ListingFlags{}, recordLine).substr(0, 6), "RW04L ");
    EXPECT_EQ(FormatApproachTitle(info_, list, 1, ListingFlags{}), "RNAV Approach: RNAV RW22R");
}

TEST_F(AirportLoaderTest, ADamagedApproachListIsALine) {
    // An approach whose INT waypoint is cut off by the end of the entry.
    Load(Bytes({0x10, 0x06, 0, 0, 0x21, 1}), 2);
    EXPECT_EQ(tables_.error.rfind("Damaged image: APT 0002: its approach list cannot be read", 0), 0u)
        << tables_.error;
    ApproachList list;
    EXPECT_EQ(LoadApproaches(tables_, GeoPoint{}, &list), 0u);
}

// The approaches listing of the example image with the ILS ending at slot 3 and the RNAV
// approach without its local NDB: the same lines as the example's less that NDB's line.
TEST(AirportLoaderListing, ApproachListingWithoutSlotFourWaypoints) {
    imgtest::TempDir dir;
    BuildExample(dir.File("example.img"));
    ExampleBuilder changed = ExampleData();
    for (ExampleAirport& a : changed.airports) {
        if (a.ident != "KJFK") continue;
        DetailApproach& ils = a.approaches[0];
        ils.slots[2] = ils.slots[3];
        ils.slots[2].kind = 0xA3;
        ils.slots[3] = ApproachWaypoint{};
        DetailApproach& rnav = a.approaches[1];
        rnav.slots[1] = ApproachWaypoint{};
        rnav.waypointCount = 2;
    }
    BuildExample(dir.File("changed.img"), changed);

    ListingSource original;
    original.settings.recordNumbers = true;
    original.Open(dir.File("example.img"));
    std::vector<std::string> expected = original.List(kListApproaches);
    const auto ndb = std::find_if(expected.begin(), expected.end(),
                                  [](const std::string& l) { return l.find("(Local NDB)") != std::string::npos; });
    ASSERT_NE(ndb, expected.end());
    expected.erase(ndb);

    ListingSource source;
    source.settings.recordNumbers = true;
    source.Open(dir.File("changed.img"));
    EXPECT_EQ(source.List(kListApproaches), expected);
}

}  // namespace
