// Compile AWY Text of the 696 family: the records of airways, waypoints and levels, the level
// codes, and the errors that leave the airway files as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gen696/CompileAirway696.h"
#include "gen696/Tessily696.h"
#include "gen696/tests/CompileRun696.h"

namespace {

using Bytes = std::vector<uint8_t>;

class CompileAirway696Run : public CompileRun696 {
protected:
    CompileAirway696Run() : CompileRun696(InstallCompileAirway696, kModeCompileAwy) {}

    void SetUp() override {
        CompileRun696::SetUp();
        AddCountry(0, "US", "UNITED STATES");
        AddCountry(1, "CA", "CANADA");
        AddInt(0x12345, "ALKIX");   // all 18 bits of the reference used
        AddInt(7, "ALKIX", 1);      // the same ident in another country
        AddInt(8, "Apq");           // "A01" as stored
        AddNdb(3, "BVS");
        AddVor(0x204, "BTG");
        BatchCloseFiles();
    }

    static Bytes Rec(const uint8_t* p, size_t n) { return Bytes(p, p + n); }
};

// Two airways as the Airways Dump writes them (the second at the extra level).
const char* const kText =
    "AWY  V495 (High)\r\n"
    "[00] INT  ALKIX N 47\xb0""34.567 W122\xb0""25.270 UNSET (UNSET) UNITED STA-US\r\n"
    "[03]      FL180 to FL450\r\n"
    "[00] VOR  BTG   N 45\xb0""44.855 W122\xb0""35.529 116.60    VORTAC HighBATTLE GROUND [+00] UNITED STA-US\r\n"
    "// a comment line\r\n"
    "AWY  J1 (low) [2a]\r\n"
    "[04] NDB  BVS   N 48\xb0""28.496 W122\xb0""25.002 350.0 L BURLINGTON (SKAGIT NDB) UNITED STA-US {05}\r\n"
    "[00] INT  A01   N 48\xb0""00.000 W122\xb0""00.000 UNSET (UNSET) MAYBE-UNKNOWN-US\r\n"
    "          4500ALT\r\n";

TEST_F(CompileAirway696Run, AirwaysPointsAndLevelsBecomeRecords) {
    std::ofstream("db50/AWYgrid+.DAT") << "old grid";
    const std::vector<std::string> lines = Compile(kText);
    ASSERT_TRUE(Has(lines, "Compilation Complete")) << ::testing::PrintToString(lines);
    EXPECT_FALSE(std::filesystem::exists("db50/AWYgrid+.DAT"));

    const std::vector<AwysRecord> airways = All<AwysRecord>();
    ASSERT_EQ(airways.size(), 2u);
    EXPECT_EQ(airways[0].wsno, 0);
    EXPECT_STREQ(airways[0].wname, "V495");
    // (High) 8; "V495 " in six-bit characters over bytes 4-1; first point 0.
    EXPECT_EQ(Rec(airways[0].wrec, 8), (Bytes{8, 0x00, 0x55, 0x46, 0xD9, 0, 0, 0}));
    EXPECT_STREQ(airways[1].wname, "J1");
    // (low) 2; the extra value 2a in byte 5; first point 4.
    EXPECT_EQ(airways[1].wrec[0], 2);
    EXPECT_EQ(Rec(airways[1].wrec + 5, 3), (Bytes{0x2A, 4, 0}));

    const std::vector<AwpsRecord> points = All<AwpsRecord>();
    const std::vector<Bytes> expected = {
        {12 | 8, 0, 0, 0, 0, 0},                 // head of airway 0
        {64 | 8, 0x45, 0x23, 0x01, 0, 0},        // INT 0x12345
        {0x41 | 8, 0x4B, 3, 0, 0xC2, 0x05},      // FL180 x 16 + 1 (0x4B41), [03], FL450 (0x5C2)
        {192, 0x04, 0x02, 0, 0, 0},              // VOR 0x204, last: bit 3 clear
        {12 | 8, 1, 0, 0, 0, 0},                 // head of airway 1
        {128 | 8 | 4, 3, 0, 5 << 2, 0, 0},       // NDB with [04] and {05}
        {64 | 8, 8, 0, 0, 0, 0},                 // digits of the ident stored as p-y
        {0xD1, 0x02, 0, 0, 0, 0},                // 4500 ft: level 45 x 16 + 1, no second level
    };
    ASSERT_EQ(points.size(), expected.size());
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].wpsno, static_cast<int32_t>(i));
        EXPECT_EQ(points[i].wpwno, i < 4 ? 0 : 1);
        EXPECT_EQ(points[i].wpseq, static_cast<int32_t>(i < 4 ? i : i - 4));
        EXPECT_EQ(Rec(points[i].wprec, 6), expected[i]) << i;
    }

    // The same text again gives the same records: both files are emptied first.
    ASSERT_TRUE(Has(Compile(kText), "Compilation Complete"));
    EXPECT_EQ(All<AwpsRecord>().size(), points.size());
    EXPECT_EQ(All<AwysRecord>().size(), 2u);
}

TEST_F(CompileAirway696Run, LevelCodes) {
    const struct {
        const char* text;
        int32_t code;
    } cases[] = {
        {"FL180", 1204}, {"4500", 45},    {"4500ALT", 45}, {"See Chart", 2}, {"unknown", 1},
        {"", 0},         {"MEA", 0},      {"FL1023", 2047}, {"FL1024", -1},  {"102400ALT", -1},
    };
    for (const auto& k : cases) EXPECT_EQ(AirwayLevelCode696(k.text), k.code) << k.text;
}

TEST_F(CompileAirway696Run, AnAirwayOfOneWaypointHasItsHeadAndThePoint) {
    ASSERT_TRUE(Has(Compile("AWY  V1\n[00] NDB  BVS   N 48\xb0""28.496 W122\xb0""25.002 -US\n"),
                    "Compilation Complete"));
    const std::vector<AwpsRecord> points = All<AwpsRecord>();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].wprec[0], 12 | 8);
    EXPECT_EQ(points[1].wprec[0], 128);
    EXPECT_EQ(All<AwysRecord>()[0].wrec[0], 6);   // neither (low) nor (High)
}

TEST_F(CompileAirway696Run, ErrorsLeaveTheAirwayFilesAsTheyWere) {
    ASSERT_TRUE(Has(Compile(kText), "Compilation Complete"));
    std::ofstream("db50/AWYgrid+.DAT") << "grid";
    const auto before = Snapshot();
    const std::string good = "AWY  V9\n[00] VOR  BTG   N 45\xb0""44.855 W122\xb0""35.529 -US\n";
    const struct {
        std::string text;
        const char* error;
        const char* line;
    } cases[] = {
        {good + "AWY  V10\n[00] INT  ALKIX N 47\xb0""34.567 W122\xb0""25.270 NOWHERE-XX\n", "Unknown Country",
         "Line 4: [00] INT  ALKIX"},
        {good + "AWY  V10\n[00] INT  NOONE N 47\xb0""34.567 W122\xb0""25.270 -US\n",
         "The wapoint could not be found in the ISAM database", "Line 4: "},
        {good + "AWY  V10\n[00] NDB  ALKIX N 47\xb0""34.567 W122\xb0""25.270 -US\n",
         "The wapoint could not be found in the ISAM database", "Line 4: "},
        {good + "AWY  V10\n[00] DME  BTG   N 45\xb0""44.855 W122\xb0""35.529 -US\n",
         "The wapoint could not be found in the ISAM database", "Line 4: "},
        {good + "AWY  V10\n[00]INT   ALKIX -US\n", "The wapoint could not be found in the ISAM database", "Line 4: "},
        {good + "AWY  V10\n          FL1200 to FL1300\n", "Value too large for its field", "Line 4: "},
        {"[00] VOR  BTG   N 45\xb0""44.855 W122\xb0""35.529 -US\n" + good, "Line not of recognised format",
         "Line 1: "},
        {"// nothing but a comment\n", "The compilation produced no data", ""},
    };
    for (const auto& k : cases) {
        const std::vector<std::string> lines = Compile(k.text);
        EXPECT_TRUE(HasError(lines, k.error)) << k.error << ::testing::PrintToString(lines);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.rfind(k.line, 0) == 0; }))
            << k.line << ::testing::PrintToString(lines);
        EXPECT_TRUE(Has(lines, "Waypoint and Level lines are fixed format and compilation fails if words are not "
                               "spaced correctly"));
        EXPECT_FALSE(Has(lines, "Compilation Complete"));
        EXPECT_EQ(Snapshot(), before) << k.error;
        EndCompileSession(c_);
    }
}

TEST_F(CompileAirway696Run, DamagedTextsCompileOrChangeNothing) { FuzzText(kText, 60); }

}  // namespace
