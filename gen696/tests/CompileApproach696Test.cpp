// Compile APR Text of the 696 family: approach and local waypoint records of an airport block,
// the runway code of a designator, and the errors that leave the database as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gen696/CompileApproach696.h"
#include "gen696/tests/CompileRun696.h"

namespace {

TEST(RunwayCode696, Designators) {
    const struct {
        const char* text;
        int32_t code;
        bool otherEnd;
    } cases[] = {
        {"27L", 105, true},       // runway 09R named by its other end
        {"09L", 73, false},
        {"09R", 105, false},
        {"34C", 16 | 32, true},   // C stays C
        {"36", 18, true},
        {"18", 18, false},
        {"05T", 5 | 0x10000, false},
        {"16Rs", 16 | 96 | 128, false},
        {"34Ls", (16 | 96) << 8 | 128, true},   // both shifted into the second end's byte
        {"RW", 0, false},
    };
    for (const auto& k : cases) {
        const RunwayCode696 r = RunwayCodeOfDesignator696(k.text);
        EXPECT_EQ(r.code, k.code) << k.text;
        EXPECT_EQ(r.otherEnd, k.otherEnd) << k.text;
    }
    // Plain designators match exactly; a two-ended runway by the end named.
    EXPECT_TRUE(RunwayCodeMatches696(105, RunwayCodeOfDesignator696("27L")));
    EXPECT_FALSE(RunwayCodeMatches696(105 | 0x80, RunwayCodeOfDesignator696("27L")));
    EXPECT_TRUE(RunwayCodeMatches696(0x6280 | 16 | 96, RunwayCodeOfDesignator696("16Rs")));
    EXPECT_FALSE(RunwayCodeMatches696(16 | 96, RunwayCodeOfDesignator696("16Rs")));
    // Its other end: the number less 18 in the second byte, the letter there or the first end's.
    EXPECT_TRUE(RunwayCodeMatches696(0x1080 | 16 | 96, RunwayCodeOfDesignator696("34Ls")));
    EXPECT_TRUE(RunwayCodeMatches696(0x7080 | 16 | 64, RunwayCodeOfDesignator696("34Ls")));
    EXPECT_FALSE(RunwayCodeMatches696(0x1080 | 16 | 64, RunwayCodeOfDesignator696("34Ls")));
}

constexpr int32_t kSea = 5;
constexpr int32_t kOlm = 6;

class CompileApproach696Run : public CompileRun696 {
protected:
    CompileApproach696Run() : CompileRun696(InstallCompileApproach696, kModeCompileApr) {}

    void SetUp() override {
        CompileRun696::SetUp();
        AddCountry(0, "US", "UNITED STATES");
        AddCountry(1, "CA", "CANADA");
        AddAirport(kSea, "KSEA", 0);
        AddAirport(kOlm, "KOLM", 0);
        AddAirport(7, "CYVR", 1);
        const int32_t runways[][2] = {{10, 16 | 64}, {11, 16 | 32}, {12, 9 | 96}, {13, 9 | 64}};
        for (const auto& w : runways) {
            RwyRecord r{};
            r.rsno = w[0];
            r.raptno = kSea;
            r.rw = w[1];
            Add(r);
        }
        AddInt(20, "ALKIX");
        AddNdb(21, "PWT");
        AddVor(22, "SEA");
        // Approaches and local waypoints already there: KSEA's are replaced, KOLM's stay.
        for (int32_t n = 0; n < 3; ++n) {
            ApprRecord p{};
            p.psno = n;
            p.paptno = n < 2 ? kSea : kOlm;
            p.pseq = n < 2 ? n : 0;
            std::strcpy(p.pid, "OLD");
            Add(p);
        }
        for (int32_t n = 0; n < 2; ++n) {
            LwptRecord l{};
            l.lsno = n;
            l.laptno = n == 0 ? kSea : kOlm;
            l.ltyp = 0x60;
            std::strcpy(l.lid, "OLDWP");
            Add(l);
        }
        BatchCloseFiles();
    }

    static void AddAirport(int32_t asno, const char* ident, int32_t country) {
        AptRecord a{};
        a.asno = asno;
        std::strcpy(a.aident, ident);
        a.acountry = country;
        Add(a);
    }
};

const char* const kAirport = "APT  KSEA  N 47\xb0""26.940 W122\xb0""18.482 SEATTLE-TACOMA INTL UNITED STA-US\r\n";
const char* const kIls =
    "     ILS Approach: I16L (0/I16L)\r\n"
    "[80]   ILS  ISEA  N 47\xb0""27.000 W122\xb0""18.000  110.30 RW16L {Navaid}\r\n"
    "[15]   INT  ALKIX N 47\xb0""34.567 W122\xb0""25.270 UNSET (UNSET) UNITED STA-US\r\n"
    "[57]   RW16L\r\n";
const char* const kMore =
    "     RNAV Approach: R27L (a/R27L)\r\n"
    "[90]   none\r\n"
    "[65]   INT  LOCIN N 47\xb0""20.000 W122\xb0""10.000 (Local INT)\r\n"
    "[57]   RW27L\r\n"
    "     VOR Approach: V09L \"SEA 116.80\" (9/V09L)\r\n"
    "[30]   VOR  SEA   N 47\xb0""26.000 W122\xb0""18.000 116.80 UNITED STA-US\r\n"
    "[65]   INT  LOCIN N 48\xb0""00.000 W121\xb0""00.000 (Local INT)\r\n"
    "[77]   NDB  LN    N 47\xb0""30.000 W122\xb0""20.000 (Local NDB) 345.0\r\n"
    "     NDB Approach: N09L (d/N09L)\r\n"
    "[70]   NDB  LN    N 47\xb0""30.000 W122\xb0""20.000 (Local NDB) 345.0\r\n"
    "[25]   NDB  PWT   N 47\xb0""00.000 W122\xb0""00.000 -US\r\n"
    "[57]   RW09L\r\n";

TEST_F(CompileApproach696Run, AirportBlockReplacesItsApproachesAndLocalWaypoints) {
    const std::vector<std::string> lines = Compile(std::string(kAirport) + kIls + kMore);
    ASSERT_TRUE(Has(lines, "Compilation Complete")) << ::testing::PrintToString(lines);

    struct Expected {
        int32_t psno, paptno, pseq, p6typ, ptyp;
        const char* pid;
        int32_t pntyp, pnsno, pwtyp0, pwrecno0, pwtyp1, pwrecno1;
    };
    const Expected expected[] = {
        {2, kOlm, 0, 0, 0, "OLD", 0, 0, 0, 0, 0, 0},
        {3, kSea, 0, 0, 3, "I16L", 8, 2, 3 | 1 << 5, 20, 4 | 5 << 5, 10},
        {4, kSea, 1, 10, 18, "R27L", 9, 255, 3 | 6 << 5, 3, 4 | 0x100 | 5 << 5, 12},   // 27L: 09R, bit 8
        {5, kSea, 2, 9, 13, "V09L", 3, 22, 3 | 6 << 5, 3, 4 | 7 << 5, 4},              // LOCIN shared
        {6, kSea, 3, 13, 16, "N09L", 7, 5, 3 | 2 << 5, 21, 4 | 5 << 5, 13},
    };
    const std::vector<ApprRecord> approaches = All<ApprRecord>();
    ASSERT_EQ(approaches.size(), std::size(expected));
    for (size_t n = 0; n < approaches.size(); ++n) {
        const ApprRecord& p = approaches[n];
        const Expected& e = expected[n];
        SCOPED_TRACE(e.pid);
        EXPECT_EQ((std::vector<int32_t>{p.psno, p.paptno, p.pseq, p.p6typ, p.ptyp, p.pntyp, p.pnsno, p.pwtyp[0],
                                        p.pwrecno[0], p.pwtyp[1], p.pwrecno[1], p.pwtyp[2], p.pwtyp[3]}),
                  (std::vector<int32_t>{e.psno, e.paptno, e.pseq, e.p6typ, e.ptyp, e.pntyp, e.pnsno, e.pwtyp0,
                                        e.pwrecno0, e.pwtyp1, e.pwrecno1, 0, 0}));
        EXPECT_STREQ(p.pid, e.pid);
    }

    struct Local {
        int32_t lsno, laptno, ltyp, lfreq;
        const char* lid;
    };
    const Local locals[] = {
        {1, kOlm, 0x60, 0, "OLDWP"},
        {2, kSea, (8 * 16 + 10 * 4096) >> 4, 11030, "ISEA"},   // ILS navaid: runway 16L's rsno in bits 8 up
        {3, kSea, 0x60, 0, "LOCIN"},
        {4, kSea, 0x70, 3450, "LN"},
        {5, kSea, 7, 3450, "LN"},                              // the same NDB as a navaid is another type
    };
    const std::vector<LwptRecord> got = All<LwptRecord>();
    ASSERT_EQ(got.size(), std::size(locals));
    for (size_t n = 0; n < got.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ((std::vector<int32_t>{got[n].lsno, got[n].laptno, got[n].ltyp, got[n].lfreq}),
                  (std::vector<int32_t>{locals[n].lsno, locals[n].laptno, locals[n].ltyp, locals[n].lfreq}));
        EXPECT_STREQ(got[n].lid, locals[n].lid);
    }
    // The shared local intersection keeps the first line's position.
    EXPECT_NEAR(got[2].llat / 11930464.7, 47 + 20 / 60.0, 1.1e-5);
    EXPECT_NEAR(got[2].llong / 11930464.7, -(122 + 10 / 60.0), 1.1e-5);
}

TEST_F(CompileApproach696Run, ErrorsLeaveTheDatabaseAsItWas) {
    const auto before = Snapshot();
    const std::string good = std::string(kAirport) + kIls;
    const std::string approach = "     ILS Approach: I16L (0/I16L)\n";
    const std::string navaid = "[90]   none\n";
    const std::string faf = "[15]   INT  ALKIX N 47\xb0""34.567 W122\xb0""25.270 UNITED STA-US\n";
    const std::string map = "[97]   none\n";
    const std::string olm = "APT  KOLM  N 46\xb0""58.500 W122\xb0""54.120 OLYMPIA UNITED STA-US\n";
    const struct {
        std::string text;
        const char* error;
        const char* detail = nullptr;
    } cases[] = {
        {good + olm + approach + faf + navaid + map, "Approach waypoints must be nav, faf, map (0,5,7) in that order"},
        {good + olm + approach + navaid + faf, "Approach waypoints must be nav, faf, map (0,5,7) in that order"},
        {good + olm + approach + navaid + faf + map + map,
         "Approach waypoints must be nav, faf, map (0,5,7) in that order"},
        {good + olm, "Approach waypoints must be nav, faf, map (0,5,7) in that order"},
        {good + approach + navaid + faf + "[77]   NDB  LN    N 47\xb0""30.000 W122\xb0""20.000 (Local NDB) 0\n",
         "Local NDB has no frequency"},
        {good + approach + navaid + faf + "[77]   NDB  LN    N 47\xb0""30.000 W122\xb0""20.000 345.0\n",
         "Local NDB has no frequency"},
        {good + approach + "[80]   ILS  ISEA  N 47\xb0""27.000 W122\xb0""18.000  110.30 RW16L\n",
         "Local NDB has no frequency"},
        {good + approach + navaid + faf + "[57]   RW33\n", "Cannot find the specified waypoint",
         "Cannot find runway for this approach at airport 0x5"},
        {good + approach + "[80]   ILS  ISEA  N 47\xb0""27.000 W122\xb0""18.000  110.30 RW04  {Navaid}\n",
         "The ILS navaid runway could not be found", "Cannot find runway for this approach at airport 0x5"},
        {good + "     GLS Approach: G16L (10/G16L)\n", "Approach type unknown"},
        {good + "     GLS Approach: G16L (x/G16L)\n", "Approach type unknown"},
        {good + approach + "[40]   INT  ALKIX N 47\xb0""34.567 W122\xb0""25.270 -US\n",
         "Approach waypoint has unknown type"},
        {good + approach + navaid + "[15]   INT  ALKIX N 47\xb0""34.567 W122\xb0""25.270 US\n", "Unknown Country"},
        {good + approach + navaid + "[15]   INT  NOONE N 47\xb0""34.567 W122\xb0""25.270 -US\n",
         "Cannot find the specified waypoint"},
        {good + "APT  KOLM  OLYMPIA NOWHERE-XX\n", "Unknown Country"},
        {good + "APT  ZZZZ  NOWHERE UNITED STA-US\n", "Cannot find APT in ISAM database"},
        {good + "APT  CYVR  VANCOUVER UNITED STA-US\n", "This APT is not in this Country"},
        {good + olm + navaid, "Last Approach was incomplete"},
        {approach + good, "Last Approach was incomplete"},
        {good + "what is this line\n", "Line not of recognised format"},
        {"\n", "The compilation produced no data"},
    };
    for (const auto& k : cases) {
        const std::vector<std::string> lines = Compile(k.text);
        EXPECT_TRUE(HasError(lines, k.error)) << k.error << ::testing::PrintToString(lines);
        if (k.detail) {
            EXPECT_TRUE(Has(lines, k.detail)) << k.detail << ::testing::PrintToString(lines);
        }
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Line ", 0) == 0; }))
            << ::testing::PrintToString(lines);
        EXPECT_FALSE(Has(lines, "Compilation Complete"));
        EXPECT_EQ(Snapshot(), before) << k.error;
        EndCompileSession(c_);
    }
}

TEST_F(CompileApproach696Run, DamagedTextsCompileOrChangeNothing) {
    FuzzText(std::string(kAirport) + kIls + kMore, 100);
}

}  // namespace
