#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "sidedata/obstacles/IdentList.h"
#include "sidedata/obstacles/Position.h"
#include "sidedata/obstacles/TrevossaOptions.h"
#include "sidedata/tests/UnitFileWriter.h"

namespace obstacles {
namespace {

std::string Pos(int32_t v, bool lon, PositionEnd end = PositionEnd::Blank) {
    std::string s;
    AppendPosition(s, v, lon, end);
    return s;
}

TEST(Position, TextsOfTheNotation) {
    using unitfile::Circle;
    struct Case {
        int32_t value;
        bool lon;
        PositionEnd end;
        const char* text;
    } cases[] = {
        {Circle(51.5), false, PositionEnd::Blank, "N51\xB0" "30.00000 "},
        {Circle(-33.75), false, PositionEnd::Bar, "S33\xB0" "45.00000|"},
        {Circle(-0.25), true, PositionEnd::Bar, "W000\xB0" "15.00000|"},
        {Circle(151.5), true, PositionEnd::Blank, "E151\xB0" "30.00000 "},
        {static_cast<int32_t>(0x80000000), true, PositionEnd::Blank, "W180\xB0" "00.00000 "},
        {Circle(0.0002), false, PositionEnd::Blank, "N00\xB0" "00.00000 "},   // below 0.00027: 0
        {Circle(-0.0002), true, PositionEnd::Blank, "E000\xB0" "00.00000 "},  // and no W
        {Circle(10.0 - 0.000001), false, PositionEnd::Blank, "N10\xB0" "00.00000 "},  // minutes carry
        {Circle(179.99999999), true, PositionEnd::Blank, "W180\xB0" "00.00000 "},  // carry to 180: W
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Pos(c.value, c.lon, c.end), c.text);
    }
    std::string raw;
    AppendRawPosition(raw, static_cast<int32_t>(0x89abcdef));
    EXPECT_EQ(raw, "[89abcdef] ");
}

// The digits of the fast formatter against printf's "%c%02ld\xB0%08.5lf": random values, and
// every value around the zero limit, the carry into the next degree and both ends.
TEST(Position, AgreesWithPrintf) {
    std::mt19937 rng(7);
    std::vector<int32_t> values;
    for (int i = 0; i < 200000; ++i) values.push_back(static_cast<int32_t>(rng()));
    const int32_t nearZero = unitfile::Circle(0.00027), nearCarry = unitfile::Circle(10.0 - 0.0005 / 60.0);
    for (int32_t centre : {nearZero, -nearZero, nearCarry, -nearCarry, INT32_MAX - 2000, INT32_MIN + 2000, 0})
        for (int32_t d = -2000; d <= 2000; ++d) values.push_back(centre + d);
    for (size_t i = 0; i < values.size(); ++i) {
        int32_t v = values[i];
        bool lon = (i & 1) != 0;
        PositionParts parts = SplitPosition(v, lon);
        char expected[64];
        std::snprintf(expected, sizeof expected, lon ? "%c%03ld\xB0%08.5lf " : "%c%02ld\xB0%08.5lf ", parts.letter,
                      parts.degrees, parts.minutes);
        ASSERT_EQ(Pos(v, lon), expected) << v;
    }
}

TEST(Heights, FeetAndMetres) {
    struct Case {
        int from;
        int metres;  // FeetToMetres(from)
        int feet;    // MetresToFeet(from)
    } cases[] = {
        {1000, 305, 3281}, {120, 37, 394}, {0, 0, 0}, {-1000, -305, -3281}, {5, 2, 16}, {4, 1, 13}, {376, 115, 1234},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        EXPECT_EQ(FeetToMetres(c.from), c.metres);
        EXPECT_EQ(MetresToFeet(c.from), c.feet);
    }
}

TEST(Idents, WordsOfNamesAndRemarks) {
    struct Case {
        const char* name;
        const char* remark;
        const char* ident;
    } cases[] = {
        {"Alpha Tower", "", "ATOWE"}, {"North Gate", "", "NGATE"}, {"Lake 2", "", "LAKE2"},
        {"ABCDE", "", "ABCDE"},       {"a-b-c-d-e", "", "ABCDE"},   {"Bravo", "Golf Club", "BGCLU"},
        {"Lake", "Echo Point", "LAKEE"}, {"West", "", "W"},         {"Westerly", "", "WESTE"},
        {"Caf\xE9 Sud", "", "CAFSU"}, {"", "", ""},                  {"!!", "--", ""},
        {"November Whiskey Hotel", "", "NWH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string ident;
        AppendIdentWords(ident, kIdentLength, c.name);
        if (ident.size() < kIdentLength) AppendIdentWords(ident, kIdentLength, c.remark);
        EXPECT_EQ(ident, c.ident);
    }
}

TEST(Idents, UniqueWithinTheListing) {
    IdentList list;
    std::vector<std::string> given = {"ABCDE", "ABCDE", "ABCDE", "AB", "AB", "AB", "", "", "ABCD"};
    std::vector<std::string> made;
    for (std::string ident : given) {
        list.MakeUniqueIdent(ident);
        made.push_back(ident);
    }
    EXPECT_EQ(made, (std::vector<std::string>{"ABCDE", "ABCD1", "ABCD2", "AB", "AB1", "AB2", "VRP", "VRP1", "ABCD"}));
    // Counts of two digits overwrite the end; of six digits give XXXXX.
    for (int i = 0; i < 12; ++i) {
        std::string ident = "ZZZZZ";
        list.MakeUniqueIdent(ident);
    }
    std::string ident = "ZZZZZ";
    list.MakeUniqueIdent(ident);
    EXPECT_EQ(ident, "ZZZ12");
    IdentList many;
    for (int i = 0; i < 100000; ++i) {
        std::string x = "Q";
        many.MakeUniqueIdent(x);
    }
    std::string last = "Q";
    many.MakeUniqueIdent(last);
    EXPECT_EQ(last, "XXXXX");
}

TEST(Idents, NumberedNames) {
    IdentList list;
    std::vector<std::string> names;
    for (int h : {1234, 1234, 1234, 12342, 12342, -40, -40}) names.push_back(list.MakeNumberedName(h));
    EXPECT_EQ(names, (std::vector<std::string>{"1234", "1234A", "1234B", "12342", "L124A", "M40", "M40A"}));
    IdentList twelve;
    std::string name;
    for (int i = 0; i < 28; ++i) name = twelve.MakeNumberedName(12);
    EXPECT_EQ(name, "12AA");
    // 12345 / 100 = 123, remainder 45: 124.
    IdentList five;
    five.MakeNumberedName(12345);
    EXPECT_EQ(five.MakeNumberedName(12345), "L124A");
    // Names longer than 5 characters move to the next height; from 9998 on: XXXXX.
    IdentList big;
    EXPECT_EQ(big.MakeNumberedName(123456), "XXXXX");
    IdentList full;
    for (int i = 0; i < 27 * 26 + 1; ++i) full.MakeNumberedName(7);
    EXPECT_EQ(full.MakeNumberedName(7), "8");  // no suffix left for 7
}

}  // namespace
}  // namespace obstacles

namespace obstacles {
namespace {

TEST(CommandLine, SwitchesOfTrevossa) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        bool batch, purge;
        int debug;
        const char* input;
        const char* output;
        const char* bad;
    } cases[] = {
        {{"-B"}, true, true, false, 0, "", "", ""},
        {{"-Dout.txt"}, true, true, false, 0, "", "out.txt", ""},  // -D alone: batch, no run
        {{"-D", "out.txt", "-S", "in.awp"}, true, true, false, 0, "in.awp", "out.txt", ""},
        {{"-Sin.awp", "-P"}, true, true, true, 0, "in.awp", "", ""},
        {{"-d", "-d3", "word"}, true, false, false, 4, "", "", ""},
        {{"-Z"}, false, false, false, 0, "", "", "-Z"},
        {{"-S"}, false, false, false, 0, "", "", "-S"},
        {{"-Bx"}, false, false, false, 0, "", "", "-Bx"},
        {{"-dx"}, false, false, false, 0, "", "", "-dx"},
        {{"--frobnicate"}, false, false, false, 0, "", "", "--frobnicate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        TrevossaOptions o;
        std::string bad;
        EXPECT_EQ(ParseTrevossaOptions(c.args, o, bad), c.ok);
        EXPECT_EQ(bad, c.bad);
        if (!c.ok) continue;
        EXPECT_EQ(o.batchFormat, c.batch);
        EXPECT_EQ(o.purge, c.purge);
        EXPECT_EQ(o.debugLevel, c.debug);
        EXPECT_EQ(o.inputPath, c.input);
        EXPECT_EQ(o.outputPath, c.output);
        EXPECT_EQ(o.Unattended(), *c.input && *c.output);
    }
}

}  // namespace
}  // namespace obstacles
