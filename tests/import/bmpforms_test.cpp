// The BMP forms that common tools write, each made by ImageMagick from one
// picture with all 256 grey levels: the reader takes the larger headers,
// top-down rows and a short bfSize, gives them on in the 40-byte bottom-up
// form, and still refuses what it refused before.
#include "engines/frameinfo.h"
#include "import/bmpfile.h"
#include "tests/imagemagick.h"
#include "tests/scratchdir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int32_t width = 19, height = 14, stride = 20;

uint32_t little32(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);  // little-endian machines only, as the tests run
    return value;
}

void put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

// Negative height and the rows in the other order, as some editors write them.
void makeTopDown(std::vector<uint8_t>& file) {
    put32(file, 22, uint32_t(-height));
    const size_t start = little32(file, 10);
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(file.begin() + start + top * stride,
                         file.begin() + start + (top + 1) * stride,
                         file.begin() + start + bottom * stride);
}

void shortenSize(std::vector<uint8_t>& file) { put32(file, 2, uint32_t(file.size() - 2)); }

struct bmpform {
    const char* name;
    const char* options;  // ImageMagick's, before the output
    void (*edit)(std::vector<uint8_t>&);
    bool taken;
};

const bmpform forms[] = {
    {"40-byte header", "BMP3:", nullptr, true},
    {"108-byte header", "-intent Undefined BMP:", nullptr, true},
    {"124-byte header", "BMP:", nullptr, true},
    {"top-down rows", "BMP3:", makeTopDown, true},
    {"top-down rows, 124-byte header", "BMP:", makeTopDown, true},
    {"bfSize 2 bytes short", "BMP:", shortenSize, true},
    {"RLE8 compression", "-compress RLE BMP3:", nullptr, false},
    {"12-byte OS/2 header", "BMP2:", nullptr, false},
    {"two levels, which it writes with 1 bit per pixel",
     "-threshold 50% -type Palette BMP3:", nullptr, false},
    {"24 bits per pixel", "-type TrueColor BMP3:", nullptr, false},
};

}  // namespace

TEST(BmpForms, TakenAsTheOneFormTheEncoderAndEnginesRead) {
    if (!imageMagickHere()) GTEST_SKIP() << "needs ImageMagick at /usr/bin/convert";
    scratchdir dir;
    std::vector<uint8_t> levels(width * height);
    for (size_t i = 0; i < levels.size(); ++i) levels[i] = uint8_t(i * 97 + 31);
    writeBytes(dir / "levels.raw", levels);

    for (const bmpform& form : forms) {
        SCOPED_TRACE(form.name);
        const std::filesystem::path made = dir / "made.bmp";
        ASSERT_TRUE(convert("-size 19x14 -depth 8 gray:'" + (dir / "levels.raw").string() +
                            "' -type Palette -compress None " + form.options + "'" + made.string() +
                            "'"));
        // An edit keeps the picture: ImageMagick sees it in the file it wrote.
        const std::vector<uint8_t> seen = form.taken ? greyLevels(made) : levels;  // top-down
        std::vector<uint8_t> file = fileBytes(made);
        if (form.edit) form.edit(file);
        writeBytes(made, file);

        bmpfile reader;
        ASSERT_TRUE(reader.open(made.u16string().c_str()));
        EXPECT_EQ(reader.readHeaders(), form.taken);
        EXPECT_EQ(reader.load(), form.taken);
        if (!form.taken) continue;
        EXPECT_EQ(reader.infoHeader.biSize, 40u);
        EXPECT_EQ(reader.infoHeader.biWidth, width);
        EXPECT_EQ(reader.infoHeader.biHeight, height);
        for (int level = 0; level < 256; ++level)
            ASSERT_EQ(little32({reader.infoHeader.colourTable[level],
                                reader.infoHeader.colourTable[level] + 4},
                               0),
                      uint32_t(level * 0x010101))
                << "colour table entry " << level;
        ASSERT_EQ(seen.size(), levels.size());
        for (int32_t row = 0; row < height; ++row)
            EXPECT_EQ(0, std::memcmp(reader.pixelData.get() + row * stride,
                                     seen.data() + (height - 1 - row) * width, width))
                << "bottom-up row " << row;
        EXPECT_TRUE(wholeRowsFit(readDibShape(reinterpret_cast<const uint8_t*>(&reader.infoHeader)),
                                 reader.bytesRead))
            << "an engine takes the block as it is";
        EXPECT_GT(reader.encode(8), 0u);
    }
}
