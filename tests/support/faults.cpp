// Linked into a test program, these stand before the C library's calls of those names.
#include "tests/support/faults.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <sys/stat.h>

// The call it stands before: the sanitizer's own where it has one, which still checks the call.
template <class Function>
Function next(const char* name) {
    void* const sanitizer = dlsym(RTLD_DEFAULT, ("__interceptor_" + std::string(name)).c_str());
    return reinterpret_cast<Function>(sanitizer ? sanitizer : dlsym(RTLD_NEXT, name));
}

bool faults::opensFail = false, faults::readsEnd = false, faults::heldStay = false,
     faults::threadsFail = false;
int faults::threadsMade = 0;

extern "C" int open(const char* path, int flags, ...) {
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    va_list rest;
    va_start(rest, flags);
    const int mode = flags & O_CREAT || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, int) : 0;
    va_end(rest);
    return faults::opensFail ? (errno = EMFILE, -1) : real(path, flags, mode);
}

// The file ends a byte before the end of what is asked; the buffer holds what was there.
extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t at) {
    static const auto real = next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    if (!faults::readsEnd) return real(fd, buffer, count, at);
    const ssize_t got = count > 1 ? real(fd, buffer, count, at) : 0;
    return got > 0 ? got - 1 : got;
}

extern "C" int unlink(const char* path) {
    static const auto real = next<int (*)(const char*)>("unlink");
    struct stat named, held;
    if (faults::heldStay && stat(path, &named) == 0)
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd"))
            if (stat(fd.path().c_str(), &held) == 0 && held.st_ino == named.st_ino &&
                held.st_dev == named.st_dev)
                return errno = EACCES, -1;
    return real(path);
}

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) {
    using create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto real = next<create>("pthread_create");
    return faults::threadsFail ? EAGAIN
                               : (++faults::threadsMade, real(thread, attributes, start, argument));
}

// Fresh storage holds no zeros, as a heap may hand it over: a byte read before written shows.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept try {
    return std::memset(::operator new[](size), 0xA5, size);
} catch (const std::bad_alloc&) {
    return nullptr;
}
