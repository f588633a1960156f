#include "import/bmpfile.h"

#include "import/frameencoder.h"
#include "tests/import/bmpwriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

bytes loadedPixels(const bmpfile& reader) {
    const size_t size = size_t(testStride(reader.infoHeader.biWidth)) * reader.infoHeader.biHeight;
    return bytes(reader.pixelData.get(), reader.pixelData.get() + size);
}

bytes expectedPayload(const testpicture& picture, uint32_t depth) {
    bytes payload(size_t(payloadBound(uint32_t(picture.width), uint32_t(picture.height))));
    payload.resize(encodeFrame(picture.rows.data(), uint32_t(picture.width),
                               uint32_t(picture.height), testStride(picture.width), depth,
                               payload.data()));
    return payload;
}

bytes lastPayload(const bmpfile& reader) {
    return bytes(reader.rleData.get(), reader.rleData.get() + reader.rleSize);
}

// Opens the picture's file and reports whether the headers pass and whether
// the whole picture loads; a refused picture must leave `loaded` clear.
struct verdict {
    bool headers;
    bool load;
};

verdict check(const testpicture& picture) {
    scratchbmp file(picture);
    bmpfile reader;
    EXPECT_TRUE(reader.open(file.path.c_str()));
    verdict result{};
    result.headers = reader.readHeaders();
    EXPECT_EQ(reader.loaded, result.headers);
    EXPECT_TRUE(reader.open(file.path.c_str()));
    result.load = reader.load();
    EXPECT_EQ(reader.loaded, result.load);
    EXPECT_EQ(reader.pixelCapacity, 4096u) << "no buffer for a refused or small picture";
    reader.close();
    return result;
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
        EXPECT_EQ(lastPayload(reader), expectedPayload(picture, depth)) << "depth " << depth;
    }
    EXPECT_EQ(reader.encode(0), 0u);
    EXPECT_EQ(reader.encode(9), 0u);
    reader.close();
}

TEST(BmpFile, EncodeLoadsThePictureItself) {
    const testpicture picture = patternPicture(70, 90, 3);
    scratchbmp file(picture);
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    EXPECT_GT(reader.encode(6), 0u);
    EXPECT_EQ(lastPayload(reader), expectedPayload(picture, 6));
    EXPECT_GE(reader.rleCapacity, 2 * reader.pixelCapacity);
    reader.close();
}

TEST(BmpFile, HeadersReadFirstDoNotStandInForThePixels) {
    // The counting pass reads headers only; a later load must still read the pixels.
    const testpicture picture = patternPicture(33, 4, 50);
    scratchbmp file(picture);
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    ASSERT_TRUE(reader.readHeaders());
    EXPECT_GT(reader.encode(8), 0u);
    EXPECT_EQ(lastPayload(reader), expectedPayload(picture, 8));
    reader.close();
}

TEST(BmpFile, RefusesShortFilesAndWrongSignatures) {
    const bytes sound = bmpBytes(patternPicture(4, 4));
    for (size_t length : {0, 1, 13, 14, 100, 1077}) {
        scratchbmp file(bytes(sound.begin(), sound.begin() + length));
        bmpfile reader;
        ASSERT_TRUE(reader.open(file.path.c_str()));
        EXPECT_FALSE(reader.readHeaders()) << length << " bytes";
        EXPECT_FALSE(reader.load()) << length << " bytes";
        EXPECT_FALSE(reader.loaded);
        EXPECT_EQ(reader.encode(6), 0u);
        reader.close();
    }
    for (uint16_t signature : {0x4D43, 0x424D, 0x0000}) {
        testpicture picture = patternPicture(4, 4);
        picture.bfType = signature;
        EXPECT_FALSE(check(picture).headers) << std::hex << signature;
    }
}

TEST(BmpFile, RefusesOtherBitDepths) {
    for (uint16_t bits : {1, 4, 16, 24, 32}) {
        testpicture picture = patternPicture(12, 4);  // 12 x 4 bytes are sound rows at 24 bits too
        picture.biBitCount = bits;
        EXPECT_FALSE(check(picture).headers) << bits << " bits";
    }
}

TEST(BmpFile, PixelDataSizeAgainstTheHeaders) {
    testpicture noImageSize = patternPicture(9, 9);
    noImageSize.biSizeImage = 0;
    EXPECT_TRUE(check(noImageSize).load);

    testpicture largeImageSize = patternPicture(9, 9);
    largeImageSize.biSizeImage = 12 * 9 + 1;
    EXPECT_FALSE(check(largeImageSize).headers);

    testpicture fileSizeBelowOffset = patternPicture(9, 9);
    fileSizeBelowOffset.bfSize = 1000;
    fileSizeBelowOffset.biSizeImage = 0;
    EXPECT_FALSE(check(fileSizeBelowOffset).headers);

    testpicture fewerBytesThanRows = patternPicture(9, 9);  // stride 12: 108 bytes needed
    fewerBytesThanRows.bfSize = 1078 + 107;
    fewerBytesThanRows.biSizeImage = 0;
    EXPECT_FALSE(check(fewerBytesThanRows).headers);
}

TEST(BmpFile, TruncatedPixelDataFailsTheLoad) {
    testpicture picture = patternPicture(9, 9);
    picture.truncateTo = 1078 + 12 * 9 - 1;
    const verdict result = check(picture);
    EXPECT_TRUE(result.headers);  // the headers themselves are sound
    EXPECT_FALSE(result.load);
}

TEST(BmpFile, LargeHeadersInATinyFileAllocateNothing) {
    testpicture picture = patternPicture(4, 4);
    picture.width = 70000;
    picture.height = 70000;
    picture.bfSize = 0xFFFFFFFF;
    EXPECT_FALSE(check(picture).headers);  // 4.9 GB of rows cannot fit in bfSize

    picture.width = 16000;
    picture.height = 16000;
    picture.bfSize = 1078 + 16000u * 16000u;
    picture.biSizeImage = 0;
    const verdict result = check(picture);  // check() also sees pixelCapacity stay at 4096
    EXPECT_TRUE(result.headers);
    EXPECT_FALSE(result.load);
}

TEST(BmpFile, RefusesSizesTheEncoderCannotWalk) {
    for (int32_t width : {0, -1, -5}) {
        testpicture picture = patternPicture(4, 4);
        picture.width = width;
        picture.biSizeImage = 0;
        EXPECT_FALSE(check(picture).headers) << "width " << width;
    }
    for (int32_t height : {0, -4}) {  // a negative height would be top-down rows
        testpicture picture = patternPicture(4, 4);
        picture.height = height;
        picture.biSizeImage = 0;
        EXPECT_FALSE(check(picture).headers) << "height " << height;
    }
}

TEST(BmpFile, RefusesCompressedPictures) {
    testpicture picture = patternPicture(8, 8);
    picture.biCompression = 1;  // BI_RLE8
    EXPECT_FALSE(check(picture).headers);
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

    testpicture overlap = patternPicture(6, 5);
    overlap.bfOffBits = 1078 - 4;
    EXPECT_FALSE(check(overlap).headers);

    testpicture longHeader = patternPicture(6, 5);  // a colour table after a 124-byte header
    longHeader.biSize = 124;
    longHeader.bfOffBits = 14 + 124 + 1024;
    EXPECT_FALSE(check(longHeader).headers);
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
    EXPECT_EQ(lastPayload(reader), expectedPayload(small, 6));
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
    EXPECT_EQ(lastPayload(reader), expectedPayload(second, 8));

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
    EXPECT_EQ(lastPayload(reader), expectedPayload(picture, 8));
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
