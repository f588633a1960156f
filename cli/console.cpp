#include "cli/console.h"

#include "cli/interrupt.h"
#include "platform/utf8.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstring>
#endif

int fail(console& io, const std::string& message, int code) {
    // After an interrupt, whatever failed (a cancelled write) failed because of it.
    if (interrupted()) {
        io.err << "morvacli: interrupted" << std::endl;
        return exitInterrupted;
    }
    io.err << "morvacli: " << message << std::endl;
    return code;
}

std::vector<std::u16string> argumentsOf(const std::vector<std::string>& given) {
    std::vector<std::u16string> out;
    for (const std::string& argument : given) out.push_back(pathOfBytes(argument));
    return out;
}

#ifdef _WIN32
std::string text(const std::u16string& utf16) { return utf8Of(utf16.c_str()); }

std::filesystem::path systemPath(const std::u16string& name) { return name; }
std::u16string nameOf(const std::filesystem::path& path) { return path.u16string(); }
#else
std::string text(const std::u16string& utf16) { return bytesOfPath(utf16.c_str()); }

// The path's own bytes: the library would refuse to convert a name that is no UTF-8.
std::filesystem::path systemPath(const std::u16string& name) { return bytesOfPath(name.c_str()); }
std::u16string nameOf(const std::filesystem::path& path) { return pathOfBytes(path.native()); }
#endif

std::string systemMessage(uint32_t code) {
#ifdef _WIN32
    wchar_t words[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, words, 512, nullptr);
    while (length > 0 &&
           (words[length - 1] == L'\n' || words[length - 1] == L'\r' || words[length - 1] == L'.'))
        --length;
    if (length == 0) return "system error " + std::to_string(code);
    return utf8Of(std::u16string(reinterpret_cast<const char16_t*>(words), length).c_str());
#else
    return std::strerror(int(code));
#endif
}
