#include "transfer/serial/FrameReaderThread.h"

#include <chrono>

#include "platform/App.h"
#include "transfer/serial/ComLink.h"

long EncodeReadError(int code, int fill, int discards) {
    if (fill == 0 && (static_cast<unsigned>(code) & 0xFFF00000u) == 0)
        return code | static_cast<long>(0x200 + (discards & 0x1FF)) << 20;
    return code;
}

FrameReaderThread::~FrameReaderThread() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool FrameReaderThread::Activate(ComLink* link, int timeoutMs, platform::MessageTarget* target) {
    std::lock_guard lock(mutex_);
    // A reader that posted its frame may still be finishing: the request waits for it.
    if (active_ || requested_) return false;
    if (platform::App* app = platform::App::Current()) app->KeepAlive();
    active_ = true;
    link_ = link;
    timeoutMs_ = timeoutMs;
    target_ = target;
    requested_ = true;
    pending_ = true;
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    wake_.notify_all();
    return true;
}

void FrameReaderThread::Stop() {
    std::unique_lock lock(mutex_);
    if (!reading_ && !requested_) return;
    if (link_) link_->Wake();
    done_.wait(lock, [this] { return !reading_ && !requested_; });
    if (link_) link_->Rearm();
}

void FrameReaderThread::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || requested_; });
        if (quit_) return;
        requested_ = false;
        pending_ = false;
        reading_ = true;
        lock.unlock();
        ReadFrameThread();
        // The next activation usually follows at once: wait for it a moment before sleeping.
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
        while (!pending_.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        lock.lock();
        reading_ = false;
        done_.notify_all();
    }
}

void FrameReaderThread::ReadFrameThread() {
    assembler_.Reset();
    long result = 0;
    long error = 0;
    for (;;) {
        uint8_t byte = 0;
        const int got = link_->ReadByte(byte, timeoutMs_);
        if (got == 1) {
            if (!assembler_.Add(byte)) continue;
            result = assembler_.Residue();
            break;
        }
        const int fill = assembler_.Fill();
        result = -(fill + 1);
        error = EncodeReadError(got < 0 ? -got : 0, fill, assembler_.Discards());
        break;
    }
    active_ = false;
    // The loop's hold passes to the message: its handler releases it (ReleaseHold), so that the
    // loop cannot end between this post and its handling.
    platform::App* app = platform::App::Current();
    if (app && !app->Post(target_, kMsgFrame, static_cast<platform::WParam>(result), error)) app->Release();
}

void FrameReaderThread::ReleaseHold() {
    if (platform::App* app = platform::App::Current()) app->Release();
}
