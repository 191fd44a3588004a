// Image files as the generators meet them: the type check, container files, halves joined
// into one image, and region files made from an image.
#include <gtest/gtest.h>

#include <cstring>

#include "gen/image/ImageCheck.h"
#include "gen/image/ImageFileNames.h"
#include "gen/image/ImageHalves.h"
#include "common/PartNumber.h"
#include "gen/image/RegionFiles.h"
#include "gen/testsupport/ImageTestUtil.h"

using namespace imgtest;

namespace {

// An image of `size` bytes whose header holds the part number at the offset; the other bytes
// follow a pattern so that copies can be compared.
std::vector<uint8_t> FakeImage(uint32_t offset, int partNumber, size_t size = 0x800) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + i / 251);
    PackPartNumber(&image[offset], MakePartNumberText("T", partNumber));
    return image;
}

// A "KpGrd" container: base name, signature at 40 with two strings, a record of type `skipType`
// and then the image record (type 50).
std::vector<uint8_t> Container(const std::vector<uint8_t>& image, uint16_t skipType = 7, size_t* imageOffset = nullptr) {
    std::vector<uint8_t> c(64, 0);
    std::fill(c.begin(), c.begin() + 40, 0x11);
    std::memcpy(&c[8], "TEMPLATE", 8);
    std::memcpy(&c[40], "KpGrd", 6);
    c[46] = 2;  // two strings from signature + 24
    auto append = [&](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) c.push_back(p[i]);
    };
    append(reinterpret_cast<const uint8_t*>("abc\0de"), 7);
    auto record = [&](uint16_t type, uint32_t length) {
        uint8_t h[15] = {};
        PutU32(h, length + 10);
        PutU16(h + 5, type);
        PutU32(h + 11, length);
        append(h, sizeof h);
    };
    record(skipType, 20);
    c.resize(c.size() + 20, 0x22);
    record(50, static_cast<uint32_t>(image.size()));
    if (imageOffset) *imageOffset = c.size();
    append(image.data(), image.size());
    return c;
}

TEST(CheckImageFileType, EachFamilyAcceptsItsOwnImagesOnly) {
    struct Image_ {
        uint32_t offset;
        int number;
        int kind;
        const char* refusal;
    };
    const Image_ images[] = {
        {33, 677, kKindBrondel, "This file is for a \"496\" please use program \"Brondel\""},
        {42, 19, kKindQuenmar, "This file is for a \"GPS III Pilot\" please use program \"Quenmar\""},
        {33, 14, kKindPelmora, "This file is for a \"195/295/196/296/96/396/iQue\" please use program \"Pelmora\""},
        {150, 974, kKindTessily, "This file is for a \"696\" please use program \"Tessily\""},
        {26, 4, kKindDallowen, "This file is for a \"GPS95AVD\" please use program \"Dallowen\""},
    };
    TempDir dir;
    for (const Image_& img : images) {
        const std::string path = dir.File("x.img");
        WriteAll(path, FakeImage(img.offset, img.number));
        for (int own : {kKindBrondel, kKindQuenmar, kKindPelmora}) {
            ScriptedUi ui;
            const int64_t result = CheckImageFileType(path, own, ui);
            if (own == img.kind) {
                EXPECT_EQ(result, 0) << img.number;
                EXPECT_TRUE(ui.messages.empty());
            } else {
                EXPECT_EQ(result, -1) << img.number << " for " << own;
                ASSERT_EQ(ui.messages.size(), 1u);
                EXPECT_EQ(ui.messages[0], img.refusal);
            }
        }
    }
}

TEST(CheckImageFileType, NotAnImageAndNoExtension) {
    TempDir dir;
    WriteAll(dir.File("notes.txt"), std::vector<uint8_t>(300, 'a'));
    WriteAll(dir.File("noext"), FakeImage(33, 677));
    ScriptedUi ui;
    EXPECT_EQ(CheckImageFileType(dir.File("notes.txt"), kKindBrondel, ui), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], dir.File("notes.txt") + " is not an Orvanta Image file");
    ui.messages.clear();
    EXPECT_EQ(CheckImageFileType(dir.File("noext"), kKindBrondel, ui), -1);
    EXPECT_TRUE(ui.messages.empty());
    // A short file is read as far as it goes.
    WriteAll(dir.File("short.img"), {1, 2, 3});
    EXPECT_EQ(CheckImageFileType(dir.File("short.img"), kKindBrondel, ui), -1);
}

TEST(CheckImageFileType, ContainerFiles) {
    TempDir dir;
    const std::vector<uint8_t> image = FakeImage(33, 677);
    for (uint16_t skip : {2, 7, 49}) {
        size_t offset = 0;
        WriteAll(dir.File("data.awp"), Container(image, skip, &offset));
        ScriptedUi ui;
        EXPECT_EQ(CheckImageFileType(dir.File("data.awp"), kKindBrondel, ui), static_cast<int64_t>(offset)) << skip;
    }
    // The same bytes under another extension are not searched for a container.
    WriteAll(dir.File("data.bin"), Container(image));
    ScriptedUi ui;
    EXPECT_EQ(CheckImageFileType(dir.File("data.bin"), kKindBrondel, ui), -1);
    // An .awp without "KpGrd" is identified from its first bytes like a plain image.
    WriteAll(dir.File("plain.awp"), image);
    EXPECT_EQ(CheckImageFileType(dir.File("plain.awp"), kKindBrondel, ui), 0);
    // A chain that runs off the end of the file finds no image.
    std::vector<uint8_t> broken = Container(image);
    PutU32(&broken[71 + 11], 0xFFFFFFF0);
    WriteAll(dir.File("broken.rg1"), broken);
    EXPECT_EQ(CheckImageFileType(dir.File("broken.rg1"), kKindBrondel, ui), -1);
    // Strings that do not end within the first 240 bytes: no container.
    std::vector<uint8_t> strings = Container(image);
    strings[46] = 200;
    WriteAll(dir.File("strings.taw"), strings);
    EXPECT_EQ(CheckImageFileType(dir.File("strings.taw"), kKindBrondel, ui), -1);
}

TEST(JoinImageHalves, PlainImageIsUsedAsItIs) {
    TempDir dir;
    WriteAll(dir.File("plain.img"), FakeImage(42, 19));
    ScriptedUi ui;
    Image source(ImageParamsIIIPilot);
    const JoinedImage j = JoinImageHalves(dir.File("plain.img"), kKindQuenmar, ui, source);
    EXPECT_TRUE(j.open);
    EXPECT_EQ(j.path, dir.File("plain.img"));
    EXPECT_EQ(j.kind, kKindQuenmar);
    EXPECT_TRUE(source.IsOpen());
    EXPECT_TRUE(ui.questions.empty());
}

TEST(JoinImageHalves, ContainerBecomesAnImgFile) {
    TempDir dir;
    const std::vector<uint8_t> image = FakeImage(33, 14, 1000);
    std::vector<uint8_t> container = Container(image);
    container.insert(container.end(), 300, 0x33);  // bytes behind the image record
    WriteAll(dir.File("data.awp"), container);
    ScriptedUi ui;
    Image source(ImageParams195);
    JoinedImage j = JoinImageHalves(dir.File("data.awp"), kKindPelmora, ui, source);
    ASSERT_TRUE(j.open);
    EXPECT_EQ(j.path, dir.File("data.img"));
    EXPECT_EQ(ReadAll(dir.File("data.img")), image);
    ASSERT_EQ(ui.lines.size(), 1u);
    EXPECT_EQ(ui.lines[0], "File \"" + dir.File("data.img") + "\" has been created");

    // Again: the existing file is replaced only after the question; No leaves it.
    source.Close();
    WriteAll(dir.File("data.img"), {9});
    ui = ScriptedUi{};
    j = JoinImageHalves(dir.File("data.awp"), kKindPelmora, ui, source);
    EXPECT_FALSE(j.open);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], "Are you SURE you want to overwrite " + dir.File("data.img"));
    EXPECT_EQ(ReadAll(dir.File("data.img")), std::vector<uint8_t>{9});
    // In a control-file run it is replaced without asking.
    ui = ScriptedUi{};
    ui.controlRun = true;
    j = JoinImageHalves(dir.File("data.awp"), kKindPelmora, ui, source);
    EXPECT_TRUE(j.open);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(ReadAll(dir.File("data.img")), image);
}

TEST(RegionFiles, MadeFromAnImageAndJoinedBackIntoIt) {
    TempDir dir;
    size_t offset = 0;
    WriteAll(dir.File("TEMPLATE.rg1"), Container(FakeImage(33, 677, 0x400), 7, &offset));
    const std::vector<uint8_t> image = FakeImage(33, 677, 0x140000);
    WriteAll(dir.File("MYIMAGE1.img"), image);

    ScriptedUi ui;
    ui.answers = {true};
    ASSERT_TRUE(MakeRegionFiles(dir.File("TEMPLATE.rg1"), dir.File("MYIMAGE1.img"), kKindBrondel, ui))
        << (ui.messages.empty() ? "" : ui.messages[0]);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0],
              "Are you SURE you want to make region files \"MYIMAGE1.rg1\" and \"MYIMAGE1.rg2\" from "
              "\"MYIMAGE1.img\" and \"TEMPLATE.rg1\"");
    const std::vector<uint8_t> r1 = ReadAll(dir.File("MYIMAGE1.rg1"));
    const std::vector<uint8_t> r2 = ReadAll(dir.File("MYIMAGE1.rg2"));
    ASSERT_EQ(r1.size(), 0xFA000u);
    const size_t firstPart = 0xFA000 - offset;
    ASSERT_EQ(r2.size(), image.size() - firstPart);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r1[8]), 8), "MYIMAGE1");
    EXPECT_EQ(GetU32(&r1[40 - 8]), 0xFA000u - 40);
    EXPECT_EQ(GetU32(&r1[40 - 4]), r2.size());
    EXPECT_EQ(GetU32(&r1[offset - 15]), image.size() + 10);
    EXPECT_EQ(GetU32(&r1[offset - 4]), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + static_cast<long>(firstPart), r1.begin() + static_cast<long>(offset)));
    EXPECT_TRUE(std::equal(r2.begin(), r2.end(), image.begin() + static_cast<long>(firstPart)));

    // The pair joins back into the same image.
    ui = ScriptedUi{};
    ui.answers = {true};
    Image source(ImageParams496);
    std::filesystem::remove(dir.File("MYIMAGE1.img"));
    const JoinedImage j = JoinImageHalves(dir.File("MYIMAGE1.rg1"), kKindBrondel, ui, source);
    ASSERT_TRUE(j.open) << (ui.messages.empty() ? "" : ui.messages[0]);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], "Your image file is in two halves, is it ok to create a single file named " +
                                   dir.File("MYIMAGE1.img") + " ?");
    EXPECT_EQ(ReadAll(dir.File("MYIMAGE1.img")), image);
}

TEST(RegionFiles, SmallImageFillsTheFirstFileAndRefusals) {
    TempDir dir;
    size_t offset = 0;
    WriteAll(dir.File("TEMPLATE.rg1"), Container(FakeImage(33, 677, 0x400), 7, &offset));
    WriteAll(dir.File("SMALLIMG.img"), FakeImage(33, 677, 0x1000));
    ScriptedUi ui;
    ui.answers = {true};
    ASSERT_TRUE(MakeRegionFiles(dir.File("TEMPLATE.rg1"), dir.File("SMALLIMG.img"), kKindBrondel, ui));
    const std::vector<uint8_t> r1 = ReadAll(dir.File("SMALLIMG.rg1"));
    EXPECT_EQ(r1.size(), 0xFA000u);
    EXPECT_EQ(r1.back(), 0xFF);
    EXPECT_TRUE(ReadAll(dir.File("SMALLIMG.rg2")).empty());

    // 8.3 names only.
    const struct {
        const char* name;
        bool ok;
    } names[] = {{"ABCDEFGH.img", true}, {"ABC.img", false}, {"ABCDEFGHI.img", false}, {"ABCDEFGH.im", false}};
    for (const auto& n : names) EXPECT_EQ(IsEightDotThree(dir.File(n.name)), n.ok) << n.name;
    ui = ScriptedUi{};
    EXPECT_FALSE(MakeRegionFiles(dir.File("TEMPLATE.rg1"), dir.File("ABC.img"), kKindBrondel, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "All filenames must be exactly 8.3 format for rg1 generation");

    // A template without a container header, and an image too long for two files.
    WriteAll(dir.File("PLAINTPL.rg1"), FakeImage(33, 677));
    ui = ScriptedUi{};
    ui.answers = {true};
    EXPECT_FALSE(MakeRegionFiles(dir.File("PLAINTPL.rg1"), dir.File("SMALLIMG.img"), kKindBrondel, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], dir.File("PLAINTPL.rg1") + " has no region header to copy");
    WriteAll(dir.File("HUGEIMAG.img"), FakeImage(33, 677, 0x200000));
    ui = ScriptedUi{};
    ui.answers = {true};
    EXPECT_FALSE(MakeRegionFiles(dir.File("TEMPLATE.rg1"), dir.File("HUGEIMAG.img"), kKindBrondel, ui));
    EXPECT_FALSE(std::filesystem::exists(dir.File("HUGEIMAG.rg1")));
}

}  // namespace
