#include "transfer/common/FileAttributes.h"

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The FAT attributes through the file system's ioctl; false when the file is not on vfat.
bool FatAttributes(int fd, uint32_t& attributes) { return ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0; }

}  // namespace

bool ReadFileAttributes(const std::string& path, uint32_t& attributes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = true;
    if (!FatAttributes(fd, attributes)) {
        ok = ::fstat(fd, &st) == 0;
        attributes = ok && (st.st_mode & 0222) == 0 ? kAttributeReadOnly : 0;
    }
    ::close(fd);
    return ok;
}

bool SetNormalAttributes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    uint32_t attributes = 0;
    bool ok;
    if (FatAttributes(fd, attributes)) {
        attributes = 0;
        ok = ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attributes) == 0;
    } else {
        struct stat st {};
        ok = ::fstat(fd, &st) == 0 && ::fchmod(fd, (st.st_mode & 07777) | S_IWUSR) == 0;
    }
    return ::close(fd) == 0 && ok;
}
