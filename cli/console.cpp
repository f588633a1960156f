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

std::string text(const std::u16string& utf16) { return utf8Of(utf16.c_str()); }

bool argumentsOf(const std::vector<std::string>& given, std::vector<std::u16string>& out,
                 std::string& problem) {
    for (const std::string& argument : given) {
        out.push_back(utf16Of(argument));
        if (utf8Of(out.back().c_str()) == argument) continue;
        std::string shown;  // every byte beyond ASCII as \xE9
        for (const char c : argument) {
            const uint8_t byte = uint8_t(c);
            static const char digits[] = "0123456789ABCDEF";
            if (byte < 0x80)
                shown += c;
            else
                shown += std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
        }
        problem = "'" + shown + "' is no UTF-8: morvacli takes names in UTF-8 only";
        return false;
    }
    return true;
}

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
