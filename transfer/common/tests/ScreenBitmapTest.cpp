#include "transfer/common/ScreenBitmap.h"

#include <gtest/gtest.h>

#include "transfer/common/GarListing.h"
#include "transfer/common/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

uint32_t U32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24; }

// A screen dump: a header record and one record per row (two for product 128).
Gar ScreenDump(int product, int bits, int rowLength, int width, int height, const std::vector<Bytes>& rows) {
    const bool pairs = product == 128;
    Bytes header(20, 0);
    header[pairs ? 8 : 10] = static_cast<uint8_t>(rowLength);
    header[12] = static_cast<uint8_t>(bits);
    header[14] = static_cast<uint8_t>(width);
    header[pairs ? 18 : 16] = static_cast<uint8_t>(height);
    Gar gar;
    gar.Product(product).Count(static_cast<int>(rows.size()) + 1).Record(69, header);
    for (const Bytes& row : rows) {
        if (pairs) {
            const size_t half = row.size() / 2;
            Bytes a(8, 0), b(8, 0);
            a.insert(a.end(), row.begin(), row.begin() + half);
            b.insert(b.end(), row.begin() + half, row.end());
            gar.Record(69, a).Record(69, b);
        } else {
            Bytes r(6, 0);
            r.insert(r.end(), row.begin(), row.end());
            gar.Record(69, r);
        }
    }
    return gar.End();
}

class ScreenBitmapTest : public TempFolder {
protected:
    bool Build(const Gar& gar, Bytes& bmp) {
        if (!listing.ListGarFile(Write("s.gar", gar.bytes))) return false;
        return BuildScreenBitmap(listing, bmp);
    }
    GarListing listing;
};

TEST_F(ScreenBitmapTest, TwoBitLevelsRepackedIntoPaddedFourBitRows) {
    Bytes bmp;
    ASSERT_TRUE(Build(ScreenDump(402, 2, 1, 3, 2, {{0xE4}, {0x1B}}), bmp));
    const uint32_t palette = 16 * 4;
    ASSERT_EQ(bmp.size(), 54 + palette + 2 * 4);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    EXPECT_EQ(U32(bmp, 10), 54 + palette);
    EXPECT_EQ(U32(bmp, 18), 3u);  // width
    EXPECT_EQ(U32(bmp, 22), 2u);  // height
    EXPECT_EQ(bmp[28], 4);        // bits per pixel
    EXPECT_EQ(U32(bmp, 54), 0xFFFFFFu) << "entry 0 white";
    EXPECT_EQ(U32(bmp, 54 + 15 * 4), 0u) << "the last entry black";
    const size_t pixels = 54 + palette;
    // The first row received (levels 0 1 2 3 from the low bits) is stored last.
    EXPECT_EQ(Bytes(bmp.begin() + pixels + 4, bmp.end()), (Bytes{0x05, 0xAF, 0, 0}));
    EXPECT_EQ(Bytes(bmp.begin() + pixels, bmp.begin() + pixels + 4), (Bytes{0xFA, 0x50, 0, 0}));
}

TEST_F(ScreenBitmapTest, OneBitRowsInTwoRecordsEach) {
    Bytes bmp;
    ASSERT_TRUE(Build(ScreenDump(128, 1, 2, 16, 1, {{0x01, 0x80}}), bmp));
    ASSERT_EQ(bmp.size(), 54u + 8 + 4);
    EXPECT_EQ(bmp[28], 1);
    EXPECT_EQ(Bytes(bmp.end() - 4, bmp.end()), (Bytes{0x80, 0x01, 0, 0})) << "bit order reversed";
}

TEST_F(ScreenBitmapTest, HeadersThatDoNotFitTheirRowsGiveNoBitmap) {
    struct Case {
        const char* what;
        Gar gar;
    };
    Gar cut = ScreenDump(402, 8, 4, 4, 2, {{1, 2, 3, 4}, {5, 6, 7, 8}});
    cut.bytes.resize(cut.bytes.size() - 6);
    const Case cases[] = {
        {"depth 3", ScreenDump(402, 3, 3, 8, 1, {{1, 2, 3}})},
        {"depth 0", ScreenDump(402, 0, 3, 8, 1, {{1, 2, 3}})},
        {"taller than its rows", ScreenDump(402, 8, 4, 4, 3, {{1, 2, 3, 4}, {5, 6, 7, 8}})},
        {"wider than a row", ScreenDump(402, 8, 4, 5, 1, {{1, 2, 3, 4}})},
        {"a short row record", ScreenDump(402, 8, 4, 4, 2, {{1, 2, 3, 4}, {5, 6}})},
        {"file cut short", cut},
    };
    for (const Case& c : cases) {
        Bytes bmp;
        EXPECT_FALSE(Build(c.gar, bmp)) << c.what;
        EXPECT_TRUE(bmp.empty()) << c.what;
    }
}

}  // namespace
