#include <gtest/gtest.h>

#include <random>

#include "ObstacleTestSupport.h"

namespace obstacles::test {
namespace {

// Damaged copies of every fixture through the reader and every listing, on screen and as
// batch text, at the debug levels that change the reading: messages and lines only, no
// crash, no read outside the file (the sanitizer build checks that), no endless loop.
constexpr int kCopies = 2000;  // of each fixture

TEST_F(ObstacleTest, DamagedCopiesGiveMessagesOnly) {
    std::mt19937 rng(2024);
    int copies = 0;
    for (const auto& [name, original] : unitfile::Fixtures()) {
        SCOPED_TRACE(name);
        for (int n = 0; n < kCopies; ++n) {
            unitfile::Bytes b = original;
            switch (n % 4) {
            case 0:  // flipped bytes
                for (int k = 0; k < 1 + static_cast<int>(rng() % 8); ++k) b[rng() % b.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
                break;
            case 1:  // cut short
                b.resize(rng() % b.size());
                break;
            case 2:  // a 32-bit word made large (counts, lengths, offsets)
                if (b.size() >= 4) {
                    size_t at = rng() % (b.size() - 3);
                    uint32_t v = (rng() & 1) ? 0xFFFFFFFFu : static_cast<uint32_t>(rng());
                    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
                }
                break;
            default:  // bytes inserted
                b.insert(b.begin() + static_cast<std::ptrdiff_t>(rng() % b.size()), rng() % 40, static_cast<uint8_t>(rng()));
                break;
            }
            options.debugLevel = (n % 3 == 0) ? 0 : (n % 3 == 1) ? 1 : 19;
            doc->batchFormat = (n & 1) != 0;
            doc->purge = (n & 2) != 0;
            Screen(b);
            if (doc->LoadFileBytes(b)) {
                std::string text = doc->ConvertToText();
                EXPECT_EQ(text.find('\0'), std::string::npos);
            }
            doc->CloseDataFile();
            ++copies;
        }
    }
    EXPECT_EQ(copies, kCopies * static_cast<int>(unitfile::Fixtures().size()));
    for (const std::string& m : Messages()) EXPECT_EQ(m, kNothingListedText);
}

}  // namespace
}  // namespace obstacles::test
