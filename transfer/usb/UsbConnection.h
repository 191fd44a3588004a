// The link to the unit: the device opened through a UsbLink, a reader thread that fills the
// read queue from the interrupt and bulk pipes, and a writer thread that empties the write
// queue onto the device. Both hand over to the user-interface thread by posting messages:
// kMsgUsbReceived (wparam the reader's phase marker, lparam a status) and kMsgUsbSent
// (wparam the packets written, lparam a status). Each queue index is written by one side.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "transfer/usb/UsbLink.h"

constexpr unsigned kMsgUsbReceived = 0x466;
constexpr unsigned kMsgUsbSent = 0x467;

// Statuses of kMsgUsbReceived (other values: the link's error code).
constexpr int kUsbReadNoMemory = 1;
constexpr int kUsbReadQueueFull = 2;
constexpr int kUsbReadTimeout = 3;
// Status of kMsgUsbSent (other values: the link's error code).
constexpr int kUsbWriteTimeout = 1;

// The log text of a kMsgUsbReceived status other than 0 (an error code: "ReadPacket failed").
const char* UsbReadErrorText(int status);

using UsbPacketBuffer = std::unique_ptr<uint8_t[]>;

class UsbConnection {
public:
    using Poster = std::function<void(unsigned message, uintptr_t wparam, intptr_t lparam)>;

    static constexpr size_t kReadSlots = 1024;
    static constexpr size_t kWriteSlots = 16;
    // Interrupt reads look every kPollMs; the fourth empty look after application data is
    // the silence tick. Blocking waits run in slices of this length too.
    static constexpr int kPollMs = 50;
    static constexpr int kSilenceLooks = 4;

    UsbConnection(UsbLink& link, Poster post);
    ~UsbConnection();
    UsbConnection(const UsbConnection&) = delete;
    UsbConnection& operator=(const UsbConnection&) = delete;

    // Joins the threads, opens the device and takes its packet size; the four queue indexes
    // go back to 0 whatever the result.
    UsbOpen Open(std::string& path, std::string& detail);
    // Stops and joins both threads, drops what the queues hold and closes the device.
    void Close();
    bool IsOpen() const { return link_.IsOpen(); }
    uint32_t PacketSize() const { return packetSize_; }
    // How many times the device was opened.
    int Connections() const { return connections_; }

    // A transfer is active: the threads run only while it is set.
    std::atomic<bool> running{false};
    // The engine is about to close the device: the reader leaves at once and posts nothing.
    std::atomic<bool> portClosing{false};
    std::atomic<int> intraReadDelay{5000};
    std::atomic<int> intraWriteDelay{5000};

    // Start the threads; false when one is already active (or not running: nothing starts).
    bool ActivateRead();
    bool ActivateWrite();
    bool ReaderActive() const { return readerActive_; }
    bool WriterActive() const { return writerActive_; }

    // Queues a packet whose header is set (a 12-byte transport packet, or a 4096-byte buffer);
    // waits for the writer while the queue is full. False when nothing was queued.
    bool Queue(UsbPacketBuffer packet);
    // The next received packet, or null.
    UsbPacketBuffer TakeReceived();

    size_t WriteIn() const { return writeIn_; }
    size_t WriteOut() const { return writeOut_; }
    size_t ReadIn() const { return readIn_; }
    size_t ReadOut() const { return readOut_; }

private:
    void ReaderBody();
    void WriterBody();
    // Hands a packet of `count` bytes to the read queue (the reader's completion).
    void Complete(UsbPacketBuffer buffer, size_t count);
    // One whole interrupt packet into the buffer: its length, 0 after a silence tick or stop.
    bool ReadInterruptPacket(uint8_t* buffer, size_t& filled);
    // A link call repeated in slices of kPollMs until done, failed or delayMs passed.
    UsbIoResult Timed(bool reading, int delayMs, size_t length,
                      const std::function<UsbIoResult(size_t done, int ms)>& step);
    UsbIoResult ReadBulkTimed(uint8_t* buffer);
    UsbIoResult WriteTimed(const uint8_t* buffer, size_t length);
    bool Stopping() const { return !running || portClosing || closing_; }
    void JoinThreads();
    void DropQueues();
    void Post(unsigned message, uintptr_t wparam, intptr_t lparam);

    UsbLink& link_;
    Poster post_;
    uint32_t packetSize_ = 0;
    int connections_ = 0;
    std::atomic<bool> closing_{false};

    UsbPacketBuffer readQueue_[kReadSlots];
    UsbPacketBuffer writeQueue_[kWriteSlots];
    std::atomic<size_t> readIn_{0}, readOut_{0}, writeIn_{0}, writeOut_{0};

    std::thread reader_, writer_;
    std::atomic<bool> readerActive_{false}, writerActive_{false};
    std::mutex writerMutex_;  // the writer's end against ActivateWrite

    // Reader state (reader thread only).
    int phase_ = 0;
    bool wait_ = true;
    int status_ = 0;
    int writeStatus_ = 0;
    int written_ = 0;
};
