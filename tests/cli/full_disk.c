/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Preloaded into a program by its tests: the disk under $QB_FULL_DIR is
   full. Once $QB_FULL_BYTES bytes (default none) have gone into files
   there, every further write into one fails with ENOSPC, as on a full
   disk, and statvfs reports no free block there. Files elsewhere are
   written as usual. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static long long written;

static int onFullDisk(const char* path)
{
    const char* dir = getenv("QB_FULL_DIR");
    if (!dir || !*dir || !path)
        return 0;
    const size_t n = strlen(dir);
    return strncmp(path, dir, n) == 0 && (path[n] == '/' || path[n] == '\0');
}

static int fdOnFullDisk(int fd)
{
    char link[64], target[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return 0;
    target[n] = '\0';
    return onFullDisk(target);
}

/* Whether `size` more bytes fit; counts them when they do. */
static int fits(int fd, size_t size)
{
    if (size == 0 || !fdOnFullDisk(fd))
        return 1;
    const char* free = getenv("QB_FULL_BYTES");
    const long long room = free ? atoll(free) : 0;
    if (written + (long long)size > room)
        return 0;
    written += (long long)size;
    return 1;
}

ssize_t write(int fd, const void* data, size_t size)
{
    static ssize_t (*real)(int, const void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    if (!fits(fd, size)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, data, size);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off_t at)
{
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite64");
    if (!fits(fd, size)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, data, size, at);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t at) { return pwrite64(fd, data, size, at); }

ssize_t writev(int fd, const struct iovec* iov, int count)
{
    static ssize_t (*real)(int, const struct iovec*, int);
    if (!real)
        real = (ssize_t(*)(int, const struct iovec*, int))dlsym(RTLD_NEXT, "writev");
    size_t size = 0;
    for (int i = 0; i < count; ++i)
        size += iov[i].iov_len;
    if (!fits(fd, size)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, iov, count);
}

int statvfs(const char* path, struct statvfs* out)
{
    static int (*real)(const char*, struct statvfs*);
    if (!real)
        real = (int (*)(const char*, struct statvfs*))dlsym(RTLD_NEXT, "statvfs");
    const int r = real(path, out);
    if (r == 0 && onFullDisk(path))
        out->f_bavail = out->f_bfree = 0;
    return r;
}
