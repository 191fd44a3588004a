// The log texts of a unit's own records: product data, protocol array, text list, hex dump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer/common/UnitRecordText.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(UnitRecordText, ProductDataLinesSkipTextsFromHighBytes) {
    const auto data = Bytes(std::string("\x91\x00\xca\x00", 4) + "UNIT 2.02" + std::string(1, '\0') + "MAPS" +
                            std::string(1, '\0') + "\xe9 HIDDEN" + std::string(1, '\0') + "LAST");
    int id = 0;
    EXPECT_EQ(UnitDetailsLines(data.data(), data.size(), id),
              (std::vector<std::string>{"Unit Details:", "[145/202] UNIT 2.02", "MAPS", "LAST", ""}));
    EXPECT_EQ(id, 145);
    const uint8_t one = 7;
    EXPECT_EQ(UnitDetailsLines(&one, 1, id), (std::vector<std::string>{"Unit Details:", "[0/0] ", ""}));
    EXPECT_EQ(id, 0);
}

TEST(UnitRecordText, ProtocolArrayLinesEndPastFiftyNineCharacters) {
    std::vector<uint8_t> data;
    for (int i = 0; i < 12; ++i) {
        data.push_back('A');
        data.push_back(static_cast<uint8_t>(i * 100));
        data.push_back(static_cast<uint8_t>((i * 100) >> 8));
    }
    data.push_back('X');  // a piece shorter than an entry is not shown
    const std::vector<std::string> lines = ProtocolArrayLines(data.data(), data.size());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Protocol Array: A000 A100 A200 A300 A400 A500 A600 A700 A800");
    EXPECT_EQ(lines[1], " A900 A1000 A1100");
    EXPECT_EQ(lines[2], "");
}

TEST(UnitRecordText, TextListHexDumpAndProgress) {
    const auto data = Bytes(std::string("ONE\0\xf0TWO\0THREE", 14));
    EXPECT_EQ(TextListLines(data.data(), data.size()), (std::vector<std::string>{"ONE", "THREE", ""}));
    std::vector<uint8_t> bytes(40);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(HexDumpText("RxPacket", bytes.data(), 3, 3), "RxPacket: 00 01 02 (3)");
    const std::string dump = HexDumpText("SetupTx", bytes.data(), 40, 28);
    EXPECT_EQ(dump.substr(dump.size() - 15), " 1e 1f ... (28)");
    EXPECT_EQ(PacketProgressText(12), "Packets Transferred: 12");
}

}  // namespace
