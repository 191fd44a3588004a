#include "transfer/serial/FrameReaderThread.h"

#include <cerrno>

#include "platform/App.h"
#include "transfer/serial/ComLink.h"

namespace {

// The read on the user-interface thread (wparam: its number).
constexpr unsigned kMsgReadDirect = 0x0400 + 102;

}  // namespace

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
    if (active_ || requested_ || direct_) return false;
    platform::App* app = platform::App::Current();
    if (app) app->KeepAlive();
    active_ = true;
    link_ = link;
    timeoutMs_ = timeoutMs;
    target_ = target;
    assembler_.Reset();
    if (link->CanWaitBriefly() && Post(kMsgReadDirect, ++directRead_)) {
        direct_ = true;
        return true;
    }
    StartThread(timeoutMs);
    return true;
}

void FrameReaderThread::StartThread(int firstTimeoutMs) {
    firstTimeoutMs_ = firstTimeoutMs;
    requested_ = true;
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    wake_.notify_all();
}

void FrameReaderThread::Stop() {
    std::unique_lock lock(mutex_);
    if (direct_) {
        // The queued read ends as a woken read would, before it has read anything.
        direct_ = false;
        ++directRead_;
        Take(-ECANCELED, 0);
        Finish();
        return;
    }
    if (!reading_ && !requested_) return;
    if (link_) link_->Wake();
    done_.wait(lock, [this] { return !reading_ && !requested_; });
    if (link_) link_->Rearm();
}

bool FrameReaderThread::OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) {
    if (message != kMsgReadDirect) return MessageTarget::OnMessage(message, wparam, lparam);
    if (direct_ && wparam == directRead_) ReadDirect();
    return true;
}

void FrameReaderThread::ReadDirect() {
    // The first byte may wait; the rest of the frame is taken as far as it has come.
    int wait = static_cast<int>(kDirectWait.count());
    for (;;) {
        uint8_t byte = 0;
        const int got = link_->ReadByte(byte, wait);
        if (got == 0) break;
        wait = 0;
        if (Take(got, byte)) {
            direct_ = false;
            Finish();
            return;
        }
    }
    // The thread reads on; a first byte that did not come has used the wait of its time-out.
    std::lock_guard lock(mutex_);
    direct_ = false;
    const int waited = wait;
    StartThread(timeoutMs_ > waited ? timeoutMs_ - waited : 0);
}

bool FrameReaderThread::Take(int got, uint8_t byte) {
    if (got == 1) {
        if (!assembler_.Add(byte)) return false;
        result_ = assembler_.Residue();
        error_ = 0;
        return true;
    }
    const int fill = assembler_.Fill();
    result_ = -(fill + 1);
    error_ = EncodeReadError(got < 0 ? -got : 0, fill, assembler_.Discards());
    return true;
}

void FrameReaderThread::Finish() {
    // Taken before the next activation may begin.
    const long result = result_;
    const long error = error_;
    platform::MessageTarget* target = target_;
    active_ = false;
    // The loop's hold passes to the message: its handler releases it (ReleaseHold), so that the
    // loop cannot end between this post and its handling.
    platform::App* app = platform::App::Current();
    if (app && !app->Post(target, kMsgFrame, static_cast<platform::WParam>(result), error)) app->Release();
}

void FrameReaderThread::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || requested_; });
        if (quit_) return;
        requested_ = false;
        reading_ = true;
        lock.unlock();
        ReadFrameThread();
        lock.lock();
        reading_ = false;
        done_.notify_all();
    }
}

void FrameReaderThread::ReadFrameThread() {
    int timeout = firstTimeoutMs_;
    for (;;) {
        uint8_t byte = 0;
        const int got = link_->ReadByte(byte, timeout);
        timeout = timeoutMs_;
        if (Take(got, byte)) break;
    }
    Finish();
}

void FrameReaderThread::ReleaseHold() {
    if (platform::App* app = platform::App::Current()) app->Release();
}
