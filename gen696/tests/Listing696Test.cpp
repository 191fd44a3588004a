// The readers and filters of the 696 listing: idents through the X1 table, name pointers that
// miss the names table, country numbers past the table, and the rectangle and airspace filters.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/Bits.h"
#include "common/CoordinateFormat.h"
#include "gen/image/CountryRecord.h"
#include "gen/image/NameCoder.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen696/ImageFile696.h"
#include "gen696/Listing696.h"
#include "platform/testsupport/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

constexpr double kUnits = 4294967296.0 / 360.0;
int32_t Deg(double d) { return static_cast<int32_t>(d * kUnits); }

uint32_t PointerOf(uint32_t bit) { return bit / 8 | (7 - bit % 8) << 21; }

// An INT record of 19 bytes with its ident's second character on, its names and its country.
std::vector<uint8_t> IntRecord(const char* ident, uint32_t name, uint32_t parent, uint32_t country) {
    std::vector<uint8_t> r(19, 0);
    uint8_t stream[3] = {};
    auto code = [](char c) -> uint32_t {
        if (c >= 'A' && c <= 'Z') return static_cast<uint32_t>(c - 'A' + 1);
        if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0' + 32);
        return 0;
    };
    uint32_t p = PutBits(0, 4, stream, code(ident[1]) & 15);
    for (int i = 2; i < 5; ++i) p = PutBits(p, 6, stream, code(ident[i]));
    r[10] = stream[0];
    r[9] = stream[1];
    r[8] = stream[2];
    r[6] = static_cast<uint8_t>((country & 0x7F) << 1);
    r[7] = static_cast<uint8_t>(country >> 7);
    for (int i = 0; i < 3; ++i) {
        r[13 + i] = static_cast<uint8_t>(name >> (8 * i));
        r[16 + i] = static_cast<uint8_t>(parent >> (8 * i));
    }
    return r;
}

class ListedImage : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.File("a.img");
        // Names: " " at bit 0, "BRAVO" after it.
        names.assign(16, 0);
        second = EncodeNameText(" ", 0, names.data());
        const uint32_t end = EncodeNameText("BRAVO", second, names.data());
        names.resize((end + 7) / 8);
        PackCountryRecord(country, "US", 2, "UNITED STATES", 13);
        // X1: "AB..." from record 0, "C..." (slot 2, group 0) from record 1.
        x1.assign(164 * 3, 0xFF);
        x1[0] = x1[1] = x1[2] = 0;
        x1[3 * 8] = 1;
        x1[3 * 8 + 1] = x1[3 * 8 + 2] = 0;
        const auto a = IntRecord("AB12Z", PointerOf(second), PointerOf(0), 0);
        const auto c = IntRecord("CD   ", PointerOf(second + 1), PointerOf(names.size() * 8 + 8), 3);
        recs = a;
        recs.insert(recs.end(), c.begin(), c.end());
    }
    void Build() {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ImageFile696 image(fd);
        ASSERT_TRUE(image.ZeroDirectory());
        std::vector<uint8_t> header(512, 0);
        ASSERT_TRUE(image.Append(header.data(), header.size()));
        ASSERT_TRUE(image.MoveEnd(kSectionsStart696));
        ASSERT_TRUE(image.SetDirectoryEntry(0, 512, 104, 8));
        auto put = [&](int section, const std::vector<uint8_t>& data, uint32_t count, uint8_t size) {
            ASSERT_TRUE(image.SetDirectoryEntry(section, image.End(), count, size));
            ASSERT_TRUE(image.Append(data.data(), data.size()));
        };
        put(2, std::vector<uint8_t>(country, country + 9), 1, 9);
        put(3, names, 2, 1);
        put(12, x1, 164, 3);
        put(15, recs, static_cast<uint32_t>(recs.size() / 19), 19);
        if (!airways.empty()) put(45, airways, static_cast<uint32_t>(airways.size() / 8), 8);
        if (!points.empty()) put(46, points, static_cast<uint32_t>(points.size() / 6), 6);
        for (const Section& m : more) put(m.number, m.data, m.count, m.size);
        const uint32_t length = image.End() + 4;
        ASSERT_TRUE(image.WriteAt(kLengthOffset696, &length, 4));
        ASSERT_TRUE(image.SealImageCrc());
        ::close(fd);
    }

    suitetest::ScratchDir dir{"listed696"};
    std::string path;
    std::vector<uint8_t> names;
    uint32_t second = 0;
    uint8_t country[9] = {};
    std::vector<uint8_t> x1;
    std::vector<uint8_t> recs;
    std::vector<uint8_t> airways;
    std::vector<uint8_t> points;
    struct Section {
        int number;
        std::vector<uint8_t> data;
        uint32_t count;
        uint8_t size;
    };
    std::vector<Section> more;   // further sections, in file order
};

TEST_F(ListedImage, IdentsNamesAndCountriesAndTheirMarkers) {
    Build();
    const int fd = ::open(path.c_str(), O_RDONLY);
    ListedImage696 image;
    std::string error;
    ASSERT_TRUE(image.Load(fd, path, &error)) << error;
    ::close(fd);
    ASSERT_EQ(image.PointCount(kInt696), 2u);
    EXPECT_EQ(image.NameStarts(), (std::vector<uint32_t>{0, second}));
    const uint8_t* a = image.Point(kInt696, 0);
    const uint8_t* c = image.Point(kInt696, 1);
    EXPECT_EQ(image.Ident(kInt696, 0, a), "AB12Z");
    EXPECT_EQ(image.Ident(kInt696, 1, c), "CD");
    EXPECT_EQ(SecondName696(image, kInt696, a), "BRAVO");
    EXPECT_TRUE(image.IsBlankName(U24At(a + 16)));
    EXPECT_EQ(SecondName696(image, kInt696, c), kNamePtrCorrupt696);
    EXPECT_EQ(FirstName696(image, kInt696, c), kNamePtrTooBig696);
    EXPECT_EQ(image.CountryText(RecordCountry696(a)), "UNITED STA-US");
    EXPECT_EQ(image.CountryText(RecordCountry696(c)), kCountryTooBig696);
    EXPECT_EQ(image.Point(kInt696, 2), nullptr);

    ListingFlags flags;
    std::string line;
    FormatPointLine696(image, flags, kInt696, 0, a, line);
    char origin[kPositionPairTextSize];
    FormatPositionPair(origin, 0, 0, false);
    EXPECT_EQ(line, std::string("INT  AB12Z ") + origin + " BRAVO UNITED STA-US");
    flags.recordNumbers = true;
    FormatPointLine696(image, flags, kInt696, 1, c, line);
    EXPECT_EQ(line, std::string("   1 CD    ") + origin + " <**name ptr corrupt**> (<**name ptr too big**>) country# too big");
}

TEST_F(ListedImage, ImagesThatFailTheDirectoryChecksAreRefused) {
    Build();
    fs::resize_file(path, fs::file_size(path) - 10);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ListedImage696 image;
    std::string error;
    EXPECT_FALSE(image.Load(fd, path, &error));
    ::close(fd);
    EXPECT_NE(error.find("is not a usable 696 image"), std::string::npos) << error;
}

TEST_F(ListedImage, AirwayPointsAsTheirRecordsLinesAndLevels) {
    // Airway "V4" (High) from point 0: its head, INT 0, a level item FL180 to FL240, INT 1.
    airways = {8, 0, 0, 0, 0, 0, 0, 0};
    uint8_t name[4] = {};
    uint32_t at = 0;
    for (char c : std::string("V4   ")) at = PutBits(at, 6, name, static_cast<uint32_t>(c - 32));
    for (int i = 0; i < 4; ++i) airways[static_cast<size_t>(4 - i)] = name[i];
    const uint32_t level = (1024 + 180) * 16 + 1 + 8;
    points = {12, 0, 0, 0, 0, 0, 64 | 8, 0, 0, 0, 0, 0, static_cast<uint8_t>(level), static_cast<uint8_t>(level >> 8), 0, 0,
              static_cast<uint8_t>(1024 + 240), static_cast<uint8_t>((1024 + 240) >> 8), 64, 1, 0, 0, 0, 0};
    Build();
    ListingState696 state;
    state.image = std::make_unique<ListedImage696>();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::string error;
    ASSERT_TRUE(state.image->Load(fd, path, &error)) << error;
    ::close(fd);
    ASSERT_EQ(AirwayCount696(*state.image), 1u);
    ASSERT_EQ(AirwayLineCount696(state, 0), 4u);
    ListingFlags flags;
    std::vector<std::string> lines(4);
    for (uint32_t i = 0; i < 4; ++i) FormatAirwayLine696(state, flags, 0, i, lines[i]);
    EXPECT_EQ(lines[0], "AWY  V4 (High)");
    EXPECT_EQ(lines[1].substr(0, 16), "[00] INT  AB12Z ");
    EXPECT_EQ(lines[2], "          FL180 to FL240");
    EXPECT_EQ(lines[3].substr(0, 12), "[00] INT  CD");
    // An ident filter must begin the airway's name.
    state.airwayOf = -1;
    state.filter.ident = "V";
    EXPECT_EQ(AirwayLineCount696(state, 0), 4u);
    state.filter.ident = "J";
    EXPECT_EQ(AirwayLineCount696(state, 0), 0u);
}

TEST(Rectangle696, CornersBoxesAndTheDateLine) {
    GeoRect both{Deg(40), Deg(-80), Deg(45), Deg(-70)};
    GeoRect neOnly{0, 0, Deg(45), Deg(-70)};
    GeoRect swOnly{Deg(40), Deg(-80), 0, 0};
    GeoRect dateLine{Deg(-20), Deg(170), Deg(-10), Deg(-170)};
    const struct {
        const GeoRect* rect;
        Box696 box;
        bool passes;
    } cases[] = {
        {&both, Box696::Point(Deg(40), Deg(-80)), true},     // on the SW corner
        {&both, Box696::Point(Deg(45), Deg(-70)), true},     // on the NE corner
        {&both, Box696::Point(Deg(39.99), Deg(-75)), false},
        {&both, Box696::Point(Deg(42), Deg(-69.99)), false},
        {&both, {Deg(41), Deg(-85), Deg(42), Deg(-79)}, true},   // straddles the west edge
        {&both, {Deg(41), Deg(-85), Deg(42), Deg(-81)}, false},
        {&neOnly, Box696::Point(Deg(-60), Deg(-170)), true},     // anywhere south-west of it
        {&neOnly, Box696::Point(Deg(46), Deg(-170)), false},
        {&swOnly, Box696::Point(Deg(80), Deg(100)), true},
        {&dateLine, Box696::Point(Deg(-15), Deg(179.5)), true},
        {&dateLine, Box696::Point(Deg(-15), Deg(-175)), true},
        {&dateLine, Box696::Point(Deg(-15), Deg(160)), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RectanglePasses696(*c.rect, c.box), c.passes) << c.box.south << " " << c.box.west;
    }
}

TEST(AirspaceFilter696, KindGroupNameAndInversion) {
    ListingFilter696 moa;
    moa.suaKind = 64 + 3;
    const Box696 box = Box696::Point(0, 0);
    EXPECT_TRUE(moa.AirspacePasses(box, "X", "", 3, false));
    EXPECT_FALSE(moa.AirspacePasses(box, "X", "", 3, true));   // TRSA of the first group
    EXPECT_FALSE(moa.AirspacePasses(box, "X", "", 5, false));
    moa.invert = true;
    EXPECT_FALSE(moa.Listed(moa.AirspacePasses(box, "X", "", 3, false)));
    EXPECT_TRUE(moa.Listed(moa.AirspacePasses(box, "X", "", 4, false)));
    ListingFilter696 named;
    named.name = "LAKE";
    EXPECT_TRUE(named.AirspacePasses(box, "SILVER LAKE MOA", "", 0, true));
    EXPECT_TRUE(named.AirspacePasses(box, "", "LAKE CTR", 0, true));
    EXPECT_FALSE(named.AirspacePasses(box, "SILVER", "CTR", 0, true));
}

TEST(PointFilter696, CountryIdentNamesAndRectangle) {
    GenSettings settings;
    settings.icaoFilter = "KS";
    settings.nameFilter = "SEA";
    const ListingFilter696 f = ListingFilter696::From(settings, 4, false, 0);
    const Box696 here = Box696::Point(Deg(47), Deg(-122));
    EXPECT_TRUE(f.PointPasses(4, "KSEA", "SEATTLE", "", here));
    EXPECT_TRUE(f.PointPasses(4, "KSFF", "", "SEASIDE", here));
    EXPECT_FALSE(f.PointPasses(5, "KSEA", "SEATTLE", "", here));
    EXPECT_FALSE(f.PointPasses(4, "KBFI", "SEATTLE", "", here));
    EXPECT_FALSE(f.PointPasses(4, "KSEA", "TACOMA", "BOEING", here));
    const ListingFilter696 missing = ListingFilter696::From(GenSettings(), kCountryNotInImage696, false, 0);
    EXPECT_FALSE(missing.PointPasses(0, "A", "", "", here));
    settings.icaoFilter = "0x1F";
    const ListingFilter696 start = ListingFilter696::From(settings, -1, true, 0);
    EXPECT_TRUE(start.hasStart);
    EXPECT_EQ(start.start, 0x1Fu);
}

}  // namespace

// FSS and TCC sections and airways of random bytes, with record counts that may overstate what
// the sections hold: every kind lists, with record numbers and the extra level, within the image
// (the sanitizer build sees any read outside it) and to an end.
TEST_F(ListedImage, RandomFssTccAndAirwaySectionsListWithinTheImage) {
    std::mt19937 rng(696);
    auto bytes = [&](size_t most) {
        std::vector<uint8_t> v(rng() % (most + 1));
        for (uint8_t& b : v) b = static_cast<uint8_t>(rng());
        return v;
    };
    for (int round = 0; round < 150; ++round) {
        airways = bytes(24);
        airways.resize(airways.size() / 8 * 8);
        points = bytes(60);
        points.resize(points.size() / 6 * 6);
        more.clear();
        // Sections in the order the section file keeps them: 30, 29, 36, 35, 34, 33.
        more.push_back({30, bytes(20), 0, 1});
        more.push_back({29, bytes(40), static_cast<uint32_t>(rng() % 6), 9});
        more.push_back({36, bytes(30), 0, 1});
        more.push_back({35, bytes(40), static_cast<uint32_t>(rng() % 8), 6});
        more.push_back({34, bytes(60), 0, 1});
        more.push_back({33, bytes(60), static_cast<uint32_t>(rng() % 5), 19});
        more.push_back({66, std::vector<uint8_t>(200, 0), 200, 1});   // room for overstated counts
        Build();
        GenSettings settings;
        settings.recordNumbers = static_cast<int>(round % 2);
        settings.extraDebugLevel = round % 3;
        for (int kind = kListTitle; kind <= kListAirways696; ++kind) {
            OperationContext context;
            context.settings = &settings;
            context.kind = kind;
            context.imageFd = ::open(path.c_str(), O_RDONLY);
            context.imageName = path;
            ListingState696 state;
            OpenImageSource696(context, state);
            ASSERT_TRUE(state.Loaded()) << round;
            std::string line;
            int lines = 0;
            for (int32_t code; (code = NextListedRecord696(context, state)) >= 0 && lines < 100000; ++lines) {
                ListSection696(context, state, code, line);
                ASSERT_LE(line.size(), 159u);
            }
            EXPECT_LT(lines, 100000) << "kind " << kind << " round " << round;
            CloseImage696(state);
            ::close(context.imageFd);
        }
    }
}
