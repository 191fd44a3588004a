// A unit on the USB link, played in process: it answers the session start, the product
// request, commands, erases and region reads, keeps its memory regions as region_XX.bin in
// the working folder and serves and receives the GAR host files there. Replies wait on its
// interrupt pipe (transport packets, and "data available" before application data) and bulk
// pipe (application packets, each batch ended by a zero-length read).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "transfer/common/TransferFile.h"
#include "transfer/usb/UsbLink.h"

class UsbUnitEmulator : public UsbLink {
public:
    // The unit with this product id; packetSize is its bulk-out packet size.
    explicit UsbUnitEmulator(int productId, uint32_t packetSize = 64);

    UsbOpen Open(std::string& path, std::string& detail) override;
    void Close() override;
    bool IsOpen() const override;
    uint32_t PacketSize() const override { return packetSize_; }

    UsbIoResult ReadInterrupt(uint8_t* buffer, size_t length, int timeoutMs) override;
    UsbIoResult ReadBulk(uint8_t* buffer, size_t length, int timeoutMs) override;
    UsbIoResult WriteBulk(const uint8_t* buffer, size_t length, int timeoutMs) override;
    std::string ErrorText(int error) const override;

    // True when the unit has this memory region.
    static bool HasRegion(int region);
    // "region_%02X.bin".
    static std::string RegionFileName(int region);
    // The product data payload (u16 id, i16 version, texts).
    std::vector<uint8_t> ProductData() const;

private:
    using Bytes = std::vector<uint8_t>;
    void Handle(const Bytes& packet);
    void HandleCommand(int command);
    void SendTransport(uint16_t id, const Bytes& data);
    // Application packets (each: id and data) as one bulk batch.
    void SendApplication(const std::vector<std::pair<uint16_t, Bytes>>& packets);
    void SendHostFile(int command);
    void SendRegion(int region);
    void StoreReceivedRecords();
    void WriteBlock(const uint8_t* data, size_t size);

    int productId_;
    uint32_t packetSize_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    bool open_ = false;
    std::deque<Bytes> interrupt_;  // pieces of at most 64 bytes
    std::deque<Bytes> bulk_;       // whole packets; an empty one is the zero-length read
    Bytes incoming_;               // a write of whole packets not yet ended
    int region_ = -1;              // the region being written
    TransferFile regionFile_;      // its file, from the erase to the region's end
    int64_t regionEnd_ = 0;        // the bytes written to it
    int erasedRegion_ = -1;        // the last region erased and not yet ended
    std::vector<Bytes> records_;   // a GAR write being received
};
