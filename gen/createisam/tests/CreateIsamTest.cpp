// Create ISAM end to end inside the generator: database -> image A -> Create ISAM -> image B
// gives the same bytes for each family, and what the rebuilt database holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>

#include "gen/testsupport/CreateIsamTestSupport.h"
#include "gen/image/ImageSeal.h"
#include "platform/FileSystem.h"

namespace cisamtest {
namespace {

class CreateIsamFamilies : public CreateIsamTest, public ::testing::WithParamInterface<const ImageParams*> {};

INSTANTIATE_TEST_SUITE_P(Families, CreateIsamFamilies,
                         ::testing::Values(&ImageParams496, &ImageParamsIIIPilot, &ImageParams195),
                         [](const auto& info) { return std::to_string(info.param->partNumber); });

TEST_P(CreateIsamFamilies, ImageFromRebuiltDatabaseIsTheSameImage) {
    Start(*GetParam());
    FillDatabase();
    Create("a.img", "ROUND TRIP");
    const std::vector<std::string> lines = Isam("a.img");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Database Complete") << (Messages().empty() ? "" : Messages().back());
    Create("b.img", "ROUND TRIP");
    const std::vector<uint8_t> a = imgtest::ReadAll("a.img");
    const std::vector<uint8_t> b = imgtest::ReadAll("b.img");
    ASSERT_GT(a.size(), 0u);
    EXPECT_TRUE(a == b) << "images differ at byte "
                        << (std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());

    // The user waypoint survived; the airspace files are back with the same layout.
    const auto users = All<UsrRecord>("usno");
    ASSERT_EQ(users.size(), 1u);
    EXPECT_STREQ(users[0].uname, "MY POINT");
    const std::vector<uint8_t> tcc = imgtest::ReadAll(Db("TCC.DAT"));
    const std::vector<uint8_t> sua = imgtest::ReadAll(Db("SUA.DAT"));
    EXPECT_EQ(std::string(tcc.begin(), tcc.begin() + static_cast<long>(tccHeader_.size())), tccHeader_);
    EXPECT_EQ(std::string(sua.begin(), sua.begin() + static_cast<long>(suaHeader_.size())), suaHeader_);
}

TEST_P(CreateIsamFamilies, RebuiltRecordsCarryTheImageFields) {
    Start(*GetParam());
    FillDatabase(false);
    Create("a.img");
    Isam("a.img");

    const AptRecord orly = Find<AptRecord>("aident", "LFPO", &AptRecord::aident);
    EXPECT_EQ(orly.afuel, 4 | 16 | 64);  // A, J, military; it has an entry, so no brief bit
    EXPECT_EQ(orly.aheight, 290);        // to the image's 10 feet
    EXPECT_EQ(orly.autc, kNoTimeZone);
    EXPECT_EQ(orly.a212025, -1);
    const AptRecord eg01 = Find<AptRecord>("aident", "EG01", &AptRecord::aident);
    EXPECT_EQ(eg01.afuel & 0x1FF, 8 | 128 | 256);  // M, private and the city's '@'
    const AptRecord lfpg = Find<AptRecord>("aident", "LFPG", &AptRecord::aident);
    int lfpgFrequencies = 0;
    for (const FreqRecord& f : All<FreqRecord>("fsno")) lfpgFrequencies += f.faptno == lfpg.asno;
    EXPECT_EQ(lfpgFrequencies, 80);

    const auto restrictions = All<RestrRecord>("rcsno");
    ASSERT_FALSE(restrictions.empty());
    EXPECT_EQ(restrictions.front().rcsno, 1);

    const auto names = All<NameRecord>("nsno");
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front().nsno, 0);
    const auto ints = All<IntRecord>("isno");
    ASSERT_EQ(ints.size(), 2u);
    EXPECT_EQ(ints[0].iname, -1);
    EXPECT_EQ(ints[0].iflags, -1);

    const auto approaches = All<ApprRecord>("psno");
    const auto locals = All<LwptRecord>("lsno");
    if (!Params().approaches) {
        EXPECT_TRUE(approaches.empty());
        EXPECT_TRUE(locals.empty());
        return;
    }
    ASSERT_EQ(approaches.size(), 5u);
    // The waypoint of local table A that two Orly approaches share is stored once.
    EXPECT_EQ(locals.size(), 5u);
    // Orly's third approach, whose type byte reads like an intersection in slot 4.
    const auto a20 = std::find_if(approaches.begin(), approaches.end(),
                                  [](const ApprRecord& a) { return std::string(a.pid, 5) == "A20  "; });
    ASSERT_NE(a20, approaches.end());
    EXPECT_EQ(a20->pseq, 2);
    EXPECT_EQ(a20->ptyp, 0x24);
    EXPECT_EQ(a20->pwtyp[0], 0x41);
    EXPECT_EQ(a20->pwtyp[1], 0x1A4);
    EXPECT_EQ(a20->pwtyp[2], 0);
    EXPECT_EQ(a20->pnsno, -1);
    bool threeCharacters = false;
    for (const ApprRecord& a : approaches) threeCharacters |= std::string(a.pid, 5) == "P16  ";
    EXPECT_TRUE(threeCharacters);
}

TEST_F(CreateIsamTest, ProgressLinesAndSkippedAirspaceSteps) {
    Start();
    std::string text;
    for (int i = 0; i < 100; ++i) text += StringFormatC("ADD|INT|I%04d|LF-FRANCE|N 48~%02d.000|E 002~00.000\n", i, i % 60);
    Batch(text);
    Create("a.img");
    // Files of an earlier database that the image does not hold go.
    imgtest::WriteAll(Db("SUA.DAT"), {'x'});
    imgtest::WriteAll(Db("NewTCC.dat"), {'x'});
    shelltest::ShownLines shown(Ui());
    Isam("a.img");
    for (const char* line : {"Writing ints table 1", "Writing ints table 44", "Writing ints table 87",
                             "Writing ints table 101", "Database Complete"}) {
        EXPECT_TRUE(shown.Has(line)) << line;
    }
    EXPECT_FALSE(shown.Has("Writing ints table 2"));
    for (const std::string& line : shown.Texts()) {
        EXPECT_EQ(line.find("Writing sua file"), std::string::npos);
        EXPECT_EQ(line.find("Writing fss/tcc file"), std::string::npos);
    }
    EXPECT_FALSE(platform::FileExists(Db("SUA.DAT")));
    EXPECT_FALSE(platform::FileExists(Db("NewTCC.dat")));
    EXPECT_EQ(All<IntRecord>("isno").size(), 100u);
}

TEST_F(CreateIsamTest, EveryStepAtDebugBit8) {
    Start();
    Batch("ADD|INT|ABC12|LF-FRANCE|N 48~30.000|E 002~00.000\nADD|INT|ABC13|LF-FRANCE|N 48~31.000|E 002~00.000\n");
    Create("a.img");
    App().Settings().debugLevel = 8;
    shelltest::ShownLines shown(Ui());
    Isam("a.img");
    EXPECT_TRUE(shown.Has("Writing ints table 2"));
}

TEST_F(CreateIsamTest, BlankFirstNameStaysABlankAndRepeatedNamesAreStoredOnce) {
    Start();
    Batch("ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750|291\n");
    NameRecord blank{};
    blank.nsno = 50;
    blank.nname[0] = ' ';
    Add(blank);
    NameRecord lower{};
    lower.nsno = 51;
    std::strcpy(lower.nname, "orly");
    Add(lower);
    App().Settings().optimise = false;  // every name goes into the image
    Create("a.img");
    const std::vector<std::string> lines = Isam("a.img");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Failing name was 3 \"ORLY\""), lines.end());
    const auto names = All<NameRecord>("nsno");
    ASSERT_EQ(names.size(), 3u);
    EXPECT_STREQ(names[0].nname, " ");
    EXPECT_STREQ(names[1].nname, "ORLY");
    EXPECT_STREQ(names[2].nname, "PARIS");
    // Every pointer to the repeated name gives the name stored; the next image is sound.
    const AptRecord orly = Find<AptRecord>("aident", "LFPO", &AptRecord::aident);
    EXPECT_EQ(orly.afacil, 1);
    Create("b.img");
    EXPECT_TRUE(Echoed("Image Complete"));
}

TEST_F(CreateIsamTest, FileHeldElsewhereStopsBeforeAnythingIsErased) {
    Start();
    Batch("ADD|INT|ABC12|LF-FRANCE|N 48~30.000|E 002~00.000\n");
    Create("a.img");
    Batch("ADD|INT|OLD12|LF-FRANCE|N 48~30.000|E 002~00.000\n");
    imgtest::WriteAll(Db("stats.txt"), {'x'});
    const int held = platform::OpenFile(Db("stats.txt"), O_RDWR, platform::Share::DenyReadWrite);
    ASSERT_GE(held, 0);
    const std::vector<std::string> lines = Isam("a.img");
    platform::CloseFile(held);
    const std::vector<std::string> messages = Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), platform::ResolveCase(Db("stats.txt")) + " - Cannot Unlink");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Operation Aborted"), lines.end());
    EXPECT_EQ(All<IntRecord>("isno").size(), 2u);
}

TEST_F(CreateIsamTest, DamagedImageLeavesTheDatabaseAlone) {
    Start();
    Batch(DatabaseText());
    Create("a.img");
    std::vector<uint8_t> image = imgtest::ReadAll("a.img");
    // The APT info area's pointer block: records far beyond the file.
    const uint32_t block = ImageParams496.sections[kSectionApt].infoStart + kInfoPointerBlock;
    PutU24(&image[block + 10], 0x3FFF00);
    imgtest::WriteAll("bad.img", image);
    const size_t before = All<AptRecord>("asno").size();
    const std::vector<std::string> lines = Isam("bad.img");
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back().rfind("Damaged image: ", 0), 0u) << Messages().back();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Operation Aborted"), lines.end());
    EXPECT_EQ(All<AptRecord>("asno").size(), before);
    EXPECT_EQ(App().OperationNotDone(), true);
}

// An image whose packet count or sumcheck bytes are not those Create Image stores for its bytes
// is refused before anything is erased; the same damage with a matching seal is imported.
TEST_F(CreateIsamTest, TheSealIsCheckedBeforeAnythingIsErased) {
    Start();
    Batch(DatabaseText());
    Create("a.img");
    const std::vector<uint8_t> good = imgtest::ReadAll("a.img");
    const cimgtest::ImageBack back = cimgtest::ReadImageBack(ImageParams496, "a.img");
    const ImageLayout& layout = back.layout;
    const uint32_t nameByte = layout.namesStart + 5;
    const struct {
        const char* what;
        uint32_t at;
        uint8_t change;
        const char* message;
    } cases[] = {
        {"a name's byte", nameByte, 0x20, "Damaged image: sumcheck byte 0 is "},
        {"the packet count", ImageParams496.packetCountOffset, 1, "Damaged image: the packet count is "},
        {"a sumcheck byte", 3, 0x80, "Damaged image: sumcheck byte 3 is "},
    };
    const size_t airports = All<AptRecord>("asno").size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bad = good;
        bad[c.at] = static_cast<uint8_t>(bad[c.at] ^ c.change);
        imgtest::WriteAll("bad.img", bad);
        const size_t messages = Messages().size();
        const std::vector<std::string> lines = Isam("bad.img");
        ASSERT_EQ(Messages().size(), messages + 1);
        EXPECT_EQ(Messages().back().rfind(c.message, 0), 0u) << Messages().back();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Operation Aborted"), lines.end());
        EXPECT_EQ(All<AptRecord>("asno").size(), airports);
    }
    std::vector<uint8_t> renamed = good;
    renamed[nameByte] ^= 0x20;
    SealImageBytes(ImageParams496, layout, layout.ImageEnd(), renamed);
    imgtest::WriteAll("renamed.img", renamed);
    const std::vector<std::string> lines = Isam("renamed.img");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Database Complete"), lines.end());
}

}  // namespace
}  // namespace cisamtest
