// The reader over a pipe: a frame that has come is read on the loop's own thread, one that
// comes later is read on by the reader's thread, a stop ends a queued read as a woken read
// ends, and the closed end of the pipe is a read error.
#include "transfer/serial/FrameReaderThread.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "platform/App.h"
#include "platform/HeadlessUi.h"
#include "transfer/serial/ComLink.h"

namespace {

// A pipe link that notes the threads its reads ran on.
class PipeLink : public FdLink {
public:
    PipeLink() {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe");
        writeEnd = fds[1];
        Attach(fds[0], -1, false);
        readEnd_ = fds[0];
    }
    ~PipeLink() override {
        ::close(readEnd_);
        if (writeEnd >= 0) ::close(writeEnd);
    }
    int ReadByte(uint8_t& byte, int timeoutMs) override {
        {
            std::lock_guard lock(mutex_);
            threads_.insert(std::this_thread::get_id());
        }
        return FdLink::ReadByte(byte, timeoutMs);
    }
    std::set<std::thread::id> Threads() {
        std::lock_guard lock(mutex_);
        return threads_;
    }
    void Send(int id) {
        LinkFrame frame;
        const uint8_t data[2] = {0x10, 7};
        frame.Set(id, data, 2);
        frame.Seal();
        uint8_t out[kMaxStuffedFrame];
        const int n = frame.Stuff(out);
        ASSERT_EQ(::write(writeEnd, out, static_cast<size_t>(n)), n);
    }

    int writeEnd = -1;

private:
    int readEnd_ = -1;
    std::mutex mutex_;
    std::set<std::thread::id> threads_;
};

struct FrameCatcher : platform::MessageTarget {
    std::vector<std::pair<long, long>> frames;  // result, error
    bool OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) override {
        if (message != kMsgFrame) return MessageTarget::OnMessage(message, wparam, lparam);
        frames.emplace_back(static_cast<long>(wparam), static_cast<long>(lparam));
        FrameReaderThread::ReleaseHold();
        return true;
    }
};

class FrameReader : public ::testing::Test {
protected:
    FrameReader() { app_.SetUi(std::make_unique<platform::HeadlessUi>()); }

    // Dispatches until a frame message came, or a second passed.
    void Pump() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (catcher_.frames.empty() && std::chrono::steady_clock::now() < until) {
            if (app_.DispatchPending() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    platform::App app_;
    PipeLink link_;
    FrameCatcher catcher_;
    FrameReaderThread reader_;
};

TEST_F(FrameReader, FrameThatHasComeIsReadOnTheLoopThread) {
    link_.Send(6);
    ASSERT_TRUE(reader_.Activate(&link_, 8000, &catcher_));
    EXPECT_FALSE(reader_.Activate(&link_, 8000, &catcher_));
    Pump();
    ASSERT_EQ(catcher_.frames.size(), 1u);
    EXPECT_EQ(catcher_.frames[0], std::make_pair(0L, 0L));
    EXPECT_EQ(reader_.Received().Buffer()[1], 6);
    EXPECT_EQ(link_.Threads(), std::set<std::thread::id>{std::this_thread::get_id()});
    EXPECT_FALSE(reader_.Active());
}

TEST_F(FrameReader, LateFrameIsReadOnByTheThread) {
    ASSERT_TRUE(reader_.Activate(&link_, 8000, &catcher_));
    app_.DispatchPending();  // the wait on the loop's thread passes with nothing read
    EXPECT_TRUE(reader_.Active());
    link_.Send(35);
    Pump();
    ASSERT_EQ(catcher_.frames.size(), 1u);
    EXPECT_EQ(catcher_.frames[0], std::make_pair(0L, 0L));
    EXPECT_EQ(reader_.Received().Buffer()[1], 35);
    EXPECT_EQ(link_.Threads().size(), 2u);
}

TEST_F(FrameReader, StopEndsAQueuedReadAsWoken) {
    ASSERT_TRUE(reader_.Activate(&link_, 8000, &catcher_));
    reader_.Stop();
    EXPECT_FALSE(reader_.Active());
    link_.Send(6);
    Pump();
    ASSERT_EQ(catcher_.frames.size(), 1u);
    EXPECT_EQ(catcher_.frames[0].first, -1);
    EXPECT_EQ(catcher_.frames[0].second & 0xFFFFF, ECANCELED);
    // The stopped read took nothing: the next one finds the frame.
    catcher_.frames.clear();
    ASSERT_TRUE(reader_.Activate(&link_, 8000, &catcher_));
    Pump();
    ASSERT_EQ(catcher_.frames.size(), 1u);
    EXPECT_EQ(catcher_.frames[0], std::make_pair(0L, 0L));
}

TEST_F(FrameReader, ClosedPipeIsAReadError) {
    for (bool late : {false, true}) {
        SCOPED_TRACE(late);
        PipeLink link;
        catcher_.frames.clear();
        if (!late) ::close(std::exchange(link.writeEnd, -1));
        ASSERT_TRUE(reader_.Activate(&link, 8000, &catcher_));
        app_.DispatchPending();
        if (late) ::close(std::exchange(link.writeEnd, -1));
        Pump();
        ASSERT_EQ(catcher_.frames.size(), 1u);
        EXPECT_EQ(catcher_.frames[0].first, -1);
        EXPECT_EQ(catcher_.frames[0].second & 0xFFFFF, EPIPE);
    }
}

}  // namespace
