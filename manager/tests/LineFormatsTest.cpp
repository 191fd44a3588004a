// The manager's line pieces and the airport rows from a small database.
#include <gtest/gtest.h>


#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/Bits.h"
#include "common/LetterText.h"
#include "dblib/DbDir.h"
#include "dblib/KestraneDatabase.h"
#include "manager/AirportChildren.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "manager/tests/ManagerTestFolder.h"

namespace {

TEST(LinePieces, RunwayNumbers) {
    struct {
        int32_t rw;
        const char* low;
        const char* reciprocal;
    } cases[] = {
        {9 | 2 << 5, "09L", "27R"},
        {9, "09", "27"},
        {18 | 1 << 5, "18C", "36C"},
        {0, "..", ".."},
        {4 | 3 << 5 | 0x80 | 5 << 8, "04R", "23L"},  // reciprocal given apart: 5 + 18
        {9 | 0x10000, "09T", "27T"},
    };
    for (const auto& c : cases) {
        RunwayEntry e;
        e.rsno = 1;
        e.rw = c.rw;
        EXPECT_EQ(FormatRunwayNumber(e, false), c.low) << c.rw;
        EXPECT_EQ(FormatRunwayNumber(e, true), c.reciprocal) << c.rw;
    }
}

// The record number columns as "%4x" writes them, wider numbers (cut by the ident) included.
TEST(LinePieces, RecordNumberColumns) {
    const char ident[8] = "ABC";  // an ident field
    for (const int32_t number : {0, 1, 0xabc, 0xffff, 0x10000, 0x7fffffff, -1}) {
        FormatRecordStart(number, ident, 0, 0);
        ListingLine expected;
        expected.Format(0, "%4x", static_cast<unsigned>(number));
        expected.Append(5, "ABC");
        EXPECT_EQ(std::string(Manager().line.Text(), 8), std::string(expected.Text(), 8)) << number;
    }
}

TEST(LinePieces, IconsTypesAndClasses) {
    EXPECT_EQ(FormatIconText(0), "\"Marina\" (Symb only)");
    EXPECT_EQ(FormatIconText(4608 << 8 | 4), "\"Waypoint\" (Symb & Cmnt)");
    EXPECT_EQ(FormatIconText(64 << 8 | 2), "\"Airport\" ");
    EXPECT_EQ(FormatIconText(12345 << 8), "icon=0x3039");

    EXPECT_EQ(FreqTypeWord(5, true), "Unicom");
    EXPECT_EQ(FreqTypeWord(0x1005, true), "Unicom");  // older form: low 4 bits
    EXPECT_EQ(FreqTypeWord(10 << 8, false), "Tower");
    EXPECT_EQ(FreqTypeWord(39 << 8, false), "T/CTAF");
    EXPECT_EQ(FreqTypeWord(40 << 8, false), "Type40");
    EXPECT_EQ(FreqTypeIndex(62), 7);
    EXPECT_EQ(FreqTypeIndex(17), 8);
    EXPECT_EQ(FreqTypeIndex(99), 7);

    // Class word: DME, VORDME, VORTAC, VOR, TACAN, with level and weather.
    EXPECT_EQ(VorClassCode(4 | 0x2000), 2 * 32);
    EXPECT_EQ(VorClassCode(4 | 1 << 8), 4 * 32 + 8);
    EXPECT_EQ(VorClassCode(128 << 8 | 2 << 8), 5 * 32 + 16);
    EXPECT_EQ(VorClassCode(64 << 8), 1 * 32 + 4);
    EXPECT_EQ(VorClassCode(160 << 8), 3 * 32);

    std::string text = "ABCD";
    InsertBeforeLastTwo(text, '@');
    EXPECT_EQ(text, "AB@CD");
}

// A restriction string as the frequency dialog builds it, without its length byte.
std::vector<uint8_t> Restriction(unsigned flags, int b1, int b2, int below, int above, const char* vor,
                                 const char* text) {
    std::vector<uint8_t> s{static_cast<uint8_t>(flags)};
    if (flags & 1) {
        s.push_back(static_cast<uint8_t>(b1));
        s.push_back(static_cast<uint8_t>(b2));
    }
    for (int h : {flags & 4 ? below : -1, flags & 2 ? above : -1}) {
        if (h < 0) continue;
        s.push_back(static_cast<uint8_t>((h + 5000) & 255));
        s.push_back(static_cast<uint8_t>((h + 5000) >> 8));
    }
    if (flags & 8) {
        uint8_t b[3] = {};
        uint32_t p = 0;
        for (int i = 0; i < 3; ++i) p = PutBits(p, 6, b, static_cast<uint32_t>(vor[i]) & 31);
        PutBits(p, 6, b, 0);
        std::swap(b[0], b[2]);  // stored with first and third byte exchanged
        s.insert(s.end(), {b[2], b[1], b[0]});  // read back first byte most significant
    }
    if (flags & 16) {
        uint8_t field[64] = {};
        const uint32_t n = PackLetterText(text, 40, 7, field);
        field[0] |= static_cast<uint8_t>(2 * (n / 8) + 2);
        s.insert(s.end(), field, field + n / 8 + 1);
    }
    return s;
}

TEST(LinePieces, Restrictions) {
    struct {
        std::vector<uint8_t> bytes;
        const char* text;
    } cases[] = {
        {Restriction(1, 10, 200, 0, 0, "", ""), "010-200 "},
        {Restriction(1 | 64 | 128, 104, 104, 0, 0, "", ""), "000-000 "},  // 360 both
        {Restriction(4 | 2, 0, 0, 1500, 3000, "", ""), "below 1500 above 3000 "},
        {Restriction(8, 0, 0, 0, 0, "SEA", ""), " remoteVOR SEA "},
        {Restriction(32, 0, 0, 0, 0, "", ""), "UNK20 "},
        {Restriction(16, 0, 0, 0, 0, "", "Mon-Fri only"), "MON-FRI ONLY"},
        {Restriction(1 | 16, 90, 180, 0, 0, "", "east"), "090-180 EAST"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatRestriction(c.bytes.data(), c.bytes.size(), false), c.text);
    // A string cut short reads no further than its length.
    const std::vector<uint8_t> cut = Restriction(4 | 2, 0, 0, 1500, 3000, "", "");
    EXPECT_EQ(FormatRestriction(cut.data(), 3, false), "below 1500 ");
}

class ManagerDatabase : public ManagerTestFolder {
protected:
    void AddAirport(int32_t asno, const char* ident) {
        dfAPTS& a = *KestraneDb().apts;
        ASSERT_EQ(a.Open(), 0);
        a.asno = asno;
        std::memset(a.aident, 0, sizeof a.aident);
        std::memcpy(a.aident, ident, std::min<size_t>(std::strlen(ident), sizeof a.aident));
        ASSERT_EQ(a.Insert(), 0);
        a.Close();
    }
    void AddRunway(int32_t rsno, int32_t airport, int32_t length, int32_t rw) {
        dfRWY3& r = *KestraneDb().rwy3;
        ASSERT_EQ(r.Open(), 0);
        r.rsno = rsno;
        r.raptno = airport;
        r.rlen = length;
        r.rw = rw;
        ASSERT_EQ(r.Insert(), 0);
        r.Close();
    }
    void AddFrequency(int32_t fsno, int32_t airport, int32_t freq, int32_t chain) {
        dfFREQ3& f = *KestraneDb().freq3;
        ASSERT_EQ(f.Open(), 0);
        f.fsno = fsno;
        f.faptno = airport;
        f.freq = freq;
        f.frsno = chain;
        f.f431 = -1;
        ASSERT_EQ(f.Insert(), 0);
        f.Close();
    }
    void AddRestriction(int32_t rcsno, int32_t next, std::vector<uint8_t> bytes) {
        dfRESTR& r = *KestraneDb().restr;
        ASSERT_EQ(r.Open(), 0);
        r.rcsno = rcsno;
        r.rcnxt = next;
        std::memset(r.rcres, 0, 8);
        std::memcpy(r.rcres, bytes.data(), std::min<size_t>(8, bytes.size()));
        ASSERT_EQ(r.Insert(), 0);
        r.Close();
    }
    int Load(int32_t asno) {
        dfAPTS& a = *KestraneDb().apts;
        EXPECT_EQ(a.Open(), 0);
        a.SelectIndex("asno");
        a.asno = asno;
        EXPECT_EQ(a.Find(), 0);
        a.Close();
        return LoadAirportChildren();
    }

};

TEST_F(ManagerDatabase, AirportRows) {
    AddAirport(1, "KAAA");
    AddRunway(10, 1, 3000, 9);
    AddRunway(11, 1, 9000, 14 | 2 << 5);
    AddRunway(12, 1, 5000, 4);
    AddFrequency(20, 1, 11830, 0);
    // Three runways, one frequency: three rows, the longest runway first.
    EXPECT_EQ(Load(1), 3);
    const AirportChildren& c = AirportRows();
    EXPECT_EQ(c.runways[0].rsno, 11);
    EXPECT_EQ(c.runways[2].rsno, 10);
    EXPECT_EQ(c.frequencies[0].fsno, 20);

    // A frequency with restrictions goes on a row without a runway; its chain is read whole.
    AddAirport(2, "KBBB");
    AddRunway(30, 2, 4000, 9);
    AddFrequency(40, 2, 12280, 0);
    std::vector<uint8_t> s = {10, 4 | 2, 0xDC, 0x19, 0x40, 0x1F, 1, 2, 3, 4, 5};  // 11 bytes: two records
    AddRestriction(50, 51, {s.begin(), s.begin() + 8});
    AddRestriction(51, 0, {s.begin() + 8, s.end()});
    AddFrequency(41, 2, 12300, 50);
    EXPECT_EQ(Load(2), 2);
    EXPECT_EQ(AirportRows().frequencies[0].fsno, 40);
    EXPECT_EQ(AirportRows().frequencies[1].fsno, 41);
    EXPECT_EQ(AirportRows().frequencies[1].restriction, s);
    FormatAirportRow(2);
    const std::string row = Manager().line.Text();
    EXPECT_EQ(row.substr(20, 1), "*");
    EXPECT_EQ(row.substr(30, 22), "below 1620 above 3000 ");

    // Runways of one length keep their file order under the longer ones.
    AddAirport(4, "KDDD");
    AddRunway(60, 4, 3000, 9);
    AddRunway(61, 4, 5000, 9);
    AddRunway(62, 4, 3000, 9);
    AddRunway(63, 4, 5000, 9);
    AddRunway(64, 4, 3000, 9);
    EXPECT_EQ(Load(4), 5);
    std::vector<int32_t> order;
    for (int i = 0; i < 5; ++i) order.push_back(c.runways[i].rsno);
    EXPECT_EQ(order, (std::vector<int32_t>{61, 63, 60, 62, 64}));

    // At most 127 rows: a row number has 7 bits.
    AddAirport(3, "KCCC");
    for (int i = 0; i < 130; ++i) AddRunway(100 + i, 3, 1000 + i, 9);
    EXPECT_EQ(Load(3), 127);
}

TEST_F(ManagerDatabase, NamesCountriesAndTheKindVote) {
    EXPECT_EQ(GetNameText(0), "");
    EXPECT_EQ(GetNameText(-4), "UNSET");
    EXPECT_EQ(GetNameText(77), "UNKNOWN");
    EXPECT_EQ(GetCountryText(5), "UNKNOWN-??");
    DecideDatabaseKind();
    EXPECT_FALSE(Manager().Legacy()) << "an empty airport file counts as 696";
    AddAirport(1, "KAAA");
    dfAPTS& a = *KestraneDb().apts;
    ASSERT_EQ(a.Open(), 0);
    for (int i = 2; i <= 3; ++i) {
        a.asno = i;
        a.a212025 = -1;
        ASSERT_EQ(a.Insert(), 0);
    }
    a.Close();
    DecideDatabaseKind();
    EXPECT_TRUE(Manager().Legacy());
    EXPECT_EQ(GetNameText(0), "UNKNOWN") << "name 0 is looked up in a legacy database";
    Manager().kindVote = 0;
}

// The number columns of the airport, row and VOR lines as printf writes them, extremes included.
TEST_F(ManagerDatabase, NumberColumnsAsPrintfWritesThem) {
    auto printed = [](const char* format, auto... values) {
        char text[128];
        std::snprintf(text, sizeof text, format, values...);
        return std::string(text);
    };
    auto at = [](int column, size_t length) { return std::string(Manager().line.Text()).substr(column, length); };
    const int32_t values[] = {0, 5, -5, 99, 100, -100, 11830, 12345, -12345, 99999, 1234567, INT32_MAX, INT32_MIN};
    Manager().kindVote = -1;  // the older form: nothing else in the frequency's columns
    AirportChildren& c = AirportRows();
    for (const int32_t v : values) {
        c.frequencies[0] = FrequencyEntry{};
        c.frequencies[0].fsno = 1;
        c.frequencies[0].freq = v;
        c.runways[0] = RunwayEntry{};
        FormatAirportRow(1);
        std::string expected = printed("%3d.%02d", v / 100, v % 100);
        EXPECT_EQ(at(22, expected.size()), expected) << v;

        c.frequencies[0] = FrequencyEntry{};
        for (const int32_t width : {0, 7, -3, v}) {
            c.runways[0] = RunwayEntry{};
            c.runways[0].rsno = 1;
            c.runways[0].rlen = v;
            c.runways[0].rwidth = width;
            c.runways[0].rsl = (v & 7) | (width & 7) << 3;
            c.runways[0].rflags = -1;  // no picture column
            FormatAirportRow(1);
            const char* surface = SurfaceWord(c.runways[0].rsl);
            const char* lights = LightingWord(c.runways[0].rsl >> 3);
            expected = width != 0 ? printed("%5dx%3d' %-6s %-6s", v, width, surface, lights)
                                  : printed("%5d' %-6s %-6s", v, surface, lights);
            EXPECT_EQ(at(58, expected.size()), expected) << v << " " << width;
        }
        // Picture bytes in hex, both layouts.
        Manager().pictureBytes = true;
        c.runways[0].rwidth = 0;
        c.runways[0].rflags = v & 0x7fffffff;
        c.runways[0].rpicst = v;
        c.runways[0].rpic = v | 1;
        c.runways[0].rnpic = ~v;
        c.runways[0].rnpic2 = v / 3;
        for (const int32_t rpicfl : {-1, 0}) {
            c.runways[0].rpicfl = rpicfl;
            FormatAirportRow(1);
            const auto u = [](int32_t x) { return static_cast<unsigned>(x); };
            expected = rpicfl < 0 ? printed("(%02x %04x %08x)", u(v & 255), u(v), u(v | 1))
                                  : printed("(%02x %08x %08x)", u(v & 255), u(~v), u(v / 3));
            EXPECT_EQ(at(83, expected.size()), expected) << v;
        }
        c.runways[0].rflags = -1;
        FormatAirportRow(1);
        expected = printed("(%08x)", static_cast<unsigned>(v | 1));
        EXPECT_EQ(at(83, expected.size()), expected) << v;
        Manager().pictureBytes = false;
    }
    c.runways[0] = RunwayEntry{};
    c.frequencies[0] = FrequencyEntry{};
    Manager().kindVote = 0;

    // Elevation, time zone and magnetic variation (no names: they follow column 50 and 61).
    dfAPTS& a = *KestraneDb().apts;
    dfVORS& vor = *KestraneDb().vors;
    for (const int32_t v : values) {
        a.aheight = v;
        a.afuel = 0;
        a.acity = a.afacil = 0;
        a.a212025 = 0;
        a.autc = v & 63;
        FormatAirportLine();
        std::string expected = printed("%5d'", v);
        EXPECT_EQ(at(38, expected.size()), expected) << v;
        if ((v & 63) != 31) {
            expected = printed("UTC%+d%s", 12 - (v & 31), (v & 32) ? "+DST" : "");
            EXPECT_EQ(at(51, expected.size()), expected) << v;
        }
        vor.vfreq = v;
        vor.vmag = v;
        vor.v221817 = 0;
        vor.vcity = vor.vfacil = 0;
        FormatVorLine();
        expected = printed("%3d.%02d", v / 100, v % 100);
        EXPECT_EQ(at(39, expected.size()), expected) << v;
        expected = printed("[%+.2d]", static_cast<int>(static_cast<int8_t>(v & 0xFF)));
        EXPECT_EQ(at(62, expected.size()), expected) << v;
    }
}

// A country looked up in vain is found once it is added, and a miss does not hide another country.
TEST_F(ManagerDatabase, CountryTextAfterAMiss) {
    dfCOUNTRY& c = *KestraneDb().country;
    auto add = [&c](int32_t csno, const char* id, const char* name) {
        c.csno = csno;
        std::memset(c.cid, 0, sizeof c.cid);
        std::memset(c.cname, 0, sizeof c.cname);
        std::memcpy(c.cid, id, std::strlen(id));
        std::memcpy(c.cname, name, std::strlen(name));
        ASSERT_EQ(c.Insert(), 0);
    };
    ASSERT_EQ(c.Open(), 0);
    add(3, "LF", "FRANCE  ");
    EXPECT_EQ(GetCountryText(5), "UNKNOWN-??");
    EXPECT_EQ(GetCountryText(5), "UNKNOWN-??");
    EXPECT_EQ(GetCountryText(3), "FRANCE-LF");
    EXPECT_EQ(GetCountryText(5), "UNKNOWN-??");
    add(5, "EG", "UK");
    EXPECT_EQ(GetCountryText(5), "UK-EG");
    EXPECT_EQ(GetCountryText(7), "UNKNOWN-??");
    c.Close();
    ASSERT_EQ(c.Open(), 0);
    add(7, "ED", "GERMANY");
    EXPECT_EQ(GetCountryText(7), "GERMANY-ED");
    c.Close();
    EXPECT_EQ(GetCountryText(7), "GERMANY-ED") << "the object holds the record";
    EXPECT_EQ(GetCountryText(3), "UNKNOWN-??") << "closed";
}

}  // namespace
