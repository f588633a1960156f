// Damaged and hostile inputs, each with the clean result it must have: BMP
// pictures through the reader and encoder, animation files through the
// reader and an engine, damaged frame payloads from a file to the picture
// drawn and to the bitmap description a Windows engine would hand on.
#include "animfile/morvafile.h"
#include "engines/frameinfo.h"
#include "engines/softengine.h"
#include "import/bmpfile.h"
#include "tests/animfile/mrvbytes.h"
#include "tests/animfile/recordingengine.h"
#include "tests/hardening/casename.h"
#include "tests/import/bmpwriter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// --- BMP pictures -----------------------------------------------------------

struct bmpcase {
    const char* what;
    testpicture picture;
    bool headers;  // the counting pass accepts it
    bool loads;    // the frame pass reads its pixels
};

void PrintTo(const bmpcase& row, std::ostream* out) { *out << row.what; }

testpicture sound() { return patternPicture(8, 4); }  // 32 bytes of rows

testpicture cutAfter(size_t bytes) {
    testpicture picture = sound();
    picture.truncateTo = bytes;
    return picture;
}

template <typename Change>
testpicture soundWith(Change change) {
    testpicture picture = sound();
    change(picture);
    return picture;
}

// A header of width x height over the sound picture's 32 bytes of rows.
testpicture claiming(int32_t width, int32_t height, int64_t fileSize = -1) {
    testpicture picture = sound();
    picture.width = width;
    picture.height = height;
    picture.bfSize = fileSize;
    picture.biSizeImage = 0;
    return picture;
}

const bmpcase bmpCases[] = {
    {"sound", sound(), true, true},
    {"no image size", soundWith([](testpicture& p) { p.biSizeImage = 0; }), true, true},
    {"empty file", cutAfter(0), false, false},
    {"file header cut short", cutAfter(13), false, false},
    {"info header cut short", cutAfter(100), false, false},
    {"colour table cut short", cutAfter(1077), false, false},
    {"wrong magic", soundWith([](testpicture& p) { p.bfType = 0x4D42 ^ 0x0100; }), false, false},
    {"core header of 12 bytes", soundWith([](testpicture& p) { p.biSize = 12; }), false, false},
    {"version 5 header of 124 bytes", soundWith([](testpicture& p) { p.biSize = 124; }), false, false},
    {"signature byte-swapped", soundWith([](testpicture& p) { p.bfType = 0x424D; }), false, false},
    {"1-bit", soundWith([](testpicture& p) { p.biBitCount = 1; }), false, false},
    {"24-bit rows that fit", soundWith([](testpicture& p) { p.biBitCount = 24; p.width = 2; }), false, false},
    {"compressed", soundWith([](testpicture& p) { p.biCompression = 1; }), false, false},
    {"width zero", claiming(0, 4), false, false},
    {"width negative", claiming(-8, 4), false, false},
    {"height zero", claiming(8, 0), false, false},
    {"height negative", claiming(8, -4), false, false},
    {"height 0x80000000", claiming(8, INT32_MIN), false, false},
    {"width 0x80000000", claiming(INT32_MIN, 4), false, false},
    {"width x height of 2^32 bytes", claiming(65536, 65536, 0xFFFFFFFF), false, false},
    {"width x height over 2^32 bytes", claiming(70000, 70000, 0xFFFFFFFF), false, false},
    {"30000 x 30000 in a small file", claiming(30000, 30000), false, false},
    {"16000 x 16000 whose bfSize lies", claiming(16000, 16000, 1078 + 256000000), true, false},
    {"16385 x 16384, more than any frame", claiming(16385, 16384, 1078 + 268451840), false, false},
    {"pixel data cut mid-row", cutAfter(1078 + 8 + 3), true, false},
    {"pixels inside the colour table", soundWith([](testpicture& p) { p.bfOffBits = 1074; }), false, false},
    {"version 5 header with a colour table", soundWith([](testpicture& p) { p.biSize = 124; p.bfOffBits = 14 + 124 + 1024; }), false, false},
    {"bfSize one byte short of the rows", soundWith([](testpicture& p) { p.bfSize = 1078 + 31; p.biSizeImage = 0; }), false, false},
    {"bfSize below bfOffBits", soundWith([](testpicture& p) { p.bfSize = 1077; p.biSizeImage = 0; }), false, false},
    {"biSizeImage larger than the data", soundWith([](testpicture& p) { p.biSizeImage = 33; }), false, false},
};

class MalformedBmp : public testing::TestWithParam<bmpcase> {};

TEST_P(MalformedBmp, HasItsCleanResult) {
    const bmpcase& row = GetParam();
    scratchbmp file(row.picture);
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    EXPECT_EQ(reader.readHeaders(), row.headers);
    EXPECT_EQ(reader.loaded, row.headers);

    ASSERT_TRUE(reader.open(file.path.c_str()));
    EXPECT_EQ(reader.load(), row.loads);
    EXPECT_EQ(reader.encode(6) > 0, row.loads);
    // Header fields alone never size a buffer: all of these fit the first one.
    EXPECT_EQ(reader.pixelCapacity, 4096u);
    if (!row.loads) {
        EXPECT_EQ(reader.rleCapacity, 0u);
    }
    reader.close();
}

// --- Animation files --------------------------------------------------------

const bytes payload4x4 = {0x04, 0x10, 0x00, 0x00, 0x04, 0x20, 0x00, 0x00,
                          0x04, 0x30, 0x00, 0x00, 0x04, 0x40, 0x00, 0x01};
const bytes twoFrames = soundFile(4, 4, {payload4x4, {0x00, 0x01}});

bytes withCount(bytes content, uint32_t count) {
    for (int i = 0; i < 4; ++i) content[4 + i] = uint8_t(count >> (8 * i));
    return content;
}

bytes cut(const bytes& content, size_t length) {
    return bytes(content.begin(), content.begin() + ptrdiff_t(length));
}

enum frameresult { none, made };

struct mrvcase {
    const char* what;
    bytes content;
    bool opens;
    uint32_t frameCount;
    std::vector<frameresult> frames;  // through the software engine, frame by frame
};

void PrintTo(const mrvcase& row, std::ostream* out) { *out << row.what; }

// The payload area of a two-entry file starts at 36.
const mrvcase mrvCases[] = {
    {"sound", twoFrames, true, 2, {made, made}},
    {"empty", {}, false, 0, {}},
    {"19 bytes", cut(twoFrames, 19), false, 0, {}},
    {"wrong magic", [] { bytes b = twoFrames; b[3] = 'V'; return b; }(), false, 2, {}},
    {"magic big-endian", [] { bytes b = twoFrames; std::reverse(b.begin(), b.begin() + 4); return b; }(), false, 2, {}},
    {"count beyond the file", withCount(twoFrames, 20), false, 20, {}},
    {"frame count 0xFFFFFFFF", withCount(twoFrames, 0xFFFFFFFF), false, 0xFFFFFFFF, {}},
    {"index cut short", cut(twoFrames, 20 + 8 + 5), false, 2, {}},
    {"offset + size past the end", fileBytes(4, 4, {{36, 16}, {40, 16}}, payload4x4), true, 2, {made, none}},
    {"offset + size wrapping 32 bits", fileBytes(4, 4, {{36, 16}, {0xFFFFFFF8, 16}}, payload4x4), true, 2, {made, none}},
    {"offset past the end", fileBytes(4, 4, {{36, 16}, {5000, 2}}, payload4x4), true, 2, {made, none}},
    {"index size wrapping to 0", withCount(headerBytes(0, 1, 1), 0x20000000), false, 0x20000000, {}},
    {"index size wrapping to 8", withCount(fileBytes(1, 1, {{28, 0}}, {}), 0x20000001), false, 0x20000001, {}},
    {"entry as large as the file plus one", fileBytes(1, 1, {{0, 29}}, {}), false, 1, {}},
    {"entry of all ones", fileBytes(1, 1, {{28, 0}, {0, 0xFFFFFFFF}}, {1, 2, 3}), false, 2, {}},
    {"size larger than the file", fileBytes(4, 4, {{36, 16}, {36, 53}}, payload4x4), false, 2, {}},
    {"overlapping entries", fileBytes(4, 4, {{36, 16}, {44, 8}}, payload4x4), true, 2, {made, made}},
    {"zero frames", headerBytes(0, 4, 4), true, 0, {}},
    {"bits 4", fileBytes(4, 4, {{28, 16}}, payload4x4, 4), true, 1, {none}},
    {"frame of 16385 x 16384 pixels", fileBytes(16385, 16384, {{28, 2}}, {0x00, 0x01}), false, 1, {}},
    {"frame of 65535 x 65535 pixels", fileBytes(65535, 65535, {{28, 2}}, {0x00, 0x01}), false, 1, {}},
    {"frame of 65535 x 65535 pixels in top-down rows", fileBytes(65535, -65535, {{28, 2}}, {0x00, 0x01}), false, 1, {}},
};

class MalformedAnimation : public testing::TestWithParam<mrvcase> {};

TEST_P(MalformedAnimation, HasItsCleanResult) {
    const mrvcase& row = GetParam();
    scratchfolder scratch;
    const std::u16string path = scratch.file(u"damaged.mrv");
    writeFile(path, row.content);
    morvafile file;
    EXPECT_EQ(file.open(path.c_str()), row.opens);
    EXPECT_EQ(file.frameCount(), row.frameCount);
    EXPECT_EQ(file.index != nullptr, row.opens);
    EXPECT_LE(file.payloadCapacity, row.content.size()) << "no buffer beyond the file";

    softengine engine(4, 4);
    for (uint32_t i = 0; i < row.frames.size(); ++i) {
        frameimage* image = file.makeFrame(engine, i);
        EXPECT_EQ(image != nullptr, row.frames[i] == made) << "frame " << i;
        if (image) engine.destroyFrame(image);
    }
    EXPECT_EQ(file.makeFrame(engine, uint32_t(row.frames.size())), nullptr);
    file.close();
}

// --- Damaged payloads of a 4 x 4 frame, from the file to the screen --------

struct payloadcase {
    const char* what;
    bytes payload;
    std::vector<uint8_t> grey;  // the 16 pixels drawn, rows bottom-up as in the stream
};

void PrintTo(const payloadcase& row, std::ostream* out) { *out << row.what; }

bytes manyEndsOfLine() {
    bytes payload = {0x04, 0x07};
    for (int i = 0; i < 300; ++i) payload.insert(payload.end(), {0x00, 0x00});
    payload.insert(payload.end(), {0x00, 0x01});
    return payload;
}

const std::vector<uint8_t> black(16, 0);
const std::vector<uint8_t> twoSevens = {7, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const std::vector<uint8_t> rowOfSevens = {7, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const payloadcase payloadCases[] = {
    {"empty", {}, black},
    {"a lone count byte", {0x04}, black},
    {"a delta cut short", {0x02, 0x07, 0x00, 0x02, 0x01}, twoSevens},
    {"a delta past the row", {0x02, 0x07, 0x00, 0x02, 0x03, 0x00, 0x00, 0x01}, twoSevens},
    {"a delta past the last row", {0x02, 0x07, 0x00, 0x02, 0x00, 0x04, 0x00, 0x01}, twoSevens},
    {"an absolute run longer than the data", {0x02, 0x07, 0x00, 0x04, 0x01, 0x02, 0x03}, twoSevens},
    {"an absolute run longer than the row", {0x02, 0x07, 0x00, 0x03, 0x01, 0x02, 0x03, 0x00, 0x00, 0x01}, twoSevens},
    {"a run of 255 over a 4-pixel row", {0xFF, 0x07, 0x00, 0x01}, black},
    {"no end of bitmap", {0x04, 0x07, 0x00, 0x00}, rowOfSevens},
    {"many ends of line", manyEndsOfLine(), rowOfSevens},
};

// An engine that describes each payload as the GDI engine does before
// handing it to the system's decoder, and keeps the description.
class describingengine : public recordingengine {
public:
    std::vector<frameinfo> descriptions;

    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t width, int32_t height,
                            uint32_t bits) override {
        descriptions.push_back(buildFrameInfo(width, height, size));
        return recordingengine::createFrame(payload, size, width, height, bits);
    }
};

uint32_t imageSizeField(const frameinfo& info) {
    return uint32_t(info.bytes[20]) | uint32_t(info.bytes[21]) << 8 |
           uint32_t(info.bytes[22]) << 16 | uint32_t(info.bytes[23]) << 24;
}

// The software engine's picture of a frame drawn at its own size, as grey
// levels with rows bottom-up.
std::vector<uint8_t> drawnGrey(softengine& engine, frameimage* image) {
    engine.beginDraw();
    engine.drawFrame(image);
    engine.endDraw();
    std::vector<uint8_t> grey;
    const softengine::picture& shown = engine.presented();
    for (int32_t y = shown.height - 1; y >= 0; --y)
        for (int32_t x = 0; x < shown.width; ++x) grey.push_back(uint8_t(shown.at(x, y)));
    return grey;
}

class DamagedPayload : public testing::TestWithParam<payloadcase> {};

TEST_P(DamagedPayload, DrawsWhatCameBeforeTheFaultAndIsDescribedByItsTrueSize) {
    const payloadcase& row = GetParam();
    // The entry gives the payload's own size; trailing bytes stand for the next frame.
    bytes content = fileBytes(4, 4, {{28, uint32_t(row.payload.size())}}, row.payload);
    content.insert(content.end(), {0x10, 0x01, 0x00, 0x01});
    scratchfolder scratch;
    const std::u16string path = scratch.file(u"frame.mrv");
    writeFile(path, content);
    morvafile file;
    ASSERT_TRUE(file.open(path.c_str()));

    softengine engine(4, 4);
    frameimage* image = file.makeFrame(engine, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(drawnGrey(engine, image), row.grey);
    engine.destroyFrame(image);

    describingengine windows;
    ASSERT_EQ(file.makeFrame(windows, 0), windows.image());
    ASSERT_EQ(windows.calls.size(), 1u);
    EXPECT_EQ(windows.calls[0].payload, row.payload);
    EXPECT_EQ(imageSizeField(windows.descriptions[0]), row.payload.size());
    file.close();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Hardening, MalformedBmp, testing::ValuesIn(bmpCases),
                         caseName<bmpcase>);
INSTANTIATE_TEST_SUITE_P(Hardening, MalformedAnimation, testing::ValuesIn(mrvCases),
                         caseName<mrvcase>);
INSTANTIATE_TEST_SUITE_P(Hardening, DamagedPayload, testing::ValuesIn(payloadCases),
                         caseName<payloadcase>);
