#include "text/wideformat.h"

#include <algorithm>
#include <cstdint>

namespace {

// Takes characters up to a limit and drops the rest.
class boundedwriter {
public:
    boundedwriter(char16_t* out, int32_t limit) : out(out), limit(limit) {}

    bool full() const { return count >= limit; }
    int32_t written() const { return count; }

    void put(char16_t c) {
        if (!full()) out[count++] = c;
    }
    void put(const char16_t* units, int64_t n) {
        for (int64_t i = 0; i < n && !full(); ++i) out[count++] = units[i];
    }
    void repeat(char16_t c, int64_t n) {
        for (; n > 0 && !full(); --n) out[count++] = c;
    }

private:
    char16_t* out;
    int32_t limit;
    int32_t count = 0;
};

// One "%[flags][width]type" of the pattern.
struct conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    int32_t width = 0;
    char16_t type = 0;              // 0 when the pattern ends inside the conversion
    const char16_t* end = nullptr;  // the first character behind it
};

conversion readConversion(const char16_t* percent) {
    conversion c;
    const char16_t* p = percent + 1;
    for (;; ++p) {
        if (*p == u'-')
            c.leftAlign = true;
        else if (*p == u'0')
            c.zeroPad = true;
        else
            break;
    }
    for (; *p >= u'0' && *p <= u'9'; ++p)
        c.width =
            static_cast<int32_t>(std::min<int64_t>(int64_t{c.width} * 10 + (*p - u'0'), INT32_MAX));
    c.type = *p;
    c.end = *p ? p + 1 : p;
    return c;
}

// Pads `body` (behind an optional sign) to the conversion's width.
void putField(boundedwriter& w, const conversion& c, char16_t sign, const char16_t* body,
              int64_t length) {
    const int64_t padding = int64_t{c.width} - length - (sign ? 1 : 0);
    if (!c.leftAlign && !c.zeroPad) w.repeat(u' ', padding);
    if (sign) w.put(sign);
    if (!c.leftAlign && c.zeroPad) w.repeat(u'0', padding);
    w.put(body, length);
    if (c.leftAlign) w.repeat(u' ', padding);
}

void putText(boundedwriter& w, const conversion& c, const char16_t* text) {
    if (!text) text = u"(null)";
    int64_t length = 0;
    while (text[length]) ++length;
    putField(w, c, 0, text, length);
}

void putNumber(boundedwriter& w, const conversion& c, uint32_t bits, bool isSigned) {
    const bool negative = isSigned && (bits & 0x80000000u) != 0;
    uint32_t magnitude = negative ? 0u - bits : bits;
    char16_t digits[10];
    int32_t first = 10;
    do {
        digits[--first] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    putField(w, c, negative ? u'-' : 0, digits + first, 10 - first);
}

// Writes one conversion, taking its value from `next` when it needs one.
// False when this formatter cannot fill it: an unknown type, or no value of
// the right kind left.
bool putConversion(boundedwriter& w, const conversion& c, const formatvalue*& next,
                   const formatvalue* end) {
    if (c.type == u'%') {
        w.put(u'%');
        return true;
    }
    const bool wantsText = c.type == u's';
    const bool wantsNumber = c.type == u'd' || c.type == u'i' || c.type == u'u';
    if ((!wantsText && !wantsNumber) || next == end || next->isText != wantsText) return false;
    const formatvalue& value = *next++;
    if (wantsText)
        putText(w, c, value.text);
    else
        putNumber(w, c, value.number, c.type != u'u');
    return true;
}

}  // namespace

int32_t formatBounded(char16_t* out, int32_t capacity, const char16_t* pattern,
                      std::initializer_list<formatvalue> values) {
    if (capacity < 1) return 0;
    boundedwriter w(out, capacity - 1);
    const formatvalue* next = values.begin();
    const char16_t* p = pattern;
    while (*p && !w.full()) {
        if (*p != u'%') {
            w.put(*p++);
            continue;
        }
        const conversion c = readConversion(p);
        if (!putConversion(w, c, next, values.end())) w.put(p, c.end - p);
        p = c.end;
    }
    out[w.written()] = 0;
    return w.written();
}
