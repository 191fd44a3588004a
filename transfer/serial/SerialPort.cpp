#include "transfer/serial/SerialPort.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "common/CLocale.h"
#include "platform/Settings.h"

namespace {

speed_t SpeedConstant(long rate) {
    switch (rate) {
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return 0;
    }
}

}  // namespace

std::string PortDevicePath(const platform::Settings& settings, int port) {
    const std::string name = StringFormatC("COM%d", port + 1);
    return settings.ReadString("Ports", name, StringFormatC("/dev/ttyS%d", port));
}

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Open(const std::string& device, std::string& failure, int& error) {
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    auto fail = [&](const std::string& text) {
        error = errno;
        failure = text;
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return false;
    };
    if (fd_ < 0) return fail(StringFormatC("Failed to open %s", device.c_str()));
    if (::ioctl(fd_, TIOCEXCL) != 0) return fail(StringFormatC("Failed to open %s", device.c_str()));
    if (::tcgetattr(fd_, &saved_) != 0) return fail("Failed to GetCommState on opening com port");
    current_ = saved_;
    ::cfmakeraw(&current_);
    current_.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    current_.c_cflag |= CS8 | CLOCAL | CREAD;
    current_.c_iflag &= ~(IXON | IXOFF | IXANY);
    current_.c_cc[VMIN] = 1;
    current_.c_cc[VTIME] = 0;
    ::cfsetspeed(&current_, B9600);
    if (::tcsetattr(fd_, TCSANOW, &current_) != 0) return fail("Failed to SetCommState on opening com port");
    // Reads wait in poll; writes block until taken.
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    // DTR and RTS on; a pseudo-terminal has neither.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)::ioctl(fd_, TIOCMBIS, &lines);
    Attach(fd_, fd_, false);
    return true;
}

int SerialPort::SetRate(long rate) {
    if (fd_ < 0) return 0;
    const speed_t speed = SpeedConstant(rate);
    if (speed == 0) return SetOtherRate(fd_, rate);
    termios changed = current_;
    ::cfsetspeed(&changed, speed);
    if (::tcsetattr(fd_, TCSADRAIN, &changed) != 0) return errno;
    current_ = changed;
    return 0;
}

void SerialPort::Close() {
    FdLink::Close();
    if (fd_ < 0) return;
    ::tcsetattr(fd_, TCSANOW, &saved_);
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}
