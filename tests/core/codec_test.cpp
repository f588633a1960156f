// The frame encoder against a plain one, the decoder against ImageMagick; both by hand.
#include "codec/frameencoder.h"
#include "codec/rle8decoder.h"
#include "tests/support/files.h"
#include "tests/support/imagemagick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <tuple>

namespace {

// Runs of 2+ in pieces of at most 255; singles grouped, absolute from 3, runs of 1 below.
bytes plainEncode(const bytes& pixels, uint32_t width, uint32_t height, uint32_t stride,
                  uint32_t depth) {
    const uint8_t mask = uint8_t(0xFF00 >> depth);
    bytes out, singles;
    const auto put = [&](std::initializer_list<uint8_t> code) { out.insert(out.end(), code); };
    auto flush = [&] {
        if (singles.size() >= 3) {
            put({0, uint8_t(singles.size())});
            out.insert(out.end(), singles.begin(), singles.end());
            if (singles.size() % 2) out.push_back(0);
        } else {
            for (uint8_t v : singles) put({1, v});
        }
        singles.clear();
    };
    for (uint32_t r = 0; r < height; ++r) {
        const uint8_t* row = pixels.data() + size_t(r) * stride;
        for (uint32_t x = 0; x < width;) {
            const uint8_t v = row[x] & mask;
            uint32_t n = 1;
            while (x + n < width && (row[x + n] & mask) == v) ++n;
            x += n;
            if (n > 1) flush();
            for (; n >= 255; n -= 255) put({255, v});
            if (n >= 2) put({uint8_t(n), v});
            if (n == 1 && singles.size() == 255) flush();
            if (n == 1) singles.push_back(v);
        }
        flush();
        put({0, 0});
    }
    put({0, 1});
    return out;
}

// The guard past payloadBound stays untouched.
bytes encode(const bytes& pixels, uint32_t width, uint32_t height, uint32_t stride,
             uint32_t depth) {
    const size_t bound = size_t(payloadBound(width, height));
    bytes out(bound + 64, 0xCD);
    const size_t size = encodeFrame(pixels.data(), width, height, stride, depth, out.data());
    EXPECT_EQ(bytes(out.begin() + ptrdiff_t(bound), out.end()), bytes(64, 0xCD));
    out.resize(size);
    return out;
}

bytes encodeRow(const bytes& row, uint32_t depth = 8) {
    return encode(row, uint32_t(row.size()), 1, uint32_t(row.size()), depth);
}

bytes ramp(size_t count, uint8_t first = 0) {
    bytes values(count);
    return std::iota(values.begin(), values.end(), first), values;
}

TEST(FrameEncoder, WorkedExamples) {
    const struct {
        bytes row, code;
        uint32_t depth = 8;
    } cases[] = {{{16, 16, 16, 32, 48, 64, 64, 80, 96, 112, 128, 128},
                  {3, 16, 1, 32, 1, 48, 2, 64, 0, 3, 80, 96, 112, 0, 2, 128}},
                 {{5, 6, 7, 8}, {0, 4, 5, 6, 7, 8}},
                 {{0x42}, {1, 0x42}},
                 {bytes(255, 9), {255, 9}},
                 {bytes(256, 7), {255, 7, 1, 7}},
                 {joined({bytes(256, 9), {1, 2, 3}}), {255, 9, 0, 4, 9, 1, 2, 3}},
                 {ramp(256), joined({{0, 255}, ramp(255), {0, 1, 255}})},
                 {ramp(257, 1), joined({{0, 255}, ramp(255, 1), {0, 1, 0, 1, 1}})},
                 {{1, 2, 3, 4, 4, 5, 6}, {0, 3, 1, 2, 3, 0, 2, 4, 1, 5, 1, 6}},
                 {{0x3F, 0x40, 0x7F, 0xFF, 0xC0}, {1, 0, 2, 0x40, 2, 0xC0}, 2},
                 {{0x7F, 0x00, 0x80, 0xFF}, {2, 0, 2, 0x80}, 1},
                 {{0x01, 0x81, 0x7E}, {0, 3, 0, 0x80, 0, 0}, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(encodeRow(c.row, c.depth), joined({c.code, {0, 0, 0, 1}})) << &c - cases;
    // No rows; depths out of range.
    EXPECT_EQ(encode({}, 5, 0, 8, 6), (bytes{0, 1}));
    uint8_t out[16];
    EXPECT_FALSE(encodeFrame(out, 1, 1, 4, 0, out) || encodeFrame(out, 1, 1, 4, 9, out));
    // Singles cost two bytes a pixel; each row end and the picture end two more.
    EXPECT_EQ(payloadBound(3, 3), 3u * 8 + 2);
}

// Runs clustered where the code changes form.
void fillRuns(uint8_t* row, uint32_t width, std::mt19937& random, uint32_t levels) {
    static const uint32_t lengths[] = {1,  1,   1,   2,   3,   4,   7,   8,  9,
                                       16, 253, 254, 255, 256, 257, 510, 511};
    for (uint32_t x = 0; x < width;) {
        uint32_t n = random() % 4 ? lengths[random() % std::size(lengths)] : 1 + random() % 40;
        const uint8_t value = uint8_t(random() % levels * (256 / levels) + random() % 4);
        for (; n > 0 && x < width; --n) row[x++] = value;
    }
}

TEST(FrameEncoder, MatchesAPlainEncoder) {
    std::mt19937 random(20240611);
    for (uint32_t width = 0; width <= 600; width += (width < 80 ? 1 : 7)) {
        for (uint32_t levels : {0, 2, 5, 256}) {
            const uint32_t stride = width + random() % 8, height = 1 + random() % 3;
            // No byte past the rows: a read past them shows under ASan.
            bytes pixels(size_t(height - 1) * stride + width);
            for (uint8_t& byte : pixels) byte = uint8_t(random());
            for (uint32_t r = 0; levels && r < height; ++r)
                fillRuns(pixels.data() + size_t(r) * stride, width, random, levels);
            for (uint32_t depth = 1; depth <= 8; ++depth)
                ASSERT_EQ(encode(pixels, width, height, stride, depth),
                          plainEncode(pixels, width, height, stride, depth))
                    << width << "x" << height << " " << stride << " " << depth;
        }
    }
    // Singles only, the last absolute run 248 long.
    for (uint32_t width : {2297u, 2300u, 2304u})
        EXPECT_EQ(encodeRow(ramp(width)), plainEncode(ramp(width), width, 1, width, 8));
    for (uint32_t odd = 0; odd < 80; ++odd) {  // one other pixel at each place a scan reads
        bytes row(80, 9);
        row[odd] = 10;
        EXPECT_EQ(encodeRow(row), plainEncode(row, 80, 1, 80, 8)) << odd;
    }
}

using decoded = std::tuple<rle8status, size_t, bytes>;  // status, position, pixels without padding

// Into pixels prefilled with 0xA5; their padding and surroundings stay untouched.
decoded decodeGuarded(const bytes& code, int32_t width, int32_t height) {
    const size_t guard = 64, stride = size_t(width) + 3;
    const size_t size = height == 0 ? 0 : stride * (size_t(height) - 1) + size_t(width);
    bytes buffer(guard + size + guard, 0x5A);
    for (size_t row = 0; row < size_t(height); ++row)
        std::fill_n(buffer.begin() + ptrdiff_t(guard + row * stride), width, 0xA5);
    const rle8result r =
        decodeRle8(code.data(), code.size(), width, height, &buffer[guard], size, stride);
    bytes pixels;
    for (size_t at = 0; at < buffer.size(); ++at) {
        const size_t inFrame = at - guard;
        if (at >= guard && inFrame < size && inFrame % stride < size_t(width))
            pixels.push_back(buffer[at]);
        else if (buffer[at] != 0x5A)
            ADD_FAILURE() << "written outside the pixels at " << inFrame;
    }
    return {r.status, r.position, pixels};
}

// Into 4 x 4: skipped pixels are 0 whatever the buffer held; a faulty code writes nothing.
TEST(Rle8Decoder, HandWrittenStreams) {
    const rle8status ok = rle8status::ok, cut = rle8status::truncated, over = rle8status::overflow;
    const bytes two = joined({{7, 7}, bytes(14)}), row = joined({bytes(4, 7), bytes(12)}),
                blank(16);
    const std::tuple<const char*, bytes, decoded> cases[] = {
        {"runs bottom-up",
         {4, 16, 0, 0, 1, 32, 3, 33, 0, 0, 2, 48, 2, 49, 0, 0, 3, 64, 1, 65, 0, 0, 0, 1},
         {ok, 24, {16, 16, 16, 16, 32, 33, 33, 33, 48, 48, 49, 49, 64, 64, 64, 65}}},
        {"absolute runs, odd ones padded",
         {0, 3, 10, 11, 12, 0, 1, 13, 0, 0, 0, 4, 26, 27, 28, 29, 0, 0, 0, 1},
         {ok, 20, {10, 11, 12, 13, 26, 27, 28, 29, 0, 0, 0, 0, 0, 0, 0, 0}}},
        {"end of line, deltas, early end",
         {1, 0x11, 0, 0, 0, 2, 1, 0, 1, 0x22, 0, 2, 1, 2, 1, 0x33, 0, 1},
         {ok, 18, {0x11, 0, 0, 0, 0, 0x22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x33}}},
        {"a delta to the row end",
         {2, 1, 0, 2, 2, 0, 0, 0, 4, 2, 0, 1},
         {ok, 12, joined({{1, 1, 0, 0, 2, 2, 2, 2}, bytes(8)})}},
        {"data after the end", {4, 7, 0, 1, 4, 8, 0xFF}, {ok, 4, row}},
        {"a count byte after a row", {4, 7, 0, 0, 2}, {cut, 4, row}},
        {"a lone escape", {2, 7, 0}, {cut, 2, two}},
        {"a delta without offsets", {2, 7, 0, 2}, {cut, 2, two}},
        {"a delta after the last row", {0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0}, {over, 8, blank}},
        {"an absolute run without its pad", {0, 3, 1, 2, 3}, {cut, 0, blank}},
        {"an absolute run up to the end",
         {0, 4, 1, 2, 3, 4},
         {cut, 6, joined({{1, 2, 3, 4}, bytes(12)})}},
        {"a run one past the row end", {2, 7, 3, 7, 0, 1}, {over, 2, two}},
        {"a run after the last row", {0, 0, 0, 0, 0, 0, 0, 0, 1, 7, 0, 1}, {over, 8, blank}},
        {"one end of line too many", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {over, 8, blank}},
        {"no end of bitmap", {4, 7, 0, 0}, {cut, 4, row}},
        {"empty", {}, {cut, 0, blank}}};
    for (const auto& [what, code, end] : cases) EXPECT_EQ(decodeGuarded(code, 4, 4), end) << what;
    // No pixels.
    EXPECT_EQ(decodeGuarded({0, 1}, 0, 0), decoded(ok, 2, {}));
    EXPECT_EQ(decodeGuarded({0, 0, 0, 0, 0, 1}, 0, 2), decoded(ok, 6, {}));
    EXPECT_EQ(decodeGuarded({1, 7, 0, 1}, 0, 1), decoded(over, 0, {}));
}

TEST(Rle8Decoder, ImpossibleFramesWriteNothing) {
    const bytes code = {1, 7, 0, 1};
    bytes buffer(64, 0xEE);
    const std::tuple<int32_t, int32_t, size_t, size_t> cases[] = {
        {-1, 4, 64, 4},
        {4, -1, 64, 4},
        {INT32_MIN, INT32_MIN, 64, 4},
        {4, 4, 64, 3},
        {4, 4, 15, 4},
        {4, 3, 64, SIZE_MAX / 2},
        {INT32_MAX, INT32_MAX, SIZE_MAX, SIZE_MAX / 2}};
    for (auto [width, height, size, stride] : cases) {
        const auto r = decodeRle8(code.data(), 4, width, height, buffer.data(), size, stride);
        EXPECT_TRUE(r.status == rle8status::badframe && r.position == 0) << width << " " << size;
    }
    EXPECT_EQ(buffer, bytes(64, 0xEE));
}

#ifndef _WIN32
// A sound stream mixing every code.
bytes randomStream(std::mt19937& random, uint32_t width, uint32_t height) {
    const auto pick = [&](uint32_t low, uint32_t high) {
        return std::uniform_int_distribution<uint32_t>(low, high)(random);
    };
    bytes code;
    const auto put = [&](std::initializer_list<uint8_t> codes) { code.insert(code.end(), codes); };
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0;;) {
            const uint32_t room = width - x, action = pick(0, 19), most = std::min(room, 255u);
            if (action < 8 && room >= 1) {
                const uint32_t count = pick(1, most);
                put({uint8_t(count), uint8_t(pick(0, 255))});
                x += count;
            } else if (action < 14 && room >= 3) {
                const uint32_t count = pick(3, most);
                put({0, uint8_t(count)});
                for (uint32_t i = 0; i < count + count % 2; ++i)
                    code.push_back(uint8_t(pick(0, 255)));
                x += count;
            } else if (action < 16) {
                const uint32_t dx = pick(0, most), dy = pick(0, std::min(height - 1 - y, 2u));
                put({0, 2, uint8_t(dx), uint8_t(dy)});
                x += dx;
                y += dy;
            } else {
                break;
            }
        }
        put({0, 0});
    }
    put({0, 1});
    return code;
}

// Rows bottom-up.
bytes decodeWithImageMagick(const bytes& payload, int32_t width, int32_t height) {
    testpicture wrapper{width, height, payload};
    wrapper.biCompression = 1;
    const scratchfolder scratch;
    const text16 file = scratch.file(u"frame.bmp");
    writeFile(file, bmpBytes(wrapper));
    bytes levels;
    convert("'" + utf8(file) + "' -flip -depth 8 gray:-", &levels);
    return levels;
}

TEST(Rle8Decoder, AgreesWithImageMagick) {
    std::mt19937 random(2024);
    for (auto [width, height] : {std::pair{1, 1}, {3, 5}, {7, 3}, {33, 17}, {256, 3}, {641, 8}}) {
        for (int variant = 0; variant < 3; ++variant) {
            const bytes code = randomStream(random, uint32_t(width), uint32_t(height));
            EXPECT_EQ(
                decodeGuarded(code, width, height),
                decoded(rle8status::ok, code.size(), decodeWithImageMagick(code, width, height)))
                << width << " x " << height;
        }
    }
    const testpicture picture = patternPicture(301, 7, 3);
    EXPECT_EQ(decodeWithImageMagick(encode(picture.rows, 301, 7, testStride(301), 5), 301, 7),
              cutPixels(picture, 5));
}
#endif

}  // namespace
