// The GDI+ engine in a real window, checked by reading back what the window
// shows: blends against the composition arithmetic, the back buffer, the
// settings, frames from payloads and from imported pictures, and agreement
// with the software reference engine.
#include "engines/gdiplusengine.h"

#include <windows.h>
#include <objidl.h>  // GDI+ needs it and the lean windows.h leaves it out
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engines/composition.h"
#include "engines/softengine.h"
#include "import/bmpfile.h"
#include "tests/engines/settingnames.h"
#include "tests/windows/enginetesting.h"

namespace {

class gdiplusenvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }

private:
    ULONG_PTR token = 0;
};

::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new gdiplusenvironment);

constexpr uint32_t white = 0, black = 1;  // foreground choices
constexpr uint32_t bilinear = 3, nearestNeighbor = 5;

greyrows uniform(int width, int height, uint8_t level) {
    return greyrows(size_t(height), std::vector<uint8_t>(size_t(width), level));
}

// Horizontal bands of `cell` rows, one per level, `width` wide.
greyrows rowBands(const std::vector<uint8_t>& levels, int width, int cell) {
    greyrows rows;
    for (uint8_t level : levels) {
        for (int i = 0; i < cell; ++i) rows.emplace_back(size_t(width), level);
    }
    return rows;
}

// Vertical bands of `cell` columns, one per level, `height` high.
greyrows columnBands(const std::vector<uint8_t>& levels, int height, int cell) {
    std::vector<uint8_t> row;
    for (uint8_t level : levels) row.insert(row.end(), size_t(cell), level);
    return greyrows(size_t(height), row);
}

// A picture with every level somewhere, uneven in both directions.
greyrows varied(int width, int height) {
    greyrows rows(size_t(height), std::vector<uint8_t>(size_t(width), 0));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) rows[size_t(y)][size_t(x)] = uint8_t(x * 7 + y * 29 + (x * y) % 13);
    }
    rows[0][0] = 0;
    rows[0][1] = 255;
    return rows;
}

uint8_t red(uint32_t pixel) { return uint8_t(pixel >> 16); }
uint8_t green(uint32_t pixel) { return uint8_t(pixel >> 8); }
uint8_t blue(uint32_t pixel) { return uint8_t(pixel); }

::testing::AssertionResult pixelNear(uint32_t actual, uint32_t expected, int tolerance = 1) {
    if (closeTo(actual, expected, tolerance)) return ::testing::AssertionSuccess();
    char text[64];
    std::snprintf(text, sizeof text, "0x%06X, expected 0x%06X", unsigned(actual), unsigned(expected));
    return ::testing::AssertionFailure() << text;
}

// What the window showed: 0x00RRGGBB, rows top-down, as wide as the client area.
struct shot {
    int width = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The levels across a row of a stretched frame: how many lie between black
// and white, and whether both ends show.
struct stretchedlevels {
    int between = 0;
    bool black = false, white = false;
};

class GdiplusEngine : public ::testing::Test {
protected:
    // One window for all tests: destroying a window takes Wine two seconds.
    static void SetUpTestSuite() { window = new testwindow(640, 480); }
    static void TearDownTestSuite() { delete window; }

    void SetUp() override {
        ASSERT_NE(window->handle(), nullptr) << "no display?";
        ASSERT_TRUE(window->setClientSize(640, 480));
        engine = std::make_unique<gdiplusengine>(window->handle());
    }

    // A frame of `rows` made with foreground `foreground` (which stays set).
    ownedframe frame(const greyrows& rows, uint32_t foreground) {
        engine->setSettingB(foreground);
        return frameOf(*engine, rows);
    }

    // One drawing pass: the background, then each frame into its rectangle.
    void show(std::initializer_list<std::pair<frameimage*, rect>> frames) {
        engine->beginDraw();
        engine->drawBackground();
        for (const auto& [image, area] : frames) engine->drawFrameInRect(image, area);
        engine->endDraw();
    }

    // The window painted all white through the engine, so that a later
    // black, or an unchanged window, can be told apart from an untouched one.
    void paintWhite() {
        ownedframe whole = frame(uniform(4, 4, 255), white);
        show({{whole.get(), {0, 0, 641, 481}}});
        ASSERT_TRUE(pixelNear(screen().pixels[0], 0xFFFFFF, 0));
    }

    static shot screen() {
        window->pump();
        RECT client;
        GetClientRect(window->handle(), &client);
        return {int(client.right), window->capture()};
    }

    void checkBlendGrid(uint32_t foreground);
    stretchedlevels stretch(frameimage* halves);
    int differencesFromTheReference(const greyrows& picture, const rect& area, bool blackOutside);

    static testwindow* window;
    std::unique_ptr<gdiplusengine> engine;
};

testwindow* GdiplusEngine::window = nullptr;

// --- back buffer and background ---

TEST_F(GdiplusEngine, BackBufferIsOnePixelLargerThanTheClientArea) {
    SIZE size = engine->backBufferSize();
    EXPECT_EQ(size.cx, 641);
    EXPECT_EQ(size.cy, 481);

    ASSERT_TRUE(window->setClientSize(400, 300));
    engine->resize();
    size = engine->backBufferSize();
    EXPECT_EQ(size.cx, 401);
    EXPECT_EQ(size.cy, 301);
}

TEST_F(GdiplusEngine, BackBufferIsPresentedUnscaled) {
    // A checkerboard over the whole drawing area: any scaling on the way to
    // the window would break the alternation somewhere.
    greyrows board(481, std::vector<uint8_t>(641));
    for (int y = 0; y < 481; ++y) {
        for (int x = 0; x < 641; ++x) board[size_t(y)][size_t(x)] = (x + y) % 2 ? 255 : 0;
    }
    ownedframe image = frame(board, white);
    engine->beginDraw();
    engine->drawBackground();
    engine->drawFrame(image.get());
    engine->endDraw();
    EXPECT_TRUE(showsPicture(*window, [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFu : 0u; }));
}

TEST_F(GdiplusEngine, BackgroundIsBlackWhenNothingIsLoaded) {
    paintWhite();
    engine->beginDraw();
    engine->drawBackground();
    engine->endDraw();
    shot pixels = screen();
    for (auto [x, y] : {std::pair{0, 0}, {320, 240}, {639, 0}, {0, 479}, {639, 479}}) {
        EXPECT_EQ(pixels.at(x, y), 0u) << x << "," << y;
    }
}

TEST_F(GdiplusEngine, LoadedPictureIsTheBackgroundUntilAFileFailsToLoad) {
    scratchbmp file(uniformBmp(0x2080C0));
    scratchbmp garbage(std::vector<uint8_t>(200, 0x42));
    const std::u16string missing = file.path + u".missing.png";
    std::u16string unterminated(260, u'a');  // no terminator within 260 units
    for (const char16_t* failing : {garbage.path.c_str(), missing.c_str()}) {
        ASSERT_TRUE(engine->loadBackground(file.path.c_str()));
        EXPECT_FALSE(engine->loadBackground(nullptr));
        EXPECT_FALSE(engine->loadBackground(u""));
        EXPECT_FALSE(engine->loadBackground(unterminated.data()));  // read only up to its 260th unit
        show({});
        EXPECT_TRUE(pixelNear(screen().at(320, 240), 0x2080C0, 0)) << "unusable paths keep the picture";
        EXPECT_FALSE(engine->loadBackground(failing));
        show({});
        EXPECT_EQ(screen().at(320, 240), 0u);  // the picture is gone: black again
    }
}

TEST_F(GdiplusEngine, DesktopPictureIsTheBackgroundUnlessAPictureIsLoaded) {
    paintWhite();
    engine->captureDesktop();
    // Find a client pixel whose share of the screen lies inside this white window.
    HDC screenDc = GetDC(nullptr);
    int screenWidth = GetDeviceCaps(screenDc, HORZRES), screenHeight = GetDeviceCaps(screenDc, VERTRES);
    ReleaseDC(nullptr, screenDc);
    POINT origin = {0, 0};
    ClientToScreen(window->handle(), &origin);
    int x = 200, y = 150;
    int shownX = x * screenWidth / 641, shownY = y * screenHeight / 481;
    ASSERT_TRUE(shownX > origin.x + 4 && shownX < origin.x + 630 && shownY > origin.y + 4 &&
                shownY < origin.y + 470);

    show({});
    EXPECT_TRUE(pixelNear(screen().at(x, y), 0xFFFFFF, 1));

    scratchbmp file(uniformBmp(0x2080C0));
    ASSERT_TRUE(engine->loadBackground(file.path.c_str()));
    show({});
    EXPECT_TRUE(pixelNear(screen().at(x, y), 0x2080C0, 0));
}

// --- composition ---

uint32_t blended(uint32_t foreground, uint8_t level, uint32_t destination) {
    gdiplusforeground tone = gdiplusforeground(foreground);
    return uint32_t(gdiplusBlend(tone, level, red(destination))) << 16 |
           uint32_t(gdiplusBlend(tone, level, green(destination))) << 8 |
           gdiplusBlend(tone, level, blue(destination));
}

const std::vector<uint8_t> destinationLevels = {0x00, 0x10, 0x80, 0xC3, 0xFF};
const std::vector<uint8_t> frameLevels = {0x00, 0x01, 0x40, 0x80, 0xFE, 0xFF};
constexpr int cell = 8;

// Each frame level over each destination level. The destinations are white
// frames over the black background (white with opacity v over black is v);
// the blend is checked against the destination as it was read back.
void GdiplusEngine::checkBlendGrid(uint32_t foreground) {
    int width = int(frameLevels.size()) * cell, height = int(destinationLevels.size()) * cell;
    rect area = {10, 20, 10 + width, 20 + height};
    ownedframe below = frame(rowBands(destinationLevels, width, cell), white);
    ownedframe above = frame(columnBands(frameLevels, height, cell), foreground);

    show({{below.get(), area}});
    shot destinations = screen();
    show({{below.get(), area}, {above.get(), area}});
    shot results = screen();

    for (size_t j = 0; j < destinationLevels.size(); ++j) {
        for (size_t i = 0; i < frameLevels.size(); ++i) {
            int x = area.left + int(i) * cell + cell / 2, y = area.top + int(j) * cell + cell / 2;
            uint32_t d = destinations.at(x, y);
            EXPECT_TRUE(pixelNear(d, grey(destinationLevels[j]))) << "destination " << j;
            EXPECT_TRUE(pixelNear(results.at(x, y), blended(foreground, frameLevels[i], d)))
                << "frame level " << int(frameLevels[i]) << " over " << int(destinationLevels[j]);
        }
    }
}

TEST_F(GdiplusEngine, WhiteForegroundLightensByTheGreyLevel) { checkBlendGrid(white); }

TEST_F(GdiplusEngine, BlackForegroundDarkensByTheInverseGreyLevel) { checkBlendGrid(black); }

TEST_F(GdiplusEngine, ForegroundsOverAColouredDestination) {
    scratchbmp file(uniformBmp(0x10C080));
    ASSERT_TRUE(engine->loadBackground(file.path.c_str()));
    rect area = {100, 100, 100 + int(frameLevels.size()) * cell, 100 + cell};
    for (uint32_t foreground : {white, black}) {
        ownedframe image = frame(columnBands(frameLevels, cell, cell), foreground);
        show({{image.get(), area}});
        shot pixels = screen();
        for (size_t i = 0; i < frameLevels.size(); ++i) {
            int x = area.left + int(i) * cell + cell / 2, y = area.top + cell / 2;
            EXPECT_TRUE(pixelNear(pixels.at(x, y), blended(foreground, frameLevels[i], 0x10C080)))
                << "foreground " << foreground << ", level " << int(frameLevels[i]);
        }
    }
}

TEST_F(GdiplusEngine, FramesKeepTheForegroundTheyWereMadeWith) {
    // An empty payload is a frame of level 0.
    auto make = [&] { return own(*engine, engine->createFrame(nullptr, 0, 16, 16, 8)); };
    engine->setSettingB(white);
    ownedframe madeWhite = make();
    engine->setSettingB(2);  // ignored
    ownedframe stillWhite = make();
    engine->setSettingB(black);
    ownedframe madeBlack = make();

    scratchbmp file(uniformBmp(0x808080));
    ASSERT_TRUE(engine->loadBackground(file.path.c_str()));
    show({{madeWhite.get(), {0, 0, 40, 40}}, {stillWhite.get(), {40, 0, 80, 40}}, {madeBlack.get(), {80, 0, 120, 40}}});
    shot pixels = screen();
    // Level 0 is transparent in white and opaque in black.
    EXPECT_TRUE(pixelNear(pixels.at(20, 20), 0x808080, 0));
    EXPECT_TRUE(pixelNear(pixels.at(60, 20), 0x808080, 0));
    EXPECT_EQ(pixels.at(100, 20), 0u);
}

TEST_F(GdiplusEngine, DamagedPayloadShowsWhatWasDecodedBeforeTheFault) {
    // Row 0 (the bottom) is white, then a run that overflows the second row.
    const std::vector<uint8_t> payload = {4, 255, 0, 0, 9, 255};
    ownedframe image = own(*engine, engine->createFrame(payload.data(), uint32_t(payload.size()), 4, 2, 8));
    show({{image.get(), {0, 0, 4, 2}}});
    shot pixels = screen();
    EXPECT_EQ(pixels.at(2, 1), 0xFFFFFFu);
    EXPECT_EQ(pixels.at(2, 0), 0u);
}

// --- frames that are not drawn ---

TEST_F(GdiplusEngine, OnlyEightBitFramesUpTo16384By16384AreMade) {
    std::vector<uint8_t> payload = payloadOf(uniform(4, 4, 0x80));
    for (uint32_t bits : {0u, 1u, 4u, 7u, 9u, 16u, 24u, 32u}) {
        EXPECT_EQ(engine->createFrame(payload.data(), uint32_t(payload.size()), 4, 4, bits), nullptr) << bits;
    }
    EXPECT_NE(own(*engine, engine->createFrame(payload.data(), uint32_t(payload.size()), 4, 4, 8)), nullptr);
    const uint8_t endOfBitmap[] = {0x00, 0x01};
    EXPECT_EQ(engine->createFrame(endOfBitmap, 2, 16385, 16384, 8), nullptr);
    EXPECT_EQ(engine->createFrame(endOfBitmap, 2, INT32_MAX, INT32_MAX, 8), nullptr);
}

TEST_F(GdiplusEngine, NullFramesAndFramesWithoutPixelsDrawNothing) {
    paintWhite();
    engine->drawFrame(nullptr);  // outside a pass: straight into the window
    engine->drawFrameInRect(nullptr, {0, 0, 100, 100});
    EXPECT_EQ(screen().at(50, 50), 0xFFFFFFu);

    ownedframe grey = frame(uniform(4, 4, 0x80), white);
    show({{grey.get(), {0, 0, 64, 64}}, {nullptr, {0, 0, 640, 480}}});
    engine->beginDraw();
    engine->drawFrame(nullptr);
    engine->endDraw();
    shot pixels = screen();
    EXPECT_TRUE(pixelNear(pixels.at(32, 32), 0x808080));
    EXPECT_EQ(pixels.at(320, 240), 0u);

    // Frames without pixels are made but draw nothing.
    paintWhite();
    std::vector<uint8_t> payload = {0, 1};
    ownedframe none = own(*engine, engine->createFrame(payload.data(), 2, 0, 4, 8));
    ownedframe negative = own(*engine, engine->createFrame(payload.data(), 2, 4, -4, 8));
    ASSERT_NE(none, nullptr);
    ASSERT_NE(negative, nullptr);
    engine->drawFrameInRect(none.get(), {0, 0, 100, 100});
    engine->drawFrameInRect(negative.get(), {0, 0, 100, 100});
    EXPECT_EQ(screen().at(50, 50), 0xFFFFFFu);
}

// --- settings ---

TEST_F(GdiplusEngine, SettingNamesGiveTheirLengthOnlyWhenWhole) {
    expectSettingNames(*engine,
                       {u"Interpolation Mode", {u"Default", u"Low", u"High", u"Biliner", u"Bicubic",
                                                u"NearestNeighbor", u"HQ Biliner", u"HQ Bicubic"}},
                       {u"Foreground Color", {u"White", u"Black"}});
    char16_t buffer[20];
    EXPECT_EQ(engine->settingAName(buffer, 20), 18);
    EXPECT_EQ(engine->settingAName(buffer, 5), 0);  // cut to "Inte"
    EXPECT_EQ(engine->settingBChoiceName(1, buffer, 6), 5);  // exactly fits
    EXPECT_EQ(engine->settingBChoiceName(1, buffer, 5), 0);
}

// Black and white halves stretched 50 times, seen across the middle row.
stretchedlevels GdiplusEngine::stretch(frameimage* halves) {
    show({{halves, {0, 0, 200, 200}}});
    shot pixels = screen();
    stretchedlevels seen;
    for (int x = 0; x < 200; ++x) {
        uint32_t pixel = pixels.at(x, 100);
        seen.black |= pixel == 0;
        seen.white |= pixel == 0xFFFFFF;
        seen.between += pixel != 0 && pixel != 0xFFFFFF;
    }
    return seen;
}

TEST_F(GdiplusEngine, InterpolationIsKeptAcrossResize) {
    ownedframe halves = frame(columnBands({0, 255}, 4, 2), white);
    ASSERT_TRUE(window->setClientSize(500, 400));

    engine->setSettingA(nearestNeighbor);
    engine->resize();
    stretchedlevels nearest = stretch(halves.get());
    EXPECT_EQ(nearest.between, 0);
    EXPECT_TRUE(nearest.black && nearest.white);

    engine->setSettingA(8);  // ignored
    engine->resize();
    EXPECT_EQ(stretch(halves.get()).between, 0);

    engine->setSettingA(bilinear);
    engine->resize();
    EXPECT_GT(stretch(halves.get()).between, 10);
}

// --- pictures of the import and the reference engine ---

TEST_F(GdiplusEngine, ImportedPictureShowsItsPixelValuesAsGreyLevels) {
    const testpicture picture = patternPicture(13, 7, 5);  // rows padded from 13 to 16 bytes
    scratchbmp file(colourfulBmp(picture));
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    ASSERT_TRUE(reader.load());
    ownedframe image = own(*engine, engine->createFrameFromDib(&reader.infoHeader, reader.pixelData.get(), reader.bytesRead));
    reader.close();

    show({{image.get(), {30, 40, 43, 47}}});
    shot pixels = screen();
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            EXPECT_TRUE(pixelNear(pixels.at(30 + x, 40 + y), grey(picture.rows[size_t(6 - y) * 16 + x])))
                << x << "," << y;
        }
    }
}

// The header and colour table of an uncompressed 8-bit picture in memory.
struct dibheader {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

dibheader dibInfo(int32_t width, int32_t height, DWORD compression) {
    dibheader info = {{sizeof(BITMAPINFOHEADER), width, height, 1, 8, compression, 0, 0, 0, 0, 0}, {}};
    for (int i = 0; i < 256; ++i) info.colours[i] = colourful(i);
    return info;
}

TEST_F(GdiplusEngine, TopDownPictureIsShownUpright) {
    // Rows top first, padded to 4 bytes: 0x10 above 0xF0.
    const std::vector<uint8_t> pixels = {0x10, 0x10, 0, 0, 0xF0, 0xF0};
    const dibheader info = dibInfo(2, -2, BI_RGB);
    ownedframe image = own(*engine, engine->createFrameFromDib(&info, pixels.data(), uint32_t(pixels.size())));
    show({{image.get(), {0, 0, 2, 2}}});
    shot shown = screen();
    EXPECT_TRUE(pixelNear(shown.at(1, 0), 0x101010));
    EXPECT_TRUE(pixelNear(shown.at(1, 1), 0xF0F0F0));
}

TEST_F(GdiplusEngine, PicturesItCannotReadDrawNothing) {
    paintWhite();
    const std::vector<uint8_t> pixels(16, 0x80);
    for (const dibheader& info : {dibInfo(4, 5, BI_RGB) /* needs 20 bytes */, dibInfo(4, 4, BI_RLE8)}) {
        ownedframe image = own(*engine, engine->createFrameFromDib(&info, pixels.data(), uint32_t(pixels.size())));
        engine->drawFrameInRect(image.get(), {0, 0, 100, 100});
    }
    EXPECT_EQ(screen().at(50, 50), 0xFFFFFFu);
}

// Pixels that differ from the reference engine's copy of `picture` (white
// stays white, black stays black) in `area`, and from black elsewhere unless
// a picture is loaded (stretched, its edges blend).
int GdiplusEngine::differencesFromTheReference(const greyrows& picture, const rect& area, bool blackOutside) {
    softengine reference(640, 480);
    reference.setSettingA(0);
    reference.setSettingB(1);
    ownedframe expected = frameOf(reference, picture);
    reference.beginDraw();
    reference.drawFrameInRect(expected.get(), area);
    reference.endDraw();
    ownedframe image = frameOf(*engine, picture);
    show({{image.get(), area}});
    shot pixels = screen();
    int differing = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            if (inside || blackOutside) differing += !pixelNear(pixels.at(x, y), reference.presented().at(x, y));
        }
    }
    return differing;
}

TEST_F(GdiplusEngine, BothForegroundsAgreeWithTheReferenceEngineUnscaled) {
    // White over the black background gives the grey level itself...
    engine->setSettingA(7);
    engine->setSettingB(white);
    EXPECT_EQ(differencesFromTheReference(varied(37, 23), {13, 17, 50, 40}, true), 0);
    // ...and black with opacity 255 - v over white gives v too.
    scratchbmp file(uniformBmp(0xFFFFFF));
    ASSERT_TRUE(engine->loadBackground(file.path.c_str()));
    engine->setSettingB(black);
    EXPECT_EQ(differencesFromTheReference(varied(19, 11), {3, 5, 22, 16}, false), 0);
}

// --- text ---

// Whether this system has a font for drawText: the named family or the
// generic sans-serif one (Wine has neither without its own fonts).
bool textFontAvailable() {
    using namespace Gdiplus::DllExports;
    Gdiplus::GpFontFamily* family = nullptr;
    if (GdipCreateFontFamilyFromName(L"meiryo", nullptr, &family) != Gdiplus::Ok &&
        GdipGetGenericFontFamilySansSerif(&family) != Gdiplus::Ok) {
        return false;
    }
    GdipDeleteFontFamily(family);
    return true;
}

TEST_F(GdiplusEngine, TextIsRedFromTheTopLeftCorner) {
    if (!textFontAvailable()) GTEST_SKIP() << "no font: neither meiryo nor a generic sans-serif family";
    engine->beginDraw();
    engine->drawBackground();
    engine->drawText(u"MMMM", 4);
    engine->endDraw();
    shot pixels = screen();
    int reddish = 0, elsewhere = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            uint32_t pixel = pixels.at(x, y);
            bool isRed = red(pixel) > 0x80 && green(pixel) < 0x40 && blue(pixel) < 0x40;
            if (isRed && x < 320 && y < 120) ++reddish;
            if (pixel != 0 && (x >= 320 || y >= 120)) ++elsewhere;
        }
    }
    EXPECT_GT(reddish, 500);
    EXPECT_EQ(elsewhere, 0);

    paintWhite();
    engine->drawText(u"MMMM", 0);
    engine->drawText(nullptr, 4);
    EXPECT_EQ(screen().at(20, 30), 0xFFFFFFu);
}

}  // namespace
