#include "engines/frameinfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(FrameInfo, HeaderIsTheBottomUpRle8HeaderByteForByte) {
    frameinfo info = buildFrameInfo(640, 480, 0x00012345);
    const std::vector<uint8_t> header = {
        40,   0,    0,    0,              // header size
        0x80, 0x02, 0,    0,              // width 640
        0xE0, 0x01, 0,    0,              // height 480
        1,    0,                          // planes
        8,    0,                          // bits per pixel
        1,    0,    0,    0,              // BI_RLE8
        0x45, 0x23, 0x01, 0,              // image size
        0,    0,    0,    0, 0, 0, 0, 0,  // resolutions
        0,    0,    0,    0, 0, 0, 0, 0,  // colours used, important colours
    };
    EXPECT_EQ(std::vector<uint8_t>(info.bytes, info.bytes + 40), header);
}

TEST(FrameInfo, FramesUpTo2To28PixelsAreAllowedWhicheverWayTheRowsRun) {
    EXPECT_FALSE(frameTooLarge(16384, 16384));
    EXPECT_FALSE(frameTooLarge(1, int64_t(1) << 28));
    EXPECT_FALSE(frameTooLarge(16384, -16384));
    EXPECT_FALSE(frameTooLarge(0, INT32_MAX));
    EXPECT_TRUE(frameTooLarge(16385, 16384));
    EXPECT_TRUE(frameTooLarge(1, (int64_t(1) << 28) + 1));
    EXPECT_TRUE(frameTooLarge(65535, -65535));
    EXPECT_TRUE(frameTooLarge(INT32_MAX, INT32_MIN));
}

TEST(FrameInfo, ColourTableIsTheGreyRamp) {
    frameinfo info = buildFrameInfo(1, 1, 0);
    ASSERT_EQ(sizeof info.bytes, 1064u);
    for (int level = 0; level < 256; ++level) {
        const uint8_t* entry = info.bytes + 40 + 4 * level;
        EXPECT_EQ(entry[0], level);
        EXPECT_EQ(entry[1], level);
        EXPECT_EQ(entry[2], level);
        EXPECT_EQ(entry[3], 0);
    }
}

TEST(FrameInfo, SignedSizesAndLargestPayloadAreStoredTwosComplement) {
    frameinfo info = buildFrameInfo(-1, -2, 0xFFFFFFFF);
    EXPECT_EQ(std::vector<uint8_t>(info.bytes + 4, info.bytes + 12),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(info.bytes + 20, info.bytes + 24),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(DibShape, ReadsWhatTheFrameDescriptionHolds) {
    frameinfo info = buildFrameInfo(1920, 1080, 77);
    dibshape shape = readDibShape(info.bytes);
    EXPECT_EQ(shape.width, 1920);
    EXPECT_EQ(shape.height, 1080);
    EXPECT_EQ(shape.bitsPerPixel, 8);
    EXPECT_EQ(shape.compression, dibCompressionRle8);
}

TEST(DibShape, ReadsATopDownUncompressedHeader) {
    uint8_t header[40] = {40, 0, 0, 0, 3, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0};
    dibshape shape = readDibShape(header);
    EXPECT_EQ(shape.width, 3);
    EXPECT_EQ(shape.height, -2);
    EXPECT_EQ(shape.bitsPerPixel, 24);
    EXPECT_EQ(shape.compression, dibCompressionRgb);
}

}  // namespace
