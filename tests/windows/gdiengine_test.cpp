// The GDI engine on a real window, read back from the screen: composition of
// every behaviour pair against the rule, pictures against the software
// reference engine, background pictures, names and settings.
#include "engines/gdiengine.h"

#include "engines/composition.h"
#include "engines/softengine.h"
#include "import/bmpfile.h"
#include "tests/engines/settingnames.h"
#include "tests/windows/enginetesting.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

namespace {

class comapartment : public ::testing::Environment {
public:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};

const ::testing::Environment* const com = ::testing::AddGlobalTestEnvironment(new comapartment);

// A frame as the file carries it: grey levels run-length coded, rows bottom-up.
struct payload {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> bytes;
};

// `grey` holds width x height levels, rows top-down as they are seen.
payload encodeGrey(int32_t width, int32_t height, const std::vector<uint8_t>& grey) {
    std::vector<uint8_t> bottomUp;
    for (int32_t row = height - 1; row >= 0; --row) {
        bottomUp.insert(bottomUp.end(), grey.begin() + row * width,
                        grey.begin() + (row + 1) * width);
    }
    payload frame{width, height, std::vector<uint8_t>(size_t(payloadBound(width, height)))};
    frame.bytes.resize(encodeFrame(bottomUp.data(), width, height, width, 8, frame.bytes.data()));
    return frame;
}

payload uniformFrame(uint8_t level) { return encodeGrey(1, 1, {level}); }

// The engine may read the payload at every draw: it has to outlive the image.
ownedframe made(gengine& engine, const payload& source) {
    return own(engine, engine.createFrame(source.bytes.data(), uint32_t(source.bytes.size()), source.width,
                                          source.height, 8));
}
ownedframe made(gengine& engine, const payload&& source) = delete;

// A 2 x 2 RGB PNG (zlib-compressed), pixels 0x102030, 0x405060 / 0x708090, 0xA0B0C0.
const std::vector<uint8_t> smallPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xFD, 0xD4, 0x9A,
    0x73, 0x00, 0x00, 0x00, 0x16, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x10, 0x50, 0x30, 0x70,
    0x08, 0x48, 0x60, 0x28, 0x68, 0x98, 0xB0, 0x60, 0xC3, 0x01, 0x00, 0x18, 0x1E, 0x04, 0xE1, 0xCC,
    0x7D, 0xF2, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// The rule applied to each channel of `destination`.
uint32_t composed(gdibehaviour white, gdibehaviour black, uint8_t s, uint32_t destination) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        result |= uint32_t(gdiCompose(white, black, s, channel(destination, shift))) << shift;
    }
    return result;
}

// One window for every test: the system keeps a window's client area at
// least about 110 pixels wide, and destroying a window costs seconds under
// Wine.
constexpr int clientWidth = 120, clientHeight = 80;

testwindow& window() {
    static testwindow shared(clientWidth, clientHeight);
    return shared;
}

std::u16string missingPath() { return temporaryFolder() + u"no such picture.bmp"; }

// Destinations with unlike channels, one band of rows each.
const std::vector<uint32_t> destinations = {0x000FF0, 0x80FF55, 0xAA33C3, 0x7F01FE};
const uint8_t levels[] = {0x00, 0x80, 0xFF};

// A window of 120 x 80 whose background is the four destinations in bands
// 20 rows high, and a frame of three columns: black, grey 0x80 and white.
class behaviourpairs : public ::testing::Test {
protected:
    void SetUp() override {
        RECT client;
        ASSERT_TRUE(GetClientRect(window().handle(), &client));
        ASSERT_EQ(client.right, clientWidth);
        ASSERT_EQ(client.bottom, clientHeight);
        ASSERT_TRUE(engine.loadBackground(picture.path.c_str()));
    }

    uint32_t destinationAt(int, int y) const { return destinations[size_t(y) / 20]; }
    ::testing::AssertionResult showsTheDestinations() const {
        return showsPicture(window(), [&](int x, int y) { return destinationAt(x, y); });
    }
    uint8_t levelAt(int x) const { return levels[x / 40]; }

    gdiengine engine{window().handle()};
    scratchbmp picture{bmp24(1, 4, destinations)};
    payload columns = encodeGrey(3, 1, {levels[0], levels[1], levels[2]});
};

TEST_F(behaviourpairs, EveryBehaviourPairFollowsTheRuleOverEveryDestination) {
    ownedframe frame = made(engine, columns);
    ASSERT_TRUE(frame.get());
    for (uint32_t a = 0; a < gdiBehaviourCount; ++a) {
        for (uint32_t b = 0; b < gdiBehaviourCount; ++b) {
            engine.setSettingA(a);
            engine.setSettingB(b);
            engine.beginDraw();
            engine.drawBackground();
            engine.drawFrame(frame.get());
            engine.endDraw();
            EXPECT_TRUE(showsPicture(window(), [&](int x, int y) {
                                      return composed(gdibehaviour(a), gdibehaviour(b), levelAt(x),
                                                      destinationAt(x, y));
                                  }))
                << "white behaviour " << a << ", black behaviour " << b;
        }
    }
}

TEST_F(behaviourpairs, PreInvertedFramesFillOnlyASmallerRectangle) {
    ownedframe frame = made(engine, columns);
    const rect inner = {30, 20, 90, 60};  // columns 20 wide, over destinations 1 and 2
    const gdibehaviour pairs[][2] = {{gdibehaviour::black, gdibehaviour::unchanged},
                                     {gdibehaviour::unchanged, gdibehaviour::white},
                                     {gdibehaviour::unchanged, gdibehaviour::inverted},
                                     {gdibehaviour::inverted, gdibehaviour::white}};
    for (const auto& pair : pairs) {
        ASSERT_TRUE(gdiCompositionFor(pair[0], pair[1]).preInvert);
        engine.setSettingA(uint32_t(pair[0]));
        engine.setSettingB(uint32_t(pair[1]));
        engine.beginDraw();
        engine.drawBackground();
        engine.drawFrameInRect(frame.get(), inner);
        engine.endDraw();
        EXPECT_TRUE(showsPicture(window(), [&](int x, int y) {
                                  bool inside = x >= inner.left && x < inner.right &&
                                                y >= inner.top && y < inner.bottom;
                                  if (!inside) return destinationAt(x, y);
                                  return composed(pair[0], pair[1], levels[(x - inner.left) / 20],
                                                  destinationAt(x, y));
                              }))
            << "white behaviour " << int(pair[0]) << ", black behaviour " << int(pair[1]);
    }
}

TEST_F(behaviourpairs, NullFramesDrawNothing) {
    engine.setSettingA(uint32_t(gdibehaviour::inverted));
    engine.setSettingB(uint32_t(gdibehaviour::inverted));
    engine.beginDraw();
    engine.drawBackground();
    engine.drawFrame(nullptr);
    engine.drawFrameInRect(nullptr, {0, 0, 120, 80});
    engine.endDraw();
    EXPECT_TRUE(showsTheDestinations());
}

TEST_F(behaviourpairs, OutOfRangeChoicesLeaveTheSettings) {
    ownedframe frame = made(engine, columns);
    engine.setSettingA(uint32_t(gdibehaviour::white));
    engine.setSettingB(uint32_t(gdibehaviour::unchanged));
    engine.setSettingA(4);
    engine.setSettingB(0xFFFFFFFF);
    engine.beginDraw();
    engine.drawBackground();
    engine.drawFrame(frame.get());
    engine.endDraw();
    EXPECT_TRUE(showsPicture(window(), [&](int x, int y) {
        return uint32_t(levelAt(x) * 0x010101u) | destinationAt(x, y);  // S OR D
    }));
}

TEST_F(behaviourpairs, DrawingOutsideAPassGoesStraightToTheWindow) {
    const payload source = uniformFrame(0xFF);
    ownedframe white = made(engine, source);
    engine.beginDraw();
    engine.drawBackground();
    engine.endDraw();
    engine.drawFrameInRect(white.get(), {0, 0, 60, 80});
    EXPECT_TRUE(showsPicture(window(), [&](int x, int y) { return x < 60 ? 0xFFFFFFu : destinationAt(x, y); }));
}

TEST_F(behaviourpairs, ABackgroundFromAMissingFileKeepsTheLoadedOne) {
    EXPECT_FALSE(engine.loadBackground(missingPath().c_str()));
    scratchbmp notAPicture(std::vector<uint8_t>(200, 0x42));
    EXPECT_FALSE(engine.loadBackground(notAPicture.path.c_str()));
    engine.beginDraw();
    engine.drawBackground();
    engine.endDraw();
    EXPECT_TRUE(showsTheDestinations());
}

// Loaded pictures are stretched over the whole client area.
TEST(gdiengine, BmpAndPngBackgroundsCoverTheClientArea) {
    gdiengine engine(window().handle());
    scratchbmp bmp(bmp24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}));
    scratchbmp png(smallPng);
    struct {
        const scratchbmp& file;
        uint32_t quadrants[4];
    } cases[] = {{bmp, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}},
                 {png, {0x102030, 0x405060, 0x708090, 0xA0B0C0}}};
    for (const auto& c : cases) {
        ASSERT_TRUE(engine.loadBackground(c.file.path.c_str()));
        engine.beginDraw();
        engine.drawBackground();
        engine.endDraw();
        EXPECT_TRUE(showsPicture(window(), [&](int x, int y) { return c.quadrants[(y / 40) * 2 + x / 60]; }));
    }
}

TEST(gdiengine, NoBackgroundKeepsTheBackBuffer) {
    gdiengine engine(window().handle());
    EXPECT_FALSE(engine.loadBackground(missingPath().c_str()));
    const payload source = uniformFrame(0x5A);
    ownedframe frame = made(engine, source);
    engine.beginDraw();
    engine.drawFrame(frame.get());
    engine.endDraw();
    engine.beginDraw();
    engine.drawBackground();
    engine.endDraw();
    EXPECT_TRUE(showsPicture(window(), [](int, int) { return grey(0x5A); }));
}

// The screen is taken at its full size and stretched over the client area,
// where the window itself, which shows a flat grey, appears reduced.
TEST(gdiengine, TheDesktopPictureStaysUntilAnotherBackgroundLoads) {
    gdiengine engine(window().handle());
    const payload source = uniformFrame(0x6B);
    ownedframe frame = made(engine, source);
    engine.beginDraw();
    engine.drawFrame(frame.get());
    engine.endDraw();
    window().pump(50);
    engine.captureDesktop();
    EXPECT_FALSE(engine.loadBackground(missingPath().c_str()));

    POINT origin = {0, 0};
    ASSERT_TRUE(ClientToScreen(window().handle(), &origin));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN),
              screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int x = (origin.x + clientWidth / 2) * clientWidth / screenWidth;
    const int y = (origin.y + clientHeight / 2) * clientHeight / screenHeight;
    engine.beginDraw();
    engine.drawBackground();
    engine.endDraw();
    std::vector<uint32_t> shown = window().capture();
    EXPECT_EQ(shown[size_t(y) * clientWidth + x], grey(0x6B));
    // Far from the window the screen shows something else: the background was drawn.
    EXPECT_NE(shown[size_t(clientHeight - 1) * clientWidth + clientWidth - 1], grey(0x6B));
}

// The back buffer follows the client size, and keeps the text font and colour.
TEST(gdiengine, ResizeRebuildsTheBackBufferWithItsTextState) {
    const HWND handle = window().handle();
    gdiengine engine(handle);
    const payload source = uniformFrame(0x00);
    ownedframe black = made(engine, source);
    window().setClientSize(150, 100);
    engine.resize();
    engine.beginDraw();
    engine.drawFrame(black.get());
    engine.drawText(u"MW", 2);
    engine.endDraw();
    std::vector<uint32_t> shown = window().capture();
    window().setClientSize(clientWidth, clientHeight);
    ASSERT_EQ(shown.size(), size_t(150 * 100));
    size_t red = 0, white = 0, dark = 0;
    for (uint32_t pixel : shown) {
        red += pixel == 0xFF0000;
        white += pixel == 0xFFFFFF;
        dark += pixel == 0x000000;
    }
    EXPECT_GT(red, 50u);    // the text
    EXPECT_GT(white, 50u);  // its opaque cells
    EXPECT_GT(dark, 50u);   // the frame beyond the text, up to the new corner
    EXPECT_EQ(shown.back(), 0x000000u);
}

TEST(gdiengine, FramesNeedEightBitsPerPixel) {
    gdiengine engine(window().handle());
    payload frame = uniformFrame(0x80);
    for (uint32_t bits : {0u, 1u, 4u, 16u, 24u, 32u}) {
        EXPECT_EQ(engine.createFrame(frame.bytes.data(), uint32_t(frame.bytes.size()), 1, 1, bits),
                  nullptr)
            << bits;
    }
    // GDI would decode the stream into a bitmap of this size at every draw.
    EXPECT_EQ(engine.createFrame(frame.bytes.data(), uint32_t(frame.bytes.size()), 16385, 16384, 8),
              nullptr);
}

// The picture the import shows: the BMP's own header, palette and rows, as
// the reader holds them. The pixel values are grey levels whatever the
// palette says.
TEST(gdiengine, ImportedPicturesShowTheirValuesAsGreyLevels) {
    testpicture source = patternPicture(37, 23, 5);
    scratchbmp picture(colourfulBmp(source));
    bmpfile reader;
    ASSERT_TRUE(reader.open(picture.path.c_str()));
    ASSERT_TRUE(reader.load());

    gdiengine engine(window().handle());
    ownedframe frame = own(engine, engine.createFrameFromDib(&reader.infoHeader, reader.pixelData.get(),
                                                       reader.bytesRead));
    ASSERT_TRUE(frame.get());
    const rect at = {6, 9, 6 + 37, 9 + 23};
    engine.beginDraw();
    engine.drawFrameInRect(frame.get(), at);
    engine.endDraw();
    std::vector<uint32_t> shown = window().capture();
    const uint32_t stride = testStride(37);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            uint8_t value = source.rows[size_t(22 - y) * stride + x];  // rows are stored bottom-up
            ASSERT_EQ(shown[size_t(at.top + y) * clientWidth + at.left + x], grey(value))
                << x << ", " << y;
        }
    }
    reader.close();
}

TEST(gdiengine, PicturesWhoseRowsAreNotThereAreRefused) {
    gdiengine engine(window().handle());
    BITMAPINFOHEADER header = {sizeof header, 5, 3, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint8_t> pixels(8 * 3);
    EXPECT_EQ(engine.createFrameFromDib(&header, pixels.data(), 8 * 3 - 1), nullptr);
    header.biBitCount = 24;
    EXPECT_EQ(engine.createFrameFromDib(&header, pixels.data(), 8 * 3), nullptr);
    header.biBitCount = 8;
    header.biCompression = BI_RLE8;
    EXPECT_EQ(engine.createFrameFromDib(&header, pixels.data(), 8 * 3), nullptr);
}

// The names come from the string table and answer the units written.
TEST(gdiengine, SettingNamesAreTheReferenceEnginesAndTheCutLength) {
    gdiengine engine(window().handle());
    expectSettingNames(engine, gdiWhiteBehaviour, gdiBlackBehaviour);
    char16_t buffer[8];
    EXPECT_EQ(engine.settingAName(buffer, 8), 4);
    EXPECT_EQ(engine.settingAName(buffer, 3), 2);  // cut to "白の"
    EXPECT_EQ(engine.settingAName(buffer, 0), 0);
}

// The engine's picture is the software reference engine's, in copy mode and
// in every other mode over a destination both engines drew alike. Reduced
// frames are left out: GDI chooses and merges the pixels of a reduced frame
// by rules of its own.
class referencepicture : public ::testing::Test {
protected:
    ::testing::AssertionResult agreeOn(const rect& area, gdibehaviour white = gdibehaviour::white,
                                       gdibehaviour black = gdibehaviour::black) {
        gdiengine engine(window().handle());
        softengine reference(clientWidth, clientHeight);
        for (gengine* each : {static_cast<gengine*>(&engine), static_cast<gengine*>(&reference)}) {
            ownedframe under = made(*each, destination);
            ownedframe over = made(*each, pattern);
            each->setSettingA(uint32_t(gdibehaviour::white));
            each->setSettingB(uint32_t(gdibehaviour::black));
            each->beginDraw();
            each->drawBackground();
            each->drawFrame(under.get());
            each->setSettingA(uint32_t(white));
            each->setSettingB(uint32_t(black));
            each->drawFrameInRect(over.get(), area);
            each->endDraw();
        }
        const softengine::picture& expected = reference.presented();
        return showsPicture(window(), [&](int x, int y) { return expected.at(x, y); });
    }

    static std::vector<uint8_t> patternLevels(int32_t width, int32_t height, uint32_t step) {
        std::vector<uint8_t> grey(size_t(width) * height);
        for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * step + i / width * 3);
        return grey;
    }

    payload pattern = encodeGrey(37, 23, patternLevels(37, 23, 29));
    // Client-sized, so that copying it is exact.
    payload destination =
        encodeGrey(clientWidth, clientHeight, patternLevels(clientWidth, clientHeight, 71));
};

TEST_F(referencepicture, EveryModeAgreesUnscaledAndEnlarged) {
    const rect areas[] = {
        {5, 7, 5 + 37, 7 + 23},        // frame size
        {-10, 30, -10 + 37, 30 + 23},  // frame size, partly outside
        {0, 0, 74, 46},                // twice the size
        {3, 2, 3 + 59, 2 + 41},
        {0, 0, clientWidth, clientHeight},
        {-13, -9, -13 + 74, -9 + 59},
        {70, 50, 70 + 111, 50 + 69},
    };
    for (uint32_t a = 0; a < gdiBehaviourCount; ++a) {
        for (uint32_t b = 0; b < gdiBehaviourCount; ++b) {
            for (const rect& area : areas) {
                EXPECT_TRUE(agreeOn(area, gdibehaviour(a), gdibehaviour(b)))
                    << "white behaviour " << a << ", black behaviour " << b << ", rectangle "
                    << area.left << ", " << area.top << ", " << area.right << ", " << area.bottom;
            }
        }
    }
}

}  // namespace
