// Damaged GAR files, screen dumps, images and loader containers: every reader stays inside its
// buffers (run under the sanitizers) and reports only.
#include <gtest/gtest.h>

#include <random>

#include "common/SixBitCode.h"
#include "transfer/common/GarListing.h"
#include "transfer/common/ImageChecks.h"
#include "transfer/common/ScreenBitmap.h"
#include "transfer/common/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

Bytes Mutate(const Bytes& seed, std::mt19937& rng) {
    Bytes b = seed;
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        switch (rng() % 4) {
            case 0:
                if (!b.empty()) b[rng() % b.size()] = static_cast<uint8_t>(rng());
                break;
            case 1:
                if (!b.empty()) b.resize(rng() % b.size());
                break;
            case 2:
                b.insert(b.begin() + static_cast<long>(b.empty() ? 0 : rng() % b.size()), static_cast<uint8_t>(rng()));
                break;
            default:
                if (!b.empty()) b[rng() % b.size()] = (rng() & 1) ? 0xFF : 0;
                break;
        }
    }
    return b;
}

std::vector<Bytes> GarSeeds() {
    std::vector<Bytes> seeds;
    Bytes waypoint(60, 0);
    waypoint[3] = 0x70;
    waypoint[1] = 64;
    PutText(waypoint, "IDENT");
    PutText(waypoint, "COMMENT");
    seeds.push_back(Gar().Product(595).Count(2).Record(35, waypoint).Record(19, waypoint).End().bytes);
    seeds.push_back(Gar().Product(45).Count(3).Record(29, {1, 'A', 0}).Record(30, Bytes(127, 'x')).Record(30, Bytes(20, 3)).End().bytes);
    seeds.push_back(Gar().Product(402).Count(2).Record(99, {1, 0, 'T', 0}).Record(34, Bytes(24, 0x40)).End().bytes);
    Bytes header(20, 0);
    header[10] = 2;
    header[12] = 2;
    header[14] = 8;
    header[16] = 2;
    seeds.push_back(
        Gar().Product(402).Count(3).Record(69, header).Record(69, Bytes(8, 0x1B)).Record(69, Bytes(8, 0xE4)).End().bytes);
    Bytes header128(20, 0);
    header128[8] = 2;
    header128[12] = 1;
    header128[14] = 16;
    header128[18] = 1;
    seeds.push_back(Gar().Product(128).Count(2).Record(69, header128).Record(69, Bytes(9, 1)).Record(69, Bytes(9, 2)).End().bytes);
    return seeds;
}

class ReaderFuzz : public TempFolder {};

TEST_F(ReaderFuzz, DamagedGarFilesListAndSave) {
    std::mt19937 rng(1234);
    GarListing listing;
    for (const Bytes& seed : GarSeeds()) {
        for (int i = 0; i < 150; ++i) {
            const std::string path = Write("f.gar", Mutate(seed, rng));
            if (!listing.ListGarFile(path)) continue;
            const int count = std::min(listing.GetLineCount(), 5000);
            for (int n = 0; n < count; ++n) listing.GetLine(n, true);
            for (int n = count - 1; n >= 0 && n > count - 20; --n) listing.GetLine(n, false);
            // Save As writes what GetLine gives, whatever was fetched before.
            ASSERT_EQ(WrittenLines(listing), JoinedLines(listing)) << "seed with " << seed.size() << " bytes, mutation " << i;
            Bytes bmp;
            BuildScreenBitmap(listing, bmp);
            listing.Close();
        }
    }
}

TEST_F(ReaderFuzz, DamagedImagesAndContainers) {
    std::mt19937 rng(99);
    Bytes image(3 * 128 + 50, 0x11);
    PackSixBitText(&image[33], 9, "006-D0677-00");
    Bytes container(256, 0);
    std::memcpy(&container[0], "pWa.d", 6);
    container[6] = 1;
    container[24] = 'A';
    container[31] = 0x53;
    container[32] = 0x02;
    std::memcpy(&container[100], "KpGrd", 6);
    container[106] = 1;
    Bytes rec(15, 0);
    rec[5] = 79;
    rec[11] = 40;
    container.insert(container.end(), rec.begin(), rec.end());
    container.insert(container.end(), 40, 7);
    container.insert(container.end(), 15, 0);
    container.insert(container.end(), image.begin(), image.end());
    Recorder quiet;
    quiet.yesWhenNone = true;
    quiet.debug = 4;
    ImageChecks checks(quiet);
    checks.folder = dir_;
    for (int i = 0; i < 200; ++i) {
        for (int unit : {36, 595}) {
            checks.unitProductId = unit;
            checks.fileName = Write("i.img", Mutate(image, rng));
            checks.VerifySumchecks();
            ASSERT_TRUE(checks.OpenSendFile());
            checks.DetectImageType();
            uint8_t sums[kSumcheckSlots];
            checks.ComputeSumcheckBytes(sums);
            checks.CountPackets();
            checks.CheckPacketCount();
            uint8_t packet[257];
            checks.PeekGarRecordId(packet);
            while (checks.ReadGarRecord(packet) && packet[0] != 12) {
            }
            checks.sendFile.Close();
            Write("c.awp", Mutate(container, rng));
            checks.FindLoader("c.awp");
        }
    }
}

}  // namespace
