// Compile SUA Text of the 696 family: the shape entry forms, the written sections read back, the
// filter and the errors that leave the database and the files as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "gen/compile/CompileSession.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/testsupport/BatchTestSupport.h"
#include "gen696/CompileSua696.h"
#include "gen696/SectionFile696.h"
#include "gen696/tests/CompileRun696.h"

namespace {

uint32_t U24(const uint8_t* p) { return p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16; }
int32_t Signed(uint32_t v, int bits) { return static_cast<int32_t>(v << (32 - bits)) >> (32 - bits); }

TEST(CompileSua696Encoding, StepForms) {
    struct Case {
        int32_t dLat, dLon;
        int length;
    };
    const Case cases[] = {
        {1023 * 1024, -1024 * 1024, 3},    // largest short steps
        {1024 * 1024, 0, 4},               // one beyond: long
        {0, -64 * 1024, 4},                // short form would read 03 1F 00
        {1024, -64 * 1024, 4},             // short form would read 03 3F 00
        {8 * 1024, -64 * 1024, 3},         // third byte not 0: no mark
        {16383 * 1024, -16384 * 1024, 4},  // largest long steps
        {16384 * 1024, 0, 0},              // too far apart
        {0, -16385 * 1024, 0},
    };
    for (const Case& k : cases) {
        uint8_t out[4] = {};
        const int n = EncodeSuaStep696(k.dLat, k.dLon, out);
        ASSERT_EQ(n, k.length) << k.dLat << " " << k.dLon;
        if (n == 3) {
            const uint32_t v = U24(out);
            EXPECT_EQ(v & 3, 3u);
            EXPECT_FALSE(out[0] == 3 && (out[1] & 0x1F) == 0x1F && out[2] == 0);
            EXPECT_EQ(Signed(v >> 2, 11) * 1024, k.dLon);
            EXPECT_EQ(Signed(v >> 13, 11) * 1024, k.dLat);
        } else if (n == 4) {
            const uint32_t v = U24(out) | static_cast<uint32_t>(out[3]) << 24;
            EXPECT_EQ(v & 3, 1u);
            EXPECT_EQ(Signed(v >> 2, 15) * 1024, k.dLon);
            EXPECT_EQ(Signed(v >> 17, 15) * 1024, k.dLat);
        }
    }
}

class CompileSua696Run : public CompileRun696 {
protected:
    CompileSua696Run() : CompileRun696(InstallCompileSua696, kModeCompileSua) {}

    void SetUp() override {
        CompileRun696::SetUp();
        // The current airspace file: its section 69 is carried over.
        std::ofstream("db50/SUA+.DAT", std::ios::binary)
            << SuaDatHeader696(41, 3, 1, 3) << std::string(3, '\0') << SuaDatHeader696(69, 4, 1, 4) << "ODDS"
            << SuaDatHeader696(-64, 0, 0, 0);
    }

    // The blocks of NewSUA+.DAT by section.
    std::map<int, std::vector<uint8_t>> Written() {
        std::map<int, std::vector<uint8_t>> out;
        std::string error;
        SectionFileDecl696 decl{"SUA+", {}};
        std::filesystem::copy_file("db50/NewSUA+.DAT", "out/SUA+.DAT",
                                   std::filesystem::copy_options::overwrite_existing);
        EXPECT_TRUE(VisitDatBlocks696(
            "out", decl,
            [&](const DatBlockHeader& h, const uint8_t* data, size_t size) {
                out[h.Section()].assign(data, data + size);
                counts_[h.Section()] = h.count;
            },
            &error))
            << error;
        return out;
    }

    std::map<int, uint32_t> counts_;
};

const char* const kTriangle =
    "SUA(b) TEST DANGER {Danger Area P1} 0 to 5000 (TEST CONTROL)\n"
    "  0 N470000 W1220000\n"
    "  1 N470300 W1220000\n"
    "  2 N470130 W1215700\n"
    "  3 N470000 W1220000\n";

const char* const kArcs =
    "SUA(a) ARC AREA {Class D P2} 0 to 2500 (ARC TOWER)\n"
    "  0 N470000 W1220000\n"
    "  1 1200 AGL to 2500\n"
    "  2 N470300 W1220000\n"
    "  3 CW 5pt Arc, 1.98nm Radius, Centre N470130 W1220130\n"
    "  4 N470300 W1220300\n"
    "  5 ACW 9pt Arc>180, 2.50nm Radius, Centre N470130 W1220130\n"
    "  6 Circle, 3.0nm Diam, Centre N470130 W1220130\n"
    "  7 N470000 W1220000\n";

TEST_F(CompileSua696Run, CompilesAndWritesTheSections) {
    std::filesystem::create_directory("out");
    const std::vector<std::string> lines = Compile(std::string(kArcs) + kTriangle);
    ASSERT_TRUE(Has(lines, "2 records compiled, 0 records filtered out")) << ::testing::PrintToString(lines);
    ASSERT_TRUE(Has(lines, "Compilation Complete"));
    auto blocks = Written();
    ASSERT_EQ(blocks[39].size(), 30u);
    ASSERT_EQ(blocks[40].size(), 27u);
    EXPECT_EQ(blocks[69], std::vector<uint8_t>({'O', 'D', 'D', 'S'}));
    // Shape entries actually written: 7 of the arc area, 3 of the triangle.
    EXPECT_EQ(counts_[41], 10u);

    const uint8_t* a = blocks[39].data();
    const uint8_t* b = blocks[40].data();
    EXPECT_EQ(U24(a + 17), 3u);                 // first shape after the three leading bytes
    EXPECT_EQ(a[20], 8 | 2 << 5 | 0x10);        // Class D, P2, height header
    EXPECT_EQ(U24(a + 27), kNoAirport696);
    EXPECT_EQ(b[20], 2 | 1 << 5);               // Danger Area, P1
    EXPECT_EQ((a[4] | a[5] << 8) & 0x1FFF, 0);    // floor 0
    EXPECT_EQ((a[11] | a[12] << 8) & 0x1FFF, 25);  // ceiling 2500 ft
    EXPECT_EQ((b[11] | b[12] << 8) & 0x1FFF, 50);

    // Section 41 of the arc area: height header, short step, CW arc, short step, ACW >180, circle,
    // step back.
    const std::vector<uint8_t>& shape = blocks[41];
    size_t at = U24(a + 17);
    EXPECT_EQ(shape[at], 12);                  // 1200 ft floor
    EXPECT_EQ(shape[at + 1], 16);              // AGL floor
    EXPECT_EQ(shape[at + 2], 25);
    at += 3;
    EXPECT_EQ(shape[at] & 3, 3);
    at += 3;
    EXPECT_EQ(shape[at], 3);
    EXPECT_EQ(shape[at + 1], 0x5F);
    EXPECT_EQ(shape[at + 10], 5 + 64);         // clockwise
    EXPECT_EQ(shape[at + 8] | shape[at + 9] << 8, 384);  // 1.98 x 96920 / 500
    at += 11 + 3;
    EXPECT_EQ(shape[at + 1], 0x7F);
    EXPECT_EQ(shape[at + 10], 9);              // anticlockwise
    at += 11;
    EXPECT_EQ(shape[at + 1], 0x9F);
    EXPECT_EQ(shape[at + 8] | shape[at + 9] << 8, 291);  // 3.0 x 96920 / 1000
    EXPECT_EQ(U24(b + 17), at + 10 + 3);

    // The triangle's vertices decoded from its record and shape come back in multiples of 1024.
    const uint32_t west = static_cast<uint32_t>(b[0] | b[1] << 8) << 16 | (b[6] & 7u) << 13 | (b[5] >> 5 & 7u) << 10;
    const uint32_t south = static_cast<uint32_t>(b[2] | b[3] << 8) << 15 | (b[6] >> 3 & 0x1Fu) << 10;
    int32_t lat = static_cast<int32_t>(south), lon = static_cast<int32_t>(west);
    EXPECT_EQ(lat % 1024, 0);
    std::vector<std::pair<int32_t, int32_t>> points{{lat, lon}};
    for (size_t p = U24(b + 17); p < shape.size(); p += 3) {
        const uint32_t v = U24(&shape[p]);
        ASSERT_EQ(v & 3, 3u);
        lon += Signed(v >> 2, 11) * 1024;
        lat += Signed(v >> 13, 11) * 1024;
        points.push_back({lat, lon});
    }
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points.front(), points.back());
    EXPECT_GT(points[1].first, points[0].first);

    // The grid: every compiled record is listed in some box.
    ASSERT_FALSE(blocks[37].empty());
    EXPECT_EQ(blocks[37].size() % 26, 0u);
    std::vector<bool> seen(2);
    for (size_t p = 0; p < blocks[38].size(); p += 3) seen.at(U24(&blocks[38][p])) = true;
    EXPECT_TRUE(seen[0] && seen[1]);
}

TEST_F(CompileSua696Run, FilterCountsTheHighFloor) {
    settings_.maxBase = 4000;
    const std::string high =
        "SUA(b) HIGH AREA {MOA P0} 5000 to 9000\n"
        "  0 N450000 W1000000\n  1 N451000 W1000000\n  2 N450500 W0995000\n  3 N450000 W1000000\n";
    const std::vector<std::string> lines = Compile(kTriangle + high);
    EXPECT_TRUE(Has(lines, "1 records compiled, 1 records filtered out")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(std::filesystem::exists("db50/NewSUA+.DAT"));
}

TEST_F(CompileSua696Run, ErrorsChangeNothing) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {std::string(kTriangle) + kArcs, "SUA(a) not allowed after SUA(b) - please re-order"},
        {"SUA(b) OPEN {MOA P0} 0 to 9000\n  0 N450000 W1000000\n  1 N451000 W1000000\n  2 N450500 W0995000\n",
         "Area does not close"},
        {"SUA(b) NOT SW {MOA P0} 0 to 9000\n  0 N451000 W1000000\n  1 N450000 W1000000\n  2 N451000 W1000000\n",
         "Vertex 0 is not the most southerly (and westerly) point"},
        {"SUA(b) NO TYPE {Nothing P0} 0 to 9000\n", "Airspace type unknown"},
        {"SUA(b) NO TO {MOA P0} 0 and 9000\n", "' to ' absent in height range"},
        {"SUA(a) NO APT {Class D P0} 0 to 9000 (X) {ZZZZ}\n", "Cannot find APT in ISAM database"},
        {"  0 N450000 W1000000 and nothing before\n", "SUA(a/b) line not found"},
        {"SUA(b) SKIP {MOA P0} 0 to 9000\n  1 N450000 W1000000\n", "Vertex out of sequence"},
        {"SUA(b) FAR {MOA P0} 0 to 9000\n  0 N000000 W1000000\n  1 N450000 W1000000\n", "Vertexes too far apart"},
        {"SUA(b) HH {MOA P0} 0 to 9000\n  0 N450000 W1000000\n  1 N451000 W1000000\n  2 Nowhere to go\n",
         "Height header format incorrect, or not vertex 1"},
        {"this is not a line of the text\n", "Line not of recognised format"},
        {"// nothing but a comment in this text\n", "The compilation produced no data"},
    };
    for (const Case& k : cases) {
        const size_t names = All<NameRecord>().size();
        const std::vector<std::string> lines = Compile(k.text);
        EXPECT_TRUE(Has(lines, std::string("********** Error: ") + k.error + " ***********"))
            << k.error << ::testing::PrintToString(lines);
        EXPECT_FALSE(std::filesystem::exists("db50/NewSUA+.DAT")) << k.error;
        EXPECT_EQ(All<NameRecord>().size(), names) << k.error;
        EndCompileSession(c_);
    }
}

}  // namespace
