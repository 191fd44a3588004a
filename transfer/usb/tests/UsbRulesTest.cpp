// The USB program's rules on data: the delays file, the loader models, region containers,
// the part-number test and compatibility tables, and the command line.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/testsupport/ScratchDir.h"
#include "transfer/common/TransferFile.h"
#include "transfer/usb/DelaySettings.h"
#include "transfer/usb/RegionContainer.h"
#include "transfer/usb/UsbImageRules.h"
#include "transfer/usb/UsbSwitches.h"

namespace {

TEST(DelaySettings, KnownKeysOnlyAndTheFixedOrderOnRewrite) {
    DelaySettings d;
    d.Parse("IntraWriteDelay=100\r\nintrareaddelay=7\nno equals sign\nPostEraseDelay=x\nUsbVendorId=0x1234\n"
            "LoaderModels=96, 696\nUnknown=5\n");
    EXPECT_EQ(d.intraWriteDelay, 100);
    EXPECT_EQ(d.intraReadDelay, 5000);  // keys are case-sensitive
    EXPECT_EQ(d.postEraseDelay, 4000);  // not a number: unchanged
    EXPECT_EQ(d.usbVendorId, 0x1234);
    EXPECT_EQ(d.Text(),
              "PostEraseDelay=4000\nPostLoaderDelay=6000\nIntraReadDelay=5000\nIntraWriteDelay=100\n"
              "PostTransferDelay=750\nLoaderModels=96, 696\nUsbVendorId=0x1234\n");
}

TEST(DelaySettings, LoaderModelsNameUnitsByTheModelTable) {
    struct Case {
        const char* models;
        int productId;
        bool needs;
    } cases[] = {
        {"96, 696", 364, true},   {"96, 696", 745, true},  {"96, 696", 365, false}, {"96,96C,296,396,696", 365, true},
        {"9x, 496", 595, true},   {"9x", 0, false},        {"", 364, false},        {"96\r\n696", 745, true},
    };
    for (const Case& c : cases) {
        DelaySettings d;
        d.loaderModels = c.models;
        EXPECT_EQ(d.NeedsLoader(c.productId), c.needs) << c.models << " " << c.productId;
    }
}

TEST(DelaySettings, AMissingFileIsMadeInItsFolder) {
    const suitetest::ScratchDir dir("usb-delays");
    const std::string path = dir.File("a/b/norvesk.ini");
    DelaySettings d;
    ASSERT_TRUE(d.LoadAndRewrite(path));
    TransferFile f;
    ASSERT_TRUE(f.OpenRead(path));
    std::string text(static_cast<size_t>(f.Size()), '\0');
    f.Read(text.data(), text.size());
    EXPECT_EQ(text, DelaySettings().Text());
}

std::string Record(int region, const std::string& data) {
    std::string r(15, '\0');
    r[4] = 'R';
    r[5] = static_cast<char>(region);
    r[6] = static_cast<char>(region >> 8);
    const uint32_t n = static_cast<uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) r[11 + i] = static_cast<char>(n >> (8 * i));
    return r + data;
}

std::string Container(int model, const std::vector<std::pair<int, std::string>>& regions) {
    std::string h = std::string("pWa.d\0", 6) + std::string("\x01\x00", 2) + std::string(16, '\0') + std::string("EMU\0", 4);
    h += std::string(5, '\0') + static_cast<char>(model) + static_cast<char>(model >> 8);
    h += std::string("KpGrd\0", 6) + std::string(18, '\0');
    for (const auto& [region, data] : regions) h += Record(region, data);
    return h;
}

std::vector<uint32_t> Regions(const std::string& bytes, int* model = nullptr) {
    const suitetest::ScratchDir dir("usb-container");
    suitetest::WriteAll(dir.File("c.taw"), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    TransferFile in;
    in.OpenRead(dir.File("c.taw"));
    RegionContainer table;
    table.Read(in);
    if (model) *model = table.model;
    std::vector<uint32_t> regions;
    for (const ContainerRegion& row : table.rows) regions.push_back(row.region);
    return regions;
}

TEST(RegionContainer, RowsOfTheTable) {
    int model = 0;
    EXPECT_EQ(Regions(Container(364, {{0, "img"}, {39, "taw"}, {12, "ldr"}}), &model), (std::vector<uint32_t>{39, 12}));
    EXPECT_EQ(model, 364);
    EXPECT_EQ(Regions(Container(0, {{1, "a"}, {50, "b"}, {79, "vrp"}})), (std::vector<uint32_t>{79}));
    // A record whose data runs past the end ends the table.
    std::string cut = Container(0, {{39, "abc"}, {40, "defgh"}});
    cut.resize(cut.size() - 2);
    EXPECT_EQ(Regions(cut), (std::vector<uint32_t>{39}));
    // More than eight records: the first eight rows are kept.
    std::vector<std::pair<int, std::string>> many;
    for (int r = 2; r < 14; ++r) many.push_back({r, "x"});
    EXPECT_EQ(Regions(Container(0, many)).size(), 8u);
    // No "KpGrd": no rows.
    EXPECT_TRUE(Regions(std::string(300, 'z')).empty());
}

// A 300-byte header with "006-Dnnnn-XX" packed at `at`: the characters' six-bit codes, first
// code in the top bits of the 72-bit value, stored lowest byte first.
// Damaged containers: the table, the model, and the loader search stay inside their
// buffers (run under the sanitizers) and end.
TEST(RegionContainer, DamagedContainersAreReadSafely) {
    const suitetest::ScratchDir dir("usb-fuzz");
    const std::string seed = Container(364, {{39, std::string(300, 'o')}, {12, std::string(200, 'l')}, {0, std::string(256, 'i')}});
    std::mt19937 rng(17);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = seed;
        for (int edit = 1 + static_cast<int>(rng() % 6); edit > 0; --edit) {
            const size_t at = rng() % bytes.size();
            switch (rng() % 3) {
                case 0: bytes[at] = static_cast<char>(rng()); break;
                case 1: bytes.resize(at + 1); break;
                default: bytes[at] = static_cast<char>((rng() & 1) ? 0xFF : 0); break;
            }
        }
        suitetest::WriteAll(dir.File("c.awp"), std::vector<uint8_t>(bytes.begin(), bytes.end()));
        TransferFile in;
        ASSERT_TRUE(in.OpenRead(dir.File("c.awp")));
        RegionContainer table;
        table.Read(in);
        EXPECT_LE(table.rows.size(), RegionContainer::kMaxRows);
        for (const ContainerRegion& row : table.rows) EXPECT_LE(row.dataOffset + row.length, bytes.size());
        std::string trace;
        ExtractUsbLoader(dir.File("c.awp"), dir.File("usbldr96.bin"), 364, trace);
        EXPECT_EQ(trace.rfind("looking for rgn=12 mdl=364 in file ", 0), 0u);
    }
}

std::string ImageWithPartNumber(int number, size_t at) {
    std::string image(300, '\xff');
    const std::string text = "006-D" + std::to_string(10000 + number).substr(1) + "-XX";
    uint8_t big[9] = {};
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned code = static_cast<unsigned>(text[i] - 0x20);
        for (int b = 0; b < 6; ++b) {
            if (code & (1u << (5 - b))) {
                const size_t bit = i * 6 + static_cast<size_t>(b);
                big[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
            }
        }
    }
    for (size_t i = 0; i < 9; ++i) image[at + i] = static_cast<char>(big[8 - i]);
    return image;
}

TEST(UsbImageRules, PartNumberTypesAndUnits) {
    struct Case {
        size_t at;
        int number;
        int type;
    } cases[] = {{26, 4, 0}, {26, 5, 1}, {18, 5, 2}, {42, 5, 3}, {33, 677, 6}, {33, 5, 4}, {29, 5, 5},
                 {150, 974, 7}, {150, 170, 8}, {150, 8304, 12}, {150, 5, -1}};
    for (const Case& c : cases) {
        const std::string image = ImageWithPartNumber(c.number, c.at);
        EXPECT_EQ(UsbImageType(reinterpret_cast<const uint8_t*>(image.data()), 256), c.type) << c.at << " " << c.number;
    }
    const std::string image = ImageWithPartNumber(677, 33);
    EXPECT_EQ(UsbImageType(reinterpret_cast<const uint8_t*>(image.data()), 255), -1);  // shorter than 256 bytes
    EXPECT_TRUE(UsbImageAllowsUnit(7, 1364));
    EXPECT_FALSE(UsbImageAllowsUnit(7, 595));
    EXPECT_TRUE(UsbImageAllowsUnit(8, 191));
    EXPECT_TRUE(UsbImageAllowsUnit(6, 595));
    EXPECT_FALSE(UsbImageAllowsUnit(6, 145));
    EXPECT_TRUE(UsbImageAllowsUnit(12, 1));  // not checked
    EXPECT_TRUE(UsbGarInterchangeable(745, 595));
    EXPECT_TRUE(UsbGarInterchangeable(145, 260));
    EXPECT_FALSE(UsbGarInterchangeable(145, 364));
    EXPECT_TRUE(UsbGarInterchangeable(0, 364));
}

TEST(UsbSwitches, ValuesAndTheUnattendedCheck) {
    struct Case {
        std::vector<std::string> words;
        UsbSwitchResult result;
        bool consistent;
        int mode, database, debug;
    } cases[] = {
        {{"-M2", "-D1", "-Fa.img"}, UsbSwitchResult::Ok, true, 2, 1, 0},
        {{"-M", "-D", "-Fa.gar", "-d", "-d"}, UsbSwitchResult::Ok, true, 1, 1, 2},
        {{"-d24"}, UsbSwitchResult::Ok, true, 0, 0, 24},
        {{"-M2", "-D1"}, UsbSwitchResult::Ok, false, 2, 1, 0},
        {{"-M4", "-D1", "-Fa"}, UsbSwitchResult::Ok, false, 4, 1, 0},
        {{"-D9", "-M1", "-Fa"}, UsbSwitchResult::Ok, false, 1, 9, 0},
        {{"-F"}, UsbSwitchResult::Ok, false, 0, 0, 0},
        {{"-UD", "-Fd.txt"}, UsbSwitchResult::Ok, true, 1, 1, 0},
        {{"-UD"}, UsbSwitchResult::Ok, false, 1, 1, 0},
        {{"-m2"}, UsbSwitchResult::Unknown, true, 0, 0, 0},
        {{"-SDX"}, UsbSwitchResult::Unknown, true, 0, 0, 0},
        {{"--usb-emulator=abc"}, UsbSwitchResult::BadValue, true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        UsbStartOptions o;
        std::string unknown;
        EXPECT_EQ(ParseUsbSwitches(c.words, o, unknown), c.result) << c.words[0];
        if (c.result != UsbSwitchResult::Ok) continue;
        EXPECT_EQ(o.Consistent(), c.consistent) << c.words[0];
        EXPECT_EQ(o.mode, c.mode);
        EXPECT_EQ(o.database, c.database);
        EXPECT_EQ(o.debugLevel, c.debug);
    }
    UsbStartOptions o;
    std::string unknown;
    ASSERT_EQ(ParseUsbSwitches({"--usb-emulator=364", "-SDAVDB"}, o, unknown), UsbSwitchResult::Ok);
    EXPECT_EQ(o.emulatedUnit, 364);
    EXPECT_EQ(o.programMode, 1);
}

}  // namespace
