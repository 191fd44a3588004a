/* Preloaded into a program under test: the FAULT_NTH-th positioned write (FAULT_OP=write) or
 * read (FAULT_OP=read) of a file whose path contains FAULT_PATH fails once with FAULT_ERRNO
 * (EIO or ENOSPC); "fault injected" goes to standard error when it does. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static long counter;

static int hit(int fd, const char* op) {
    const char* want = getenv("FAULT_OP");
    const char* nth = getenv("FAULT_NTH");
    const char* part = getenv("FAULT_PATH");
    if (!want || !nth || strcmp(want, op) != 0) return 0;
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, sizeof path - 1);
    if (n < 0) return 0;
    path[n] = 0;
    if (part && !strstr(path, part)) return 0;
    if (++counter != atol(nth)) return 0;
    const char* e = getenv("FAULT_ERRNO");
    errno = e && strcmp(e, "ENOSPC") == 0 ? ENOSPC : EIO;
    char text[4200];
    int len = snprintf(text, sizeof text, "fault injected: %s %s\n", op, path);
    ssize_t ignored = write(2, text, (size_t)len);
    (void)ignored;
    return 1;
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

ssize_t pwrite(int fd, const void* buf, size_t len, off_t off) {
    if (hit(fd, "write")) return -1;
    return NEXT(pwrite)(fd, buf, len, off);
}

ssize_t pwrite64(int fd, const void* buf, size_t len, off_t off) {
    if (hit(fd, "write")) return -1;
    return NEXT(pwrite64)(fd, buf, len, off);
}

ssize_t pwritev(int fd, const struct iovec* iov, int count, off_t off) {
    if (hit(fd, "write")) return -1;
    return NEXT(pwritev)(fd, iov, count, off);
}

ssize_t pwritev64(int fd, const struct iovec* iov, int count, off64_t off) {
    if (hit(fd, "write")) return -1;
    return NEXT(pwritev64)(fd, iov, count, off);
}

ssize_t pread(int fd, void* buf, size_t len, off_t off) {
    if (hit(fd, "read")) return -1;
    return NEXT(pread)(fd, buf, len, off);
}

ssize_t pread64(int fd, void* buf, size_t len, off_t off) {
    if (hit(fd, "read")) return -1;
    return NEXT(pread64)(fd, buf, len, off);
}
