// Listing lines rebuilt as batch text and as SBS lines: the dump-form lines of the listing
// golden files converted whole, the runway and frequency cases one by one, and the field
// writers' name parsing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "gen/testsupport/GoldenFiles.h"
#include "common/LineWriter.h"
#include "common/ListingLine.h"
#include "gen/listing/ListingToBatch.h"

namespace {


// Converts the lines as Save As does: each converted line that is not empty, after what the
// conversion wrote itself.
std::vector<std::string> Convert(const std::vector<std::string>& lines,
                                 ListingLineToBatch::Form form = ListingLineToBatch::Form::Batch,
                                 bool keepOtherEnd = false) {
    ListingLineToBatch convert(form, keepOtherEnd);
    std::string written;
    LineWriter out(&written);
    for (std::string line : lines) {
        convert.Convert(line, out);
        if (!line.empty()) out.WriteLine(line);
    }
    std::vector<std::string> result;
    size_t at = 0;
    for (size_t end; (end = written.find("\r\n", at)) != std::string::npos; at = end + 2) {
        result.push_back(written.substr(at, end - at));
    }
    EXPECT_EQ(at, written.size()) << "every line ends with CR LF";
    return result;
}

// A line with texts at columns.
std::string At(std::initializer_list<std::pair<int, const char*>> pieces) {
    ListingLine line;
    for (const auto& [column, text] : pieces) line.Append(column, text);
    line.Trim();
    return line.Text();
}

TEST(ListingToBatch, TheAirportDumpBecomesAirportRunwayAndFrequencyLines) {
    const std::vector<std::string> batch = Convert(ReadLines(kGoldenDir + "listing_apts_dump.txt"));
    const std::vector<std::string> expected = {
        "ADD|APT|EDDT|DE-GERMANY|BERLIN|TEGEL|N 52\xB0" "33.516|E013\xB0" "17.195|120'|JA",
        "ADD|FRQ|EDDT|DE-GERMANY|Tower|118.70",
        "ADD|RWY|EDDT|DE-GERMANY|9900x150|08L|hard|pt lts|0",
        // The second '*' of a frequency becomes the mark M.
        "ADD|FRQ|EDDT|DE-GERMANY|ATIS|125.90|M",
        "ADD|RWY|EDDT|DE-GERMANY|7900x150|08R|sealed|pc lts|0",
        // The first '*' (a restriction): the whole rest of the line is the restriction list.
        "ADD|FRQ|EDDT|DE-GERMANY|Ground|121.75|R:090-270 below 3000 above 1000 remoteVOR TGL UNK20 WEEKDAYS ONLY",
        "ADD|APT|KBOS|K -USA|BOSTON|LOGAN INTL|N 42\xB0" "21.714|W071\xB0" "00.443|20'",
        // A runway listed without a width keeps its negative flag byte.
        "ADD|RWY|KBOS|K -USA|10000|..|turf|pt lts|ff 0000 00000000",
        "ADD|APT|KJFK|K -USA|NEW YO@RK|KENNEDY INTL|N 40\xB0" "38.306|W073\xB0" "46.804|10'|[MIL]",
        "ADD|FRQ|KJFK|K -USA|ATIS|128.72",
        "ADD|RWY|KJFK|K -USA|12000x200|04L|hard|ft lts|<L-L> 12|N 40\xB0" "37.564|W073\xB0" "47.545|N 40\xB0"
        "39.789|W073\xB0" "46.062",
        "ADD|FRQ|KJFK|K -USA|Tower|119.10",
        "ADD|RWY|KJFK|K -USA|8400|13R|turf|no lts|ff 0000 00000000",
        "ADD|RWY|KJFK|K -USA|3000x 75|..|dirt|no lts|05 0000 00000000",
        "ADD|APT|LFPO|F -FRANCE|PARIS|ORLY|N 48\xB0" "43.380|E002\xB0" "22.712|290'|[PRV]",
        "ADD|FRQ|LFPO|F -FRANCE|Multi|118.00",
        "ADD|RWY|LFPO|F -FRANCE|0x  0|..|soft|no lts|0",
    };
    EXPECT_EQ(batch, expected);
}

TEST(ListingToBatch, PointRecordsBecomeTheirAddLines) {
    const std::vector<std::string> ints = Convert(ReadLines(kGoldenDir + "listing_ints.txt"));
    ASSERT_EQ(ints.size(), 3u);
    EXPECT_EQ(ints[0], "ADD|INT|ABCDE|K -USA|N 40\xB0" "29.984|W073\xB0" "30.077");
    EXPECT_EQ(ints[2], "ADD|INT|ZZ9|F -FRANCE|N 00\xB0" "00.000|E179\xB0" "53.985");

    const std::vector<std::string> vors = Convert(ReadLines(kGoldenDir + "listing_vors_dump.txt"));
    const std::vector<std::string> expected = {
        "ADD|VOR|BOS|K -USA|<UNSET>|BOSTON|N 42\xB0" "21.385|W070\xB0" "59.454|112.70|VORDME|High",
        "ADD|VOR|JFK|K -USA|NEW YORK|KENNEDY INTL|N 40\xB0" "37.729|W073\xB0" "46.227|115.90|VORTAC|High",
        "ADD|VOR|TGL|DE-GERMANY|WATER/TO@WN|TEGEL|N 52\xB0" "33.598|E013\xB0" "17.360|112.30|VOR|Term|WX",
    };
    EXPECT_EQ(vors, expected);

    const std::string ndb = At({{0, "NDB"}, {5, "TG"}, {11, "N 52\xB0" "29.973"}, {23, "E013\xB0" "11.922"},
                                {35, "385.5"}, {41, "L"}, {44, "BERL@IN (TEGEL) GERMANY-DE"}});
    EXPECT_EQ(Convert({ndb}), std::vector<std::string>{"ADD|NDB|TG|DE-GERMANY|BERL@IN|TEGEL|N 52\xB0"
                                                       "29.973|E013\xB0" "11.922|385.5|L"});
}

TEST(ListingToBatch, NamesKeepTheirOwnBracketsAndTheTailFieldsKeepTheirOrder) {
    // A facility whose name holds brackets; a time zone and two bracket flags after it.
    const std::string apt = At({{0, "APT"}, {5, "KPAE"}, {11, "N 47\xB0" "54.380"}, {23, "W122\xB0" "16.900"},
                                {35, "  610'"}, {42, "JA"},
                                {46, "EVERETT (SNOHOMISH COUNTY (PAINE FLD)) [PRV] [MIL] UTC-8+DST UNITED STA-US"}});
    EXPECT_EQ(Convert({apt}),
              std::vector<std::string>{"ADD|APT|KPAE|US-UNITED STA|EVERETT|SNOHOMISH COUNTY (PAINE FLD)|N 47\xB0"
                                       "54.380|W122\xB0" "16.900|610'|JA|[MIL]|[PRV]|UTC-8+DST"});
    // An INT named as a visual reporting point.
    const std::string vrp =
        At({{0, "INT"}, {5, "VRPAB"}, {11, "N 47\xB0" "00.000"}, {23, "W122\xB0" "00.000"}, {35, "X (VRP LAKE) US-X"}});
    EXPECT_EQ(Convert({vrp}), std::vector<std::string>{"ADD|INT|VRPAB|X -US|X|LAKE|N 47\xB0" "00.000|W122\xB0"
                                                       "00.000|VRP"});
}

TEST(ListingToBatch, DetailLines) {
    const std::string apt = At({{0, "APT"}, {5, "KSEA"}, {11, "N 47\xB0" "26.935"}, {23, "W122\xB0" "18.544"},
                                {35, "  430'"}, {42, "JA"}, {46, "SEATTLE (SEATTLE-TACOMA INTL) UNITED STA-US"}});
    const std::string head = "ADD|APT|KSEA|US-UNITED STA|SEATTLE|SEATTLE-TACOMA INTL|N 47\xB0" "26.935|W122\xB0"
                             "18.544|430'|JA";
    struct Case {
        const char* what;
        std::string line;
        std::vector<std::string> batch;
    };
    const Case cases[] = {
        {"a reciprocal pair keeps its first end",
         At({{11, "Tower   119.90 "}, {46, "16L-34R 11900x150' hard   ft lts"}}),
         {"ADD|FRQ|KSEA|US-UNITED STA|Tower|119.90", "ADD|RWY|KSEA|US-UNITED STA|11900x150|16L|hard|ft lts|0"}},
        {"a designator without letter", At({{47, "09-27   5000x100' turf   no lts"}}),
         {"ADD|RWY|KSEA|US-UNITED STA|5000x100|09|turf|no lts|0"}},
        {"an explicit other end keeps both numbers, without the second letter",
         At({{46, "09L-28R  5000x100' turf   no lts"}}), {"ADD|RWY|KSEA|US-UNITED STA|5000x100|09L-28|turf|no lts|0"}},
        {"thresholds with the ends' markers", At({{46, "16C-34C  9400x150' hard   ft lts <R-L> (01|N 1|W 2|N 3|W 4)"}}),
         {"ADD|RWY|KSEA|US-UNITED STA|9400x150|16C|hard|ft lts|<R-L> 01|N 1|W 2|N 3|W 4"}},
        {"the raw remark", At({{46, "16R-34L  8500x150' hard   ft lts (05 0010 00000020)"}}),
         {"ADD|RWY|KSEA|US-UNITED STA|8500x150|16R|hard|ft lts|05 0010 00000020"}},
        {"a frequency alone", At({{11, "Clrnce  128.00"}}), {"ADD|FRQ|KSEA|US-UNITED STA|Clrnce|128.00"}},
        {"RX and TX remarks", At({{11, "Multi   122.80"}, {27, "RX ONLY"}}),
         {"ADD|FRQ|KSEA|US-UNITED STA|Multi|122.80|R:RX "}},
        {"a restriction and the mark", At({{11, "App   * 119.20*"}, {27, "161-340 below 10000"}}),
         {"ADD|FRQ|KSEA|US-UNITED STA|App|119.20|M|R:161-340 below 10000"}},
        {"a damaged airport's message becomes a comment", "Damaged image: APT 0004 points at 1234, outside the table",
         {"// Damaged image: APT 0004 points at 1234, outside the table"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> expected = {head};
        expected.insert(expected.end(), c.batch.begin(), c.batch.end());
        EXPECT_EQ(Convert({apt, c.line}), expected);
    }
    // Detail lines with no airport before them give nothing.
    EXPECT_TRUE(Convert({At({{11, "Tower   119.90"}})}).empty());
    // A family whose dump shows the other end only where the runway holds one keeps the
    // designator as shown, reciprocal or not.
    const std::pair<std::string, const char*> whole[] = {
        {At({{46, "16L-34R 11900x150' hard   ft lts"}}), "11900x150|16L-34R|hard|ft lts|0"},
        {At({{46, "16L"}, {54, "11900x150' hard   ft lts"}}), "11900x150|16L|hard|ft lts|0"},
        {At({{47, ".."}, {54, " 3000x 75' dirt   no lts"}}), "3000x 75|..|dirt|no lts|0"},
    };
    for (const auto& [line, fields] : whole) {
        EXPECT_EQ(Convert({apt, line}, ListingLineToBatch::Form::Batch, true),
                  (std::vector<std::string>{head, std::string("ADD|RWY|KSEA|US-UNITED STA|") + fields}));
    }
}

TEST(ListingToBatch, UnusualRecordAndRunwayLines) {
    // The line with each '~' made a NUL byte.
    const auto nuls = [](std::string line) {
        std::replace(line.begin(), line.end(), '~', '\0');
        return line;
    };
    const auto apt = [](const char* ident, const char* flag, const char* names) {
        return At({{0, "APT"}, {5, ident}, {11, "N 47\xB0" "54.380"}, {23, "W122\xB0" "16.900"}, {35, "  610'"},
                   {42, flag}, {46, names}});
    };
    const std::string position = "N 47\xB0" "54.380|W122\xB0" "16.900|610'";
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        std::vector<std::string> batch;
    };
    const Case cases[] = {
        // The ident and each half of the country are "%s" pieces, the fields after them one.
        {"a NUL ends the fields behind it", {nuls(apt("KPAE", "", "EVE~RETT (X) A-B"))}, {"ADD|APT|KPAE|B -A|EVE"}},
        {"a NUL ends the ident and each half of the country", {nuls(apt("KP~Q", "", "EVERETT (X) A~Q-B~R"))},
         {"ADD|APT|KP|B -A|EVERETT|X|" + position}},
        {"three bracket flags, the last one first, then the zone",
         {apt("KPAE", "JA", "EVERETT (X) [MIL] [PRV] [HEL] UTC+5:30 A-B")},
         {"ADD|APT|KPAE|B -A|EVERETT|X|" + position + "|JA|[HEL]|[PRV]|[MIL]|UTC+5:30"}},
        {"names that end in a cut flag and no country", {apt("KPAE", "JA", "EVERETT (X) [MIL] [P")},
         {"ADD|APT|KPAE||EVERETT|X|" + position + "|JA|[P|[MIL]"}},
        {"a runway number beyond the integer range",
         {apt("KPAE", "", "EVERETT (X) A-B"), At({{11, "Tower   119.90"}, {46, "18 -2147483648  ' hard   ft lts"}})},
         {"ADD|APT|KPAE|B -A|EVERETT|X|" + position, "ADD|FRQ|KPAE|B -A|Tower|119.90",
          "ADD|RWY|KPAE|B -A|483648|18 -21|hard|ft lts|ff 0000 00000000"}},
        {"a ')' that ends the line is not part of the lighting",
         {apt("KPAE", "", "EVERETT (X) A-B"), At({{46, "18-36    8500x150' hard  )"}})},
         {"ADD|APT|KPAE|B -A|EVERETT|X|" + position, "ADD|RWY|KPAE|B -A|8500x150|18-36|hard||0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Convert(c.lines), c.batch);
    }
}

TEST(ListingToBatch, SbsWaypointLines) {
    const std::vector<std::string> lines = {
        At({{0, "APT"}, {5, "KSEA"}, {11, "47.44892"}, {23, "-122.30907"}, {35, "  430'"}, {42, "JA"},
            {46, "SEATTLE (SEATTLE-TACOMA INTL) UNITED STA-US"}}),
        At({{11, "Tower   119.90"}}),
        At({{0, "INT"}, {5, "ALKIX"}, {11, "47.57612"}, {23, "-122.42117"}, {35, "UNITED STA-US"}}),
        At({{0, "NDB"}, {5, "BVS"}, {11, "48.47493"}, {23, "-122.41670"}, {35, "350.0"}, {41, "L"},
            {44, "BURLINGTON (SKAGIT NDB) UNITED STA-US"}}),
        At({{0, "VOR"}, {5, "SEA"}, {11, "47.43537"}, {23, "-122.30961"}, {35, "116.80"}, {45, "VORTAC"},
            {52, "High"}, {57, "SEATTLE (SEATTLE VORTAC) UNITED STA-US"}}),
        // The prefix follows the first '(', closed or not.
        At({{0, "NDB"}, {5, "BV"}, {11, "48.47493"}, {23, "-122.41670"}, {35, "350.0"},
            {44, "BURLINGTON (SKAGIT"}}),
        At({{0, "VOR"}, {5, "PAE"}, {11, "47.91986"}, {23, "-122.27783"}, {35, "110.60"},
            {57, "SNOHOMISH (CO) EVERETT (PAINE VOR) UNITED STA-US"}}),
        At({{0, "APT"}, {5, "KAB"}, {11, "47.1"}, {23, "-122.1"}, {35, "   10'"}, {46, "TOWN (AB"}}),
    };
    const std::vector<std::string> expected = {
        "SEAT/KSEA,,15,2,47.44892,-122.30907,430",
        "ALKIX,,5,2,47.57612,-122.42117,0",
        "SKAG*BVS,,4,2,48.47493,-122.41670,0",
        "SEAT>SEA,,3,1,47.43537,-122.30961,0",
        "SKAG*BV,,4,2,48.47493,-122.41670,0",
        "CO) >PAE,,3,1,47.91986,-122.27783,0",
        "AB/KAB,,15,2,47.1,-122.1,10",
    };
    EXPECT_EQ(Convert(lines, ListingLineToBatch::Form::SbsWaypoints), expected);
}

TEST(ListingToBatch, LongSbsAirportLinesWaitForTheirFirstDetailLine) {
    const std::string kbfi = At({{0, "APT"}, {5, "KBFI"}, {11, "47.52995"}, {23, "-122.30203"}, {35, "   20'"},
                                 {46, "SEATTLE (BOEING FIELD) UNITED STA-US"}});
    const std::string kpae = At({{0, "APT"}, {5, "KPAE"}, {11, "47.90633"}, {23, "-122.28167"}, {35, "  610'"},
                                 {46, "EVERETT (PAINE) UNITED STA-US"}});
    const std::string ksea = At({{0, "APT"}, {5, "KSEA"}, {11, "47.44892"}, {23, "-122.30907"}, {35, "  430'"},
                                 {46, "SEATTLE (SEATTLE-TACOMA INTL) UNITED STA-US"}});
    const std::vector<std::string> lines = {
        kbfi,
        At({{11, "ATIS    127.75"}, {46, "14R-32L 10000x200' hard   ft lts"}}),
        At({{11, "Tower   120.60"}}),  // later detail lines of the airport write nothing
        kpae,                          // an airport without detail lines is not written
        ksea,
        At({{47, "..-..   3000x 75' dirt   no lts"}}),
        At({{0, "INT"}, {5, "ALKIX"}, {11, "47.57612"}, {23, "-122.42117"}, {35, "UNITED STA-US"}}),
        // A first detail line with a '*' at column 17 still gives its text from column 28.
        kpae,
        At({{11, "App   * 119.20  161-340"}}),
    };
    const std::vector<std::string> expected = {
        "-122.30203,47.52995,[KBFI] SEATTLE, F 127.75, R 14R-32Lh, H 20 [BOEING FIELD]",
        "-122.30907,47.44892,[KSEA] SEATTLE, F ---, R ..-..d, H 430 [SEATTLE-TACOMA INTL]",
        "-122.28167,47.90633,[KPAE] EVERETT, F 119.20, R 61-340u, H 610 [PAINE]",
    };
    EXPECT_EQ(Convert(lines, ListingLineToBatch::Form::SbsAirports), expected);
}

TEST(ListingToBatch, SplitAndTrimHelpers) {
    const SplitListingLine vor(At({{0, "VOR"}, {5, "SEA"}, {11, "N 47\xB0" "26.122"}, {23, "W122\xB0" "18.577"},
                                   {35, "116.80"}, {42, "WX"}, {45, "VORTAC"}, {52, "High"}, {57, "SEATTLE US-X"}}));
    EXPECT_EQ(vor.Type(), kLineVor);
    EXPECT_EQ(vor.Field(35), "116.80");
    EXPECT_EQ(vor.Field(42), "WX");
    EXPECT_EQ(vor.Last(), "SEATTLE US-X");
    EXPECT_EQ(vor.Field(41), "");

    const SplitListingLine detail("           Ground* 121.75* x");
    EXPECT_EQ(detail.Type(), kLineDetail);
    EXPECT_TRUE(detail.StarAt17());
    EXPECT_EQ(detail.Field(11), "Ground");
    EXPECT_EQ(detail.Field(19), "121.75*");
    EXPECT_EQ(detail.Field(27), "x");

    std::string text = "A B \t \x01";
    EXPECT_EQ(TrimLineEnd(text), 3u);
    EXPECT_EQ(text, "A B");
    text = "\xB0";  // characters above 127 are not blanks
    EXPECT_EQ(TrimLineEnd(text), 1u);

    const ListingNames plain = SplitListingNames("NEW YORK (KENNEDY INTL) USA-K");
    EXPECT_TRUE(plain.bracketed);
    EXPECT_EQ(plain.city, "NEW YORK");
    EXPECT_EQ(plain.facility, "KENNEDY INTL");
    EXPECT_FALSE(SplitListingNames("USA-K").bracketed);
}

}  // namespace
