#include "transfer/common/GarRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

// The string a byte at a time: up to a zero byte or the record's end.
std::string_view ReferenceStringAt(const GarRecord& r, int& position) {
    if (position < 0 || position >= r.size) return {};
    int end = position;
    while (end < r.size && r.data[end] != 0) ++end;
    const std::string_view text(reinterpret_cast<const char*>(r.data + position), static_cast<size_t>(end - position));
    position = end < r.size ? end + 1 : end;
    return text;
}

// Strings of every length against every record size, the bytes past the record zero or not:
// a string ends at its zero byte or at the record's end, never at a byte past it; found one by
// one or together.
TEST(GarRecord, StringsEndAtAZeroByteOrTheRecordsEnd) {
    std::mt19937 rng(15);
    GarRecord r;
    for (int size = 0; size <= 255; ++size) {
        for (int fill = 0; fill < 24; ++fill) {
            // Zero bytes from none to many; past the record, zeros or others.
            const unsigned zeroOneIn = 2 + static_cast<unsigned>(fill) * 5;
            for (int i = 0; i < 255; ++i) {
                const bool zero = fill % 3 == 0 ? false : rng() % zeroOneIn == 0;
                r.data[i] = zero ? 0 : static_cast<uint8_t>(1 + rng() % 255);
                if (i >= size && fill % 2 == 0) r.data[i] = 0;
            }
            r.size = size;
            for (int start = 0; start <= size; start += 1 + static_cast<int>(rng() % 9)) {
                int position = start, expectedPosition = start, together = start;
                std::string_view strings[4];
                r.StringsAt(together, strings, 4);
                for (int k = 0; k < 4; ++k) {
                    const std::string_view expected = ReferenceStringAt(r, expectedPosition);
                    const std::string_view text = r.StringAt(position);
                    if (!expected.empty()) {
                        ASSERT_EQ(text.data(), expected.data());
                    }
                    ASSERT_EQ(text, expected) << "size " << size << ", from " << start << ", string " << k;
                    ASSERT_EQ(position, expectedPosition) << "size " << size << ", from " << start << ", string " << k;
                    if (!expected.empty()) {
                        ASSERT_EQ(strings[k].data(), expected.data());
                    }
                    ASSERT_EQ(strings[k], expected) << "together: size " << size << ", from " << start << ", string " << k;
                }
                ASSERT_EQ(together, expectedPosition) << "together: size " << size << ", from " << start;
            }
        }
    }
}

// A viewed record copies as its bytes, whether the view holds bytes after it or not, and
// whatever the copy held before.
TEST(GarRecord, CopiedFromAViewWithOrWithoutBytesAfterIt) {
    std::vector<uint8_t> file(600);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + 3);
    GarRecord r;
    for (int size = 0; size <= 255; ++size) {
        for (const size_t held : {static_cast<size_t>(size), static_cast<size_t>(size) + 15, file.size() - 40}) {
            std::memset(r.data, 0xEE, sizeof r.data);
            const GarRecordView view{size % 7, size, file.data() + 40, held};
            r.CopyFrom(view);
            ASSERT_EQ(r.id, size % 7);
            ASSERT_EQ(r.size, size);
            ASSERT_EQ(std::memcmp(r.data, file.data() + 40, static_cast<size_t>(size)), 0) << "size " << size << ", held " << held;
        }
    }
}

}  // namespace
