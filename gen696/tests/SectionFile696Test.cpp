#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "gen696/ImageFile696.h"
#include "gen696/SectionFile696.h"
#include "platform/testsupport/ScratchDir.h"

namespace {

TEST(DatHeader696, FormatsAndParsesOnlyItsOwnBlocks) {
    EXPECT_EQ(FormatDatHeader("HDR+", 0, 0, 0, 0x208), "HDR+_03|0|0|0|208<");
    EXPECT_EQ(SuaDatHeader696(39, 2, 30, 60), "SUA+_03|338|2|30|3c<");
    EXPECT_EQ(SuaDatHeader696(-64, 5, 5, 5), "SUA+_03|0|0|0|0<");
    EXPECT_EQ(FormatDatHeader("SUA+", 0x348, 12, 30, 0x168), "SUA+_03|348|12|30|168<");
    DatBlockHeader h;
    ASSERT_TRUE(ParseDatHeader("SUA+_03|348|12|30|168<", "SUA+", &h));
    EXPECT_EQ(h.position, 0x348u);
    EXPECT_EQ(h.count, 12u);
    EXPECT_EQ(h.size, 30u);
    EXPECT_EQ(h.length, 0x168u);
    EXPECT_EQ(h.Section(), 41);
    ASSERT_TRUE(ParseDatHeader("TRL+_03|0|0|0|0<", "TRL+", &h));
    EXPECT_TRUE(h.End());
    for (const char* bad : {"", "SUA+_03|248|12|30|168", "TCC+_03|248|12|30|168<", "SUA+_02|248|12|30|168<",
                            "SUA+_03|248|12|30<", "SUA+_03|248|-1|30|168<", "SUA+_03|248|1|300|168<",
                            "SUA+_03|zz|1|3|1<"}) {
        EXPECT_FALSE(ParseDatHeader(bad, "SUA+", &h)) << bad;
    }
}

std::string DatBlock(int section, uint32_t count, uint32_t size, const std::string& bytes) {
    return FormatDatHeader("TCC+", 512 + 8 * section, count, size, static_cast<uint32_t>(bytes.size())) + bytes;
}

// The records of the wanted record sections, in file order, with the blocks between passed
// over; a file that ends inside a block or a header, or a header without its '<', is damaged.
TEST(DatRecords696, WantedSectionsRecordByRecordAndDamagedFilesRefused) {
    const std::string end = FormatDatHeader("TCC+", 0, 0, 0, 0);
    const std::string good = DatBlock(30, 1, 1, "z") + DatBlock(29, 2, 3, "abcdef") + DatBlock(34, 4, 1, "WXYZ") +
                             DatBlock(33, 1, 2, "gh") + DatBlock(29, 1, 3, "ijk");
    struct Case {
        const char* what;
        std::string file;
        bool ok;
        std::string visited;   // section:record, ...
    };
    const Case cases[] = {
        {"whole", good + end + "trailing bytes", true, "29:abc,29:def,33:gh,29:ijk,"},
        {"no end block", good, false, "29:abc,29:def,33:gh,29:ijk,"},
        {"ends inside a passed-over block", good.substr(0, good.find("WXYZ") + 2), false, "29:abc,29:def,"},
        {"ends inside a record block", good.substr(0, good.find("ijk") + 1), false, "29:abc,29:def,33:gh,"},
        {"header without its close", "TCC+_03|" + std::string(70, '1') + "<" + end, false, ""},
        {"another file's header", "SUA+_03|0|0|0|0<", false, ""},
    };
    suitetest::ScratchDir dir("datrecords696");
    for (const Case& c : cases) {
        suitetest::WriteAll(dir.File("TCC+.DAT"), std::vector<uint8_t>(c.file.begin(), c.file.end()));
        std::string visited;
        std::string error;
        const bool ok = VisitDatRecords696(
            dir.path, kTccFile696, {29, 33},
            [&](int section, const uint8_t* rec, size_t size) {
                visited += std::to_string(section) + ":" + std::string(reinterpret_cast<const char*>(rec), size) + ",";
            },
            &error);
        EXPECT_EQ(ok, c.ok) << c.what;
        EXPECT_EQ(visited, c.visited) << c.what;
        EXPECT_EQ(error, c.ok ? "" : "Error while reading TCC+ datfile header") << c.what;
    }
    std::string error;
    EXPECT_FALSE(VisitDatRecords696(dir.path + "/none", kTccFile696, {29}, [](int, const uint8_t*, size_t) {}, &error));
    EXPECT_EQ(error.rfind("Cannot Open ", 0), 0u) << error;
}

TEST(SectionBounds696, EndIsTheNearestStartMoreThanThreeBytesOn) {
    std::vector<ImageDirectoryEntry> d(8);
    d[0] = {512, 8, 8, 512};
    d[1] = {2000, 10, 1, 520};
    d[2] = {2002, 0, 9, 528};   // within 3 bytes: not an end
    d[3] = {2100, 0, 1, 536};
    d[4] = {0, 0, 0, 544};      // not in the image
    d[5] = {2200, 4, 5, 552};   // the last: count x size
    d[6] = {1344, 2, 3, 560};
    EXPECT_EQ(SectionDataLength696(d, 1), 100u);
    EXPECT_EQ(SectionDataLength696(d, 3), 100u);
    EXPECT_EQ(SectionDataLength696(d, 4), 0u);
    EXPECT_EQ(SectionDataLength696(d, 5), 20u);
    EXPECT_EQ(SectionEnd696(d, 5), 2200u);
    EXPECT_EQ(SectionDataLength696(d, 6), 2000u - 1344u);
}

// Names 100 and 7 are in the names table at (offset, bit) (0x12345, 3) and (0x7FFFF, 0).
SectionLinks696 Links() {
    SectionLinks696 links;
    links.pointerOf = [](uint32_t n, uint32_t* offset, int* bit) {
        if (n == 100) {
            *offset = 0x12345;
            *bit = 3;
        } else if (n == 7) {
            *offset = 0x7FFFF;
            *bit = 0;
        } else {
            return false;
        }
        return true;
    };
    links.numberOf = [](int, uint32_t offset, int bit) -> uint32_t {
        if (offset == 0x12345 && bit == 3) return 100;
        if (offset == 0x7FFFF && bit == 0) return 7;
        return kNoNameNumber696;
    };
    links.airportRecord = [](uint32_t serial) { return serial == 5 ? 9u : kNoAirport696; };
    return links;
}

class Conversions : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/sec696-XXXXXX";
        fd = mkstemp(name);
        unlink(name);
        image = std::make_unique<ImageFile696>(fd);
        image->SetDirectoryEntry(34, 0x4000, 1, 1);
        image->SetDirectoryEntry(41, 0x5003, 1, 1);
    }
    void TearDown() override {
        image.reset();
        close(fd);
    }
    std::vector<uint8_t> RoundTrip(int section, std::vector<uint8_t> file) {
        std::string error;
        std::vector<uint8_t> rec = file;
        EXPECT_TRUE(RecordIntoImage696(section, rec.data(), rec.size(), *image, Links(), &error)) << error;
        inImage = rec;
        RecordIntoFile696(section, rec.data(), rec.size(),
                          [this](int s) { return s == 41 ? image->Entry(41).start - 3 : image->Entry(s).start; },
                          Links());
        return rec;
    }
    int fd = -1;
    std::unique_ptr<ImageFile696> image;
    std::vector<uint8_t> inImage;
};

TEST_F(Conversions, NameNumbersBecomePointersAndComeBack) {
    std::vector<uint8_t> fss(12, 0);
    fss[6] = 100;   // name 100
    EXPECT_EQ(RoundTrip(29, fss), fss);
    EXPECT_EQ(inImage[6], 0x45);
    EXPECT_EQ(inImage[7], 0x23);
    EXPECT_EQ(inImage[8], (3 << 3) | 1);
    // Offsets from 0x80000 on do not fit section 29: no name.
    std::vector<uint8_t> tcc(20, 0);
    tcc[10] = 7;
    tcc[14] = 0x10;   // 0x10 into section 34
    EXPECT_EQ(RoundTrip(33, tcc), tcc);
    EXPECT_EQ(inImage[10], 0xFF);
    EXPECT_EQ(inImage[11], 0xFF);
    EXPECT_EQ(inImage[18], 0x07);   // bit 0, offset bits 16-20 = 7
    EXPECT_EQ(inImage[14] | (inImage[15] << 8), 0x4010);

    std::vector<uint8_t> sua(30, 0);
    sua[21] = 100;
    sua[24] = sua[25] = sua[26] = 0xFF;   // no name
    sua[17] = 3;                          // first byte after the block's lead
    sua[27] = 5;                          // airport serial 5: record 9
    std::vector<uint8_t> back = RoundTrip(39, sua);
    EXPECT_EQ(inImage[21] | (inImage[22] << 8) | (inImage[23] << 16), 0x12345);
    EXPECT_EQ((inImage[5] >> 2) & 7, 3);
    EXPECT_EQ((inImage[12] >> 2) & 7, 7);
    EXPECT_EQ(inImage[17] | (inImage[18] << 8), 0x5003);
    EXPECT_EQ(inImage[27], 9);
    sua[5] = inImage[5];
    sua[12] = inImage[12];
    sua[27] = 9;   // the airport comes back as its record number
    EXPECT_EQ(back, sua);
}

TEST_F(Conversions, UnknownNameNumberIsAnError) {
    std::vector<uint8_t> fss(12, 0);
    fss[6] = 55;
    std::string error;
    EXPECT_FALSE(RecordIntoImage696(29, fss.data(), fss.size(), *image, Links(), &error));
    EXPECT_EQ(error, "Program error: cannot find name sno 55");
}

}  // namespace

#include "gen696/PointSections696.h"

namespace {

TEST(PointSections696, EachTypesSixSectionsFromItsFirst) {
    struct Want {
        int x1, x5, x2, recs, x3, x4;
    };
    const Want want[4] = {{4, 5, 6, 7, 8, 9}, {12, 13, 14, 15, 84, 85}, {16, 17, 18, 19, 20, 21},
                          {22, 23, 24, 25, 26, 27}};
    for (int t = 0; t < 4; ++t) {
        const PointSections696& s = kPointSections696[t];
        EXPECT_EQ((std::vector<int>{s.x1, s.x5, s.x2, s.recs, s.x3, s.x4}),
                  (std::vector<int>{want[t].x1, want[t].x5, want[t].x2, want[t].recs, want[t].x3, want[t].x4}))
            << s.name;
    }
}

}  // namespace
