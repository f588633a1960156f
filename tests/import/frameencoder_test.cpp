#include "import/frameencoder.h"

#include "tests/engines/rle8oracle.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

// The encoder written pixel by pixel, as plainly as the rules read: the
// oracle the word-at-a-time encoder must match byte for byte.
bytes referenceEncode(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                      uint32_t depth) {
    static const uint8_t masks[8] = {0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
    const uint8_t mask = masks[depth - 1];
    bytes out;
    uint8_t literals[256];
    uint32_t literalCount = 0;
    auto flushLiterals = [&] {
        if (literalCount >= 3) {
            out.push_back(0);
            out.push_back(uint8_t(literalCount));
            out.insert(out.end(), literals, literals + literalCount);
            if (literalCount % 2 == 1) out.push_back(0);
        } else {
            for (uint32_t k = 0; k < literalCount; ++k) out.insert(out.end(), {1, literals[k]});
        }
        literalCount = 0;
    };
    auto addLiteral = [&](uint8_t value) {
        if (literalCount == 255) flushLiterals();
        literals[literalCount++] = value;
    };
    for (uint32_t r = 0; r < height; ++r) {
        const uint8_t* row = pixels + size_t(r) * stride;
        uint8_t runValue = 0;
        uint32_t runLength = 0;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t c = row[x] & mask;
            if (runLength == 0) {
                runValue = c;
                runLength = 1;
            } else if (c == runValue) {
                flushLiterals();
                if (runLength == 255) {
                    out.insert(out.end(), {255, runValue});
                    runLength = 1;
                } else {
                    ++runLength;
                }
            } else {
                if (runLength == 1)
                    addLiteral(runValue);
                else
                    out.insert(out.end(), {uint8_t(runLength), runValue});
                runValue = c;
                runLength = 1;
            }
        }
        if (runLength == 1) {
            addLiteral(runValue);
            runLength = 0;
        }
        flushLiterals();
        if (runLength >= 2) out.insert(out.end(), {uint8_t(runLength), runValue});
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
}

constexpr uint8_t guardByte = 0xCD;
constexpr size_t guardSize = 64;

// Runs encodeFrame into a buffer of exactly payloadBound bytes followed by a
// guard, and fails the test if anything is written past the bound.
bytes encode(const bytes& pixels, uint32_t width, uint32_t height, uint32_t stride,
             uint32_t depth) {
    const size_t bound = size_t(payloadBound(width, height));
    bytes output(bound + guardSize, guardByte);
    const size_t size = encodeFrame(pixels.data(), width, height, stride, depth, output.data());
    EXPECT_LE(size, bound);
    for (size_t i = bound; i < output.size(); ++i) {
        if (output[i] != guardByte) {
            ADD_FAILURE() << "written past the payload bound at " << i;
            break;
        }
    }
    output.resize(size);
    return output;
}

// One row of pixels followed by stride padding that must never be encoded.
bytes encodeRow(const bytes& row, uint32_t depth = 8) {
    const uint32_t width = uint32_t(row.size());
    const uint32_t stride = (width + 3) / 4 * 4;
    bytes pixels(row);
    pixels.resize(stride, 0xA5);
    return encode(pixels, width, 1, stride, depth);
}

bytes repeated(size_t count, uint8_t value) { return bytes(count, value); }

bytes concat(std::initializer_list<bytes> parts) {
    bytes all;
    for (const bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

bytes ramp(size_t count, uint8_t first = 0) {
    bytes values(count);
    for (size_t i = 0; i < count; ++i) values[i] = uint8_t(first + i);
    return values;
}

const bytes endOfRowAndBitmap = {0, 0, 0, 1};

}  // namespace

TEST(FrameEncoder, WorkedExamples) {
    EXPECT_EQ(encodeRow({0x10, 0x10, 0x10, 0x20, 0x30, 0x40, 0x40, 0x50, 0x60, 0x70, 0x80, 0x80}),
              (bytes{0x03, 0x10, 0x01, 0x20, 0x01, 0x30, 0x02, 0x40, 0x00, 0x03, 0x50, 0x60,
                     0x70, 0x00, 0x02, 0x80, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(encodeRow({0x10, 0x20, 0x30, 0x30}),
              (bytes{0x01, 0x10, 0x01, 0x20, 0x02, 0x30, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(encodeRow({0x10, 0x20, 0x30, 0x40, 0x50}),
              (bytes{0x00, 0x05, 0x10, 0x20, 0x30, 0x40, 0x50, 0x00, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(encodeRow({0x01, 0x02}), (bytes{0x01, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(encodeRow(repeated(256, 0x07)), (bytes{0xFF, 0x07, 0x01, 0x07, 0, 0, 0, 1}));
    EXPECT_EQ(encodeRow(repeated(300, 0x55)), (bytes{0xFF, 0x55, 0x2D, 0x55, 0, 0, 0, 1}));
    EXPECT_EQ(encodeRow(ramp(256)),
              concat({{0x00, 0xFF}, ramp(255), {0x00, 0x01, 0xFF}, endOfRowAndBitmap}));
    EXPECT_EQ(encodeRow({0x3F, 0x40, 0x7F, 0xFF, 0xC0}, 2),
              (bytes{0x01, 0x00, 0x02, 0x40, 0x02, 0xC0, 0x00, 0x00, 0x00, 0x01}));
}

TEST(FrameEncoder, EmptyPictures) {
    EXPECT_EQ(encode({}, 5, 0, 8, 6), (bytes{0x00, 0x01}));
    EXPECT_EQ(encode(bytes(12, 0x77), 0, 3, 4, 6), (bytes{0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST(FrameEncoder, RefusesDepthsOutsideOneToEight) {
    uint8_t pixel[4] = {1, 2, 3, 4};
    uint8_t output[16] = {};
    EXPECT_EQ(encodeFrame(pixel, 1, 1, 4, 0, output), 0u);
    EXPECT_EQ(encodeFrame(pixel, 1, 1, 4, 9, output), 0u);
}

// Runs are cut after 255, a remainder of one joins the singles after it,
// three or more singles make an absolute run, and a pair never joins one.
TEST(FrameEncoder, RunsSinglesAndDepths) {
    const struct {
        bytes row;
        uint32_t depth;
        bytes code;
    } cases[] = {
        {{0x42}, 8, {0x01, 0x42, 0, 0, 0, 1}},
        {repeated(255, 9), 8, {0xFF, 9, 0, 0, 0, 1}},
        {repeated(510, 9), 8, {0xFF, 9, 0xFF, 9, 0, 0, 0, 1}},
        {repeated(511, 9), 8, {0xFF, 9, 0xFF, 9, 0x01, 9, 0, 0, 0, 1}},
        {concat({repeated(256, 9), {1, 2, 3}}), 8, {0xFF, 9, 0x00, 0x04, 9, 1, 2, 3, 0, 0, 0, 1}},
        {{5, 6, 7}, 8, {0x00, 0x03, 5, 6, 7, 0x00, 0, 0, 0, 1}},
        {{5, 6, 7, 8}, 8, {0x00, 0x04, 5, 6, 7, 8, 0, 0, 0, 1}},
        {ramp(255, 1), 8, concat({{0x00, 0xFF}, ramp(255, 1), {0x00}, endOfRowAndBitmap})},
        {ramp(257, 1), 8, concat({{0x00, 0xFF}, ramp(255, 1), {0x00, 0x01, 0x00, 0x01, 0x01}, endOfRowAndBitmap})},
        {{1, 2, 3, 4, 4, 5, 6}, 8, {0x00, 0x03, 1, 2, 3, 0x00, 0x02, 4, 0x01, 5, 0x01, 6, 0, 0, 0, 1}},
        {{0x7F, 0x00, 0x80, 0xFF}, 1, {0x02, 0x00, 0x02, 0x80, 0, 0, 0, 1}},  // depth 1: the top bit only
        {{0x01, 0x81, 0x7E}, 1, {0x00, 0x03, 0x00, 0x80, 0x00, 0x00, 0, 0, 0, 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(encodeRow(c.row, c.depth), c.code) << c.row.size() << " pixels";
}

TEST(FrameEncoder, RowsInStoredOrderWithoutPadding) {
    const bytes pixels = {1, 1, 1, 0xEE, 0xEE, 2, 3, 4, 0xEE, 0xEE};  // width 3, stride 5
    EXPECT_EQ(encode(pixels, 3, 2, 5, 8),
              (bytes{0x03, 1, 0, 0, 0x00, 0x03, 2, 3, 4, 0x00, 0, 0, 0, 1}));
}

TEST(FrameEncoder, SinglesReachThePayloadBoundExactly) {
    // Rows of one to three different values cost 2 bytes a pixel: the bound is
    // tight there and must not be exceeded.
    const bytes rows = {1, 2, 3, 0xEE, 4, 5, 6, 0xEE, 7, 8, 9, 0xEE};
    EXPECT_EQ(encode(rows, 3, 3, 4, 8).size(), payloadBound(3, 3));
    EXPECT_EQ(encode(rows, 2, 3, 4, 8).size(), payloadBound(2, 3));
    EXPECT_EQ(encode(rows, 1, 3, 4, 8).size(), payloadBound(1, 3));
}

namespace {

// A row made of runs whose lengths cluster where the code changes form:
// singles, pairs, triples and the 255 cut.
void fillRuns(uint8_t* row, uint32_t width, std::mt19937& random, uint32_t levels) {
    static const uint32_t lengths[] = {1, 1, 1, 2, 3, 4, 7, 8, 9, 15, 16, 17, 253,
                                       254, 255, 256, 257, 509, 510, 511, 512};
    uint32_t x = 0;
    while (x < width) {
        uint32_t length = lengths[random() % (sizeof lengths / sizeof lengths[0])];
        if (random() % 4 == 0) length = 1 + random() % 40;
        const uint8_t value = uint8_t(random() % levels * (256 / levels) + random() % 4);
        for (uint32_t k = 0; k < length && x < width; ++k) row[x++] = value;
    }
}

}  // namespace

TEST(FrameEncoder, MatchesThePixelByPixelEncoder) {
    std::mt19937 random(20240611);
    int cases = 0;
    for (uint32_t width = 0; width <= 600; width += (width < 80 ? 1 : 7)) {
        for (int pattern = 0; pattern < 4; ++pattern) {
            const uint32_t stride = width + uint32_t(random() % 8);  // any stride, odd ones too
            const uint32_t height = 1 + uint32_t(random() % 3);
            // Exactly as many bytes as the rows need, so any read past them is caught by ASan.
            bytes pixels(height == 0 ? 0 : size_t(height - 1) * stride + width);
            for (uint32_t r = 0; r < height; ++r) {
                uint8_t* row = pixels.data() + size_t(r) * stride;
                if (pattern == 0) {
                    for (uint32_t x = 0; x < width; ++x) row[x] = uint8_t(random());
                } else {
                    fillRuns(row, width, random, pattern == 1 ? 2 : pattern == 2 ? 5 : 256);
                }
            }
            for (size_t i = 0; i < pixels.size(); ++i)  // padding bytes hold noise
                if (i % stride >= width) pixels[i] = uint8_t(random());
            for (uint32_t depth = 1; depth <= 8; ++depth) {
                ASSERT_EQ(encode(pixels, width, height, stride, depth),
                          referenceEncode(pixels.data(), width, height, stride, depth))
                    << "width " << width << " stride " << stride << " height " << height
                    << " pattern " << pattern << " depth " << depth;
                ++cases;
            }
        }
    }
    EXPECT_GT(cases, 4000);
}

TEST(FrameEncoder, MatchesThePixelByPixelEncoderOnSilhouetteEdges) {
    // Flat areas with one to three grey pixels at each edge, as in real frames.
    std::mt19937 random(7);
    const uint32_t width = 1921, stride = 1924, height = 40;
    bytes pixels(size_t(stride) * height);
    for (uint32_t r = 0; r < height; ++r) {
        uint8_t* row = pixels.data() + size_t(r) * stride;
        uint8_t level = 0;
        for (uint32_t x = 0; x < width;) {
            const uint32_t flat = 1 + random() % 600;
            for (uint32_t k = 0; k < flat && x < width; ++k) row[x++] = level;
            const uint32_t edge = 1 + random() % 3;
            for (uint32_t k = 0; k < edge && x < width; ++k) row[x++] = uint8_t(random());
            level = uint8_t(~level);
        }
    }
    for (uint32_t depth = 1; depth <= 8; ++depth)
        ASSERT_EQ(encode(pixels, width, height, stride, depth),
                  referenceEncode(pixels.data(), width, height, stride, depth))
            << "depth " << depth;
}

TEST(FrameEncoder, PayloadDecodesWithImageMagick) {
    if (!imageMagickAvailable()) GTEST_SKIP() << "needs ImageMagick at /usr/bin/convert";
    const uint32_t width = 301, height = 7, stride = 304, depth = 5;
    std::mt19937 random(99);
    bytes pixels(size_t(stride) * height);
    for (uint32_t r = 0; r < height; ++r) fillRuns(pixels.data() + size_t(r) * stride, width, random, 7);
    const bytes decoded = decodeWithImageMagick(encode(pixels, width, height, stride, depth), width, height);
    ASSERT_EQ(decoded.size(), size_t(width) * height);
    for (uint32_t r = 0; r < height; ++r)
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(decoded[size_t(r) * width + x], pixels[size_t(r) * stride + x] & 0xF8)
                << "row " << r << " column " << x;
}
