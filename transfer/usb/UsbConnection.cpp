#include "transfer/usb/UsbConnection.h"

#include <chrono>
#include <cstring>
#include <new>

#include "transfer/usb/UsbPacket.h"

namespace {

using Clock = std::chrono::steady_clock;

UsbPacketBuffer NewBuffer() { return UsbPacketBuffer(new (std::nothrow) uint8_t[kUsbPacketMax]); }

bool HeaderIsZero(const uint8_t* packet) {
    for (size_t i = 0; i < kUsbHeaderSize; ++i) {
        if (packet[i] != 0) return false;
    }
    return true;
}

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : left < UsbConnection::kPollMs ? static_cast<int>(left) : UsbConnection::kPollMs;
}

}  // namespace

const char* UsbReadErrorText(int status) {
    switch (status) {
        case kUsbReadNoMemory: return "Error: malloc returned zero";
        case kUsbReadQueueFull: return "Error: Read packet Queue full";
        case kUsbReadTimeout: return "Read operation timeout";
        default: return "ReadPacket failed";
    }
}

UsbConnection::UsbConnection(UsbLink& link, Poster post) : link_(link), post_(std::move(post)) {}

UsbConnection::~UsbConnection() { Close(); }

void UsbConnection::Post(unsigned message, uintptr_t wparam, intptr_t lparam) {
    if (post_) post_(message, wparam, lparam);
}

void UsbConnection::JoinThreads() {
    closing_ = true;
    if (reader_.joinable()) reader_.join();
    if (writer_.joinable()) writer_.join();
    closing_ = false;
}

void UsbConnection::DropQueues() {
    for (auto& slot : readQueue_) slot.reset();
    for (auto& slot : writeQueue_) slot.reset();
    readIn_ = readOut_ = writeIn_ = writeOut_ = 0;
}

UsbOpen UsbConnection::Open(std::string& path, std::string& detail) {
    JoinThreads();
    if (link_.IsOpen()) link_.Close();
    DropQueues();
    packetSize_ = 0;
    const UsbOpen result = link_.Open(path, detail);
    if (result == UsbOpen::Ok) {
        packetSize_ = link_.PacketSize();
        ++connections_;
    }
    return result;
}

void UsbConnection::Close() {
    JoinThreads();
    if (link_.IsOpen()) link_.Close();
    DropQueues();
}

bool UsbConnection::ActivateRead() {
    if (!running || readerActive_) return false;
    if (reader_.joinable()) reader_.join();
    readerActive_ = true;
    reader_ = std::thread([this] { ReaderBody(); });
    return true;
}

bool UsbConnection::ActivateWrite() {
    if (!running) return false;
    {
        std::lock_guard<std::mutex> lock(writerMutex_);
        // A running writer takes the packets queued before this call: it looks at the queue
        // under the same lock before it ends.
        if (writerActive_) return false;
        writerActive_ = true;
    }
    if (writer_.joinable()) writer_.join();
    writer_ = std::thread([this] { WriterBody(); });
    return true;
}

bool UsbConnection::Queue(UsbPacketBuffer packet) {
    if (!packet) return false;
    // The queue has no room for a 16th packet: wait for the writer rather than overwrite.
    while ((writeIn_ + 1) % kWriteSlots == writeOut_) {
        if (!running) return false;
        if (!writerActive_ && !ActivateWrite()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const size_t in = writeIn_;
    writeQueue_[in] = std::move(packet);
    writeIn_ = (in + 1) % kWriteSlots;
    return true;
}

UsbPacketBuffer UsbConnection::TakeReceived() {
    const size_t out = readOut_;
    if (out == readIn_) return nullptr;
    UsbPacketBuffer packet = std::move(readQueue_[out]);
    readOut_ = (out + 1) % kReadSlots;
    return packet;
}

void UsbConnection::Complete(UsbPacketBuffer buffer, size_t count) {
    const int entryPhase = phase_;
    if (count == 0) {
        phase_ = 0;
        std::memset(buffer.get(), 0, kUsbHeaderSize);
    } else if (HeaderIsZero(buffer.get())) {
        return;
    }
    wait_ = UsbPacketType(buffer.get()) == kUsbTransport && entryPhase == 0;
    buffer[1] = entryPhase > 0 ? kUsbFromBulk : kUsbFromInterrupt;
    PutUsbU16(buffer.get() + 2, static_cast<uint32_t>(count));
    const size_t in = readIn_;
    const bool wasEmpty = in == readOut_;
    readQueue_[in] = std::move(buffer);
    const size_t next = (in + 1) % kReadSlots;
    readIn_ = next;
    if (next == readOut_) {
        // The ring has wrapped onto unread packets: the reader stops and reports it.
        status_ = kUsbReadQueueFull;
    } else if (wasEmpty) {
        Post(kMsgUsbReceived, static_cast<uintptr_t>(entryPhase + (count == 0 ? 100 : 0)), 0);
    }
}

bool UsbConnection::ReadInterruptPacket(uint8_t* buffer, size_t& filled) {
    filled = 0;
    int empty = 0;
    while (!Stopping()) {
        const size_t room = kUsbPacketMax - filled;
        const UsbIoResult r =
            link_.ReadInterrupt(buffer + filled, room < kUsbInterruptPiece ? room : kUsbInterruptPiece, kPollMs);
        if (r.status == UsbIo::Error) {
            status_ = r.error;
            return false;
        }
        if (r.status == UsbIo::Timeout) {
            // A packet in pieces, or a reader told to wait, keeps waiting.
            if (filled > 0 || wait_) continue;
            if (++empty < kSilenceLooks) continue;
            empty = 0;
            UsbPacketBuffer tick = NewBuffer();
            if (!tick) {
                status_ = kUsbReadNoMemory;
                return false;
            }
            Complete(std::move(tick), 0);
            if (status_ != 0) return false;
            continue;
        }
        filled += r.bytes;
        // A whole piece means more follows.
        if (r.bytes == kUsbInterruptPiece && filled < kUsbPacketMax) continue;
        return true;
    }
    return false;
}

UsbIoResult UsbConnection::Timed(bool reading, int delayMs, size_t length,
                                 const std::function<UsbIoResult(size_t, int)>& step) {
    // The call runs in slices so that a stop is seen at once; what a slice moved before its
    // time-out is kept and the next slice goes on behind it.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(delayMs);
    UsbIoResult total;
    for (;;) {
        if (closing_ || (reading && Stopping())) {
            total.status = UsbIo::Timeout;
            return total;
        }
        const UsbIoResult r = step(total.bytes, RemainingMs(deadline));
        total.bytes += r.bytes;
        if (r.status != UsbIo::Timeout) {
            total.status = r.status;
            total.error = r.error;
            return total;
        }
        if (Clock::now() >= deadline || (length > 0 && total.bytes >= length)) {
            total.status = total.bytes >= length && length > 0 ? UsbIo::Ok : UsbIo::Timeout;
            return total;
        }
    }
}

UsbIoResult UsbConnection::ReadBulkTimed(uint8_t* buffer) {
    return Timed(true, intraReadDelay, kUsbPacketMax, [this, buffer](size_t done, int ms) {
        return link_.ReadBulk(buffer + done, kUsbPacketMax - done, ms);
    });
}

void UsbConnection::ReaderBody() {
    phase_ = 0;
    wait_ = true;
    status_ = 0;
    UsbPacketBuffer buffer;
    while (!Stopping() && status_ == 0) {
        if (!buffer) buffer = NewBuffer();
        if (!buffer) {
            status_ = kUsbReadNoMemory;
            break;
        }
        if (phase_ == 0) {
            size_t filled = 0;
            if (!ReadInterruptPacket(buffer.get(), filled)) break;
            const uint8_t* p = buffer.get();
            if (filled == 0 || (UsbPacketType(p) == 0 && UsbPacketId(p) == 0)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
                continue;
            }
            const bool toBulk = filled == kUsbHeaderSize && UsbPacketType(p) == kUsbTransport &&
                                UsbPacketId(p) == kUsbDataAvailable;
            Complete(std::move(buffer), filled);
            if (toBulk) ++phase_;
        } else {
            const UsbIoResult r = ReadBulkTimed(buffer.get());
            if (Stopping()) break;
            if (r.status == UsbIo::Timeout) {
                status_ = kUsbReadTimeout;
                break;
            }
            if (r.status == UsbIo::Error) {
                status_ = r.error;
                break;
            }
            Complete(std::move(buffer), r.bytes);
        }
    }
    buffer.reset();
    const bool quiet = portClosing || closing_;
    const int phase = phase_;
    const int status = running ? status_ : 0;
    readerActive_ = false;
    if (!quiet) Post(kMsgUsbReceived, static_cast<uintptr_t>(10 * (phase + 1)), status);
}

UsbIoResult UsbConnection::WriteTimed(const uint8_t* buffer, size_t length) {
    return Timed(false, intraWriteDelay, length, [this, buffer, length](size_t done, int ms) {
        return link_.WriteBulk(buffer + done, length - done, ms);
    });
}

void UsbConnection::WriterBody() {
    written_ = 0;
    writeStatus_ = 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(writerMutex_);
            if (!running || closing_ || writeStatus_ != 0 || writeOut_ == writeIn_) {
                writerActive_ = false;
                break;
            }
        }
        const size_t out = writeOut_;
        uint8_t* packet = writeQueue_[out].get();
        const size_t length =
            UsbPacketType(packet) == 0 && UsbPacketId(packet) == 0 ? 0 : kUsbHeaderSize + UsbPacketSize(packet);
        const UsbIoResult r = WriteTimed(packet, length);
        if (r.status == UsbIo::Timeout) {
            writeStatus_ = kUsbWriteTimeout;
            continue;
        }
        if (r.status == UsbIo::Error) {
            writeStatus_ = r.error != 0 ? r.error : kUsbWriteTimeout;
            continue;
        }
        if (length > 0 && packetSize_ > 0 && length % packetSize_ == 0) {
            // A write of whole USB packets is ended by a zero-length write: the entry becomes
            // the empty packet and is written on the next turn.
            std::memset(packet, 0, kUsbHeaderSize);
        } else {
            writeQueue_[out].reset();
            writeOut_ = (out + 1) % kWriteSlots;
        }
        ++written_;
    }
    Post(kMsgUsbSent, static_cast<uintptr_t>(written_), writeStatus_);
}
