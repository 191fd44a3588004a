// A serial port as the link: opened for this program alone, raw 8N1 at 9600 baud with no flow
// control; its settings as found are put back when it is closed.
#pragma once

#include <termios.h>

#include <string>

#include "transfer/serial/ComLink.h"

namespace platform {
class Settings;
}

// The device of port index n (0 = COM1): [Ports] COM<n+1> in the settings, else /dev/ttyS<n>.
std::string PortDevicePath(const platform::Settings& settings, int port);

class SerialPort : public FdLink {
public:
    ~SerialPort() override;
    // Opens the device; on failure the step's text ("Failed to open %s", ...) and errno.
    bool Open(const std::string& device, std::string& failure, int& error);
    int SetRate(long rate) override;
    // Puts the settings back and closes the port.
    void Close() override;

private:
    int fd_ = -1;
    termios saved_{};
    termios current_{};
};

// Rates that have no B constant (14400, 28800) set through the kernel's termios2.
int SetOtherRate(int fd, long rate);
