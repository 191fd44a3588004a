// The pieces under the listings: the image information's size line and image end, the airport
// and approach loaders on hand-made entries, names, runway lines and damaged SUA pointers.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/CLocale.h"
#include "gen/NamesTable.h"
#include "gen/tests/ListingExample.h"

using namespace listtest;

namespace {

// An image information and reader over hand-made tables (no file behind them).
struct HandMade {
    HandMade() : image(ImageParams496), info(ImageParams496), reader(image, info) {}
    Image image;
    ImageInfo info;
    ImageReader reader;
};

// An APT record whose rwy/com/appr value is an entry offset (or the summary without `entry`).
std::vector<uint8_t> AptRecord(uint32_t value, bool entry) {
    std::vector<uint8_t> r(kMaxImageRecord, 0);
    r[17] = static_cast<uint8_t>(value);
    r[18] = static_cast<uint8_t>(value >> 8);
    r[5] = static_cast<uint8_t>((value >> 16) << 5);
    if (entry) r[8] |= 0x80;
    return r;
}

// A frequency list entry: code, another-follows bit, type byte.
void Frequency(std::vector<uint8_t>& t, uint32_t code, bool more, uint8_t type) {
    t.push_back(static_cast<uint8_t>(code));
    t.push_back(static_cast<uint8_t>(((code >> 8) & 0x0F) | (more ? 0x80 : 0)));
    t.push_back(type);
}

TEST(ListingInfo, SizeLineAgainstTheFamilyLimit) {
    const struct {
        const ImageParams* params;
        uint32_t end;
        const char* line;
    } cases[] = {
        {&ImageParams496, 0x400000, "Image size (hex): 400000 bytes (0 free)"},
        {&ImageParams496, 0x3F0000, "Image size (hex): 3f0000 bytes (10000 free)"},
        {&ImageParams496, 0x410000, "Image size (hex): 410000 bytes (10000 oversize)"},
        {&ImageParamsIIIPilot, 0x160000, "Image size (hex): 160000 bytes (10000 free)"},
        {&ImageParamsIIIPilot, 0x180000, "Image size (hex): 180000 bytes (10000 oversize)"},
    };
    for (const auto& c : cases) {
        ImageInfo info(*c.params);
        info.map.imageEnd = c.end;
        EXPECT_EQ(info.SizeLine(), c.line);
    }
}

TEST(ListingInfo, ImageEndIsTheEndOfTheLastSectionPresent) {
    imgtest::TempDir dir;
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        ExampleBuilder builder = ExampleData();
        builder.withTcc = variant >= 1;
        if (variant < 2) builder.suas.clear();
        Image image(ImageParams496);
        ASSERT_TRUE(image.Create(dir.File("end.img")).ok());
        uint32_t end = 0;
        ASSERT_TRUE(builder.Build(image, &end).ok());
        image.Close();
        ASSERT_TRUE(image.Open(dir.File("end.img")).ok());
        ImageInfo info(ImageParams496);
        std::vector<std::string> lines;
        ASSERT_TRUE(LoadImageInfo(image, 0, &info, [&](const std::string& l) { lines.push_back(l); }).ok());
        EXPECT_EQ(info.map.imageEnd, end);
        EXPECT_NE(end, 0u);
        EXPECT_TRUE(lines.empty());
    }
}

TEST(ListingInfo, SectionMapLinesAtADebugLevel) {
    imgtest::TempDir dir;
    BuildExample(dir.File("map.img"));
    Image image(ImageParams496);
    ASSERT_TRUE(image.Open(dir.File("map.img")).ok());
    ImageInfo info(ImageParams496);
    std::vector<std::string> lines;
    ASSERT_TRUE(LoadImageInfo(image, 1, &info, [&](const std::string& l) { lines.push_back(l); }).ok());
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Figures following '=' are hex addresses, and following '/' are decimal counts");
    EXPECT_EQ(lines[1], "CNT:RECS=815/3");
    EXPECT_EQ(lines[2].substr(0, lines[2].find(",")),
              StringFormatC("APID:RECS=%lx/2", static_cast<unsigned long>(info.map.approachIdStart)));
    EXPECT_EQ(lines[3].substr(0, 7), "APT:X1=");
    EXPECT_EQ(lines[7].substr(0, 7), "FSS:ST=");
    EXPECT_EQ(lines[8].substr(0, 7), "TCC:ST=");
    EXPECT_EQ(lines[9].substr(0, 7), "SUA:ST=");
    EXPECT_EQ(lines.back(),
              StringFormatC("TXT:ST=%lx, ND=%lx, NAMES=14", static_cast<unsigned long>(info.map.namesStart),
                            static_cast<unsigned long>(info.map.namesEnd)));
}

TEST(AirportLoader, FrequencyCountsAndPlacement) {
    HandMade h;
    // Entry 0: two runways and three frequencies, the second restricted (flag byte 0x20: "UNK20").
    std::vector<uint8_t>& t = h.info.detail;
    t = {0x03, 10, 0x80, 20, 9, 0, 20, 0x00, 30, 1, 0};
    Frequency(t, 100, true, 4);
    Frequency(t, 200, true, 0x45);
    t.push_back(0x20);
    Frequency(t, 300, false, 6);
    const std::vector<uint8_t> rec = AptRecord(0, true);
    AirportTables tables;
    EXPECT_EQ(LoadAirportInfo(h.reader, 5, rec.data(), false, &tables), 2u);
    EXPECT_EQ(LoadAirportInfo(h.reader, 5, rec.data(), true, &tables), 4u);
    EXPECT_TRUE(tables.error.empty());
    EXPECT_EQ(tables.frequencies[0].code, 100u);
    EXPECT_FALSE(tables.frequencies[1].present);  // the restricted one goes below the runways
    EXPECT_EQ(tables.frequencies[2].code, 200u);
    EXPECT_EQ(tables.frequencies[2].extension, (std::vector<uint8_t>{1, 0x20}));
    EXPECT_EQ(tables.frequencies[3].code, 300u);
    EXPECT_EQ(tables.approachStart, t.size());

    // 80 frequencies are valid; a continuation beyond the 80th is a clear line.
    for (int count : {80, 81}) {
        SCOPED_TRACE(count);
        t = {0x02};
        for (int i = 0; i < count; ++i) Frequency(t, static_cast<uint32_t>(i), i + 1 < count, 4);
        AirportTables many;
        const uint32_t lines = LoadAirportInfo(h.reader, 5, rec.data(), true, &many);
        EXPECT_EQ(lines, 80u);
        EXPECT_EQ(many.error, count == 80 ? "" : "Too many FRQs in APT 0005");
    }
}

TEST(AirportLoader, SummaryAndDamagedEntries) {
    HandMade h;
    AirportTables tables;
    // No entry: one runway from the summary (length 45 hundred feet, surface-and-lighting 0x21).
    const std::vector<uint8_t> summary = AptRecord(0x2100 | 45, false);
    EXPECT_EQ(LoadAirportInfo(h.reader, 1, summary.data(), true, &tables), 1u);
    EXPECT_EQ(tables.runways[0].length, 45u);
    EXPECT_EQ(tables.runways[0].surfaceLights, 0x21u);
    EXPECT_EQ(tables.frequencyLines, 0u);
    EXPECT_FALSE(tables.hasInfo);

    // An offset outside the table, and entries cut short by the table's end.
    h.info.detail = {0x03, 10, 0x80, 20, 9, 0};
    const struct {
        uint32_t offset;
        const char* error;
    } cases[] = {
        {7, "Damaged image: APT 0002 points at 7, outside the rwy/com/appr table"},
        {0, "Damaged image: rwy/com/appr entry of APT 0002 runs past its table"},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> rec = AptRecord(c.offset, true);
        AirportTables damaged;
        LoadAirportInfo(h.reader, 2, rec.data(), true, &damaged);
        EXPECT_EQ(damaged.error, c.error);
    }
}

TEST(AirportLoader, ApproachWaypointsEndAtTheLastSlot) {
    HandMade h;
    h.info.approachIds = {"I04L ", "R22R "};
    std::vector<uint8_t>& t = h.info.detail;
    // Flags: approaches only. Approach 1 (another follows): waypoints in slots 1, 2, 4; approach 2:
    // three waypoints of slot 1 (the second becomes slot 2, the third is overwritten by the
    // next), then slot 4.
    t = {0x10, 0x07, 0, 0,    0x21, 1, 0,    0x42, 2, 0,    0xA4, 0, 0x24, 1,   0,
         0x21, 3,    0, 0x21, 4,    0, 0x21, 5,    0, 0x63, 6,    0, 0xA4, 0x80};
    const std::vector<uint8_t> rec = AptRecord(0, true);
    AirportTables tables;
    LoadAirportInfo(h.reader, 0, rec.data(), true, &tables);
    ApproachList list;
    ASSERT_EQ(LoadApproaches(h.reader, tables, GeoPoint{}, &list), 2u);
    EXPECT_TRUE(list.error.empty()) << list.error;
    EXPECT_EQ(list.approaches[0].type, 6);
    ASSERT_EQ(list.approaches[0].waypoints.size(), 3u);
    EXPECT_EQ(list.approaches[0].waypoints[2].code, 0xA4);
    const auto& w = list.approaches[1].waypoints;
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0].code, 0x21);
    EXPECT_EQ(w[1].code, 0x22);
    EXPECT_EQ(w[2].code, 0x63);
    EXPECT_EQ(w[2].reference, 6u);
    EXPECT_EQ(w[3].reference, 0x80u);
    EXPECT_EQ(list.LineCount(), 2u + 3u + 4u);

    // A fifth waypoint group is refused with a line; a list cut short by the table's end too.
    t = {0x10, 0x06, 0, 0, 0x21, 1, 0, 0x22, 2, 0, 0x23, 3, 0, 0x22, 4, 0, 0x23, 5, 0, 0xA4, 0};
    AirportTables again;
    LoadAirportInfo(h.reader, 1, rec.data(), true, &again);
    ApproachList five;
    LoadApproaches(h.reader, again, GeoPoint{}, &five);
    EXPECT_EQ(five.error, "too many wpts in approach of APT 0001");
    t = {0x10, 0x06, 0, 0, 0x21, 1};
    AirportTables cut;
    LoadAirportInfo(h.reader, 2, rec.data(), true, &cut);
    ApproachList shortList;
    LoadApproaches(h.reader, cut, GeoPoint{}, &shortList);
    EXPECT_EQ(shortList.error, "Damaged image: rwy/com/appr entry of APT 0002 runs past its table");
}

TEST(ListingFormat, NamesAndTheirMarkers) {
    HandMade h;
    NamesTableWriter writer;
    const uint32_t first = writer.Add("AERO");
    const uint32_t second = writer.Add("A//B");
    writer.TakeCompleteBytes();
    std::vector<uint8_t> all;
    {
        NamesTableWriter again;
        again.Add("AERO");
        again.Add("A//B");
        all = again.TakeCompleteBytes();
        const std::vector<uint8_t> rest = again.Finish();
        all.insert(all.end(), rest.begin(), rest.end());
    }
    h.info.names = all;
    h.info.nameStarts = {first, second};
    EXPECT_EQ(FormatName(h.info, NamePosition::At(first)), "AERO");
    EXPECT_EQ(FormatName(h.info, NamePosition::At(second)), "A/B");
    EXPECT_EQ(FormatName(h.info, NamePosition::Absent()), "<UNSET>");
    EXPECT_EQ(FormatName(h.info, NamePosition::At(first + 3)), "<**name ptr corrupt**>");
    EXPECT_EQ(FormatName(h.info, NamePosition::At(8 * static_cast<uint32_t>(all.size()))), "<**name ptr too big**>");
    std::vector<std::string> lines;
    const InfoLineSink sink = [&](const std::string& l) { lines.push_back(l); };
    EXPECT_EQ(NameIndexFromPointer(h.info, NamePosition::At(second), sink), 1);
    EXPECT_EQ(NameIndexFromPointer(h.info, NamePosition::Absent(), sink), kNameIndexUnset);
    EXPECT_EQ(NameIndexFromPointer(h.info, NamePosition::At(first + 3), sink), kNameIndexCorrupt);
    EXPECT_EQ(lines, std::vector<std::string>{"******Corrupt name pointer in image file: name 0(3) not present"});
}

TEST(ListingFormat, RunwayColumns) {
    HandMade h;
    AirportTables t;
    t.runwayCount = 1;
    RunwayEntry& r = t.runways[0];
    r.present = true;
    r.length = 50;
    r.designator = 9;
    r.flag = -1;
    ListingLine line;
    ASSERT_TRUE(FormatRunwayFrequencyLine(t, 0, GeoPoint{}, ListingFlags{}, line));
    line.Trim();
    const std::string text = line.Text();
    EXPECT_EQ(text.substr(46), " 09-27   5000' hard   no lts");
    EXPECT_EQ(text[49], '-');
    EXPECT_FALSE(FormatRunwayFrequencyLine(t, 1, GeoPoint{}, ListingFlags{}, line));
    EXPECT_FALSE(FormatRunwayFrequencyLine(t, 80, GeoPoint{}, ListingFlags{}, line));
}

TEST(ListingSua, PointersOutsideTheVertexDataListAsCorrupt) {
    imgtest::TempDir dir;
    const std::string path = dir.File("sua.img");
    BuildExample(path);
    std::vector<uint8_t> bytes = imgtest::ReadAll(path);
    // The first area's vertex pointer moved in front of the vertex data.
    ListingSource probe;
    probe.Open(path);
    const uint32_t area = probe.context.image ? ListingReader(probe.context)->Info().map.sua.aStart : 0;
    ASSERT_NE(area, 0u);
    bytes[area + 14] = 0;
    bytes[area + 15] = 0;
    bytes[area + 16] &= 0x80;
    imgtest::WriteAll(path, bytes);
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.File(""));
    ListingSource source;
    source.Open(path);
    const std::vector<std::string> lines = source.List(kListSuas);
    std::filesystem::current_path(old);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], " ********* corrupt pointers ***********");
    EXPECT_EQ(lines[2].substr(0, 6), "SUA(a)");
}

}  // namespace

namespace {

TEST(ListingFamilies, PointSectionsOfEveryFamily) {
    imgtest::TempDir dir;
    imgtest::TestDatabase db;
    db.countries = {{"K", "USA"}};
    db.names = {"BOSTON", "LOGAN INTL"};
    db.points[kSectionApt] = {{"KBOS", Deg(42.5), Deg(-71.0), 0, 1, 0, 0}};
    db.points[kSectionVor] = {{"BOS", Deg(42.25), Deg(-70.75), 0, 0, -1, 11270}};
    for (const ImageParams* params : {&ImageParams496, &ImageParamsIIIPilot, &ImageParams195}) {
        SCOPED_TRACE(params->family);
        const std::string path = dir.File("family.img");
        {
            Image image(*params);
            ASSERT_TRUE(image.Create(path).ok());
            imgtest::BuiltImage built;
            ASSERT_TRUE(imgtest::BuildTestImage(image, db, "FAMILY", &built).ok());
        }
        ListingSource source(*params);
        source.Open(path);
        const std::vector<std::string> apts = source.List(kListApts);
        ASSERT_EQ(apts.size(), 2u);
        EXPECT_EQ(apts[0].substr(0, 12), "APT  KBOS  N");
        EXPECT_EQ(apts[0].substr(35), "    0'     BOSTON (LOGAN INTL) USA-K");
        EXPECT_EQ(apts[1], std::string(47, ' ') + "..-..      0' hard   no lts");
        const std::vector<std::string> vors = source.List(kListVors);
        ASSERT_EQ(vors.size(), 1u);
        EXPECT_EQ(vors[0].substr(35), "112.70    VOR    Low  BOSTON USA-K");
        EXPECT_EQ(source.List(kListTitle)[0],
                  "   FAMILY" + std::string(12, ' ') + "006-D" + StringFormatC("%04d", params->partNumber) + "-XX");
    }
}

}  // namespace
