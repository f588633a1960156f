// The GDI+ engine in a real window, checked by reading back what the window
// shows: blends against the composition arithmetic, the back buffer, the
// settings, frames from payloads and from imported pictures, and agreement
// with the software reference engine.
#include "engines/gdiplusengine.h"

#include <windows.h>
#include <objidl.h>  // GDI+ needs it and the lean windows.h leaves it out
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engines/composition.h"
#include "engines/softengine.h"
#include "import/bmpfile.h"
#include "import/frameencoder.h"
#include "testwindow.h"

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

using greyrows = std::vector<std::vector<uint8_t>>;  // top row first

// The frame payload of `rows`, as the import's encoder writes it.
std::vector<uint8_t> payloadOf(const greyrows& rows) {
    uint32_t width = uint32_t(rows[0].size()), height = uint32_t(rows.size());
    std::vector<uint8_t> stored;  // bottom row first, tightly packed
    for (size_t r = rows.size(); r-- > 0;) stored.insert(stored.end(), rows[r].begin(), rows[r].end());
    std::vector<uint8_t> payload(size_t(payloadBound(width, height)));
    payload.resize(encodeFrame(stored.data(), width, height, width, 8, payload.data()));
    return payload;
}

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

uint32_t greyPixel(uint8_t level) { return uint32_t(level) * 0x010101u; }

bool within(uint8_t a, uint8_t b, int tolerance) { return std::abs(int(a) - int(b)) <= tolerance; }

::testing::AssertionResult pixelNear(uint32_t actual, uint32_t expected, int tolerance = 1) {
    if (within(red(actual), red(expected), tolerance) && within(green(actual), green(expected), tolerance) &&
        within(blue(actual), blue(expected), tolerance)) {
        return ::testing::AssertionSuccess();
    }
    char text[64];
    std::snprintf(text, sizeof text, "0x%06X, expected 0x%06X", unsigned(actual), unsigned(expected));
    return ::testing::AssertionFailure() << text;
}

std::wstring temporaryPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder, length) + name;
}

// A file written for one test and removed afterwards.
class scratchfile {
public:
    scratchfile(const wchar_t* name, const std::vector<uint8_t>& bytes) : path(temporaryPath(name)) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) {
            WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    ~scratchfile() { DeleteFileW(path.c_str()); }
    const char16_t* name() const { return reinterpret_cast<const char16_t*>(path.c_str()); }

private:
    std::wstring path;
};

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value);
    put16(out, value >> 16);
}

// The 40-byte information header of an uncompressed bottom-up picture.
void putInfoHeader(std::vector<uint8_t>& out, int32_t width, int32_t height, uint16_t bits,
                   uint32_t compression, uint32_t imageSize) {
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, bits);
    put32(out, compression);
    put32(out, imageSize);
    for (int i = 0; i < 4; ++i) put32(out, 0);
}

// A 24-bit BMP file of one colour (0x00RRGGBB).
std::vector<uint8_t> colourBmp(int width, int height, uint32_t colour) {
    uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    std::vector<uint8_t> file = {'B', 'M'};
    put32(file, 54 + stride * uint32_t(height));
    put32(file, 0);
    put32(file, 54);
    putInfoHeader(file, width, height, 24, 0, stride * uint32_t(height));
    for (int y = 0; y < height; ++y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < width; ++x) {
            row[size_t(x) * 3] = blue(colour);
            row[size_t(x) * 3 + 1] = green(colour);
            row[size_t(x) * 3 + 2] = red(colour);
        }
        file.insert(file.end(), row.begin(), row.end());
    }
    return file;
}

// The colour table of a picture whose colours are nothing like its pixel
// values taken as grey levels.
void putColourfulPalette(std::vector<uint8_t>& out) {
    for (int i = 0; i < 256; ++i) {
        out.insert(out.end(), {uint8_t(i), uint8_t(0x40), uint8_t(255 - i), 0});
    }
}

// An 8-bit BMP file of `rows` with that colour table, rows padded to 4 bytes.
std::vector<uint8_t> indexedBmp(const greyrows& rows) {
    int width = int(rows[0].size()), height = int(rows.size());
    uint32_t stride = (uint32_t(width) + 3) & ~3u;
    std::vector<uint8_t> file = {'B', 'M'};
    put32(file, 1078 + stride * uint32_t(height));
    put32(file, 0);
    put32(file, 1078);
    putInfoHeader(file, width, height, 8, 0, stride * uint32_t(height));
    putColourfulPalette(file);
    for (size_t r = rows.size(); r-- > 0;) {
        file.insert(file.end(), rows[r].begin(), rows[r].end());
        file.insert(file.end(), stride - uint32_t(width), 0xEE);
    }
    return file;
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

struct framedeleter {
    gengine* engine;
    void operator()(frameimage* frame) const { engine->destroyFrame(frame); }
};
using frameptr = std::unique_ptr<frameimage, framedeleter>;

class GdiplusEngine : public ::testing::Test {
protected:
    // One window for all tests: destroying a window takes Wine two seconds.
    static void SetUpTestSuite() { window = new testwindow(640, 480); }
    static void TearDownTestSuite() { delete window; }

    void SetUp() override {
        ASSERT_NE(window->handle(), nullptr) << "no display?";
        setClientSize(640, 480);
        engine = std::make_unique<gdiplusengine>(window->handle());
    }

    static void setClientSize(int width, int height) {
        RECT frame = {0, 0, width, height};
        AdjustWindowRectEx(&frame, GetWindowLongW(window->handle(), GWL_STYLE), FALSE, 0);
        SetWindowPos(window->handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        window->pump();
        RECT client;
        GetClientRect(window->handle(), &client);
        ASSERT_EQ(client.right, width);
        ASSERT_EQ(client.bottom, height);
    }

    // A frame of `rows` made with foreground `foreground` (which stays set).
    frameptr frame(const greyrows& rows, uint32_t foreground) {
        engine->setSettingB(foreground);
        std::vector<uint8_t> payload = payloadOf(rows);
        return adopt(engine->createFrame(payload.data(), uint32_t(payload.size()), int32_t(rows[0].size()),
                                         int32_t(rows.size()), 8));
    }

    frameptr adopt(frameimage* image) { return frameptr(image, framedeleter{engine.get()}); }

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
        frameptr whole = frame(uniform(4, 4, 255), white);
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

    static testwindow* window;
    std::unique_ptr<gdiplusengine> engine;
};

testwindow* GdiplusEngine::window = nullptr;

// --- back buffer and background ---

TEST_F(GdiplusEngine, BackBufferIsOnePixelLargerThanTheClientArea) {
    SIZE size = engine->backBufferSize();
    EXPECT_EQ(size.cx, 641);
    EXPECT_EQ(size.cy, 481);

    setClientSize(400, 300);
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
    frameptr image = frame(board, white);
    engine->beginDraw();
    engine->drawBackground();
    engine->drawFrame(image.get());
    engine->endDraw();
    shot pixels = screen();
    int wrong = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) wrong += pixels.at(x, y) != ((x + y) % 2 ? 0xFFFFFFu : 0u);
    }
    EXPECT_EQ(wrong, 0);
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

TEST_F(GdiplusEngine, LoadedPictureBecomesTheBackgroundUntilALoadFails) {
    scratchfile file(L"morva-gdiplus-background.bmp", colourBmp(8, 8, 0x2080C0));
    ASSERT_TRUE(engine->loadBackground(file.name()));
    show({});
    EXPECT_TRUE(pixelNear(screen().at(320, 240), 0x2080C0, 0));

    scratchfile garbage(L"morva-gdiplus-garbage.bmp", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    EXPECT_FALSE(engine->loadBackground(garbage.name()));
    show({});
    EXPECT_EQ(screen().at(320, 240), 0u);  // the picture is gone: black again
}

TEST_F(GdiplusEngine, LoadBackgroundRefusesMissingFilesAndUnusablePaths) {
    scratchfile file(L"morva-gdiplus-background.bmp", colourBmp(8, 8, 0x2080C0));
    ASSERT_TRUE(engine->loadBackground(file.name()));

    std::u16string unterminated(260, u'a');  // no terminator within 260 units
    EXPECT_FALSE(engine->loadBackground(nullptr));
    EXPECT_FALSE(engine->loadBackground(u""));
    EXPECT_FALSE(engine->loadBackground(unterminated.data()));  // read only up to its 260th unit
    show({});
    EXPECT_TRUE(pixelNear(screen().at(320, 240), 0x2080C0, 0)) << "unusable paths keep the picture";

    std::wstring missing = temporaryPath(L"morva-gdiplus-no-such-file.png");
    EXPECT_FALSE(engine->loadBackground(reinterpret_cast<const char16_t*>(missing.c_str())));
    show({});
    EXPECT_EQ(screen().at(320, 240), 0u);
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

    scratchfile file(L"morva-gdiplus-background.bmp", colourBmp(8, 8, 0x2080C0));
    ASSERT_TRUE(engine->loadBackground(file.name()));
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
    frameptr below = frame(rowBands(destinationLevels, width, cell), white);
    frameptr above = frame(columnBands(frameLevels, height, cell), foreground);

    show({{below.get(), area}});
    shot destinations = screen();
    show({{below.get(), area}, {above.get(), area}});
    shot results = screen();

    for (size_t j = 0; j < destinationLevels.size(); ++j) {
        for (size_t i = 0; i < frameLevels.size(); ++i) {
            int x = area.left + int(i) * cell + cell / 2, y = area.top + int(j) * cell + cell / 2;
            uint32_t d = destinations.at(x, y);
            EXPECT_TRUE(pixelNear(d, greyPixel(destinationLevels[j]))) << "destination " << j;
            EXPECT_TRUE(pixelNear(results.at(x, y), blended(foreground, frameLevels[i], d)))
                << "frame level " << int(frameLevels[i]) << " over " << int(destinationLevels[j]);
        }
    }
}

TEST_F(GdiplusEngine, WhiteForegroundLightensByTheGreyLevel) { checkBlendGrid(white); }

TEST_F(GdiplusEngine, BlackForegroundDarkensByTheInverseGreyLevel) { checkBlendGrid(black); }

TEST_F(GdiplusEngine, ForegroundsOverAColouredDestination) {
    scratchfile file(L"morva-gdiplus-background.bmp", colourBmp(8, 8, 0x10C080));
    ASSERT_TRUE(engine->loadBackground(file.name()));
    rect area = {100, 100, 100 + int(frameLevels.size()) * cell, 100 + cell};
    for (uint32_t foreground : {white, black}) {
        frameptr image = frame(columnBands(frameLevels, cell, cell), foreground);
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
    const std::vector<uint8_t> payload = payloadOf(uniform(4, 4, 0x00));
    auto make = [&] { return adopt(engine->createFrame(payload.data(), uint32_t(payload.size()), 4, 4, 8)); };
    engine->setSettingB(white);
    frameptr madeWhite = make();
    engine->setSettingB(2);  // ignored
    frameptr stillWhite = make();
    engine->setSettingB(black);
    frameptr madeBlack = make();

    scratchfile file(L"morva-gdiplus-background.bmp", colourBmp(8, 8, 0x808080));
    ASSERT_TRUE(engine->loadBackground(file.name()));
    show({{madeWhite.get(), {0, 0, 40, 40}}, {stillWhite.get(), {40, 0, 80, 40}}, {madeBlack.get(), {80, 0, 120, 40}}});
    shot pixels = screen();
    // Level 0 is transparent in white and opaque in black.
    EXPECT_TRUE(pixelNear(pixels.at(20, 20), 0x808080, 0));
    EXPECT_TRUE(pixelNear(pixels.at(60, 20), 0x808080, 0));
    EXPECT_EQ(pixels.at(100, 20), 0u);
}

TEST_F(GdiplusEngine, EmptyPayloadIsAFrameOfLevelZero) {
    scratchfile file(L"morva-gdiplus-background.bmp", colourBmp(8, 8, 0x808080));
    ASSERT_TRUE(engine->loadBackground(file.name()));
    engine->setSettingB(white);
    frameptr clear = adopt(engine->createFrame(nullptr, 0, 16, 16, 8));
    engine->setSettingB(black);
    frameptr dark = adopt(engine->createFrame(nullptr, 0, 16, 16, 8));
    ASSERT_NE(clear, nullptr);
    ASSERT_NE(dark, nullptr);
    show({{clear.get(), {0, 0, 32, 32}}, {dark.get(), {32, 0, 64, 32}}});
    shot pixels = screen();
    EXPECT_TRUE(pixelNear(pixels.at(16, 16), 0x808080, 0));
    EXPECT_EQ(pixels.at(48, 16), 0u);
}

TEST_F(GdiplusEngine, DamagedPayloadShowsWhatWasDecodedBeforeTheFault) {
    // Row 0 (the bottom) is white, then a run that overflows the second row.
    const std::vector<uint8_t> payload = {4, 255, 0, 0, 9, 255};
    frameptr image = adopt(engine->createFrame(payload.data(), uint32_t(payload.size()), 4, 2, 8));
    show({{image.get(), {0, 0, 4, 2}}});
    shot pixels = screen();
    EXPECT_EQ(pixels.at(2, 1), 0xFFFFFFu);
    EXPECT_EQ(pixels.at(2, 0), 0u);
}

// --- frames that are not drawn ---

TEST_F(GdiplusEngine, FramesNeedEightBitsPerPixel) {
    std::vector<uint8_t> payload = payloadOf(uniform(4, 4, 0x80));
    for (uint32_t bits : {0u, 1u, 4u, 7u, 9u, 16u, 24u, 32u}) {
        EXPECT_EQ(engine->createFrame(payload.data(), uint32_t(payload.size()), 4, 4, bits), nullptr) << bits;
    }
    EXPECT_NE(adopt(engine->createFrame(payload.data(), uint32_t(payload.size()), 4, 4, 8)), nullptr);
}

TEST_F(GdiplusEngine, FramesLargerThan16384By16384AreNotMade) {
    const uint8_t endOfBitmap[] = {0x00, 0x01};
    EXPECT_EQ(engine->createFrame(endOfBitmap, 2, 16385, 16384, 8), nullptr);
    EXPECT_EQ(engine->createFrame(endOfBitmap, 2, INT32_MAX, INT32_MAX, 8), nullptr);
}

TEST_F(GdiplusEngine, NullFramesDrawNothing) {
    paintWhite();
    engine->drawFrame(nullptr);  // outside a pass: straight into the window
    engine->drawFrameInRect(nullptr, {0, 0, 100, 100});
    EXPECT_EQ(screen().at(50, 50), 0xFFFFFFu);

    frameptr grey = frame(uniform(4, 4, 0x80), white);
    show({{grey.get(), {0, 0, 64, 64}}, {nullptr, {0, 0, 640, 480}}});
    engine->beginDraw();
    engine->drawFrame(nullptr);
    engine->endDraw();
    shot pixels = screen();
    EXPECT_TRUE(pixelNear(pixels.at(32, 32), 0x808080));
    EXPECT_EQ(pixels.at(320, 240), 0u);
}

TEST_F(GdiplusEngine, FramesWithoutPixelsDrawNothing) {
    paintWhite();
    std::vector<uint8_t> payload = {0, 1};
    frameptr none = adopt(engine->createFrame(payload.data(), 2, 0, 4, 8));
    frameptr negative = adopt(engine->createFrame(payload.data(), 2, 4, -4, 8));
    ASSERT_NE(none, nullptr);
    ASSERT_NE(negative, nullptr);
    engine->drawFrameInRect(none.get(), {0, 0, 100, 100});
    engine->drawFrameInRect(negative.get(), {0, 0, 100, 100});
    EXPECT_EQ(screen().at(50, 50), 0xFFFFFFu);
}

// --- settings ---

std::u16string text(const char16_t* units) { return units; }

TEST_F(GdiplusEngine, SettingAndChoiceNames) {
    char16_t buffer[40];
    EXPECT_EQ(engine->settingAChoiceCount(), 8);
    EXPECT_EQ(engine->settingBChoiceCount(), 2);
    EXPECT_EQ(engine->settingAName(buffer, 40), 18);
    EXPECT_EQ(text(buffer), u"Interpolation Mode");
    EXPECT_EQ(engine->settingBName(buffer, 40), 16);
    EXPECT_EQ(text(buffer), u"Foreground Color");
    const char16_t* modes[] = {u"Default", u"Low", u"High", u"Biliner", u"Bicubic", u"NearestNeighbor",
                               u"HQ Biliner", u"HQ Bicubic"};
    for (uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(engine->settingAChoiceName(i, buffer, 40), int32_t(text(modes[i]).size()));
        EXPECT_EQ(text(buffer), modes[i]);
    }
    EXPECT_EQ(engine->settingBChoiceName(0, buffer, 40), 5);
    EXPECT_EQ(text(buffer), u"White");
    EXPECT_EQ(engine->settingBChoiceName(1, buffer, 40), 5);
    EXPECT_EQ(text(buffer), u"Black");
}

TEST_F(GdiplusEngine, ChoicesBeyondTheCountAreEmpty) {
    for (uint32_t index : {8u, 9u, 0xFFFFFFFFu}) {
        char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
        EXPECT_EQ(engine->settingAChoiceName(index, buffer, 4), 0);
        EXPECT_EQ(buffer[0], u'\0');
    }
    for (uint32_t index : {2u, 0x80000000u}) {
        char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
        EXPECT_EQ(engine->settingBChoiceName(index, buffer, 4), 0);
        EXPECT_EQ(buffer[0], u'\0');
    }
}

TEST_F(GdiplusEngine, NamesAreCutToTheBuffer) {
    char16_t buffer[8];
    std::memset(buffer, 0x55, sizeof buffer);
    EXPECT_EQ(engine->settingAName(buffer, 5), 0);  // did not fit
    EXPECT_EQ(text(buffer), u"Inte");
    EXPECT_EQ(buffer[5], 0x5555) << "nothing written beyond the capacity";
    EXPECT_EQ(engine->settingBChoiceName(1, buffer, 5), 0);
    EXPECT_EQ(text(buffer), u"Blac");
    EXPECT_EQ(engine->settingBChoiceName(1, buffer, 6), 5);  // exactly fits
    EXPECT_EQ(text(buffer), u"Black");
    EXPECT_EQ(engine->settingAChoiceName(7, buffer, 1), 0);
    EXPECT_EQ(buffer[0], u'\0');
    buffer[0] = u'x';
    EXPECT_EQ(engine->settingBName(buffer, 0), 0);
    EXPECT_EQ(buffer[0], u'x');
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
    frameptr halves = frame(columnBands({0, 255}, 4, 2), white);
    setClientSize(500, 400);

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
    const greyrows picture = varied(13, 7);  // rows padded from 13 to 16 bytes
    scratchfile file(L"morva-gdiplus-picture.bmp", indexedBmp(picture));
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.name()));
    ASSERT_TRUE(reader.load());
    frameptr image = adopt(engine->createFrameFromDib(&reader.infoHeader, reader.pixelData.get(), reader.bytesRead));
    reader.close();

    show({{image.get(), {30, 40, 43, 47}}});
    shot pixels = screen();
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            EXPECT_TRUE(pixelNear(pixels.at(30 + x, 40 + y), greyPixel(picture[size_t(y)][size_t(x)])))
                << x << "," << y;
        }
    }
}

// The header and colour table of an uncompressed 8-bit picture in memory.
std::vector<uint8_t> dibInfo(int32_t width, int32_t height, uint32_t compression) {
    std::vector<uint8_t> info;
    putInfoHeader(info, width, height, 8, compression, 0);
    putColourfulPalette(info);
    return info;
}

TEST_F(GdiplusEngine, TopDownPictureIsShownUpright) {
    // Rows top first, padded to 4 bytes: 0x10 above 0xF0.
    const std::vector<uint8_t> pixels = {0x10, 0x10, 0, 0, 0xF0, 0xF0};
    std::vector<uint8_t> info = dibInfo(2, -2, 0);
    frameptr image = adopt(engine->createFrameFromDib(info.data(), pixels.data(), uint32_t(pixels.size())));
    show({{image.get(), {0, 0, 2, 2}}});
    shot shown = screen();
    EXPECT_TRUE(pixelNear(shown.at(1, 0), 0x101010));
    EXPECT_TRUE(pixelNear(shown.at(1, 1), 0xF0F0F0));
}

TEST_F(GdiplusEngine, PicturesItCannotReadDrawNothing) {
    paintWhite();
    const std::vector<uint8_t> pixels(16, 0x80);
    std::vector<uint8_t> shortRows = dibInfo(4, 5, 0);  // needs 20 bytes
    std::vector<uint8_t> compressed = dibInfo(4, 4, 1);
    for (const std::vector<uint8_t>* info : {&shortRows, &compressed}) {
        frameptr image = adopt(engine->createFrameFromDib(info->data(), pixels.data(), uint32_t(pixels.size())));
        engine->drawFrameInRect(image.get(), {0, 0, 100, 100});
    }
    EXPECT_EQ(screen().at(50, 50), 0xFFFFFFu);
}

TEST_F(GdiplusEngine, AgreesWithTheReferenceEngineUnscaled) {
    const greyrows picture = varied(37, 23);
    std::vector<uint8_t> payload = payloadOf(picture);
    const rect area = {13, 17, 50, 40};

    softengine reference(640, 480);
    reference.setSettingA(0);  // white stays white, black stays black: a copy
    reference.setSettingB(1);
    frameimage* expectedFrame = reference.createFrame(payload.data(), uint32_t(payload.size()), 37, 23, 8);
    reference.beginDraw();
    reference.drawBackground();
    reference.drawFrameInRect(expectedFrame, area);
    reference.endDraw();
    reference.destroyFrame(expectedFrame);

    // White over the black background gives the grey level itself.
    engine->setSettingA(7);
    engine->setSettingB(white);
    frameptr image = adopt(engine->createFrame(payload.data(), uint32_t(payload.size()), 37, 23, 8));
    show({{image.get(), area}});
    shot pixels = screen();

    int differing = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) differing += !pixelNear(pixels.at(x, y), reference.presented().at(x, y));
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(GdiplusEngine, BlackForegroundOverWhiteAgreesWithTheReferenceEngine) {
    const greyrows picture = varied(19, 11);
    std::vector<uint8_t> payload = payloadOf(picture);
    const rect area = {3, 5, 22, 16};

    softengine reference(640, 480);
    reference.setSettingA(0);
    reference.setSettingB(1);
    frameimage* expectedFrame = reference.createFrame(payload.data(), uint32_t(payload.size()), 19, 11, 8);
    reference.beginDraw();
    reference.drawFrameInRect(expectedFrame, area);
    reference.endDraw();
    reference.destroyFrame(expectedFrame);

    // Black with opacity 255 - v over white also gives v.
    scratchfile file(L"morva-gdiplus-background.bmp", colourBmp(8, 8, 0xFFFFFF));
    ASSERT_TRUE(engine->loadBackground(file.name()));
    engine->setSettingB(black);
    frameptr image = adopt(engine->createFrame(payload.data(), uint32_t(payload.size()), 19, 11, 8));
    show({{image.get(), area}});
    shot pixels = screen();

    int differing = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            differing += !pixelNear(pixels.at(x, y), reference.presented().at(x, y));
        }
    }
    EXPECT_EQ(differing, 0);
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
