// Linked into the test program, these come before the C library's calls of the same names.
#include "tests/support/faults.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>

bool faults::opensFail = false, faults::readsEnd = false;

template <class Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

extern "C" int open(const char* path, int flags, ...) {
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list rest;
        va_start(rest, flags);
        mode = mode_t(va_arg(rest, int));
        va_end(rest);
    }
    if (faults::opensFail) return errno = EMFILE, -1;
    return real(path, flags, mode);
}

extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t at) {
    static const auto real = next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    if (!faults::readsEnd) return real(fd, buffer, count, at);
    // The file ends a byte before the end of what is asked; the buffer holds what was there.
    const ssize_t got = count <= 1 ? 0 : real(fd, buffer, count, at);
    return got > 0 ? got - 1 : got;
}
