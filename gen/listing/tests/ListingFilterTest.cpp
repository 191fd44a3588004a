// The listing filters (country, ICAO or start, name, rectangle) and the listing's end lines.
#include <gtest/gtest.h>

#include <filesystem>

#include "gen/testsupport/ListingExample.h"

using namespace listtest;

namespace {

struct FilterCase {
    const char* what;
    int kind;
    const char* country;
    const char* icao;
    const char* name;
    GeoRect rect;
    std::vector<std::string> expected;  // the record lines' text from column 5 to the first blank
};

// The record lines (those not starting with a blank) by their word at `column` (the ident, or an
// SUA's name); the end lines as they are.
std::vector<std::string> Heads(const std::vector<std::string>& lines, size_t column = 5) {
    std::vector<std::string> heads;
    for (const std::string& line : lines) {
        if (line.empty() || line[0] == ' ') continue;
        if (line == kNoMatchingItemsText || line == kMaxListableText) {
            heads.push_back(line);
            continue;
        }
        const size_t end = line.find(' ', column);
        heads.push_back(line.substr(column, end - column));
    }
    return heads;
}

GeoRect Rect(double swLat, double swLon, double neLat, double neLon) {
    return GeoRect{Deg(swLat), Deg(swLon), Deg(neLat), Deg(neLon)};
}

class ListingFilters : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.File(""));
    }
    void TearDown() override { std::filesystem::current_path(old_); }

    imgtest::TempDir dir_;
    std::filesystem::path old_;
};

TEST_F(ListingFilters, CountryIcaoNameAndRectangle) {
    const std::string path = dir_.File("example.img");
    BuildExample(path);
    const std::vector<std::string> none = {kNoMatchingItemsText};
    const FilterCase cases[] = {
        {"no filter", kListApts, "", "", "", {}, {"EDDT", "KBOS", "KJFK", "LFPO"}},
        {"country", kListApts, "K", "", "", {}, {"KBOS", "KJFK"}},
        {"country in lower case", kListVors, "de", "", "", {}, {"TGL"}},
        {"country not in the image", kListApts, "XX", "", "", {}, {"EDDT", "KBOS", "KJFK", "LFPO"}},
        {"ICAO prefix", kListApts, "", "KB", "", {}, {"KBOS"}},
        {"ICAO start", kListApts, "", "0X2", "", {}, {"KJFK", "LFPO"}},
        {"ICAO start beyond the section", kListInts, "", "0X1F0", "", {}, none},
        {"facility name", kListApts, "", "", "TEG", {}, {"EDDT"}},
        {"city name", kListApts, "", "", "BOSTON", {}, {"KBOS"}},
        {"names do not filter INTs", kListInts, "", "", "NOTHING", {}, {"ABCDE", "DUMBA", "ZZ9"}},
        {"all filters together", kListVors, "K", "J", "NEW", {}, {"JFK"}},
        {"rectangle", kListVors, "", "", "", Rect(40, -75, 41, -73), {"JFK"}},
        {"rectangle edge is inside", kListInts, "", "", "", Rect(40.5, -73.5, 41, -72), {"ABCDE", "DUMBA"}},
        {"nothing matches", kListApts, "F", "KJ", "", {}, none},
        {"SUA name anywhere in either name", kListSuas, "", "", "ALPHA", {}, {"R-4001"}},
        {"SUA agency name", kListSuas, "", "", "CENTER", {}, {"NEW"}},
        {"SUA box must lie inside", kListSuas, "", "", "", Rect(39.9, -74.1, 40.1, -73), {"NEW"}},
        {"SUA box partly outside", kListSuas, "", "", "", Rect(40.01, -74.1, 41, -73), none},
        {"TCC name", kListArtccs, "", "", "BOSTON", {}, {"N395959"}},
        {"FSS outside the rectangle", kListFss, "", "", "", Rect(0, 0, 10, 10), none},
        {"approaches by ICAO", kListApproaches, "", "KJ", "", {}, {"KJFK"}},
        {"approaches only where there are some", kListApproaches, "", "", "", {}, {"KJFK"}},
        {"countries by id and name", kListCountries, "", "", "K-", {}, {"USA-K"}},
        {"names by their start", kListNames, "", "", "BOSTON", {}, {"BOSTON", "BOSTON CENTER"}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.what);
        ListingSource source;
        source.settings.SetCountryFilter(c.country);
        source.settings.SetIcaoFilter(c.icao);
        source.settings.SetNameFilter(c.name);
        source.settings.filterRect = c.rect;
        source.Open(path);
        std::vector<std::string> lines = source.List(c.kind);
        if (c.kind == kListCountries || c.kind == kListNames) {
            EXPECT_EQ(lines, c.expected);
        } else {
            EXPECT_EQ(Heads(lines, c.kind == kListSuas ? 8 : 5), c.expected);
        }
    }
}

TEST_F(ListingFilters, RectangleAcrossTheDateLine) {
    imgtest::TestDatabase db;
    db.countries = {{"F", "FRANCE"}};
    db.points[kSectionInt] = {{"AAA", Deg(10), Deg(179.5), 0, -1, -1, 0}, {"BBB", Deg(10), Deg(-179.5), 0, -1, -1, 0},
                              {"CCC", Deg(10), Deg(0), 0, -1, -1, 0},     {"DDD", Deg(10), Deg(170), 0, -1, -1, 0},
                              {"EEE", Deg(10), Deg(-170), 0, -1, -1, 0},  {"FFF", Deg(20), Deg(179.9), 0, -1, -1, 0}};
    const std::string path = dir_.File("dateline.img");
    {
        Image image(ImageParams496);
        ASSERT_TRUE(image.Create(path).ok());
        imgtest::BuiltImage built;
        ASSERT_TRUE(imgtest::BuildTestImage(image, db, "DATELINE", &built).ok());
    }
    const struct {
        GeoRect rect;
        std::vector<std::string> expected;
    } cases[] = {
        {Rect(5, 178, 15, -178), {"AAA", "BBB"}},
        {Rect(5, 160, 15, -160), {"AAA", "BBB", "DDD", "EEE"}},
        {Rect(5, -10, 25, 10), {"CCC"}},
        {Rect(5, -100, 15, 175), {"CCC", "DDD"}},
    };
    for (const auto& c : cases) {
        ListingSource source;
        source.settings.filterRect = c.rect;
        source.Open(path);
        EXPECT_EQ(Heads(source.List(kListInts)), c.expected);
    }
}

}  // namespace
