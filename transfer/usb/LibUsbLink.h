// The unit's USB interface through libusb: the first device of the unit maker's vendor id
// with an interface that holds interrupt-in, bulk-in and bulk-out endpoints.
#pragma once

#include "transfer/usb/UsbLink.h"

struct libusb_context;
struct libusb_device_handle;

class LibUsbLink : public UsbLink {
public:
    explicit LibUsbLink(int vendorId) : vendorId_(vendorId) {}
    void SetVendorId(int vendorId) { vendorId_ = vendorId; }
    ~LibUsbLink() override;

    UsbOpen Open(std::string& path, std::string& detail) override;
    void Close() override;
    bool IsOpen() const override { return handle_ != nullptr; }
    uint32_t PacketSize() const override { return packetSize_; }

    UsbIoResult ReadInterrupt(uint8_t* buffer, size_t length, int timeoutMs) override;
    UsbIoResult ReadBulk(uint8_t* buffer, size_t length, int timeoutMs) override;
    UsbIoResult WriteBulk(const uint8_t* buffer, size_t length, int timeoutMs) override;
    std::string ErrorText(int error) const override;

private:
    UsbIoResult Transfer(bool interrupt, unsigned char endpoint, uint8_t* buffer, size_t length, int timeoutMs);

    int vendorId_;
    libusb_context* context_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
    int interface_ = -1;
    unsigned char interruptIn_ = 0, bulkIn_ = 0, bulkOut_ = 0;
    uint32_t packetSize_ = 0;
};
