// Randomly damaged copies of the example image listed section by section: every listing ends,
// with lines only.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "gen/testsupport/ListingExample.h"

using namespace listtest;

namespace {

constexpr int kCopies = 2500;

TEST(ListingFuzz, DamagedImagesGiveLinesOnly) {
    imgtest::TempDir dir;
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.File(""));
    const std::string path = dir.File("damaged.img");
    BuildExample(dir.File("example.img"));
    const std::vector<uint8_t> original = imgtest::ReadAll(dir.File("example.img"));
    uint32_t used = 0;
    {
        ListingSource probe;
        probe.Open(dir.File("example.img"));
        ASSERT_NE(ListingReader(probe.context), nullptr);
        used = ListingReader(probe.context)->Info().map.imageEnd;
    }
    ASSERT_GT(used, 0u);
    ASSERT_LE(used, original.size());

    std::mt19937 random(20240611);
    size_t lines = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int copy = 0; copy < kCopies; ++copy) {
        std::vector<uint8_t> bytes = original;
        // A few bytes anywhere in the image's data, mostly small changes, some whole bytes.
        const int damages = 1 + static_cast<int>(random() % 6);
        for (int d = 0; d < damages; ++d) {
            const size_t at = random() % used;
            switch (random() % 3) {
                case 0:
                    bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
                    break;
                case 1:
                    bytes[at] = static_cast<uint8_t>(random());
                    break;
                default:
                    bytes[at] = (random() % 2) ? 0xFF : 0x00;
                    break;
            }
        }
        if (copy % 10 == 0) bytes.resize(random() % bytes.size());  // cut short
        imgtest::WriteAll(path, bytes);

        ListingSource source;
        source.settings.debugLevel = copy % 4 == 1 ? 0x13 : 0;
        source.settings.extraDebugLevel = copy % 3 == 1 ? 2 : 0;
        source.settings.recordNumbers = copy % 2;
        source.Open(path);
        ListingRequest request;
        request.dump = copy % 5 == 2;
        request.decimal = copy % 7 == 3;
        for (int kind = kListTitle; kind <= kListApproaches; ++kind) {
            for (const std::string& line : source.List(kind, request)) {
                ASSERT_LE(line.size(), 200u) << "copy " << copy << " kind " << kind;
                ++lines;
            }
        }
    }
    std::filesystem::current_path(old);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(lines, static_cast<size_t>(kCopies));
    RecordProperty("seconds", std::to_string(seconds));
}

}  // namespace
