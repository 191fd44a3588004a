// The kernel's termios2 for rates without a B constant; kept apart from <termios.h>, whose
// struct termios clashes with the kernel's.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <errno.h>
#include <sys/ioctl.h>

int SetOtherRate(int fd, long rate) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) return errno;
    settings.c_cflag &= ~CBAUD;
    settings.c_cflag |= BOTHER;
    settings.c_ispeed = static_cast<speed_t>(rate);
    settings.c_ospeed = static_cast<speed_t>(rate);
    if (::ioctl(fd, TCSETS2, &settings) != 0) return errno;
    return 0;
}
