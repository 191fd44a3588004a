// The link threads over a scripted link: interrupt pieces joined into packets, dropped empty
// packets, the switch to bulk reads and back, the silence tick, zero-length writes after whole
// USB packets, queue wrap, time-outs, and the quiet end of a planned close.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "transfer/usb/UsbConnection.h"
#include "transfer/usb/UsbPacket.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Packet(uint8_t type, uint16_t id, Bytes data = {}) {
    Bytes p(kUsbHeaderSize + data.size());
    PutUsbHeader(p.data(), type, id, static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), p.begin() + kUsbHeaderSize);
    return p;
}

// A link whose pipes hand out scripted reads; a missing read is a time-out.
class ScriptedLink : public UsbLink {
public:
    std::mutex mutex;
    std::deque<Bytes> interrupt, bulk;
    std::vector<size_t> writes;
    uint32_t packetSize = 64;
    bool writesTimeOut = false;
    bool open = false;

    UsbOpen Open(std::string& path, std::string&) override {
        path = "scripted";
        open = true;
        return UsbOpen::Ok;
    }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    uint32_t PacketSize() const override { return packetSize; }

    UsbIoResult Take(std::deque<Bytes>& pipe, uint8_t* buffer, size_t length, int ms) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!pipe.empty()) {
                Bytes b = std::move(pipe.front());
                pipe.pop_front();
                const size_t n = b.size() < length ? b.size() : length;
                std::copy(b.begin(), b.begin() + static_cast<long>(n), buffer);
                return {UsbIo::Ok, n, 0};
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return {UsbIo::Timeout, 0, 0};
    }
    UsbIoResult ReadInterrupt(uint8_t* b, size_t n, int ms) override { return Take(interrupt, b, n, ms); }
    UsbIoResult ReadBulk(uint8_t* b, size_t n, int ms) override { return Take(bulk, b, n, ms); }
    UsbIoResult WriteBulk(const uint8_t*, size_t n, int ms) override {
        if (writesTimeOut) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return {UsbIo::Timeout, 0, 0};
        }
        std::lock_guard<std::mutex> lock(mutex);
        writes.push_back(n);
        return {UsbIo::Ok, n, 0};
    }
    std::string ErrorText(int) const override { return "scripted"; }
};

struct Posted {
    unsigned message;
    uintptr_t wparam;
    intptr_t lparam;
};

class UsbLinkThreads : public ::testing::Test {
protected:
    ScriptedLink link;
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<Posted> posted;
    UsbConnection usb{link, [this](unsigned m, uintptr_t w, intptr_t l) {
                          std::lock_guard<std::mutex> lock(mutex);
                          posted.push_back({m, w, l});
                          cv.notify_all();
                      }};

    void SetUp() override {
        std::string path, detail;
        ASSERT_EQ(usb.Open(path, detail), UsbOpen::Ok);
        usb.running = true;
        usb.intraReadDelay = 300;
        usb.intraWriteDelay = 200;
    }
    void TearDown() override {
        usb.running = false;
        usb.Close();
    }

    // Waits until a message with this number and a matching predicate was posted.
    std::optional<Posted> WaitFor(unsigned message, int ms = 3000, std::function<bool(const Posted&)> test = {}) {
        std::unique_lock<std::mutex> lock(mutex);
        std::optional<Posted> found;
        cv.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            for (const Posted& p : posted) {
                if (p.message == message && (!test || test(p))) {
                    found = p;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    // Every packet the reader queued within ms milliseconds.
    std::vector<Bytes> Received(size_t want, int ms = 3000) {
        std::vector<Bytes> out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (out.size() < want && std::chrono::steady_clock::now() < deadline) {
            if (UsbPacketBuffer p = usb.TakeReceived()) {
                const size_t count = UsbU16(p.get() + 2);
                out.emplace_back(p.get(), p.get() + (count < kUsbHeaderSize ? kUsbHeaderSize : count));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return out;
    }
};

TEST_F(UsbLinkThreads, InterruptPiecesJoinAndEmptyPacketsAreDropped) {
    Bytes big = Packet(kUsbTransport, 6, Bytes(126, 0x5A));  // 138 bytes: 64 + 64 + 10
    link.interrupt.push_back(Packet(0, 0));                    // type 0 id 0: dropped
    link.interrupt.push_back(Bytes(big.begin(), big.begin() + 64));
    link.interrupt.push_back(Bytes(big.begin() + 64, big.begin() + 128));
    link.interrupt.push_back(Bytes(big.begin() + 128, big.end()));
    Bytes whole = Packet(kUsbTransport, 17, Bytes(52, 1));    // exactly 64 bytes, then an empty piece
    link.interrupt.push_back(whole);
    link.interrupt.push_back(Bytes());
    ASSERT_TRUE(usb.ActivateRead());
    const std::vector<Bytes> got = Received(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].size(), 138u);
    EXPECT_EQ(got[0][1], kUsbFromInterrupt);
    EXPECT_EQ(UsbPacketId(got[0].data()), 6);
    EXPECT_TRUE(std::equal(big.begin() + 4, big.end(), got[0].begin() + 4));
    EXPECT_EQ(got[1].size(), 64u);
    EXPECT_EQ(UsbPacketId(got[1].data()), 17);
    // Transport packets make the reader wait: no silence tick follows.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(usb.TakeReceived(), nullptr);
}

TEST_F(UsbLinkThreads, BulkPhaseAndOneSilenceTickAfterApplicationData) {
    link.interrupt.push_back(Packet(kUsbTransport, kUsbDataAvailable));
    link.bulk.push_back(Packet(kUsbApplication, 255, {1, 2, 3, 4}));
    link.bulk.push_back(Bytes(kUsbHeaderSize + 3, 0));  // first 12 bytes zero: dropped
    link.bulk.push_back(Packet(kUsbApplication, 253, {'P', 0, 0}));
    link.bulk.push_back(Bytes());  // zero-length read: back to interrupt reads
    ASSERT_TRUE(usb.ActivateRead());
    const std::vector<Bytes> got = Received(5, 2000);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(UsbPacketId(got[0].data()), kUsbDataAvailable);
    EXPECT_EQ(got[0][1], kUsbFromInterrupt);
    EXPECT_EQ(UsbPacketId(got[1].data()), 255);
    EXPECT_EQ(got[1][1], kUsbFromBulk);
    EXPECT_EQ(UsbPacketId(got[2].data()), 253);
    // The zero-length read: an empty packet from the bulk pipe, then one tick from the
    // interrupt pipe.
    EXPECT_EQ(UsbPacketType(got[3].data()), 0);
    EXPECT_EQ(UsbPacketId(got[3].data()), 0);
    EXPECT_EQ(got[3][1], kUsbFromBulk);
    EXPECT_EQ(got[4][1], kUsbFromInterrupt);
    EXPECT_EQ(UsbPacketId(got[4].data()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(usb.TakeReceived(), nullptr);
}

TEST_F(UsbLinkThreads, ZeroLengthWriteAfterWholeUsbPacketsCountsAsAPacket) {
    usb.Queue([] {
        UsbPacketBuffer p(new uint8_t[kUsbPacketMax]);
        PutUsbHeader(p.get(), kUsbApplication, 36, 52);  // 64 bytes
        return p;
    }());
    usb.Queue([] {
        UsbPacketBuffer p(new uint8_t[kUsbPacketMax]);
        PutUsbHeader(p.get(), kUsbApplication, 36, 53);  // 65 bytes
        return p;
    }());
    usb.Queue([] {
        UsbPacketBuffer p(new uint8_t[kUsbHeaderSize]);
        PutUsbHeader(p.get(), kUsbTransport, 0, 0);  // the empty packet
        return p;
    }());
    ASSERT_TRUE(usb.ActivateWrite());
    const auto sent = WaitFor(kMsgUsbSent);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->lparam, 0);
    EXPECT_EQ(sent->wparam, 4u);
    EXPECT_EQ(link.writes, (std::vector<size_t>{64, 0, 65, 0}));
    EXPECT_EQ(usb.WriteOut(), usb.WriteIn());
}

TEST_F(UsbLinkThreads, ASixteenthPacketWaitsForTheWriter) {
    for (int i = 0; i < 40; ++i) {
        UsbPacketBuffer p(new uint8_t[kUsbPacketMax]);
        PutUsbHeader(p.get(), kUsbApplication, static_cast<uint16_t>(i), 10);
        ASSERT_TRUE(usb.Queue(std::move(p)));
    }
    usb.ActivateWrite();
    ASSERT_TRUE(WaitFor(kMsgUsbSent, 3000, [](const Posted&) { return true; }));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (usb.WriterActive() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::lock_guard<std::mutex> lock(link.mutex);
    EXPECT_EQ(link.writes.size(), 40u);
}

TEST_F(UsbLinkThreads, QueueWrapIsReportedAndTheReaderStops) {
    link.interrupt.push_back(Packet(kUsbTransport, kUsbDataAvailable));
    for (size_t i = 0; i < UsbConnection::kReadSlots + 10; ++i) link.bulk.push_back(Packet(kUsbApplication, 35, {1}));
    ASSERT_TRUE(usb.ActivateRead());
    const auto full = WaitFor(kMsgUsbReceived, 5000, [](const Posted& p) { return p.lparam != 0; });
    ASSERT_TRUE(full);
    EXPECT_EQ(full->lparam, kUsbReadQueueFull);
    EXPECT_STREQ(UsbReadErrorText(static_cast<int>(full->lparam)), "Error: Read packet Queue full");
    std::lock_guard<std::mutex> lock(link.mutex);
    // The data-available packet and 1023 bulk packets fill the ring; nothing is read after.
    EXPECT_EQ(link.bulk.size(), 11u);
}

TEST_F(UsbLinkThreads, TimeOutsAreReported) {
    link.interrupt.push_back(Packet(kUsbTransport, kUsbDataAvailable));  // the bulk read then finds nothing
    ASSERT_TRUE(usb.ActivateRead());
    const auto read = WaitFor(kMsgUsbReceived, 3000, [](const Posted& p) { return p.lparam != 0; });
    ASSERT_TRUE(read);
    EXPECT_EQ(read->lparam, kUsbReadTimeout);
    EXPECT_STREQ(UsbReadErrorText(kUsbReadTimeout), "Read operation timeout");

    link.writesTimeOut = true;
    UsbPacketBuffer p(new uint8_t[kUsbHeaderSize]);
    PutUsbHeader(p.get(), kUsbTransport, kUsbStartSession, 0);
    usb.Queue(std::move(p));
    usb.ActivateWrite();
    const auto written = WaitFor(kMsgUsbSent);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->lparam, kUsbWriteTimeout);
    EXPECT_EQ(written->wparam, 0u);
}

TEST_F(UsbLinkThreads, APlannedCloseEndsTheReaderWithoutAMessage) {
    ASSERT_TRUE(usb.ActivateRead());
    EXPECT_FALSE(usb.ActivateRead());  // already active
    usb.portClosing = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (usb.ReaderActive() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(usb.ReaderActive());
    EXPECT_FALSE(WaitFor(kMsgUsbReceived, 200));
    usb.portClosing = false;
    EXPECT_TRUE(usb.ActivateRead());
}

}  // namespace
