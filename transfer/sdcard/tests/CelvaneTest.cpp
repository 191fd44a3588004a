// The SD-card program's rules: the sections of a data file, the card check, the transfer
// details and the command line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/PartNumber.h"
#include "platform/testsupport/ScratchDir.h"
#include "transfer/common/TransferFile.h"
#include "transfer/sdcard/CelvaneDetails.h"
#include "transfer/sdcard/CelvaneSwitches.h"
#include "transfer/sdcard/SdCard.h"
#include "transfer/sdcard/SdSections.h"

namespace {

using suitetest::ReadAll;
using suitetest::ScratchDir;

std::vector<uint8_t> Image(int partNumber, size_t size = 1000) {
    std::vector<uint8_t> data(size, 0xFF);
    PackPartNumber(data.data() + 150, MakePartNumberText("TEST", partNumber));
    return data;
}

// A container: an optional model header, the "KpGrd" header, then 15-byte region records.
std::vector<uint8_t> Container(int model, const std::vector<std::pair<int, size_t>>& regions) {
    std::vector<uint8_t> out;
    auto text = [&](const char* s) { out.insert(out.end(), s, s + std::strlen(s) + 1); };
    if (model != 0) {
        text("pWa.d");
        out.push_back(1), out.push_back(0);
        out.resize(out.size() + 16);
        text("EMU");
        out.resize(out.size() + 5);
        out.push_back(static_cast<uint8_t>(model)), out.push_back(static_cast<uint8_t>(model >> 8));
    }
    text("KpGrd");
    out.push_back(0), out.push_back(0);
    out.resize(out.size() + 16);
    for (const auto& [region, length] : regions) {
        const uint8_t record[15] = {0, 0, 0, 0, 'R', static_cast<uint8_t>(region), static_cast<uint8_t>(region >> 8), 0, 0, 0, 0,
                                    static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                    static_cast<uint8_t>(length >> 16), 0};
        out.insert(out.end(), record, record + 15);
        for (size_t i = 0; i < length; ++i) out.push_back(static_cast<uint8_t>(region + i));
    }
    return out;
}

SdSections Sections(const ScratchDir& dir, const std::string& name, const std::vector<uint8_t>& bytes, int target) {
    suitetest::WriteAll(dir.File(name), bytes);
    TransferFile file;
    EXPECT_TRUE(file.OpenRead(dir.File(name)));
    return ReadImageSections(file, dir.File(name), target);
}

std::vector<uint32_t> Regions(const SdSections& s) {
    std::vector<uint32_t> out;
    for (const ContainerRegion& row : s.rows) out.push_back(row.region);
    return out;
}

TEST(ReadImageSections, ImagesByPartNumberAopaFilesAndContainers) {
    ScratchDir dir("celvane");
    struct Case {
        const char* what;
        std::string name;
        std::vector<uint8_t> bytes;
        int target;
        int productId;
        int imageType;
        std::vector<uint32_t> regions;
    };
    const std::vector<Case> cases = {
        {"170", "a.img", Image(170), 1, 191, kSdImageG1000, {1}},
        {"2049", "a.img", Image(2049), 1, 191, kSdImageG1000, {1}},
        {"974 (696)", "a.img", Image(974), 0, 745, kSdImage696, {1}},
        {"5159", "a.img", Image(5159), 2, 191, kSdImageG1000r2, {2}},
        {"5307", "a.img", Image(5307), 1, 191, kSdImageG1000r2, {2}},
        {"other part number is no image", "a.img", Image(1234), 1, 0, -1, {}},
        {"aopa directory", "x_AOPA.GCA", std::vector<uint8_t>(500, 7), 1, 191, -1, {78}},
        {"aopa directory not for the 696", "x_aopa.gca", std::vector<uint8_t>(500, 7), 0, 0, -1, {}},
        {"container keeps no 0, 1, 2, 50", "t.taw", Container(191, {{0, 5}, {1, 5}, {2, 5}, {50, 5}, {39, 9}, {57, 4}}), 1,
         191, -1, {39, 57}},
        {"container without model header", "t.taw", Container(0, {{39, 9}}), 1, 0, -1, {39}},
        {"first 8 rows kept", "t.taw",
         Container(745, {{3, 1}, {10, 1}, {20, 1}, {33, 1}, {34, 1}, {35, 1}, {36, 1}, {37, 1}, {38, 1}, {39, 1}}), 0, 745,
         -1, {3, 10, 20, 33, 34, 35, 36, 37}},
        {"record running past the end", "t.taw",
         [] {
             auto c = Container(191, {{39, 9}, {40, 20}});
             c.resize(c.size() - 1);
             return c;
         }(),
         1, 191, -1, {39}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SdSections s = Sections(dir, c.name, c.bytes, c.target);
        EXPECT_EQ(s.productId, c.productId);
        EXPECT_EQ(s.imageType, c.imageType);
        EXPECT_EQ(Regions(s), c.regions);
        if (c.imageType >= 0 || c.regions == std::vector<uint32_t>{78}) {
            EXPECT_EQ(s.rows[0].dataOffset, 0u);
            EXPECT_EQ(s.rows[0].length, c.bytes.size());
        }
    }
    // The section of a container is its record's data.
    const SdSections s = Sections(dir, "t.taw", Container(191, {{0, 5}, {39, 9}}), 1);
    const std::vector<uint8_t> bytes = ReadAll(dir.File("t.taw"));
    ASSERT_EQ(s.rows.size(), 1u);
    EXPECT_EQ(s.rows[0].dataOffset, s.rows[0].recordOffset + 15);
    EXPECT_EQ(s.rows[0].length, 9u);
    EXPECT_EQ(bytes[s.rows[0].dataOffset], 39);
}

TEST(ReadImageSections, DamagedFilesGiveSectionsWithinTheFile) {
    ScratchDir dir("celvane-fuzz");
    const std::vector<uint8_t> base = Container(191, {{39, 40}, {57, 30}, {3, 20}});
    std::mt19937 random(18);
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> bytes = base;
        for (int k = 0; k < 4; ++k) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        bytes.resize(random() % (bytes.size() + 1));
        if (round % 3 == 0 && bytes.size() >= kPartNumberFieldSize) {
            PackPartNumber(bytes.data() + (bytes.size() > 200 ? 150 : 0), MakePartNumberText("X", 974));
        }
        const SdSections s = Sections(dir, round % 2 ? "t.taw" : "t_aopa.gca", bytes, 1);
        ASSERT_LE(s.rows.size(), RegionContainer::kMaxRows);
        for (const ContainerRegion& row : s.rows) {
            ASSERT_LE(static_cast<uint64_t>(row.dataOffset) + row.length, bytes.size()) << "round " << round;
        }
    }
}

TEST(ReadImageSections, FamilyOfTheDataAgainstTheTarget) {
    struct Case {
        int productId;
        std::vector<int> fits;
    };
    for (const Case& c : std::vector<Case>{{745, {0, 4, 5}}, {746, {0, 4, 5}}, {1727, {0, 4, 5}}, {191, {1, 2, 3}},
                                           {498, {1, 2, 3}}, {0, {}}}) {
        SdSections s;
        s.productId = c.productId;
        for (int model = 0; model < 6; ++model) {
            const bool fits = std::find(c.fits.begin(), c.fits.end(), model) != c.fits.end();
            EXPECT_EQ(s.FitsTarget(model), fits) << c.productId << " for model " << model;
        }
    }
}

TEST(CheckSdCard, RefusesDriveCTheSystemRootAndUsedCards) {
    ScratchDir dir("celvane-card");
    for (const char* folder : {"blank", "garmin/GARMIN", "system/.system", "file/Garmin"}) {
        std::filesystem::create_directories(dir.File(folder));
    }
    std::filesystem::create_directories(dir.File("other/Garmin-not"));
    char home[4096];
    ASSERT_TRUE(::getcwd(home, sizeof home));
    struct Case {
        std::string drive;
        std::string root;
        bool passes;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"C", dir.path, false, "SD Card not recognised"},
        {"c", dir.path, false, "SD Card not recognised"},
        {"c:", dir.path, false, "SD Card not recognised"},
        {"/", "/", false, "SD Card not recognised"},
        {dir.path + "/../..", "/", false, "SD Card not recognised"},
        {"missing", dir.File("missing"), false, "SD Card not recognised"},
        {"E", "", false, "SD Card not recognised"},  // a letter no [Drives] entry names
        {"garmin", dir.File("garmin"), false, "This drive has a .System folder"},
        {"system", dir.File("system"), false, "This drive has a .System folder"},
        {"file", dir.File("file"), false, "This drive has a .System folder"},
        {"E", dir.File("blank"), true, ""},
        {"other", dir.File("other"), true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive + " at " + c.root);
        UnitDrive card{c.drive, c.root};
        std::string message;
        EXPECT_EQ(CheckSdCard(card, home, message), c.passes);
        EXPECT_EQ(message, c.message);
        char now[4096];
        ASSERT_TRUE(::getcwd(now, sizeof now));
        EXPECT_STREQ(now, home);
    }
}

TEST(ConfirmDetails, ListsUsableSectionsAndTheNotesOfALastChartRegion) {
    auto lines = [](std::vector<uint32_t> regions, int debug, const std::string& label) {
        SdSections s;
        for (uint32_t r : regions) s.rows.push_back({r, 0, 0, 1});
        return CelvaneDetailsLines(debug, label, s);
    };
    const std::vector<std::string> plain = lines({39, 12, 57}, 0, "E:");
    EXPECT_EQ(plain, (std::vector<std::string>{"", " ******** Celvane 1.0.0 Transfer Details ********", "",
                                                "The following data will be copied to the SD Card (E:)", "Obstacles",
                                                "Aera FCharts.d", "CLICK THE 'GO' BUTTON WHEN READY", ""}));
    const std::vector<std::string> charts = lines({39, 20}, 3, "/media/card");
    EXPECT_EQ(charts[3], "Debug Level = 3");
    EXPECT_EQ(charts[4], "The following data will be copied to the SD Card (/media/card)");
    EXPECT_EQ(charts[7], "Please note: You have to unzip the \"charts\" subfolder from the .exe file");
    EXPECT_EQ(charts.size(), 12u);
    const std::vector<std::string> rasters = lines({26, 14}, 0, "E:");  // 14 has no card file: 26 is last
    EXPECT_EQ(rasters[5], "Please note: You have to unzip the \"HI\", \"LO\", and \"SECT\" subfolders from the .exe file");
    EXPECT_EQ(rasters[7],
              "so that \"HI\", \"LO\", and \"SECT\" become subfolders in \"rasters\" containing lots of .jnx files.");
    // A chart region that is not last adds no note.
    EXPECT_EQ(lines({20, 39}, 0, "E:").size(), 8u);
}

TEST(CelvaneSwitches, ModelsAndDebugLevel) {
    struct Case {
        std::vector<std::string> words;
        bool ok;
        int model;
        int debug;
    };
    for (const Case& c : std::vector<Case>{{{}, true, 0, 0},
                                           {{"-G3X"}, true, 4, 0},
                                           {{"-G3XT", "-d", "-d"}, true, 5, 2},
                                           {{"-d", "-d12"}, true, 0, 12},
                                           {{"-g3x"}, false, 0, 0},
                                           {{"-G3"}, false, 0, 0},
                                           {{"-dx"}, false, 0, 0},
                                           {{"file.img"}, false, 0, 0}}) {
        CelvaneOptions options;
        std::string unknown;
        EXPECT_EQ(ParseCelvaneSwitches(c.words, options, unknown), c.ok);
        if (c.ok) {
            EXPECT_EQ(options.targetModel, c.model);
            EXPECT_EQ(options.debugLevel, c.debug);
        } else {
            EXPECT_EQ(unknown, c.words.back());
        }
    }
}

}  // namespace
