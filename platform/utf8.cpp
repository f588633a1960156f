#include "platform/utf8.h"

#include <cstdint>

namespace {

constexpr char32_t replacement = 0xFFFD;

void putUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The code point that starts at text[at], and how many bytes it took; a
// byte that starts no well-formed sequence is one replacement character.
char32_t nextCodePoint(const std::string& text, size_t at, size_t& length) {
    const uint8_t lead = uint8_t(text[at]);
    length = 1;
    if (lead < 0x80) return lead;
    const size_t extra = lead >= 0xF5   ? 0
                         : lead >= 0xF0 ? 3
                         : lead >= 0xE0 ? 2
                         : lead >= 0xC2 ? 1
                                        : 0;
    if (extra == 0 || at + extra >= text.size()) return replacement;
    char32_t c = lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        const uint8_t next = uint8_t(text[at + k]);
        if ((next & 0xC0) != 0x80) return replacement;
        c = c << 6 | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return replacement;
    length = extra + 1;
    return c;
}

// A lone surrogate U+DC80-DCFF is the byte it stands for when `escaped`.
std::string toUtf8(const char16_t* text, bool escaped) {
    std::string out;
    for (const char16_t* p = text; *p; ++p) {
        char32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        } else if (escaped && c >= 0xDC80 && c <= 0xDCFF) {
            out += char(c - 0xDC00);
            continue;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = replacement;
        }
        putUtf8(out, c);
    }
    return out;
}

// A byte that starts no sequence stands for itself when `escaped`.
std::u16string toUtf16(const std::string& text, bool escaped) {
    std::u16string out;
    for (size_t at = 0, length = 0; at < text.size(); at += length) {
        const char32_t c = nextCodePoint(text, at, length);
        if (escaped && c == replacement && length == 1) {  // not a U+FFFD of the text's own
            out += char16_t(0xDC00 + uint8_t(text[at]));
        } else if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

}  // namespace

std::string utf8Of(const char16_t* text) { return toUtf8(text, false); }
std::u16string utf16Of(const std::string& text) { return toUtf16(text, false); }
std::u16string pathOfBytes(const std::string& bytes) { return toUtf16(bytes, true); }
std::string bytesOfPath(const char16_t* path) { return toUtf8(path, true); }
