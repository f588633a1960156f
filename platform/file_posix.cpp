// POSIX file layer for the native build. Sharing modes are not enforced here:
// POSIX has no mandatory locks; the Windows build tests them.
#include "platform/file.h"
#include "platform/utf8.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

thread_local uint32_t lastError = 0;

template <typename T>
T failed(T result) {
    lastError = static_cast<uint32_t>(errno);
    return result;
}

}  // namespace

void filehandle::close() {
    if (isOpen()) ::close(static_cast<int>(native));
    native = invalid;
}

uint32_t filehandle::readAt(uint64_t position, void* buffer, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        ssize_t got = ::pread(static_cast<int>(native), static_cast<char*>(buffer) + done,
                              count - done, static_cast<off_t>(position + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return failed(done);
        if (got == 0) break;
        done += static_cast<uint32_t>(got);
    }
    if (done < count) lastError = 0;  // the file ended: no earlier call's code is the reason
    return done;
}

uint32_t filehandle::writeAt(uint64_t position, const void* buffer, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        ssize_t put = ::pwrite(static_cast<int>(native), static_cast<const char*>(buffer) + done,
                               count - done, static_cast<off_t>(position + done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return failed(done);
        done += static_cast<uint32_t>(put);
    }
    return done;
}

bool filehandle::flush() { return ::fsync(static_cast<int>(native)) == 0 || failed(false); }

bool filehandle::setEnd(uint64_t position) {
    return ::ftruncate(static_cast<int>(native), static_cast<off_t>(position)) == 0 ||
           failed(false);
}

uint64_t filehandle::size() {
    struct stat info;
    if (::fstat(static_cast<int>(native), &info) != 0) return failed(uint64_t{0});
    return static_cast<uint64_t>(info.st_size);
}

filehandle openExistingFile(const char16_t* path, fileaccess access, fileshare, unsigned) {
    int mode = access == fileaccess::read ? O_RDONLY : O_RDWR;
    int fd = ::open(bytesOfPath(path).c_str(), mode | O_CLOEXEC);
    if (fd < 0) return failed(filehandle());
    filehandle file(fd);  // closes it on the roads that refuse it
    struct stat info;
    if (::fstat(fd, &info) != 0) return failed(filehandle());
    if (!S_ISREG(info.st_mode)) {  // a folder or device is no picture or animation
        lastError = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return filehandle();
    }
    return file;
}

filehandle createFile(const char16_t* path, fileshare, unsigned) {
    int fd = ::open(bytesOfPath(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? failed(filehandle()) : filehandle(fd);
}

uint32_t fileError() { return lastError; }

uint32_t noMemoryError() { return ENOMEM; }

std::u16string temporaryFolder() {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = dir && *dir ? dir : "/tmp";
    if (folder.back() != '/') folder += '/';
    return pathOfBytes(folder);
}

std::u16string makeUniqueFile(const std::u16string& folder, const char16_t* prefix) {
    std::string pattern = bytesOfPath(folder.c_str()) + bytesOfPath(prefix) + "XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return failed(std::u16string());
    ::close(fd);
    return pathOfBytes(pattern);
}

bool replaceFile(const char16_t* source, const char16_t* target) {
    return ::rename(bytesOfPath(source).c_str(), bytesOfPath(target).c_str()) == 0 || failed(false);
}

bool removeFile(const char16_t* path) {
    return ::unlink(bytesOfPath(path).c_str()) == 0 || failed(false);
}

bool sameFile(const char16_t* first, const char16_t* second) {
    struct stat one, other;
    return ::stat(bytesOfPath(first).c_str(), &one) == 0 &&
           ::stat(bytesOfPath(second).c_str(), &other) == 0 && one.st_dev == other.st_dev &&
           one.st_ino == other.st_ino;
}
