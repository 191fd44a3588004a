// The link's reader: on each activation it reads one frame (or up to a read time-out or
// error) into the receive buffer and posts the frame message with its result and error.
// When the link can wait briefly, the activation first reads on the user-interface thread
// (a queued message of its own, after the handler that activated it has sent its frame): the
// answer to a frame just sent usually arrives within the wait, and the frame then costs no
// hand-over between threads. What does not arrive in time is read on by one thread that
// serves every activation; Stop wakes a read in progress and waits for its end.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/MessageTarget.h"
#include "transfer/serial/LinkFrame.h"

class ComLink;

// The frame message: wparam the result, lparam the error.
constexpr unsigned kMsgFrame = 0x0400 + 101;

// Error of a read that held no byte: discards in bits 20..28, bit 29 set, the error code in
// the low 20 bits.
constexpr long kDiscardFlag = 1L << 29;
long EncodeReadError(int code, int fill, int discards);

class FrameReaderThread : public platform::MessageTarget {
public:
    // How long a read waits on the user-interface thread before the thread reads on.
    static constexpr std::chrono::milliseconds kDirectWait{4};

    FrameReaderThread() = default;
    ~FrameReaderThread() override;

    // Starts reading one frame from link; false when a read is running.
    bool Activate(ComLink* link, int timeoutMs, platform::MessageTarget* target);
    bool Active() const { return active_; }
    // Wakes a running read and waits for its end (its message is still posted).
    void Stop();
    // Ends the loop's hold of one frame message; its handler calls it once.
    static void ReleaseHold();
    // The receive buffer: read by the user-interface thread only in the frame message.
    const FrameAssembler& Received() const { return assembler_; }

    bool OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) override;

private:
    void Loop();
    void ReadFrameThread();
    // The read on the user-interface thread.
    void ReadDirect();
    // Takes what ReadByte gave; true when the frame (or the read) has ended.
    bool Take(int got, uint8_t byte);
    // Posts the frame message of the ended read.
    void Finish();
    // Hands the read over to the thread (mutex held); the next byte waits firstTimeoutMs.
    void StartThread(int firstTimeoutMs);

    FrameAssembler assembler_;
    std::atomic<bool> active_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::thread thread_;
    bool requested_ = false;
    bool reading_ = false;
    bool quit_ = false;
    bool direct_ = false;        // a read on the user-interface thread is queued
    unsigned long directRead_ = 0;  // the queued read's number (stale ones are ignored)
    long result_ = 0;
    long error_ = 0;
    ComLink* link_ = nullptr;
    int timeoutMs_ = 8000;
    int firstTimeoutMs_ = 8000;
    platform::MessageTarget* target_ = nullptr;
};
