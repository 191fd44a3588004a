// The compilers' encoders and rules without the database: vertex steps, arc centres, the grid's
// box test and box limit, runway lookups, frequency codes, the line reader, progress lines and the
// filter.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/testsupport/ScratchDir.h"
#include "gen/compile/CompileApproach.h"
#include "gen/compile/CompileGrid.h"
#include "gen/compile/CompileSession.h"
#include "gen/compile/CompileSua.h"
#include "gen/compile/CompileTcc.h"
#include "common/CLocale.h"
#include "gen/image/Image.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"

namespace {

constexpr int32_t kUnit = 1 << 14;  // one step unit

TEST(CompileVertexStep, FormsAndLimits) {
    struct Case {
        int32_t dLat, dLon;  // in step units
        int length;
        uint8_t bytes[3];
    };
    const Case cases[] = {
        {1, 1, 2, {0x07, 0x02}},
        {-1, -1, 2, {0xFF, 0xFF}},
        {63, -63, 2, {0x07, 0x7F}},
        {63, -64, 3, {0x01, 0xFF, 0x07}},  // short: first byte 3, second odd, read as a marker
        {0, -64, 3, {0x01, 0x1F, 0}},
        {-64, 0, 3, {0x01, 0x00, 0xF8}},  // a latitude step of -64 takes the 3-byte form
        {64, 0, 3, {0x01, 0x00, 0x08}},
        {1023, -1024, 3, {0x01, 0xF0, 0x7F}},
    };
    for (const Case& c : cases) {
        uint8_t out[3] = {};
        const int n = EncodeVertexStep(0x100000, 0x200000, 0x100000 + c.dLat * kUnit, 0x200000 + c.dLon * kUnit, out);
        SCOPED_TRACE(testing::Message() << c.dLat << "," << c.dLon);
        ASSERT_EQ(n, c.length);
        for (int i = 0; i < n; ++i) EXPECT_EQ(out[i], c.bytes[i]) << i;
    }
    uint8_t out[3];
    EXPECT_EQ(EncodeVertexStep(0, 0, 1024 * kUnit, 0, out), 0);   // beyond 25 bits
    EXPECT_EQ(EncodeVertexStep(0, 0, 0, -1025 * kUnit, out), 0);
    // Low 14 bits are dropped from both ends before the difference.
    EXPECT_EQ(EncodeVertexStep(kUnit - 1, 0, kUnit, 0, out), 2);
    EXPECT_EQ(out[1], 0x02);
    // Across the date line the step wraps.
    EXPECT_EQ(EncodeVertexStep(0, 0x7FFFC000, 0, static_cast<int32_t>(0x80000000u), out), 2);
    EXPECT_EQ(out[0], 0x07);
}

TEST(CompileVertexStep, ArcCentreRadiusAndLimits) {
    CompileSession s;
    uint8_t b[5] = {};
    // 1.98 nm radius: 11998 units / 500 = 23 remainder 498 (> 250 + 25): 24.
    ASSERT_TRUE(EncodeArcCentre(s, 1.98f, 500, 0, 0, 2 * kUnit, -3 * kUnit, b));
    EXPECT_EQ(b[0], 0xFD);
    EXPECT_EQ(b[1], 0x3F | (2 & 3) << 6);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(b[4], 24);
    // A circle's diameter with divisor 1000 stores the same radius.
    ASSERT_TRUE(EncodeArcCentre(s, 3.96f, 1000, 0, 0, 0, 0, b));
    EXPECT_EQ(b[4], 24);
    EXPECT_FALSE(EncodeArcCentre(s, 400.0f, 500, 0, 0, 0, 0, b));
    EXPECT_EQ(s.error, kErrFieldValue);
    CompileSession far;
    EXPECT_FALSE(EncodeArcCentre(far, 1.0f, 500, 0, 0, 8192 * kUnit, 0, b));
    EXPECT_EQ(far.error, kErrTooFarApart);
}

TEST(CompileGrid, BoxTestLowersACopy) {
    // A record whose south edge is 0 reaches into the box below the equator.
    const CompiledBox r{10, 0, 20, 100, 0};
    EXPECT_TRUE(RecordInGridBox(r, 0, -1000, 1000, 0));
    // Tested again and again, the record's own values do not drift.
    for (int i = 0; i < 20000; ++i) RecordInGridBox(r, 0, -1000, 1000, 0);
    EXPECT_EQ(r.south, 0);
    EXPECT_FALSE(RecordInGridBox(r, 0, 200, 1000, 1000));
    // East edges compare in 32-bit wrap-around: a box across the date line.
    const CompiledBox wide{0x7F000000, 0, static_cast<int32_t>(0x81000000u), 100, 0};
    EXPECT_TRUE(RecordInGridBox(wide, static_cast<int32_t>(0x80000000u), 0, static_cast<int32_t>(0x80100000u), 1000));
}

class GridFiles : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s_.files[kWorkR].Create(dir_ + "/r"));
        ASSERT_TRUE(s_.files[kWorkG].Create(dir_ + "/g"));
        c_.settings = &settings_;
    }
    void TearDown() override {
        s_.files[kWorkR].Close(false);
        s_.files[kWorkG].Close(false);
    }
    suitetest::ScratchDir scratch_{"compilegrid"};
    std::string dir_ = scratch_.path;
    GenSettings settings_;
    OperationContext c_;
    CompileSession s_;
};

TEST_F(GridFiles, BoxHoldsAtMost255Records) {
    // 300 records in the cell of row 44, column 18 (south-west corner at 0, 0), first box only.
    for (int i = 0; i < 300; ++i) s_.boxes.push_back({100, 100, 200, 200, i});
    GridBuilder grid(kSuaGrid);
    const int k = 44 * 36 + 18;
    ASSERT_TRUE(grid.AddCell(c_, s_, k));
    EXPECT_EQ(s_.files[kWorkR].Size(), 255u * 2);
    ASSERT_EQ(s_.files[kWorkG].Size(), 20u);
    uint8_t cell[20];
    s_.files[kWorkG].Read(0, cell, 20);
    EXPECT_EQ(cell[5], 255);
    EXPECT_EQ(GetU16(cell + 6), 0u);
    for (int b = 1; b < 5; ++b) {
        EXPECT_EQ(cell[5 + 3 * b], 0);
        EXPECT_EQ(GetU16(cell + 6 + 3 * b), 0xFFFFu);
    }
    // A cell that no record meets writes nothing.
    ASSERT_TRUE(grid.AddCell(c_, s_, k + 2));
    EXPECT_EQ(s_.files[kWorkG].Size(), 20u);
}

// Every cell of both grids lists, box by box, the records that the box test finds when each
// record is tried against each box, for random records: small, wide, across the date line and
// the grid's wrap, at the edges of cells and at 0.
TEST_F(GridFiles, CellsListWhatTheBoxTestFindsForEveryRecord) {
    std::mt19937 rng(20261211);
    auto value = [&](const GridShape& shape) -> int32_t {
        switch (rng() % 5) {
        case 0: return static_cast<int32_t>(rng());
        case 1: return shape.West(static_cast<int>(rng() % shape.columns), static_cast<int>(rng() % shape.boxes)) +
                       static_cast<int32_t>(rng() % 3) - 1;
        case 2: return shape.South(static_cast<int>(rng() % shape.rows)) + static_cast<int32_t>(rng() % 3) - 1;
        case 3: return static_cast<int32_t>(rng() % 3) - 1;
        default: return static_cast<int32_t>(rng() % 0x20000000u) - 0x10000000;
        }
    };
    for (const GridShape* shape : {&kSuaGrid, &kTccGrid}) {
        s_.boxes.clear();
        for (int i = 0; i < 400; ++i) {
            CompiledBox r{value(*shape), value(*shape), 0, 0, i};
            const uint32_t width = rng() % 4 == 0 ? rng() : rng() % 0x4000000u;
            r.east = rng() % 3 == 0 ? value(*shape) : static_cast<int32_t>(static_cast<uint32_t>(r.west) + width);
            r.north = rng() % 3 == 0 ? value(*shape) : r.south + static_cast<int32_t>(rng() % 0x4000000u);
            s_.boxes.push_back(r);
        }
        TearDown();
        SetUp();
        GridBuilder grid(*shape);
        for (int k = 0; k < shape->Cells(); ++k) ASSERT_TRUE(grid.AddCell(c_, s_, k));
        std::vector<uint8_t> numbers(s_.files[kWorkR].Size()), cells(s_.files[kWorkG].Size());
        s_.files[kWorkR].Read(0, numbers.data(), numbers.size());
        s_.files[kWorkG].Read(0, cells.data(), cells.size());
        size_t at = 0, cellAt = 0;
        for (int k = 0; k < shape->Cells(); ++k) {
            const int row = k / shape->columns, column = k % shape->columns;
            const int32_t south = shape->South(row);
            const auto north = static_cast<int32_t>(static_cast<uint32_t>(south) + shape->height);
            std::vector<std::vector<uint32_t>> lists(static_cast<size_t>(shape->boxes));
            bool any = false;
            for (int b = 0; b < shape->boxes; ++b) {
                const int32_t west = shape->West(column, b);
                const auto east = static_cast<int32_t>(static_cast<uint32_t>(west) + shape->boxWidth);
                for (uint32_t i = 0; i < s_.boxes.size() && lists[static_cast<size_t>(b)].size() < 255; ++i) {
                    if (RecordInGridBox(s_.boxes[i], west, south, east, north)) lists[static_cast<size_t>(b)].push_back(i);
                }
                any = any || !lists[static_cast<size_t>(b)].empty();
            }
            if (!any) continue;
            ASSERT_LE(cellAt + shape->cellSize, cells.size()) << k;
            const uint8_t* cell = cells.data() + cellAt;
            cellAt += shape->cellSize;
            for (int b = 0; b < shape->boxes; ++b) {
                const std::vector<uint32_t>& list = lists[static_cast<size_t>(b)];
                ASSERT_EQ(cell[5 + 3 * b], list.size()) << "cell " << k << " box " << b;
                for (uint32_t record : list) {
                    ASSERT_EQ(GetU16(numbers.data() + at), record) << "cell " << k << " box " << b;
                    at += 2;
                }
            }
        }
        EXPECT_EQ(at, numbers.size());
        EXPECT_EQ(cellAt, cells.size());
    }
}

TEST(CompileRunway, LookupTable) {
    struct Case {
        int number;
        char letter;
        bool s;
        int32_t stored;
        bool reciprocal;
        bool match;
    };
    const Case cases[] = {
        {9, ' ', false, 9, false, true},                      // "09-27" stored as 9
        {27, ' ', false, 9, true, true},                      // looked up by its other end
        {27, 'L', false, 9 | 0x60 | 0x80 | 9 << 8, true, true},  // 27L is 9R of "09R-27L"
        {9, 'R', false, 9 | 0x60 | 0x80 | 9 << 8, false, true},
        {9, 'L', false, 9 | 0x60 | 0x80 | 9 << 8, false, false},
        {16, 'L', true, 16 | 0x40 | 0x80 | 16 << 8, false, true},   // listed "RW16LS"
        {34, 'R', true, 16 | 0x40 | 0x80 | 16 << 8, true, true},    // listed "RW34RS"
        {16, 'L', true, 16 | 0x40, false, false},                   // "S" needs a two-ended runway
        {16, 'R', true, 16 | 0x40 | 0x80 | 16 << 8, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.number << c.letter << (c.s ? "S" : "") << " " << std::hex << c.stored);
        const RunwayLookup l = MakeRunwayLookup(c.number, c.letter, c.s);
        EXPECT_EQ(l.reciprocal, c.reciprocal);
        EXPECT_EQ(RunwayMatches(c.stored, l), c.match);
    }
}

TEST(CompileTccFrequency, HundredthsReadAsStrtolReadsThem) {
    const char* const texts[] = {"00,r120.05", "05", "5", "99", "100", "12345678", "123456789", "1234567890",
                                 "99999999999", "4294967296", "18446744073709551616", " 7", "-3", "+4", "", ",", "x5",
                                 "0000000000000000001", "\t12", "8\r"};
    for (const char* t : texts) EXPECT_EQ(TccHundredths(t), static_cast<int>(std::strtol(t, nullptr, 10))) << t;
}

TEST(CompileTccFrequency, Band) {
    EXPECT_EQ(TccFrequencyCode(108, 0), 0);
    EXPECT_EQ(TccFrequencyCode(122, 20), 1420);
    EXPECT_EQ(TccFrequencyCode(189, 91), 8191);
    EXPECT_EQ(TccFrequencyCode(189, 92), -1);
    EXPECT_EQ(TccFrequencyCode(107, 99), -1);
    EXPECT_EQ(TccFrequencyCode(120, 100), -1);
}

TEST(CompileLines, CommentsShortLinesAndFilter) {
    GenSettings settings;
    OperationContext c;
    c.settings = &settings;
    CompileSession& s = Session(c);
    struct Case {
        const char* raw;
        const char* result;  // null: nothing to compile
    };
    const Case cases[] = {
        {"   0 N472000 W1222500   // a comment", "0 N472000 W1222500"},
        // Only the first '/' is looked at: a single one before the comment keeps it.
        {"SUA(a) A/B {Class C P1} 0 to 100 // x", "SUA(a) A/B {Class C P1} 0 to 100 // x"},
        {"12345", nullptr},
        {"ab // long comment here", nullptr},
        {"line\rrest", nullptr},
        {"linelonger\rrest", "linelonger"},
    };
    for (const Case& k : cases) {
        s.raw = k.raw;
        const char* got = ReadCompileLine(c);
        if (!k.result) {
            EXPECT_EQ(got, nullptr) << k.raw;
        } else {
            ASSERT_NE(got, nullptr) << k.raw;
            EXPECT_STREQ(got, k.result);
        }
    }
    // The filter: a maximum base, then the limit rectangle's corners.
    settings.maxBase = 5000;
    EXPECT_TRUE(IsFilteredOut(c, 6000, 10, 10, 0, 0));
    EXPECT_FALSE(IsFilteredOut(c, 5000, 10, 10, 0, 0));
    settings.maxBase = 0;
    settings.limitRect.swLat = 100;
    settings.limitRect.swLon = 100;
    EXPECT_TRUE(IsFilteredOut(c, 0, 99, 200, 0, 0));
    EXPECT_TRUE(IsFilteredOut(c, 0, 200, 99, 0, 0));
    EXPECT_FALSE(IsFilteredOut(c, 0, 100, 100, 0, 0));
    settings.limitRect.neLat = 1000;
    settings.limitRect.neLon = 1000;
    EXPECT_TRUE(IsFilteredOut(c, 0, 2000, 2000, 1001, 0));
    EXPECT_TRUE(IsFilteredOut(c, 0, 2000, 2000, 0, 1001));
    EXPECT_FALSE(IsFilteredOut(c, 0, 2000, 2000, 1000, 1000));
    EXPECT_EQ(s.filtered, 5);
}

// Progress lines read as "%d" writes the number; each replaces the last line of the listing.
TEST(CompileLines, ProgressNumbersAsPrintfWritesThem) {
    CGenDoc doc;
    OperationContext c;
    c.doc = &doc;
    doc.AddLine("first");
    doc.AddLine("Creating Grid Index 0");
    const int numbers[] = {0, 7, 10, 99, 100, 419, 65536, 2147483647, -1, -10, -2147483647 - 1};
    for (const int n : numbers) {
        ShowCompileProgress(c, "Creating Grid Index ", n);
        ASSERT_EQ(doc.Lines().size(), 2u) << n;
        EXPECT_EQ(doc.Lines().back(), StringFormatC("Creating Grid Index %d", n));
    }
    EXPECT_EQ(doc.Lines().front(), "first");
}

TEST(CompileErrorTexts, Table) {
    EXPECT_STREQ(CompileErrorMessage(20), "Vertex 0 is not the most southerly (and westerly) point");
    EXPECT_STREQ(CompileErrorMessage(23), "Value too large for its field");
    EXPECT_STREQ(CompileErrorMessage(24), "Compiled file too large for its format");
    EXPECT_STREQ(CompileErrorMessage(49), "The wapoint could not be found in the ISAM database");
    EXPECT_STREQ(CompileErrorMessage(31), "unknown error");
}

}  // namespace
