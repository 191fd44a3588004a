// The protocol engine driven through a link that a scripted unit answers, on a fake clock: a
// read waits until the unit has answered, and a read time-out or the window timer happens only
// when the test lets it (no real time passes).
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HeadlessUi.h"
#include "transfer/common/CComDoc.h"
#include "transfer/serial/CComApp.h"
#include "transfer/serial/CComSetupDlg.h"
#include "transfer/serial/CComView.h"
#include "transfer/serial/LinkFrame.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A unit's frames as the client wrote them (unstuffed), and what the unit answers.
class FakeLink : public ComLink {
public:
    // Called with each frame the client writes (id, data); returns the bytes the unit sends.
    std::function<Bytes(int, const Bytes&)> unit;
    std::vector<std::pair<int, Bytes>> written;

    int ReadByte(uint8_t& byte, int /*timeoutMs*/) override {
        std::unique_lock lock(mutex_);
        waiting_ = true;
        changed_.notify_all();
        cv_.wait(lock, [this] { return !in_.empty() || timeouts_ > 0 || woken_; });
        waiting_ = false;
        if (woken_) return -ECANCELED;
        if (!in_.empty()) {
            byte = in_.front();
            in_.pop_front();
            return 1;
        }
        --timeouts_;
        return 0;
    }
    int Write(const uint8_t* bytes, size_t count) override {
        // Frames arrive whole: unstuff and hand each to the unit.
        Bytes frame;
        for (size_t i = 1; i + 2 < count; ++i) {
            frame.push_back(bytes[i]);
            if (bytes[i] == kDle) ++i;
        }
        const int id = frame[0];
        Bytes data(frame.begin() + 2, frame.begin() + 2 + frame[1]);
        written.emplace_back(id, data);
        const Bytes reply = unit ? unit(id, data) : Bytes{};
        std::lock_guard lock(mutex_);
        in_.insert(in_.end(), reply.begin(), reply.end());
        cv_.notify_all();
        return 0;
    }
    void Wake() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        cv_.notify_all();
    }
    void Rearm() override {
        std::lock_guard lock(mutex_);
        woken_ = false;
    }
    // True when a read waits with nothing to read.
    bool Starved() {
        std::lock_guard lock(mutex_);
        return waiting_ && in_.empty() && timeouts_ == 0;
    }
    void TimeOut() {
        std::lock_guard lock(mutex_);
        ++timeouts_;
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_, changed_;
    std::deque<uint8_t> in_;
    int timeouts_ = 0;
    bool waiting_ = false;
    bool woken_ = false;
};

Bytes Frame(int id, const Bytes& data) {
    LinkFrame f;
    f.Set(id, data.data(), static_cast<int>(data.size()));
    f.Seal();
    uint8_t out[kMaxStuffedFrame];
    return Bytes(out, out + f.Stuff(out));
}

Bytes Ack(int id) { return Frame(6, {static_cast<uint8_t>(id), 0}); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes U32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// A unit of the given product id: ACKs, product data, unit id, baud replies.
struct ScriptedUnit {
    int productId = 71;
    bool answerBaud = true;
    Bytes operator()(int id, const Bytes& data) const {
        if (id == 6 || id == 21) return {};
        Bytes reply = Ack(id);
        if (id == 254) reply = reply + Frame(255, {uint8_t(productId), uint8_t(productId >> 8), 200, 0, 'U', 0});
        if (id == 10 && data[0] == 14) reply = reply + Frame(38, U32(1234567));
        if (id == 48) reply = answerBaud ? reply + Frame(49, data) : Bytes{};
        return reply;
    }
};

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("engine-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        auto ui = std::make_unique<platform::HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        app_.SetUi(std::move(ui));
        ASSERT_TRUE(app_.InitInstance());
        app_.DispatchPending();  // the start message: the setup dialog, cancelled
        view_ = app_.ComView();
        ASSERT_NE(view_, nullptr);
    }
    void TearDown() override {
        view_->StopTransfer("end");
        std::filesystem::remove_all(dir_);
    }

    std::string WriteFile(const std::string& name, const Bytes& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // A read of the unit's waypoints into the file, at the starting rate.
    void ReadWaypointsInto(const std::string& name) {
        view_->mode = kModeRead;
        view_->database = 1;
        view_->maxBaud = 0;
        view_->checks.fileName = (dir_ / name).string();
    }

    // Runs the transfer on the fake clock until it ends (or the steps run out).
    void Run(int maxSteps = 100000, bool mustEnd = true) {
        view_->UseLink(&link_);
        view_->OpenPort(kPortGiven);
        for (int steps = 0; view_->Busy() && steps < maxSteps; ++steps) {
            if (app_.DispatchPending() != 0) continue;
            if (view_->TimerId() != 0) {
                view_->OnTimer(1);
            } else if (link_.Starved()) {
                link_.TimeOut();
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        if (mustEnd) {
            ASSERT_FALSE(view_->Busy()) << "the transfer did not end";
        }
    }

    std::vector<std::string> Log() const { return view_->GetDoc()->Lines(); }
    bool Logged(const std::string& line) const {
        const auto lines = Log();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::filesystem::path dir_;
    CComApp app_;
    CComView* view_ = nullptr;
    FakeLink link_;
};

Bytes GarRecord(int id, const Bytes& data) { return Bytes{uint8_t(id), uint8_t(data.size())} + data; }

TEST_F(Engine, NakAfterBaudChangeResendsTheRecordItNames) {
    const Bytes r1(20, 1), r2(20, 2), r3(20, 3);
    view_->mode = kModeWrite;
    view_->database = 1;
    view_->maxBaud = 5;
    view_->checks.fileName = WriteFile("w.gar", GarRecord(35, r1) + GarRecord(35, r2) + GarRecord(35, r3) +
                                                    GarRecord(12, {0, 0}));
    ScriptedUnit unit;
    bool naked = false;
    Bytes heldAck;
    link_.unit = [&](int id, const Bytes& data) {
        // The ACK of the packet after a baud change comes late, with the next one's.
        if (id == 0) {
            heldAck = Ack(0);
            return Bytes{};
        }
        Bytes reply = heldAck;
        if (id != 6 && id != 21) heldAck.clear();
        if (id == 35 && !naked) {
            naked = true;
            return reply + Frame(21, {35, 0});
        }
        return reply + unit(id, data);
    };
    Run();
    EXPECT_TRUE(Logged("Changed Baudrate to 57600"));
    EXPECT_TRUE(Logged("Transfer Complete"));
    std::vector<Bytes> records;
    for (const auto& [id, data] : link_.written) {
        if (id == 35) records.push_back(data);
    }
    EXPECT_EQ(records, (std::vector<Bytes>{r1, r1, r2, r3})) << "the NAKed record again, none lost";
}

TEST_F(Engine, ShortFrameWithStaleBytesIsNaked) {
    ReadWaypointsInto("r.gar");
    ScriptedUnit unit;
    bool shortSent = false;
    const Bytes waypoint(30, 7);
    link_.unit = [&](int id, const Bytes& data) {
        if (id == 254 && !shortSent) {
            shortSent = true;
            // Size 9 but only one data byte: the bytes held sum to 0, the rest would be stale.
            const Bytes shortFrame{kDle, 255, 9, 71, static_cast<uint8_t>(-(255 + 9 + 71)), kDle, kEtx};
            return Ack(254) + shortFrame;
        }
        if (id == 21) return unit(254, {});
        if (id == 10 && data[0] == 7)
            return Ack(10) + Frame(27, {1, 0}) + Frame(35, waypoint) + Frame(12, {7, 0});
        return unit(id, data);
    };
    Run();
    EXPECT_TRUE(Logged("Read sumcheck failed - sending NACK"));
    bool nak = false;
    for (const auto& [id, data] : link_.written) nak |= id == 21 && data[0] == 255;
    EXPECT_TRUE(nak);
    EXPECT_TRUE(Logged("Transfer Complete"));
    std::ifstream in(view_->checks.fileName, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(file, GarRecord(255, {71, 0, 200, 0}) + GarRecord(27, {1, 0}) + GarRecord(35, waypoint) +
                        GarRecord(12, {7, 0}));
}

TEST_F(Engine, IgnoredBaudRequestKeepsTheRateAndTheJobGoesOn) {
    view_->mode = kModeWrite;
    view_->database = 1;
    view_->maxBaud = 6;
    view_->checks.fileName = WriteFile("w.gar", GarRecord(35, Bytes(10, 1)));
    ScriptedUnit unit;
    unit.answerBaud = false;
    link_.unit = unit;
    Run();
    EXPECT_TRUE(Logged("GPS did not respond to a baudrate request"));
    EXPECT_FALSE(Logged("Resetting Baudrate"));
    EXPECT_TRUE(Logged("Transfer Complete"));
    int baudRequests = 0;
    for (const auto& [id, data] : link_.written) baudRequests += id == 48;
    EXPECT_EQ(baudRequests, 1);
}

// A receive whose file cannot take the records ends with the error, never as complete.
TEST_F(Engine, ReceiveThatCannotBeWrittenEndsWithTheWriteError) {
    ReadWaypointsInto("r.gar");
    ScriptedUnit unit;
    link_.unit = [&](int id, const Bytes& data) {
        if (id == 10 && data[0] == 7)
            return Ack(10) + Frame(27, {1, 0}) + Frame(35, Bytes(30, 7)) + Frame(12, {7, 0});
        return unit(id, data);
    };
    // Files of this process may not grow past 16 bytes: the waypoint's write fails.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 16;
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Run();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(Logged("Transfer Complete"));
    EXPECT_TRUE(Logged("Unable to write '" + view_->checks.fileName + "' - " + std::strerror(EFBIG) +
                       " - Transfer Terminated"));
    EXPECT_TRUE(view_->TransferFailed());
}

// A screen dump comes with no count and no end: the count is made up from its first record,
// and the job ends after that many records.
TEST_F(Engine, ScreenReceiveEndsAfterTheAnnouncedRecords) {
    view_->mode = kModeRead;
    view_->database = 6;
    view_->maxBaud = 0;
    view_->checks.fileName = (dir_ / "s.gar").string();
    ScriptedUnit unit;
    std::vector<Bytes> records;
    for (int i = 0; i < 4; ++i) {
        Bytes data(24, static_cast<uint8_t>(i));
        data[16] = 3;  // records after the first
        data[17] = 0;
        records.push_back(data);
    }
    link_.unit = [&](int id, const Bytes& data) {
        if (id == 10 && data[0] == 32) {
            Bytes reply = Ack(10);
            for (const Bytes& r : records) reply = reply + Frame(69, r);
            return reply;
        }
        return unit(id, data);
    };
    Run();
    EXPECT_TRUE(Logged("Transfer Complete"));
    EXPECT_EQ(view_->PacketsCounted(), 4);
    std::ifstream in(view_->checks.fileName, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), {});
    Bytes expected = GarRecord(255, {71, 0, 200, 0}) + GarRecord(27, {4, 0});
    for (const Bytes& r : records) expected = expected + GarRecord(69, r);
    EXPECT_EQ(file, expected + GarRecord(12, {32, 0}));
}

// Random frames and bytes from the far end, to the client and to the emulated unit: the engine
// reads only inside the packets it holds (the sanitizer build checks) and keeps going.
TEST_F(Engine, RandomFramesNeitherCrashNorHang) {
    const int ids[] = {0, 6, 9, 10, 12, 14, 17, 19, 21, 27, 28, 29, 30, 31, 32, 34, 35, 36, 38,
                       45, 48, 49, 69, 74, 75, 98, 99, 123, 248, 253, 254, 255, 7, 200};
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    for (int round = 0; round < 6; ++round) {
        unsigned seed = 12345u + static_cast<unsigned>(round);
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return seed >> 16;
        };
        view_->mode = round % 2 == 0 ? kModeHost : kModeRead;
        view_->database = 1 + round % 6;
        view_->maxBaud = 6;
        view_->checks.fileName = (dir_ / "r.gar").string();
        link_.written.clear();
        link_.unit = [&](int, const Bytes&) {
            Bytes reply;
            for (int n = static_cast<int>(next() % 3); n > 0; --n) {
                Bytes data(next() % 40);
                if (next() % 8 == 0) data.resize(next() % 256);
                for (uint8_t& b : data) b = static_cast<uint8_t>(next() % 4 == 0 ? kDle : next());
                Bytes frame = Frame(ids[next() % std::size(ids)], data);
                if (next() % 6 == 0) frame.resize(next() % (frame.size() + 1));  // broken off
                if (!frame.empty() && next() % 6 == 0) frame[next() % frame.size()] ^= 0x5A;  // damaged
                reply = reply + frame;
            }
            return reply;
        };
        Run(3000, false);
        view_->StopTransfer("end");
        app_.DispatchPending();
    }
    std::filesystem::current_path(cwd);
}

}  // namespace
