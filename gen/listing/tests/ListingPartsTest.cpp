// The pieces under the listings: the image information's size line and image end, names, runway
// lines and damaged SUA pointers.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/CLocale.h"
#include "gen/image/NameCoder.h"
#include "gen/image/NamesTable.h"
#include "gen/testsupport/ListingExample.h"

using namespace listtest;

namespace {

// An image information and reader over hand-made tables (no file behind them).
struct HandMade {
    HandMade() : image(ImageParams496), info(ImageParams496), reader(image, info) {}
    Image image;
    ImageInfo info;
    ImageReader reader;
};

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

// The coded text of a frequency's extension is bounded by its first byte's top seven bits in
// units of eight bytes: a field whose first byte says 1 holds up to eight bytes of text.
TEST(ListingFormat, FrequencyRestrictionTextBound) {
    const char* text = "NORTH SIDE";
    const uint32_t bytes = (7 + NameCodeBits(text)) / 8 + 1;
    ASSERT_GT(bytes, 2u);
    ASSERT_LE(bytes, 8u);
    std::vector<uint8_t> field(bytes, 0);
    EncodeNameText(text, 7, field.data());
    field[0] = static_cast<uint8_t>(1 << 1 | (field[0] & 1));
    AirportTables t;
    FrequencyEntry& f = t.frequencies[0];
    f.present = true;
    f.type = 9;
    f.code = 11920 - 10800;
    f.extension = {0, 0x91, 161, 84};  // sector 161-340: the second bearing + 256
    f.extension.insert(f.extension.end(), field.begin(), field.end());
    f.extension[0] = static_cast<uint8_t>(f.extension.size() - 1);
    ListingLine line;
    ASSERT_TRUE(FormatRunwayFrequencyLine(t, 0, GeoPoint{}, ListingFlags{}, line));
    line.Trim();
    EXPECT_EQ(std::string(line.Text()).substr(11), "App     119.20  161-340 NORTH SIDE");
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
        SCOPED_TRACE(params->partNumber);
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
