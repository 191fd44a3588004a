#include "transfer/serial/LinkFrame.h"

#include <gtest/gtest.h>

#include <vector>

#include "transfer/serial/AckRequiredQueue.h"
#include "transfer/serial/BaudTable.h"
#include "transfer/serial/FrameReaderThread.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Stuffed(int id, const Bytes& data) {
    LinkFrame frame;
    frame.Set(id, data.data(), static_cast<int>(data.size()));
    frame.Seal();
    uint8_t out[kMaxStuffedFrame];
    const int n = frame.Stuff(out);
    return Bytes(out, out + n);
}

struct Fed {
    bool ended = false;
    int residue = -1;
    int fill = 0;
    int discards = 0;
    Bytes held;
};

Fed Feed(FrameAssembler& a, const Bytes& wire) {
    a.Reset();
    Fed fed;
    for (uint8_t b : wire) {
        if (a.Add(b)) {
            fed.ended = true;
            fed.residue = a.Residue();
            break;
        }
    }
    fed.fill = a.Fill();
    fed.discards = a.Discards();
    fed.held.assign(a.Buffer(), a.Buffer() + a.Fill());
    return fed;
}

TEST(LinkFrame, ChecksumAndStuffing) {
    // Size, a data byte and the checksum of 0x10 each stand twice on the wire.
    Bytes data(16, 0);
    data[3] = 0x10;
    const Bytes wire = Stuffed(0x23, data);
    uint8_t sum = 0x23 + 16 + 0x10;
    const uint8_t checksum = static_cast<uint8_t>(-sum);
    Bytes expected{kDle, 0x23, 0x10, 0x10, 0, 0, 0, 0x10, 0x10};
    expected.insert(expected.end(), 12, 0);
    expected.push_back(checksum);
    if (checksum == kDle) expected.push_back(kDle);
    expected.insert(expected.end(), {kDle, kEtx});
    EXPECT_EQ(wire, expected);
    // A checksum of 0x10: id 6, size 2, data 0xE8, 0 sum to 0xF0.
    EXPECT_EQ(Stuffed(6, {0xE8, 0}), (Bytes{kDle, 6, 2, 0xE8, 0, 0x10, 0x10, kDle, kEtx}));

    FrameAssembler a;
    const Fed fed = Feed(a, wire);
    ASSERT_TRUE(fed.ended);
    EXPECT_EQ(fed.residue, 0);
    EXPECT_EQ(fed.fill, 16 + 6);
    EXPECT_EQ(fed.held[2], 16);
    EXPECT_EQ(fed.held[3 + 3], 0x10);
}

TEST(LinkFrame, AssemblerDiscardsRestartsAndBadFrames) {
    const Bytes good = Stuffed(0x23, {1, 2, 3});
    auto with = [&](Bytes before) {
        before.insert(before.end(), good.begin(), good.end());
        return before;
    };
    struct Case {
        const char* what;
        Bytes wire;
        bool ended;
        int residue;
        int discards;
    };
    Bytes lone = {kDle, 0x40, 5, 0x10};  // a frame broken off by a lone DLE ...
    lone.insert(lone.end(), good.begin() + 1, good.end());  // ... that starts the good frame
    Bytes stale = good;
    stale[2] = 1;  // size 1 while 3 data bytes follow: the ends are misplaced
    Bytes shortFrame = {kDle, 0x23, 5, 1, static_cast<uint8_t>(-(0x23 + 5 + 1)), kDle, kEtx};
    const Case cases[] = {
        {"bytes before the DLE", with({0x55, 0x66, 0x77}), true, 0, 3},
        {"DLE ETX with nothing between", with({kDle, kEtx}), true, 0, 2},
        {"DLE DLE at the start", with({kDle}), true, 0, 1},
        {"a lone DLE starts a new frame", lone, true, 0, 0},
        {"a wrong checksum", [&] { Bytes b = good; b[4] ^= 1; return b; }(), true, 1, 0},
        {"a size that does not fit the frame", stale, true, -2, 0},
        // Sums to 0 over what it holds but has fewer bytes than its size: stale bytes never pass.
        {"a short frame that sums to 0", shortFrame, true, 256, 0},
        {"no end", Bytes(good.begin(), good.end() - 1), false, -1, 0},
    };
    FrameAssembler a;
    // Stale bytes of an earlier frame in the buffer.
    Feed(a, Stuffed(0x23, Bytes(5, 0)));
    for (const Case& c : cases) {
        const Fed fed = Feed(a, c.wire);
        EXPECT_EQ(fed.ended, c.ended) << c.what;
        if (c.residue == -2) {
            EXPECT_GT(fed.residue, 0) << c.what;
        } else {
            EXPECT_EQ(fed.residue, c.residue) << c.what;
        }
        EXPECT_EQ(fed.discards, c.discards) << c.what;
    }
}

TEST(LinkFrame, OverlongFrameStaysInTheBuffer) {
    Bytes wire{kDle, 0x23, 255};
    wire.insert(wire.end(), 400, 0x41);
    wire.insert(wire.end(), {kDle, kEtx});
    FrameAssembler a;
    const Fed fed = Feed(a, wire);
    EXPECT_TRUE(fed.ended);
    EXPECT_EQ(fed.fill, FrameAssembler::kBufferSize - 1);
    EXPECT_NE(fed.residue, 0);
}

TEST(LinkFrame, ReadErrorKeepsItsCode) {
    // No byte held: the discards go into bits 20..28 with bit 29, the code stays.
    EXPECT_EQ(EncodeReadError(0, 0, 3), (0x203L << 20));
    EXPECT_EQ(EncodeReadError(32, 0, 0) & 0xFFFFF, 32);
    EXPECT_TRUE(EncodeReadError(32, 0, 0) & kDiscardFlag);
    EXPECT_EQ(EncodeReadError(5, 4, 2), 5);
}

TEST(AckRequiredQueue, BookingAndMatching) {
    AckRequiredQueue q;
    q.Book(6);
    q.Book(21);
    q.Book(32);
    q.Book(9);
    EXPECT_EQ(q.Count(), 0) << "ids that are never acknowledged are not booked";
    for (int id : {0x0A, 0x30, 0x24}) q.Book(id);
    EXPECT_EQ(q.CheckAck(0x30), "<No ACK recd for pkt 0x0a> ");
    EXPECT_EQ(q.Count(), 1);
    EXPECT_EQ(q.CheckAck(0x0A), "<No ACK recd for pkt 0x24> <Recd spurious ACK for pkt 0x0a> ");
    EXPECT_EQ(q.Count(), 0);
    std::string full;
    for (int id : {1, 2, 3, 4, 5, 7}) q.Book(id, &full);
    EXPECT_EQ(full, "****** \"ACK required\" queue full: 01 02 03 04");
    EXPECT_EQ(q.Count(), 0);
    q.Book(8);
    EXPECT_EQ(q.Count(), 1);
}

TEST(BaudTable, NearestIndex) {
    const std::pair<long, int> cases[] = {{113669, 6}, {12000, 0}, {9652, 0}, {14209, 1}, {28418, 3},
                                          {1000000, 6}, {0, 0},    {56835, 5}};
    for (const auto& [rate, index] : cases) EXPECT_EQ(NearestBaudIndex(rate), index) << rate;
    const BaudRow empty[] = {{0, 0}};
    EXPECT_EQ(NearestBaudIndex(9600, empty), -1);
}

}  // namespace
