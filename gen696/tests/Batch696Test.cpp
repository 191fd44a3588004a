#include <gtest/gtest.h>

#include "common/NameCode.h"
#include "gen/testsupport/BatchTestSupport.h"
#include "gen696/Batch696.h"
#include "gen696/Remarks696.h"
#include "gen696/Restriction696.h"

namespace {

using batchtest::Ident;

class Batch696 : public batchtest::BatchDbTest {
protected:
    int Run(const std::string& text) { return Apply(text, 1000, BatchHandlers696()); }

    void AddAirport() {
        ASSERT_EQ(Run("ADD|APT|KSEA|US-UNITED STATES|SEATTLE|SEATTLE-TACOMA INTL|N472656|W1221832|433|JA"), 0);
    }

    FreqRecord OnlyFrequency() {
        const auto all = All<FreqRecord>();
        EXPECT_EQ(all.size(), 1u);
        return all.empty() ? FreqRecord{} : all[0];
    }

    // The remarks form of a frequency's RESTR chain.
    std::vector<uint8_t> Chain(int32_t first) {
        std::vector<uint8_t> bytes;
        const auto all = All<RestrRecord>();
        for (int32_t at = first; at != 0;) {
            const RestrRecord* r = nullptr;
            for (const RestrRecord& x : all) {
                if (x.rcsno == at) r = &x;
            }
            if (!r) break;
            bytes.insert(bytes.end(), r->rcres, r->rcres + 8);
            at = r->rcnxt;
        }
        if (!bytes.empty()) bytes.resize(std::min<size_t>(bytes.size(), bytes[0] + 1u));
        return bytes;
    }
};

TEST_F(Batch696, AirportAttributesTimeZoneAndNewWords) {
    struct Case {
        const char* extra;   // fields after the height
        int32_t afuel;
        int32_t autc;
    };
    const Case cases[] = {
        {"", 1, 31},
        {"|UTC-5", 1, 17},
        {"|UTC+1+DST", 1, 43},
        {"|[HEL]|JA", 1 | 256 | 16 | 4, 31},
        {"|[MIL]|[PRV]|[XYZ]|M", 1 | 64 | 128 | 8, 31},
        {"|utc+3", 1, 9},   // lines are read upper-cased
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.extra);
        ASSERT_EQ(Run(std::string("ADD|APT|KBFI|US-UNITED STATES|SEATTLE|BOEING|N473148|W1221807|21") + k.extra), 0);
        const AptRecord a = All<AptRecord>().back();
        EXPECT_EQ(a.afuel, k.afuel);
        EXPECT_EQ(a.autc, k.autc);
        EXPECT_EQ(a.a212025, 0);
        EXPECT_EQ(a.a221507, 0x100000);
        ASSERT_EQ(Run("DEL|APT|KBFI|US-UNITED STATES"), 0);
    }
    // The brief mark and a changed airport's kept "no runway yet" bit.
    ASSERT_EQ(Run("ADD|APT|KBFI|US-UNITED STATES|@SEATTLE|BOEING|N473148|W1221807|21"), 0);
    EXPECT_EQ(All<AptRecord>().back().afuel, 1 | 32);
    ASSERT_EQ(Run("ADD|APT|KBFI|US-UNITED STATES|SEATTLE|BOEING|N473148|W1221807|21|UTC-8"), 2);
    EXPECT_EQ(All<AptRecord>().back().afuel, 1);
    EXPECT_EQ(All<AptRecord>().back().autc, 20);
}

TEST_F(Batch696, LineErrorsChangeNothing) {
    AddAirport();
    struct Case {
        const char* line;
        int code;
    };
    const Case cases[] = {
        {"ADD|APT|KSEAX|US-UNITED STATES|A|B|N472656|W1221832|433", 7},
        {"ADD|APT|KPAE|US-UNITED STATES|A|B|N472656|W1221832", 4},
        {"ADD|APT|KPAE|ZZ-NEWLAND|A|B|X472656|W1221832|433", 11},
        {"ADD|INT|ABCDE|ZZ-NEWLAND|NAME|PARENT|N472656|W1221832|VRP|X", 4},
        {"ADD|INT|ABCDE|ZZ-NEWLAND|NAME|PARENT|N472656", 4},
        {"ADD|VOR|SEA|ZZ-NEWLAND|NEW CITY|NEW FACIL|N472656|W1221832|116.80|VORTAC|[13]", 14},
        {"ADD|VOR|SEA|ZZ-NEWLAND|NEW CITY|NEW FACIL|N472656|W1221832|116.80|TACANX", 14},
        {"ADD|VOR|SEA|ZZ-NEWLAND|NEW CITY|NEW FACIL|N472656|W1221832|116.80", 4},
        {"ADD|USR|WPT1|N472656|W1221832|COMMENT|X", 4},
        {"ADD|USR|WPT1234|N472656|W1221832|COMMENT", 7},
        {"ADD|FRQ|KSEA|US-UNITED STATES|NOTYPE|118.30", 18},
        {"ADD|FRQ|KSEA|US-UNITED STATES|TOWER|149.00", 18},
        {"ADD|FRQ|KSEA|US-UNITED STATES|TOWER|107.95", 18},
        {"ADD|FRQ|KSEA|US-UNITED STATES|TOWER|118.30|Q", 18},
        {"ADD|FRQ|KSEA|ZZ-NEWLAND|TOWER|118.30", 8},
        {"ADD|FRQ|KXXX|US-UNITED STATES|TOWER|118.30", 1},
        {"ADD|RWY|KSEA|US-UNITED STATES|9000X150|16L|MUD|NO LTS|0", 17},
        {"ADD|RWY|KSEA|US-UNITED STATES|9000X150|16L|HARD|DARK|0", 16},
        {"ADD|RWY|KSEA|US-UNITED STATES|9000X150|X6|HARD|NO LTS|0", 15},
        {"ADD|RWY|KSEA|US-UNITED STATES|9000X150|16L|HARD|NO LTS", 4},
        {"ADD|RWY|KSEA|US-UNITED STATES|9000X150|16L|HARD|NO LTS|<L> 0", 20},
        {"ADD|RWY|KSEA|US-UNITED STATES|9000X150|16L|HARD|NO LTS|ZZ", 20},
        {"ADD|RWY|KSEA|US-UNITED STATES|9000X150|16L|HARD|NO LTS|1|2|3", 4},
        {"DEL|APT|KSEA|ZZ-NEWLAND", 8},
        {"DEL|VOR|SEA|US-UNITED STATES|NO SUCH CITY", 9},
        {"DEL|VOR|SEA|US-UNITED STATES|SEATTLE|NO SUCH FACILITY", 10},
        {"DEL|INT|ABCDE|US-UNITED STATES|NO SUCH NAME", 9},
        {"DEL|FRQ|KSEA|ZZ-NEWLAND|TOWER|118.30", 8},
    };
    const auto before = Snapshot();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        EXPECT_EQ(Run(k.line), k.code);
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(Batch696, IntersectionNamesAndVrpMark) {
    ASSERT_EQ(Run("ADD|INT|ABCDE|US-UNITED STATES|LAKE|SEATTLE|N472656|W1221832|VRP"), 0);
    IntRecord i = All<IntRecord>().at(0);
    EXPECT_EQ(NameOf(i.iname), "LAKE");
    EXPECT_EQ(NameOf(i.iparent), "SEATTLE");
    EXPECT_EQ(i.iflags, 256);
    EXPECT_EQ(i.icompat, 0);
    ASSERT_EQ(Run("ADD|INT|ABCDE|US-UNITED STATES|UNSET|SEATTLE|N472656|W1221832"), 2);
    i = All<IntRecord>().at(0);
    EXPECT_EQ(i.iname, kNameUnset);
    EXPECT_EQ(i.iflags, 0);
    ASSERT_EQ(All<IntRecord>().size(), 1u);
}

TEST_F(Batch696, NdbFrequencyLocatorAndBriefMark) {
    ASSERT_EQ(Run("ADD|NDB|BF|US-UNITED STATES|@SEATTLE|BOEING|N473148|W1221807|362.0|L"), 0);
    NdbRecord b = All<NdbRecord>().at(0);
    EXPECT_EQ(b.bfreq, 3620);
    EXPECT_EQ(b.bcompat, 5);
    EXPECT_EQ(b.bflags, 0);
    ASSERT_EQ(Run("ADD|NDB|BF|US-UNITED STATES|SEATTLE|BOEING|N473148|W1221807|362.5"), 2);
    b = All<NdbRecord>().at(0);
    EXPECT_EQ(b.bfreq, 3625);
    EXPECT_EQ(b.bcompat, 0);
}

TEST_F(Batch696, VorKindsClassesAndVariation) {
    struct Case {
        const char* fields;   // kind and class fields
        int32_t vtr;
        int32_t vdmeSecond;   // the second byte of vdme
        int32_t vdmeLow;
        int32_t vmag;
    };
    const Case cases[] = {
        {"VORTAC", 5 * 32 + 24, 3 + 128, 0, 0},
        {"VORTAC|[013]", 5 * 32 + 24, 3 + 128, 0, 13},
        {"VOR|LOW", 32, 0, 0, 0},
        {"VORDME|HIGH|WX", 4 * 32 + 8 + 4, 1 + 64, 4, 0},
        {"DME|Term", 2 * 32 + 16, 2 + 32, 4, 0},
        {"TACAN", 3 * 32 + 24, 3 + 160, 0, 0},
        {"ILSDME|HIGH", 6 * 32 + 8, 1 + 32, 4, 0},
        {"UNKNOWN|[-05]", 7 * 32 + 24, 3, 0, -5},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.fields);
        ASSERT_EQ(Run(std::string("ADD|VOR|SEA|US-UNITED STATES|SEATTLE|SEATTLE|N472656|W1221832|116.80|") + k.fields),
                  0);
        const VorRecord v = All<VorRecord>().at(0);
        EXPECT_EQ(v.vfreq, 11680);
        EXPECT_EQ(v.vtr, k.vtr);
        EXPECT_EQ(v.vdme, k.vdmeSecond << 8 | k.vdmeLow);
        EXPECT_EQ(v.vmag, k.vmag);
        EXPECT_EQ(v.v221817, 0);
        ASSERT_EQ(Run("DEL|VOR|SEA|US-UNITED STATES"), 0);
    }
    ASSERT_EQ(Run("ADD|VOR|SEA|US-UNITED STATES|@SEATTLE|SEATTLE|N472656|W1221832|116.80|VOR"), 0);
    EXPECT_EQ(All<VorRecord>().at(0).vdme & 0xFF, 1);
}

TEST_F(Batch696, FrequencyTypesThirdDecimalAndMark) {
    AddAirport();
    struct Case {
        const char* type;
        const char* mhz;
        const char* extra;
        int32_t freq;
        int32_t typeCode;   // bits 8-14 of ftype
        bool thirdDecimal;
    };
    const Case cases[] = {
        {"TOWER", "118.005", "", 11800, 10, true},
        {"Tower", "118.015", "", 11801, 10, true},
        {"TOWER", "118.025", "", 11802, 10, false},
        {"TOWER", "118.075", "", 11807, 10, false},
        {"TOWER", "118.125", "", 11812, 10, false},
        {"ATIS", "135.45", "|M", 13545, 64, false},
        {"R/CTAF", "122.80", "", 12280, 35, false},
        {"CLS B", "125.90", "", 12590, 20, false},
        {"ILS", "109.90", "", 10990, 63, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.type) + " " + k.mhz);
        ASSERT_EQ(Run(std::string("ADD|FRQ|KSEA|US-UNITED STATES|") + k.type + "|" + k.mhz + k.extra), 0);
        const FreqRecord f = OnlyFrequency();
        EXPECT_EQ(f.freq, k.freq);
        EXPECT_EQ((f.ftype >> 8) & 0x7F, k.typeCode);
        EXPECT_EQ((f.ftype >> 7) & 1, k.typeCode >> 6);
        EXPECT_EQ((f.f431 >> 5) & 1, k.thirdDecimal ? 1 : 0);
        EXPECT_EQ(f.frsno, 0);
        ASSERT_EQ(Run(std::string("DEL|FRQ|KSEA|US-UNITED STATES|") + k.type + "|" + k.mhz + k.extra), 0);
    }
    // The airport loses its "nothing yet" bit with its first frequency.
    EXPECT_EQ(All<AptRecord>().at(0).afuel & 1, 0);
}

TEST_F(Batch696, RestrictionTextsInTheRemarksForm) {
    struct Case {
        const char* text;
        std::vector<uint8_t> form;
        uint32_t flagBits;   // f431 >> 16
    };
    const Case cases[] = {
        {"R:", {1, 0}, 0},
        {"R:RX 090-270 BELOW 3000", {5, 5 | 128, 90, 14, 0x40, 0x1F}, 0x45},
        {"R:TX 000-400", {3, 1 | 64 | 128, 104, 104}, 0x21},
        {"R:ABOVE 2000", {3, 2, 0x58, 0x1B}, 0x02},
        {"R:BELOW 1000 ABOVE 500", {5, 6, 0x70, 0x17, 0x7C, 0x15}, 0x06},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        Restriction696 r;
        std::string error;
        ASSERT_TRUE(ParseRestriction696(k.text, &r, &error)) << error;
        EXPECT_EQ(r.form, k.form);
        EXPECT_EQ(r.flagBits, k.flagBits << 16);
    }
    // A quoted text: the names code from bit 0 of its first byte, c in the upper seven bits.
    Restriction696 r;
    std::string error;
    ASSERT_TRUE(ParseRestriction696("R:REMOTEVOR SEA  \"NIGHT ONLY\" IGNORED", &r, &error));
    EXPECT_EQ(r.form[1], 8 | 16);
    EXPECT_EQ(r.flagBits, (8u | 16u) << 16);
    std::vector<uint8_t> blob;
    ASSERT_TRUE(RemarksBlobOfForm696(r.form, &blob, &error)) << error;
    const size_t at = 2 + 3;
    const size_t c = blob[at];
    ASSERT_EQ(blob.size(), at + 1 + c);
    char text[64];
    DecodeName(&blob[at + 1], c, text, sizeof text, 7);
    EXPECT_STREQ(text, "NIGHT ONLY");
    // A text the form cannot hold.
    // Longer and longer texts: every form that is taken fits 128 bytes, and a long one is refused.
    size_t longest = 0;
    for (size_t n = 1; n < 2000; n += 7) {
        std::string text;
        for (size_t i = 0; i < n; ++i) text += static_cast<char>('A' + i % 26);
        if (!ParseRestriction696("R:BELOW 100 \"" + text + "\"", &r, &error)) break;
        EXPECT_LE(r.form.size(), 128u);
        longest = n;
    }
    EXPECT_GT(longest, 50u);
    EXPECT_LT(longest, 1990u);
    EXPECT_FALSE(ParseRestriction696("R:BELOW 70000", &r, &error));
}

TEST_F(Batch696, FrequencyRestrictionChains) {
    AddAirport();
    ASSERT_EQ(Run("ADD|FRQ|KSEA|US-UNITED STATES|TOWER|119.90|R:"), 0);
    FreqRecord f = OnlyFrequency();
    EXPECT_EQ(All<RestrRecord>().size(), 1u);
    EXPECT_EQ(Chain(f.frsno), (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(f.f431, 0);

    ASSERT_EQ(Run("ADD|FRQ|KSEA|US-UNITED STATES|TOWER|119.905|R:RX 090-270 BELOW 3000 \"CONTACT TOWER BEFORE ENTRY\""),
              0);
    f = OnlyFrequency();
    const std::vector<uint8_t> form = Chain(f.frsno);
    ASSERT_GT(form.size(), 8u);
    EXPECT_EQ(form[1], 5 | 16 | 128);
    EXPECT_EQ(f.f431, (1 << 22) | (21 << 16) | (1 << 5));
    const size_t records = All<RestrRecord>().size();
    EXPECT_EQ(records, (form.size() + 7) / 8);   // the old chain went

    // A text that does not parse keeps the chain and the flags.
    const auto before = Snapshot();
    EXPECT_EQ(Run("ADD|FRQ|KSEA|US-UNITED STATES|TOWER|119.90|R:BELOW 99999"), 18);
    EXPECT_EQ(Snapshot(), before);
    // No text on a frequency without one changes nothing.
    ASSERT_EQ(Run("ADD|FRQ|KSEA|US-UNITED STATES|GROUND|121.70"), 0);
    EXPECT_EQ(Run("ADD|FRQ|KSEA|US-UNITED STATES|GROUND|121.70"), 19);
    // No text on a frequency with one takes its chain away.
    ASSERT_EQ(Run("ADD|FRQ|KSEA|US-UNITED STATES|TOWER|119.90"), 0);
    EXPECT_TRUE(All<RestrRecord>().empty());
}

TEST_F(Batch696, RunwaySurfacesDesignatorsAndPictures) {
    AddAirport();
    struct Case {
        const char* fields;   // designator, surface, lighting, picture
        int32_t rw;
        int32_t rsl;
        int32_t rflags;
        int32_t rpicfl;
        int32_t rnpic;
    };
    const Case cases[] = {
        {"16L|Water|NO LTS|0", 16 + 64, 7, -1, 0, 0},
        {"16L|ASPHALT|FT LTS|0", 0, -1, 0, 0, 0},
        {"16R|TURF|PC LTS|<R-R>", 16 + 96, 1 + 16, -1, 0, 0},
        {"34T|UNKNA|PT LTS|<L-R> 0", 16 + 0x10000, 6 + 32, -1, 1, 0},
        {"09-27|HARD|FT LTS|ff 00001234 00005678", 9, 0 + 48 + 64, 0xFF, 0, 0x1234},
        {"09L-27L|SEALED|NO LTS|0a 0001 00000002", 9 + 64 + 128 + (9 << 8), 2, 10, 0, 0},
        {"..|UNKNWN|NO LTS|<R-L>", 0, 6, -1, 2, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.fields);
        const int code = Run(std::string("ADD|RWY|KSEA|US-UNITED STATES|9000X150|") + k.fields);
        if (k.rsl < 0) {
            EXPECT_EQ(code, 17);
            continue;
        }
        ASSERT_EQ(code, 0);
        const RwyRecord w = All<RwyRecord>().back();
        EXPECT_EQ(w.rlen, 9000);
        EXPECT_EQ(w.rwidth, 150);
        EXPECT_EQ(w.rw, k.rw);
        EXPECT_EQ(w.rsl, k.rsl);
        EXPECT_EQ(w.rflags, k.rflags);
        EXPECT_EQ(w.rpicfl, k.rpicfl);
        EXPECT_EQ(w.rnpic, k.rnpic);
    }
    // The same designator again changes its runway.
    const size_t runways = All<RwyRecord>().size();
    ASSERT_EQ(Run("ADD|RWY|KSEA|US-UNITED STATES|8000X100|16L|HARD|NO LTS|0"), 2);
    EXPECT_EQ(All<RwyRecord>().size(), runways);
    // Runways without sides given clear the airport's bit 20; the airport is written.
    const AptRecord a = All<AptRecord>().at(0);
    EXPECT_EQ(a.afuel & 1, 0);
    EXPECT_EQ(a.a221507 & 0x100000, 0);
}

}  // namespace
