#include "codec/frameencoder.h"

#include <cstring>

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif
// MORVA_SSE2=0 builds (and tests) the portable word-at-a-time scan alone.
#if !defined(MORVA_SSE2)
#if defined(__SSE2__) || defined(_M_X64)
#define MORVA_SSE2 1
#else
#define MORVA_SSE2 0
#endif
#endif
#if MORVA_SSE2
#include <emmintrin.h>
#endif

const uint8_t depthMasks[8] = {0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};

uint64_t payloadBound(uint32_t width, uint32_t height) {
    return uint64_t(height) * (2 * uint64_t(width) + 2) + 2;
}

namespace {

// Rows are scanned eight pixels at a time in a 64-bit word, pixel k in byte k
// (bits 8k..8k+7), or sixteen at a time with SSE2, so that whole runs and
// whole stretches of single values are found with a few operations instead of
// a test per pixel.
constexpr uint64_t everyByte = 0x0101010101010101u;
constexpr uint64_t byteTops = 0x8080808080808080u;
constexpr uint32_t longestRun = 255;

uint64_t loadWord(const uint8_t* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

void storeWord(uint8_t* bytes, uint64_t word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    std::memcpy(bytes, &word, sizeof word);
}

#if MORVA_SSE2
__m128i load16(const uint8_t* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}
#endif

// The index of the lowest set bit of a nonzero word.
uint32_t lowestBit(uint64_t word) {
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long bit;
    _BitScanForward64(&bit, word);
    return bit;
#else
    return uint32_t(__builtin_ctzll(word));
#endif
}

// Marks the zero bytes of a word with their top bit. Marks above the lowest
// zero byte may be spurious (borrows), the lowest mark is always right.
uint64_t zeroBytes(uint64_t word) { return (word - everyByte) & ~word & byteTops; }

// Writes the code stream. Pending single values go straight to the output
// behind a two-byte gap for the absolute-run header, filled in (or the values
// rewritten as runs of 1) when the singles are flushed.
class payloadwriter {
public:
    explicit payloadwriter(uint8_t* output) : begin(output), out(output) {}

    size_t size() const { return size_t(out - begin); }

    void single(uint8_t value) {
        if (pending == longestRun) flushSingles();
        if (pending == 0) openSingles();
        *out++ = value;
        ++pending;
    }

    // Where `count` more singles go; null when the absolute run would pass
    // 255 values.
    uint8_t* reserveSingles(uint32_t count) {
        if (pending + count > longestRun) return nullptr;
        if (pending == 0) openSingles();
        uint8_t* at = out;
        out += count;
        pending += count;
        return at;
    }

    void flushSingles() {
        if (pending >= 3) {
            head[0] = 0;
            head[1] = uint8_t(pending);
            if (pending % 2 == 1) *out++ = 0;
        } else if (pending == 2) {
            const uint8_t first = head[2], second = head[3];
            head[0] = 1;
            head[1] = first;
            head[2] = 1;
            head[3] = second;
        } else if (pending == 1) {
            head[0] = 1;
            head[1] = head[2];
            out = head + 2;
        }
        pending = 0;
    }

    // A run of two or more equal values, cut after every 255; a remainder of
    // one is a single and may join the singles that follow.
    void run(uint32_t length, uint8_t value) {
        flushSingles();
        for (; length > longestRun; length -= longestRun) code(uint8_t(longestRun), value);
        if (length == 1)
            single(value);
        else
            code(uint8_t(length), value);
    }

    void endOfLine() {
        flushSingles();
        code(0, 0);
    }

    void endOfBitmap() { code(0, 1); }

private:
    void openSingles() {
        head = out;
        out += 2;
    }

    void code(uint8_t first, uint8_t second) {
        out[0] = first;
        out[1] = second;
        out += 2;
    }

    uint8_t* begin;
    uint8_t* out;
    uint8_t* head = nullptr;
    uint32_t pending = 0;
};

// Writes the singles from `start`, where a run begins, up to the first pixel
// equal to its right neighbour, and returns that pixel's index (or width).
// A whole block of 8 or 16 values is stored even when fewer are singles; the
// rest is overwritten by what follows. This stays within payloadBound: the
// payload so far costs at most 2 bytes a pixel plus 1 (a pending single with
// its header), and at least one more pixel than the block holds remains in
// the row, each with 2 bytes of the bound.
uint32_t gatherSingles(const uint8_t* row, uint32_t start, uint32_t width, uint8_t mask,
                       payloadwriter& writer) {
    uint32_t i = start;
#if MORVA_SSE2
    const __m128i vectorMask = _mm_set1_epi8(char(mask));
    for (; i + 16 < width; i += 16) {  // reads row[i] to row[i + 16]
        const __m128i values = _mm_and_si128(load16(row + i), vectorMask);
        const __m128i next = _mm_and_si128(load16(row + i + 1), vectorMask);
        const uint32_t equalToNext = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(values, next)));
        const uint32_t singles = equalToNext != 0 ? lowestBit(equalToNext) : 16;
        if (singles == 0) return i;
        if (uint8_t* at = writer.reserveSingles(singles)) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), values);
        } else {
            uint8_t bytes[16];
            _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), values);
            for (uint32_t k = 0; k < singles; ++k) writer.single(bytes[k]);
        }
        if (singles < 16) return i + singles;
    }
#endif
    const uint64_t wordMask = mask * everyByte;
    for (; i + 8 < width; i += 8) {  // reads row[i] to row[i + 8]
        const uint64_t values = loadWord(row + i) & wordMask;
        const uint64_t equalToNext = zeroBytes((values ^ loadWord(row + i + 1)) & wordMask);
        const uint32_t singles = equalToNext != 0 ? lowestBit(equalToNext) / 8 : 8;
        if (singles == 0) return i;
        if (uint8_t* at = writer.reserveSingles(singles)) {
            storeWord(at, values);
        } else {
            for (uint32_t k = 0; k < singles; ++k) writer.single(uint8_t(values >> (8 * k)));
        }
        if (singles < 8) return i + singles;
    }
    for (; i + 1 < width; ++i) {
        if (((row[i] ^ row[i + 1]) & mask) == 0) return i;
        writer.single(row[i] & mask);
    }
    writer.single(row[i] & mask);  // the row's last pixel starts no run
    return width;
}

// The end of the run starting at `start`, whose first two pixels are equal.
uint32_t runEnd(const uint8_t* row, uint32_t start, uint32_t width, uint8_t mask) {
    const uint64_t wordMask = mask * everyByte;
    const uint64_t wanted = (row[start] & mask) * everyByte;
    uint32_t i = start + 2;
    for (; i + 32 <= width; i += 32) {
        const uint64_t differ =
            ((loadWord(row + i) ^ wanted) | (loadWord(row + i + 8) ^ wanted) |
             (loadWord(row + i + 16) ^ wanted) | (loadWord(row + i + 24) ^ wanted)) &
            wordMask;
        if (differ != 0) break;
    }
    for (; i + 8 <= width; i += 8) {
        const uint64_t differ = (loadWord(row + i) ^ wanted) & wordMask;
        if (differ != 0) return i + lowestBit(differ) / 8;
    }
    const uint8_t value = row[start] & mask;
    while (i < width && (row[i] & mask) == value) ++i;
    return i;
}

void encodeRow(const uint8_t* row, uint32_t width, uint8_t mask, payloadwriter& writer) {
    uint32_t i = 0;
    while (i < width) {
        i = gatherSingles(row, i, width, mask, writer);
        if (i == width) break;
        const uint32_t end = runEnd(row, i, width, mask);
        writer.run(end - i, row[i] & mask);
        i = end;
    }
    writer.endOfLine();
}

}  // namespace

size_t encodeFrame(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                   uint32_t depth, uint8_t* output) {
    if (depth < 1 || depth > 8) return 0;
    const uint8_t mask = depthMasks[depth - 1];
    payloadwriter writer(output);
    for (uint32_t r = 0; r < height; ++r)
        encodeRow(pixels + size_t(r) * stride, width, mask, writer);
    writer.endOfBitmap();
    return writer.size();
}
