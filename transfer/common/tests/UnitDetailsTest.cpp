#include "transfer/common/UnitDetails.h"

#include <gtest/gtest.h>

#include "transfer/common/TraceText.h"

namespace {

using Lines = std::vector<std::string>;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(UnitDetails, ProductDataStringsAndCuts) {
    struct Case {
        std::string data;
        Lines lines;
        int productId, version;
    };
    const Case cases[] = {
        // Id 45, version 2.06; a second string, then one of the unit's hidden (high) strings.
        {std::string("\x2d\x00\xce\x00GPS 90 Software Version 2.06\0MAP 1.0\0\x81HIDDEN\0", 49),
         {"Unit Details:", "[45/206] GPS 90 Software Version 2.06", "MAP 1.0", ""}, 45, 206},
        // A last string without its zero byte ends at the packet's end.
        {std::string("\x53\x02\x10\x00" "ABC\0DE", 10), {"Unit Details:", "[595/16] ABC", "DE", ""}, 595, 16},
        // Too short for the version and the text.
        {std::string("\x16", 1), {"Unit Details:", "[0/0] ", ""}, 0, 0},
        // A negative version.
        {std::string("\x01\x00\xff\xff", 4), {"Unit Details:", "[1/-1] ", ""}, 1, -1},
    };
    for (const Case& c : cases) {
        const auto data = Bytes(c.data);
        ProductData product;
        EXPECT_EQ(ProductDataLines(data.data(), static_cast<int>(data.size()), &product), c.lines) << c.data;
        EXPECT_EQ(product.productId, c.productId);
        EXPECT_EQ(product.softwareVersion, c.version);
    }
}

TEST(UnitDetails, ProtocolArrayLinesCutAfter59Characters) {
    std::vector<uint8_t> data;
    for (int i = 0; i < 13; ++i) {
        data.push_back(static_cast<uint8_t>("PLAD"[i % 4]));
        data.push_back(static_cast<uint8_t>(i * 100 & 0xFF));
        data.push_back(static_cast<uint8_t>(i * 100 >> 8));
    }
    data.push_back('X');  // a partial entry is not shown
    const Lines lines = ProtocolArrayLines(data.data(), static_cast<int>(data.size()));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Protocol Array:");
    // Ten entries of 5 characters pass 59 after the twelfth.
    EXPECT_EQ(lines[1], " P000 L100 A200 D300 P400 L500 A600 D700 P800 L900 A1000 D1100");
    EXPECT_EQ(lines[2], " P1200");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(ProtocolArrayLines(nullptr, 0), (Lines{"Protocol Array:", ""}));
}

TEST(UnitDetails, TextStringsSkipHighFirstBytes) {
    const auto data = Bytes(std::string("VERSTDB Terrain Database Missing\0\xe9t\xe9\0LAST", 42));
    EXPECT_EQ(TextStringLines(data.data(), static_cast<int>(data.size())),
              (Lines{"VERSTDB Terrain Database Missing", "LAST", ""}));
}

TEST(TraceText, HexDumpAndTraceLine) {
    uint8_t bytes[40];
    for (int i = 0; i < 40; ++i) bytes[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(HexDump("Tx", bytes, 3, 0), "Tx: 00 01 02 (0)");
    const std::string long_dump = HexDump("Rx", bytes, 40, -2);
    EXPECT_EQ(long_dump.substr(long_dump.size() - 15), " 1e 1f ... (-2)");
    TraceLine("first", 1000);
    EXPECT_EQ(TraceLine("Sequencer", 1250).Name("IDLE").Name("RQUD").Text(), "<<     250>> Sequencer( IDLE RQUD )");
    EXPECT_EQ(TraceLine("RProc", 1250).Name("RDUD").Hex(0xff).Dec(-1).Text(), "<<       0>> RProc( RDUD 0xff -1 )");
    EXPECT_EQ(PacketProgressText(12), "Packets Transferred: 12");
}

}  // namespace
