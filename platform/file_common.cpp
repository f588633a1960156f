#include "platform/file.h"

filehandle& filehandle::operator=(filehandle&& other) noexcept {
    if (this != &other) {
        close();
        native = other.native;
        other.native = invalid;
    }
    return *this;
}

std::u16string folderOf(const std::u16string& path) {
    size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}
