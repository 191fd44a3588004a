#include "transfer/common/ImageChecks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "common/SixBitCode.h"
#include "transfer/common/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

// "006-Dnnnn-XX" packed in 9 bytes at the offset.
void PutPartNumber(Bytes& image, size_t offset, const char* text) {
    if (image.size() < offset + 9) image.resize(offset + 9, 0xFF);
    PackSixBitText(&image[offset], 9, text);
}

class ImageChecksTest : public TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        checks.folder = dir_;
    }
    void Open(const Bytes& image) {
        checks.fileName = Write("image.img", image);
        ASSERT_TRUE(checks.OpenSendFile());
    }
    Recorder rec;
    ImageChecks checks{rec};
};

TEST_F(ImageChecksTest, ImageTypeFromThePartNumberPlace) {
    struct Case {
        size_t offset;
        const char* text;
        int type;
        int partNumber;
    };
    const Case cases[] = {
        {26, "006-D0004-00", 0, 4},   {26, "006-D1234-X1", 1, 1234}, {18, "006-D0100-XX", 2, 100},
        {42, "006-D0301-01", 3, 301}, {33, "006-D0456-00", 4, 456},  {29, "006-D0990-9X", 5, 990},
        {33, "006-D0677-XX", 6, 677}, {33, "006-D0677-AX", -1, 0},   {26, "006-D12A4-00", -1, 0},
        {26, "007-D1234-00", -1, 0},
    };
    for (const Case& c : cases) {
        Bytes image(64, 0xFF);
        PutPartNumber(image, c.offset, c.text);
        Open(image);
        checks.partNumber = 0;
        EXPECT_EQ(checks.DetectImageType(), c.type >= 0) << c.text;
        EXPECT_EQ(checks.imageType, c.type) << c.text << " at " << c.offset;
        if (c.type >= 0) {
            EXPECT_EQ(checks.partNumber, c.partNumber) << c.text;
        }
    }
    Bytes shortImage(63, 0xFF);
    PutPartNumber(shortImage, 26, "006-D1234-00");
    shortImage.resize(63);
    Open(shortImage);
    EXPECT_FALSE(checks.DetectImageType()) << "fewer than 64 bytes";
}

// Sumcheck bytes recomputed over whole sections of the image held in memory.
Bytes ExpectedSums(const Bytes& image, int type) {
    const SumcheckLayoutRow& l = *SumcheckLayout(type);
    const size_t section = static_cast<size_t>(l.sectionBlocks) * 128;
    Bytes slots(32, 0);
    int slot = l.firstSlot;
    for (size_t start = 0;; start += section) {
        unsigned sum = 0;
        bool data = false;
        const bool shortStart = image.size() < start + 128;
        for (size_t i = std::max(start, static_cast<size_t>(l.fieldLength)); !shortStart && i < std::min(image.size(), start + section); ++i) {
            sum += image[i];
            data |= image[i] != 0xFF;
        }
        slots[slot++] = static_cast<uint8_t>(-sum);
        if (shortStart || !data) break;
    }
    if (l.firstSlot == 1) slots[0] = static_cast<uint8_t>(slot - 2);
    if (type == 3) slots[1] = static_cast<uint8_t>(slots[1] - slots[0]);
    slots.resize(l.fieldLength);
    return slots;
}

TEST_F(ImageChecksTest, SumchecksOfTheOlderFamiliesAndTheirVerification) {
    struct Case {
        size_t offset;
        const char* part;
        int type;
        size_t length;
    };
    const Case cases[] = {
        {26, "006-D0004-00", 0, 2 * 256 * 1024 + 100},  // two sections with data, then a short block
        {26, "006-D0017-00", 1, 256 * 1024},             // the second section starts at the end
        {18, "006-D0099-00", 2, 300 * 1024},
        {29, "006-D0200-00", 5, 128 * 1024 * 2 + 100},   // a short first block ends the scan
        {42, "006-D0300-00", 3, 64 * 1024 * 3},
    };
    for (const Case& c : cases) {
        Bytes image(c.length);
        for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + i / 1000);
        std::fill(image.begin(), image.begin() + 64, 0xFF);
        PutPartNumber(image, c.offset, c.part);
        Open(image);
        ASSERT_TRUE(checks.DetectImageType());
        ASSERT_EQ(checks.imageType, c.type);
        uint8_t sums[kSumcheckSlots];
        const int length = checks.ComputeSumcheckBytes(sums);
        const Bytes expected = ExpectedSums(image, c.type);
        ASSERT_EQ(length, static_cast<int>(expected.size()));
        EXPECT_EQ(Bytes(sums, sums + length), expected) << "type " << c.type;
        if (c.type == 0) {
            EXPECT_EQ(sums[0], 2) << "two sections hold data";
        }

        // The stored field filled in: correct; one flipped byte: failed.
        std::copy(expected.begin(), expected.end(), image.begin());
        checks.sendFile.Close();
        checks.fileName = Write("received.img", image);
        rec.log.clear();
        checks.VerifySumchecks();
        EXPECT_EQ(rec.log.back(), "Sumchecks Correct") << "type " << c.type;
        image[c.length / 2] ^= 0x10;
        Write("received.img", image);
        checks.VerifySumchecks();
        EXPECT_EQ(rec.log.back(), "Sumchecks **FAILED**") << "type " << c.type;
    }
}

// The block scan against a byte loop: lengths around a block, a group of eight blocks and a
// read piece, with blank blocks among the data.
TEST_F(ImageChecksTest, BlockSumsAndDataFlagsOfEveryLength) {
    const size_t lengths[] = {0, 1, 127, 128, 129, 8 * 128 - 1, 8 * 128, 8 * 128 + 1, 17 * 128 + 5, (1 << 19) + 300};
    for (const size_t length : lengths) {
        Bytes image(length);
        for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>(i % 3 == 0 ? 0xFF : i * 13 + i / 128);
        for (size_t i = 0; i < length; ++i) {
            if ((i / 128) % 5 == 2 || (i / 128) % 7 == 3) image[i] = 0xFF;
        }
        Open(image);
        ImageBlocks blocks;
        blocks.Scan(checks.sendFile);
        const size_t count = (length + 127) / 128;
        ASSERT_EQ(blocks.count, count) << length;
        size_t withData = 0;
        for (size_t b = 0; b < count; ++b) {
            unsigned sum = 0;
            bool data = false;
            for (size_t i = b * 128; i < std::min(length, b * 128 + 128); ++i) {
                sum += image[i];
                data = data || image[i] != 0xFF;
            }
            EXPECT_EQ(blocks.sums[b], sum) << length << " block " << b;
            EXPECT_EQ(blocks.data[b] != 0, data) << length << " block " << b;
            withData += data;
        }
        EXPECT_EQ(blocks.dataBlocks, withData) << length;
        EXPECT_EQ(blocks.lastLength, count == 0 ? 0 : length - (count - 1) * 128) << length;
        if (count > 0) {
            EXPECT_EQ(Bytes(blocks.last, blocks.last + blocks.lastLength), Bytes(image.begin() + static_cast<long>((count - 1) * 128), image.end()));
        }
        EXPECT_EQ(checks.sendFile.Position(), 0) << "the position is put back";
    }
}

TEST_F(ImageChecksTest, VerifyOfWhatIsNoImage) {
    checks.fileName = Write("junk.img", Bytes(4096, 0));
    rec.debug = 1;
    checks.VerifySumchecks();
    EXPECT_EQ(rec.log, std::vector<std::string>{"Unknown image type"});
    checks.fileName = Path("missing.img");
    checks.VerifySumchecks();
    EXPECT_EQ(rec.messages.back(), "Unable to Open '" + Path("missing.img") + "' for reading");
}

TEST_F(ImageChecksTest, LastBlockOfTheOldestUnits) {
    struct Case {
        const char* what;
        int unit;
        bool dataElsewhere;
        bool dataInTail;
        int packets;
        int mark;
    };
    const Case cases[] = {
        {"only the tail holds data", 36, false, true, 2, 0},
        {"tail and more", 36, true, true, 3, 3},
        {"blank tail", 36, true, false, 3, 0},
        {"a newer unit counts the block", 48, false, true, 3, 0},
    };
    for (const Case& c : cases) {
        Bytes image(3 * 128, 0);
        std::fill(image.begin() + 256, image.end(), 0xFF);
        if (c.dataElsewhere) image[256 + 5] = 1;
        if (c.dataInTail) image[256 + 124] = 1;
        Open(image);
        checks.unitProductId = c.unit;
        checks.CountPackets();
        EXPECT_EQ(checks.countedPackets, c.packets) << c.what;
        EXPECT_EQ(checks.lastDataPacket, c.mark) << c.what;
        EXPECT_EQ(rec.log.back(), std::to_string(c.packets) + " Packets to send");
    }
    Bytes shortTail(128 + 123, 0);  // a last block of 123 bytes: only byte 122 is in the tail
    std::fill(shortTail.begin() + 128, shortTail.end(), 0xFF);
    shortTail.back() = 0;
    Open(shortTail);
    checks.unitProductId = 36;
    checks.CountPackets();
    EXPECT_EQ(checks.countedPackets, 1);
}

TEST_F(ImageChecksTest, StoredPacketCountAgainstTheCount) {
    struct Case {
        int unit;
        int stored;
        bool asked;
    };
    // A 496 image of 5 blocks with data: 3 stored (half, rounded up).
    const Case cases[] = {{595, 3, false}, {887, 3, false}, {402, 3, true}, {402, 5, false}, {595, 4, true}};
    for (const Case& c : cases) {
        Bytes image(5 * 128, 0);
        PutPartNumber(image, 33, "006-D0677-00");
        image[57] = static_cast<uint8_t>(c.stored);
        image[58] = 0;
        Open(image);
        ASSERT_TRUE(checks.DetectImageType());
        checks.unitProductId = c.unit;
        checks.CountPackets();
        rec.questions.clear();
        rec.answers = {true};
        EXPECT_FALSE(checks.CheckPacketCount()) << "YES goes on";
        EXPECT_EQ(!rec.questions.empty(), c.asked) << c.unit << " " << c.stored;
        if (c.asked) {
            EXPECT_EQ(rec.questions[0], "Packet counts differ: calc=5, image=" + std::to_string(c.stored) +
                                            "\nDo you REALLY want to continue");
            rec.answers = {false};
            EXPECT_TRUE(checks.CheckPacketCount()) << "NO stops";
        }
    }
}

TEST_F(ImageChecksTest, CompatibilityOfImagesAndGarFiles) {
    checks.imageType = 4;
    checks.unitProductId = 406;
    EXPECT_FALSE(checks.CheckCompatibility());
    EXPECT_TRUE(rec.questions.empty());
    checks.unitProductId = 595;
    rec.answers = {false};
    EXPECT_TRUE(checks.CheckCompatibility());
    EXPECT_EQ(rec.log, (std::vector<std::string>{
                           "The Image file and the GPS unit appear to be incompatible - Do you REALLY want to continue ?",
                           "(Image format=4, model=595, reply=NO)"}));

    checks.imageType = -1;
    checks.garProductId = 145;
    checks.unitProductId = 365;
    rec.log.clear();
    EXPECT_FALSE(checks.CheckCompatibility()) << "one group";
    checks.unitProductId = 128;
    rec.answers = {true};
    EXPECT_FALSE(checks.CheckCompatibility()) << "YES goes on";
    EXPECT_EQ(rec.log.back(), "(File format=145, model=128, reply=YES)");
    checks.garProductId = 0;
    rec.questions.clear();
    EXPECT_FALSE(checks.CheckGarCompatibility());
    EXPECT_TRUE(rec.questions.empty()) << "no product data, no question";
}

// A container: optional "pWa.d" header with the product id, "KpGrd" with counted strings, a
// loader record of `loader` bytes, an end record, then an image header.
Bytes Container(int productId, bool awp, size_t loader, bool image) {
    Bytes b(256, 0);
    if (awp) {
        std::memcpy(&b[0], "pWa.d", 6);
        b[6] = 2;
        std::memcpy(&b[24], "AB\0CD\0", 6);
        b[30 + 5] = static_cast<uint8_t>(productId);
        b[30 + 6] = static_cast<uint8_t>(productId >> 8);
    }
    const size_t p = 60;
    std::memcpy(&b[p], "KpGrd", 6);
    b[p + 6] = 1;
    std::memcpy(&b[p + 24], "X\0", 2);
    b.resize(p + 26);
    Bytes rec(15, 0);
    rec[5] = 12;
    PutLe(rec, 0, 0);
    rec[11] = static_cast<uint8_t>(loader);
    rec[12] = static_cast<uint8_t>(loader >> 8);
    b.insert(b.end(), rec.begin(), rec.end());
    for (size_t i = 0; i < loader; ++i) b.push_back(static_cast<uint8_t>(i));
    b.insert(b.end(), 15, 0);  // kind 0: the image follows
    Bytes img(256, 0xFF);
    if (image) PutPartNumber(img, 33, "006-D0677-00");
    b.insert(b.end(), img.begin(), img.end());
    return b;
}

void SetTime(const std::string& path, time_t t) {
    struct utimbuf times = {t, t};
    ::utime(path.c_str(), &times);
}

TEST_F(ImageChecksTest, LoaderFromTheNewestSuitableFile) {
    checks.unitProductId = 595;
    SetTime(Write("old.awp", Container(595, true, 300, true)), 1000000);
    SetTime(Write("newer.awp", Container(887, true, 200, true)), 2000000);  // another unit
    SetTime(Write("newest.rgn", Container(0, false, 100, false)), 3000000);  // no image behind
    ::mkdir(Path("dir.awp").c_str(), 0755);
    rec.answers = {true};
    EXPECT_EQ(checks.SearchLoaderFile(), 3) << "300 bytes in pieces of 128";
    EXPECT_EQ(rec.questions, std::vector<std::string>{"Is it OK to upload the VRPs from file: old.awp ?"});
    EXPECT_EQ(rec.log.back(), "VRPs found in file old.awp");
    EXPECT_EQ(checks.LoaderCandidates().size(), 1u) << "the two newer files were dropped";
    const Bytes loader = Read("vrp496.bin");
    ASSERT_EQ(loader.size(), 300u);
    EXPECT_EQ(loader[299], static_cast<uint8_t>(299));

    rec.answers = {false};
    EXPECT_EQ(checks.SearchLoaderFile(), 0);
    EXPECT_EQ(rec.log.back(), "No VRPs available");
}

TEST_F(ImageChecksTest, LoaderFileProductIds) {
    struct Case {
        int fileId;
        int unit;
        bool suits;
    };
    const Case cases[] = {{0, 145, true}, {0, 128, false}, {48, 128, true}, {48, 145, false}, {145, 145, true}};
    for (const Case& c : cases) {
        checks.unitProductId = c.unit;
        Write("c.awp", Container(c.fileId, true, 130, true));
        EXPECT_EQ(checks.FindLoader("c.awp"), c.suits ? 2 : 0) << c.fileId << " for " << c.unit;
    }
    // Strings that run past the bytes read make the file unsuitable.
    Bytes runaway = Container(145, true, 130, true);
    runaway[6] = 200;
    checks.unitProductId = 145;
    Write("r.awp", runaway);
    EXPECT_EQ(checks.FindLoader("r.awp"), 0);
    EXPECT_EQ(checks.LoaderFileName(), "ldr196.bin");
    EXPECT_EQ(checks.FindLoader(""), 0);
    EXPECT_TRUE(Read("ldr196.bin").empty()) << "no source: the loader file is emptied";
}

TEST_F(ImageChecksTest, GarRecordsToSend) {
    Gar gar;
    gar.Product(402).Count(2).Record(35, Bytes(10, 1)).Record(35, Bytes(3, 2)).End();
    Open(gar.bytes);
    uint8_t packet[257];
    EXPECT_EQ(checks.PeekGarRecordId(packet), 35);
    EXPECT_EQ(checks.recordsSent, 0);
    EXPECT_TRUE(checks.ReadGarRecord(packet));
    EXPECT_EQ(checks.garProductId, 402);
    EXPECT_EQ(checks.garRecordCount, 2);
    EXPECT_TRUE(checks.ReadGarRecord(packet));
    EXPECT_EQ(packet[1], 3);
    EXPECT_TRUE(checks.ReadGarRecord(packet));
    EXPECT_EQ(packet[0], 12);
    EXPECT_EQ(checks.recordsSent, 2);
    EXPECT_FALSE(checks.ReadGarRecord(packet));
    EXPECT_EQ(rec.messages.back(), "Unexpected End of File");
}

TEST_F(ImageChecksTest, ReceiveFilesEmptiedOrAppended) {
    checks.fileName = Write("r.gar", {1, 2, 3});
    ASSERT_TRUE(checks.OpenReceiveFile(-1, false));
    checks.receiveFile.Write("\x04", 1);
    checks.receiveFile.Close();
    EXPECT_EQ(Read("r.gar"), (Bytes{1, 2, 3, 4})) << "kept, written at its end";
    ASSERT_TRUE(checks.OpenReceiveFile(-1, true));
    checks.receiveFile.Close();
    EXPECT_TRUE(Read("r.gar").empty());
    checks.fileName = Path("nofolder/r.gar");
    EXPECT_FALSE(checks.OpenReceiveFile(-1, true));
    EXPECT_EQ(rec.messages.back(), "Unable to Open '" + Path("nofolder/r.gar") + "' for writing");
    EXPECT_FALSE(checks.OpenSendFile(5)) << "the host file of tracks is not there";
    EXPECT_EQ(checks.fileName, "H_track.gar");
}

}  // namespace
