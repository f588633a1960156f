// POSIX file layer for the native build. Sharing modes are not enforced here:
// POSIX has no mandatory locks; the Windows build tests them.
#include "platform/file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local uint32_t lastError = 0;

template <typename T>
T failed(T result) {
    lastError = static_cast<uint32_t>(errno);
    return result;
}

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string narrow(const char16_t* path) {
    std::string out;
    for (const char16_t* p = path; *p; ++p) {
        uint32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Paths made by this layer are ASCII or came in as UTF-16, so a plain
// widening of UTF-8 bytes is only used for the folder names we produce.
std::u16string widen(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t code = c;
        size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) code = c & (0x3F >> extra);
        for (size_t k = 1; k <= extra && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
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

bool filehandle::flush() {
    return ::fsync(static_cast<int>(native)) == 0 || failed(false);
}

bool filehandle::setEnd(uint64_t position) {
    return ::ftruncate(static_cast<int>(native), static_cast<off_t>(position)) == 0 ||
           failed(false);
}

bool filehandle::size(uint64_t& length) {
    struct stat info;
    if (::fstat(static_cast<int>(native), &info) != 0) return failed(false);
    length = static_cast<uint64_t>(info.st_size);
    return true;
}

filehandle openExistingFile(const char16_t* path, fileaccess access, fileshare, unsigned) {
    int mode = access == fileaccess::read ? O_RDONLY : O_RDWR;
    int fd = ::open(narrow(path).c_str(), mode | O_CLOEXEC);
    if (fd < 0) return failed(filehandle());
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        lastError = static_cast<uint32_t>(errno);
        ::close(fd);
        return filehandle();
    }
    if (!S_ISREG(info.st_mode)) {  // a folder or device is no picture or animation
        lastError = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return filehandle();
    }
    return filehandle(fd);
}

filehandle createFile(const char16_t* path, fileshare, unsigned) {
    int fd = ::open(narrow(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? failed(filehandle()) : filehandle(fd);
}

uint32_t fileError() { return lastError; }

std::u16string temporaryFolder() {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = dir && *dir ? dir : "/tmp";
    if (folder.back() != '/') folder += '/';
    return widen(folder);
}

std::u16string makeUniqueFile(const std::u16string& folder, const char16_t* prefix) {
    std::string pattern = narrow(folder.c_str()) + narrow(prefix) + "XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return failed(std::u16string());
    ::close(fd);
    return widen(pattern);
}

bool replaceFile(const char16_t* source, const char16_t* target) {
    return ::rename(narrow(source).c_str(), narrow(target).c_str()) == 0 || failed(false);
}

bool removeFile(const char16_t* path) {
    return ::unlink(narrow(path).c_str()) == 0 || failed(false);
}
