// The link's reader: on each activation it reads one frame (or up to a read time-out or
// error) into the receive buffer and posts the frame message with its result and error. One
// thread serves every activation; Stop wakes a read in progress and waits for its end.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "transfer/serial/LinkFrame.h"

class ComLink;

namespace platform {
class MessageTarget;
}

// The frame message: wparam the result, lparam the error.
constexpr unsigned kMsgFrame = 0x0400 + 101;

// Error of a read that held no byte: discards in bits 20..28, bit 29 set, the error code in
// the low 20 bits.
constexpr long kDiscardFlag = 1L << 29;
long EncodeReadError(int code, int fill, int discards);

class FrameReaderThread {
public:
    FrameReaderThread() = default;
    ~FrameReaderThread();

    // Starts reading one frame from link; false when a read is running.
    bool Activate(ComLink* link, int timeoutMs, platform::MessageTarget* target);
    bool Active() const { return active_; }
    // Wakes a running read and waits for its end (its message is still posted).
    void Stop();
    // Ends the loop's hold of one frame message; its handler calls it once.
    static void ReleaseHold();
    // The receive buffer: read by the user-interface thread only in the frame message.
    const FrameAssembler& Received() const { return assembler_; }

private:
    void Loop();
    void ReadFrameThread();

    FrameAssembler assembler_;
    std::atomic<bool> active_{false};
    std::atomic<bool> pending_{false};  // an activation waits
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::thread thread_;
    bool requested_ = false;
    bool reading_ = false;
    bool quit_ = false;
    ComLink* link_ = nullptr;
    int timeoutMs_ = 8000;
    platform::MessageTarget* target_ = nullptr;
};
