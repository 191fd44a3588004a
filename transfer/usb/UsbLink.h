// The unit's USB interface as the link threads use it: open, packet size, 64-byte interrupt
// reads, bulk reads of up to 4096 bytes, bulk writes, close. Implemented over libusb for a
// real unit and by the emulated unit for tests and demonstrations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class UsbIo { Ok, Timeout, Error };

struct UsbIoResult {
    UsbIo status = UsbIo::Ok;
    size_t bytes = 0;  // bytes moved, also before a time-out
    int error = 0;     // the implementation's error code when status is Error
};

enum class UsbOpen { Ok, NotFound, OpenFailed, NoPacketSize };

class UsbLink {
public:
    virtual ~UsbLink() = default;

    // Finds and opens the first unit. path gets the device's name for the log, detail the
    // reason of a failure (an error name).
    virtual UsbOpen Open(std::string& path, std::string& detail) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // The bulk-out endpoint's packet size (0 when not open).
    virtual uint32_t PacketSize() const = 0;

    // Each waits at most timeoutMs milliseconds.
    virtual UsbIoResult ReadInterrupt(uint8_t* buffer, size_t length, int timeoutMs) = 0;
    virtual UsbIoResult ReadBulk(uint8_t* buffer, size_t length, int timeoutMs) = 0;
    virtual UsbIoResult WriteBulk(const uint8_t* buffer, size_t length, int timeoutMs) = 0;

    // The text of an error code.
    virtual std::string ErrorText(int error) const = 0;
};
