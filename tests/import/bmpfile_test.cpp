#include "import/bmpfile.h"

#include "tests/import/bmpwriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

bytes loadedPixels(const bmpfile& reader) {
    const size_t size = size_t(testStride(reader.infoHeader.biWidth)) * reader.infoHeader.biHeight;
    return bytes(reader.pixelData.get(), reader.pixelData.get() + size);
}

bytes lastPayload(const bmpfile& reader) {
    return bytes(reader.rleData.get(), reader.rleData.get() + reader.rleSize);
}

}  // namespace

TEST(BmpFile, LoadsAndEncodesAnEightBitPicture) {
    const testpicture picture = patternPicture(5, 3);
    scratchbmp file(picture);
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    ASSERT_TRUE(reader.load());
    EXPECT_TRUE(reader.loaded);
    EXPECT_EQ(reader.fileHeader.bfType, 0x4D42);
    EXPECT_EQ(reader.fileHeader.bfSize, 1078u + 24);
    EXPECT_EQ(reader.fileHeader.bfOffBits, 1078u);
    EXPECT_EQ(reader.infoHeader.biWidth, 5);
    EXPECT_EQ(reader.infoHeader.biHeight, 3);
    EXPECT_EQ(reader.infoHeader.biBitCount, 8);
    EXPECT_EQ(reader.infoHeader.colourTable[200][1], 200);
    EXPECT_EQ(reader.bytesRead, 24u);
    EXPECT_EQ(loadedPixels(reader), picture.rows);

    for (uint32_t depth = 1; depth <= 8; ++depth) {
        const uint32_t size = reader.encode(depth);
        EXPECT_EQ(size, reader.rleSize);
        EXPECT_EQ(lastPayload(reader), encoded(picture, depth)) << "depth " << depth;
    }
    EXPECT_EQ(reader.encode(0), 0u);
    EXPECT_EQ(reader.encode(9), 0u);
    reader.close();
}

// Encode reads the pixels itself: after open, and after a counting pass that
// read the headers only.
TEST(BmpFile, EncodeLoadsThePictureItself) {
    for (bool headersFirst : {false, true}) {
        const testpicture picture = patternPicture(70, 90, headersFirst ? 50 : 3);
        scratchbmp file(picture);
        bmpfile reader;
        ASSERT_TRUE(reader.open(file.path.c_str()));
        if (headersFirst) ASSERT_TRUE(reader.readHeaders());
        EXPECT_GT(reader.encode(6), 0u);
        EXPECT_EQ(lastPayload(reader), encoded(picture, 6)) << headersFirst;
        EXPECT_GE(reader.rleCapacity, 2 * reader.pixelCapacity);
        reader.close();
    }
}

TEST(BmpFile, PixelsAreReadFromTheirOffset) {
    testpicture gap = patternPicture(6, 5, 9);
    gap.bfOffBits = 1078 + 22;  // filler bytes between colour table and rows
    scratchbmp file(gap);
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    ASSERT_TRUE(reader.load());
    EXPECT_EQ(loadedPixels(reader), gap.rows);
    reader.close();
}

TEST(BmpFile, SmallerPictureReusesTheLargerBuffers) {
    const testpicture large = patternPicture(100, 100, 1);
    const testpicture small = patternPicture(10, 10, 2);
    scratchbmp largeFile(large), smallFile(small);
    bmpfile reader;
    ASSERT_TRUE(reader.open(largeFile.path.c_str()));
    ASSERT_GT(reader.encode(6), 0u);
    EXPECT_EQ(reader.pixelCapacity, 10000u);
    const uint8_t* pixels = reader.pixelData.get();
    const uint8_t* payload = reader.rleData.get();
    const uint32_t rleCapacity = reader.rleCapacity;

    ASSERT_TRUE(reader.open(smallFile.path.c_str()));
    ASSERT_GT(reader.encode(6), 0u);
    EXPECT_EQ(reader.pixelCapacity, 10000u);
    EXPECT_EQ(reader.pixelData.get(), pixels);
    EXPECT_EQ(reader.rleData.get(), payload);
    EXPECT_EQ(reader.rleCapacity, rleCapacity);
    EXPECT_EQ(loadedPixels(reader), small.rows);
    EXPECT_EQ(lastPayload(reader), encoded(small, 6));
    reader.close();
}

TEST(BmpFile, OpenForgetsThePreviousFile) {
    const testpicture first = patternPicture(20, 6, 10);
    const testpicture second = patternPicture(20, 6, 99);
    scratchbmp firstFile(first), secondFile(second);
    bmpfile reader;
    ASSERT_TRUE(reader.open(firstFile.path.c_str()));
    ASSERT_TRUE(reader.load());
    ASSERT_TRUE(reader.open(secondFile.path.c_str()));
    EXPECT_FALSE(reader.loaded);
    ASSERT_GT(reader.encode(8), 0u);
    EXPECT_EQ(loadedPixels(reader), second.rows);
    EXPECT_EQ(lastPayload(reader), encoded(second, 8));

    const std::u16string missing = firstFile.path + u".missing";
    EXPECT_FALSE(reader.open(missing.c_str()));
    EXPECT_FALSE(reader.fileHandle.isOpen());
    EXPECT_FALSE(reader.loaded);
    EXPECT_EQ(reader.encode(8), 0u);
    reader.close();
}

TEST(BmpFile, PayloadBufferHoldsTheWorstCasePicture) {
    // Width 3, every row three different values: each row costs twice its
    // stride, so twice the pixel data is 2 bytes short of the payload.
    testpicture picture;
    picture.width = 3;
    picture.height = 2048;
    for (int32_t y = 0; y < picture.height; ++y) picture.rows.insert(picture.rows.end(), {1, 2, 3, 0});
    scratchbmp file(picture);
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    EXPECT_EQ(reader.encode(8), 2048u * 8 + 2);
    EXPECT_EQ(reader.pixelCapacity, 8192u);
    EXPECT_GE(reader.rleCapacity, 2048u * 8 + 2);
    EXPECT_EQ(lastPayload(reader), encoded(picture, 8));
    reader.close();
}

TEST(BmpFile, CloseFreesBothBuffers) {
    scratchbmp file(patternPicture(8, 8));
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    ASSERT_GT(reader.encode(6), 0u);
    reader.close();
    EXPECT_FALSE(reader.fileHandle.isOpen());
    EXPECT_EQ(reader.pixelData, nullptr);
    EXPECT_EQ(reader.pixelCapacity, 0u);
    EXPECT_EQ(reader.rleData, nullptr);
    EXPECT_EQ(reader.rleCapacity, 0u);
    EXPECT_FALSE(reader.loaded);
    EXPECT_EQ(reader.encode(6), 0u);
}
