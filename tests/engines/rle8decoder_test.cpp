#include "engines/rle8decoder.h"

#include "import/frameencoder.h"
#include "tests/engines/rle8oracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

struct decoded {
    rle8status status;
    size_t position;
    bytes pixels;  // rows in stream order, stride == width
};

// Decodes into a buffer pre-filled with `prefill`, with guard bytes around
// the frame and between rows that must come back untouched.
decoded decodeGuarded(const bytes& code, int32_t width, int32_t height, uint8_t prefill = 0xA5,
                      size_t padding = 3) {
    const size_t guard = 64;
    const uint8_t guardValue = 0x5A;
    size_t stride = size_t(width) + padding;
    size_t frameSize = height == 0 ? 0 : stride * (size_t(height) - 1) + size_t(width);
    bytes buffer(guard + frameSize + guard, guardValue);
    for (size_t row = 0; row < size_t(height); ++row) {
        std::fill_n(buffer.begin() + guard + row * stride, width, prefill);
    }
    rle8result result = decodeRle8(code.data(), code.size(), width, height, buffer.data() + guard,
                                   frameSize, stride);
    decoded out{result.status, result.position, {}};
    for (size_t at = 0; at < buffer.size(); ++at) {
        size_t inFrame = at - guard;
        bool pixel = at >= guard && inFrame < frameSize && inFrame % stride < size_t(width);
        if (pixel) {
            out.pixels.push_back(buffer[at]);
        } else if (buffer[at] != guardValue) {
            ADD_FAILURE() << "byte outside the frame pixels written at offset " << inFrame;
            break;
        }
    }
    return out;
}

decoded decode4x4(const bytes& code) { return decodeGuarded(code, 4, 4); }

bytes blank4x4() { return bytes(16, 0); }

void expectResult(const decoded& got, rle8status status, size_t position, const bytes& pixels) {
    EXPECT_EQ(got.status, status);
    EXPECT_EQ(got.position, position);
    EXPECT_EQ(got.pixels, pixels);
}

TEST(Rle8Decoder, EncodedRunsFillRowsBottomUpInStreamOrder) {
    bytes code = {0x04, 0x10, 0x00, 0x00,              // row 0
                  0x01, 0x20, 0x03, 0x21, 0x00, 0x00,  // row 1
                  0x02, 0x30, 0x02, 0x31, 0x00, 0x00,  // row 2
                  0x03, 0x40, 0x01, 0x41, 0x00, 0x00,  // row 3
                  0x00, 0x01};
    expectResult(decode4x4(code), rle8status::ok, code.size(),
                 {0x10, 0x10, 0x10, 0x10, 0x20, 0x21, 0x21, 0x21,
                  0x30, 0x30, 0x31, 0x31, 0x40, 0x40, 0x40, 0x41});
}

TEST(Rle8Decoder, AbsoluteRunsSkipThePadByteOnlyWhenOdd) {
    bytes code = {0x00, 0x03, 0x0A, 0x0B, 0x0C, 0x00, 0x01, 0x0D, 0x00, 0x00,  // odd: pad
                  0x00, 0x04, 0x1A, 0x1B, 0x1C, 0x1D, 0x00, 0x00,              // even: none
                  0x00, 0x01};
    bytes pixels = {0x0A, 0x0B, 0x0C, 0x0D, 0x1A, 0x1B, 0x1C, 0x1D, 0, 0, 0, 0, 0, 0, 0, 0};
    expectResult(decode4x4(code), rle8status::ok, code.size(), pixels);
}

TEST(Rle8Decoder, SkippedPixelsBecomeBackgroundWhateverTheBufferHeld) {
    // End of line after one pixel, a delta within a row, a delta across two
    // rows, and an early end of bitmap.
    bytes code = {0x01, 0x11, 0x00, 0x00,              // row 0: 11 then cleared
                  0x00, 0x02, 0x01, 0x00, 0x01, 0x22,  // row 1: skip 1, then 22
                  0x00, 0x02, 0x01, 0x02, 0x01, 0x33,  // to row 3, x 3
                  0x00, 0x01};
    bytes expected = {0x11, 0, 0, 0, 0, 0x22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x33};
    expectResult(decodeGuarded(code, 4, 4, 0xA5), rle8status::ok, code.size(), expected);
    expectResult(decodeGuarded(code, 4, 4, 0xFF, 0), rle8status::ok, code.size(), expected);
}

TEST(Rle8Decoder, DeltaMayStopAtTheRowEndAndEndOfLineThenStartsTheNextRow) {
    bytes code = {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0x00, 0x00, 0x04, 0x02, 0x00, 0x01};
    bytes expected = blank4x4();
    expected[0] = expected[1] = 1;
    std::fill_n(expected.begin() + 4, 4, 2);
    expectResult(decode4x4(code), rle8status::ok, code.size(), expected);
}

TEST(Rle8Decoder, EndOfLineForEveryRowThenEndOfBitmapIsWhatTheEncoderWrites) {
    bytes code = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01};
    expectResult(decode4x4(code), rle8status::ok, code.size(), blank4x4());
}

TEST(Rle8Decoder, DataAfterTheEndOfBitmapIsIgnored) {
    bytes code = {0x04, 0x09, 0x00, 0x01, 0x04, 0x08, 0xFF};
    bytes expected = blank4x4();
    std::fill_n(expected.begin(), 4, 9);
    expectResult(decode4x4(code), rle8status::ok, 4, expected);
}

TEST(Rle8Decoder, EmptyFramesNeedOnlyTheEndOfBitmap) {
    expectResult(decodeGuarded({0x00, 0x01}, 0, 0), rle8status::ok, 2, {});
    expectResult(decodeGuarded({0x00, 0x00, 0x00, 0x00, 0x00, 0x01}, 0, 2), rle8status::ok, 6, {});
    expectResult(decodeGuarded({0x00, 0x00, 0x00, 0x01}, 5, 0), rle8status::overflow, 0, {});
    expectResult(decodeGuarded({0x01, 0x07, 0x00, 0x01}, 0, 1), rle8status::overflow, 0, {});
}

// More damaged streams, through a file to the picture, are in the hardening
// tables; here the faults only the decoder's status and position tell apart.
TEST(Rle8Decoder, DamagedStreamsKeepWhatWasDecodedBeforeTheFault) {
    bytes firstRow = blank4x4();
    std::fill_n(firstRow.begin(), 4, 7);
    bytes half = blank4x4();
    half[0] = half[1] = 7;
    struct damaged {
        const char* what;
        bytes code;
        rle8status status;
        size_t position;
        bytes pixels;
    } cases[] = {
        {"count byte after a row", {0x04, 0x07, 0x00, 0x00, 0x02}, rle8status::truncated, 4, firstRow},
        {"lone escape", {0x02, 0x07, 0x00}, rle8status::truncated, 2, half},
        {"delta without offsets", {0x02, 0x07, 0x00, 0x02}, rle8status::truncated, 2, half},
        {"delta after the last row", {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0x00}, rle8status::overflow, 8, blank4x4()},
        {"absolute run without its pad", {0x00, 0x03, 0x01, 0x02, 0x03}, rle8status::truncated, 0, blank4x4()},
        {"run one past the row end", {0x02, 0x07, 0x03, 0x07, 0x00, 0x01}, rle8status::overflow, 2, half},
        {"run after the last row", {0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x07, 0x00, 0x01}, rle8status::overflow, 8, blank4x4()},
        {"one end of line too many", {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x01}, rle8status::overflow, 8, blank4x4()},
    };
    for (const damaged& stream : cases) {
        SCOPED_TRACE(stream.what);
        expectResult(decode4x4(stream.code), stream.status, stream.position, stream.pixels);
    }
}

TEST(Rle8Decoder, ImpossibleFramesWriteNothing) {
    const bytes code = {0x01, 0x07, 0x00, 0x01};
    bytes buffer(64, 0xEE);
    auto decodeInto = [&](int32_t width, int32_t height, size_t size, size_t stride) {
        return decodeRle8(code.data(), code.size(), width, height, buffer.data(), size, stride);
    };
    EXPECT_EQ(decodeInto(-1, 4, 64, 4).status, rle8status::badframe);
    EXPECT_EQ(decodeInto(4, -1, 64, 4).status, rle8status::badframe);
    EXPECT_EQ(decodeInto(INT32_MIN, INT32_MIN, 64, 4).status, rle8status::badframe);
    EXPECT_EQ(decodeInto(4, 4, 64, 3).status, rle8status::badframe);  // stride below width
    EXPECT_EQ(decodeInto(4, 4, 15, 4).status, rle8status::badframe);  // buffer one byte short
    EXPECT_EQ(decodeInto(4, 3, 64, SIZE_MAX / 2).status, rle8status::badframe);
    EXPECT_EQ(decodeInto(INT32_MAX, INT32_MAX, SIZE_MAX, SIZE_MAX / 2).status,
              rle8status::badframe);
    EXPECT_EQ(buffer, bytes(64, 0xEE));
    // The last row needs no padding: 3 rows of stride 8 and width 4 fit in 20 bytes.
    EXPECT_EQ(decodeInto(4, 3, 20, 8).status, rle8status::ok);
}

// A well-formed stream mixing every code: runs, absolute runs, deltas, early
// ends of line and, with `earlyEnd`, now and then an early end of bitmap
// (which ImageMagick takes for a cut file).
bytes randomStream(std::mt19937& random, uint32_t width, uint32_t height, bool earlyEnd) {
    auto pick = [&](uint32_t low, uint32_t high) {
        return std::uniform_int_distribution<uint32_t>(low, high)(random);
    };
    bytes code;
    uint32_t y = 0;
    while (y < height) {
        uint32_t x = 0;
        for (;;) {
            uint32_t room = width - x;
            uint32_t action = pick(0, 19);
            if (action < 8 && room >= 1) {
                uint32_t count = pick(1, std::min(room, 255u));
                code.insert(code.end(), {uint8_t(count), uint8_t(pick(0, 255))});
                x += count;
            } else if (action < 14 && room >= 3) {
                uint32_t count = pick(3, std::min(room, 255u));
                code.insert(code.end(), {0x00, uint8_t(count)});
                for (uint32_t i = 0; i < count; ++i) code.push_back(uint8_t(pick(0, 255)));
                if (count % 2 == 1) code.push_back(0x00);
                x += count;
            } else if (action < 16) {
                uint32_t dx = pick(0, std::min(room, 255u));
                uint32_t dy = pick(0, std::min(height - 1 - y, 2u));
                code.insert(code.end(), {0x00, 0x02, uint8_t(dx), uint8_t(dy)});
                x += dx;
                y += dy;
            } else {
                break;
            }
        }
        code.insert(code.end(), {0x00, 0x00});
        ++y;
        if (earlyEnd && pick(0, 10) == 0) break;
    }
    code.insert(code.end(), {0x00, 0x01});
    return code;
}

TEST(Rle8Decoder, AgreesWithImageMagickOnGeneratedStreams) {
    if (!imageMagickAvailable()) GTEST_SKIP() << "needs ImageMagick at /usr/bin/convert";
    std::mt19937 random(2024);
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {3, 5},    {4, 4},  {7, 3},   {16, 9},
                                                 {33, 17}, {255, 4}, {256, 3}, {300, 6}, {641, 8}};
    for (auto [width, height] : sizes) {
        for (int variant = 0; variant < 3; ++variant) {
            SCOPED_TRACE(testing::Message() << width << "x" << height << " #" << variant);
            bytes code = randomStream(random, uint32_t(width), uint32_t(height), false);
            bytes expected = decodeWithImageMagick(code, width, height);
            ASSERT_FALSE(expected.empty()) << "convert failed";
            expectResult(decodeGuarded(code, width, height), rle8status::ok, code.size(), expected);
        }
    }
}

// On any fault, the pixels are exactly those of the stream cut before the
// faulty code and closed with an end of bitmap; and they never depend on what
// the buffer held before.
TEST(Rle8Decoder, DamagedStreamsDecodeLikeTheirIntactPrefix) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 3000; ++trial) {
        uint32_t width = random() % 40, height = random() % 12;
        bytes code = randomStream(random, width, height, true);
        switch (trial % 3) {
        case 0: code.resize(random() % (code.size() + 1)); break;
        case 1: code[random() % code.size()] = uint8_t(random()); break;
        default:
            for (uint8_t& byte : code) {
                if (random() % 4 == 0) byte = uint8_t(random() % 4);
            }
        }
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        decoded first = decodeGuarded(code, int32_t(width), int32_t(height), 0x00, trial % 5);
        decoded second = decodeGuarded(code, int32_t(width), int32_t(height), 0xFF, trial % 5);
        ASSERT_EQ(first.pixels, second.pixels);
        ASSERT_LE(first.position, code.size());
        bytes prefix(code.begin(), code.begin() + ptrdiff_t(first.position));
        if (first.status != rle8status::ok) prefix.insert(prefix.end(), {0x00, 0x01});
        decoded intact = decodeGuarded(prefix, int32_t(width), int32_t(height));
        ASSERT_EQ(intact.status, rle8status::ok);
        ASSERT_EQ(intact.pixels, first.pixels);
    }
}

// A picture of runs of every length (some longer than 255) between stretches
// of noise, with padding bytes after each row that must not matter.
bytes randomPicture(std::mt19937& random, uint32_t width, uint32_t height, uint32_t stride) {
    bytes picture(size_t(stride) * height, 0xEE);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = picture.data() + size_t(y) * stride;
        for (uint32_t x = 0; x < width;) {
            uint32_t length = std::min(width - x, 1 + uint32_t(random() % 600));
            bool noise = random() % 2 == 0;
            uint8_t value = uint8_t(random());
            for (uint32_t end = x + length; x < end; ++x) row[x] = noise ? uint8_t(random()) : value;
        }
    }
    return picture;
}

TEST(Rle8Decoder, DecodesWhatTheEncoderWritesAtEveryDepth) {
    std::mt19937 random(99);
    const uint32_t widths[] = {0, 1, 2, 3, 4, 5, 8, 255, 256, 257, 511, 600, 1021};
    for (uint32_t width : widths) {
        for (uint32_t depth = 1; depth <= 8; ++depth) {
            uint32_t height = 1 + random() % 9;
            uint32_t stride = (width + 3) / 4 * 4;
            SCOPED_TRACE(testing::Message() << width << "x" << height << " depth " << depth);
            bytes picture = randomPicture(random, width, height, stride);
            bytes payload(size_t(payloadBound(width, height)));
            payload.resize(encodeFrame(picture.data(), width, height, stride, depth, payload.data()));
            bytes expected;
            for (uint32_t y = 0; y < height; ++y) {
                for (uint32_t x = 0; x < width; ++x) {
                    expected.push_back(picture[size_t(y) * stride + x] & depthMasks[depth - 1]);
                }
            }
            expectResult(decodeGuarded(payload, int32_t(width), int32_t(height)), rle8status::ok,
                         payload.size(), expected);
        }
    }
}

}  // namespace
