// The Direct2D engine in a real window, checked by reading back what the
// window shows: the three modes against the composition arithmetic, frames
// keeping the mode they were made with, settings, frames from payloads and
// from imported pictures, backgrounds, and agreement with the software
// reference engine.
#include "engines/d2dengine.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/composition.h"
#include "engines/softengine.h"
#include "tests/engines/settingnames.h"
#include "tests/windows/enginetesting.h"

namespace {

bool runningOnWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

const wchar_t wineFontReplacements[] = L"Software\\Wine\\Fonts\\Replacements";

// COM on the test thread, as the program's start-up sets it up. Wine has no
// Meiryo and DirectWrite there falls back to nothing, so for the tests Wine
// is told to use DejaVu Sans (which Debian's font set always has) in its place.
class testenvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        if (!runningOnWine()) return;
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, wineFontReplacements, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return;
        }
        if (RegQueryValueExW(key, L"Meiryo", nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND) {
            const wchar_t replacement[] = L"DejaVu Sans";
            replaced = RegSetValueExW(key, L"Meiryo", 0, REG_SZ, reinterpret_cast<const BYTE*>(replacement),
                                      sizeof replacement) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    void TearDown() override {
        if (replaced) RegDeleteKeyValueW(HKEY_CURRENT_USER, wineFontReplacements, L"Meiryo");
        CoUninitialize();
    }

private:
    bool replaced = false;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new testenvironment);

constexpr uint32_t noTranslucent = 0, whiteTop = 1, blackTop = 2;
constexpr int clientWidth = 160, clientHeight = 120;

// The client area as 0x00RRGGBB pixels, rows top-down.
struct picture {
    int width;
    int height;
    std::vector<uint32_t> pixels;

    picture(int width, int height) : width(width), height(height), pixels(size_t(width * height), 0) {}
    uint32_t& at(int x, int y) { return pixels[size_t(y * width + x)]; }
};

picture filledClient(const testwindow& window, uint32_t colour = 0) {
    RECT client;
    GetClientRect(window.handle(), &client);
    picture all(client.right, client.bottom);
    all.pixels.assign(all.pixels.size(), colour);
    return all;
}

// A present reaches the screen a while after EndDraw, so the window is read
// until it shows the expected picture, or for ten seconds at most.
::testing::AssertionResult shows(const testwindow& window, const picture& expected, int tolerance) {
    if (window.capture().size() != expected.pixels.size()) {
        return ::testing::AssertionFailure() << "the window is not " << expected.width << " x " << expected.height;
    }
    return showsPicture(
        window, [&](int x, int y) { return expected.pixels[size_t(y * expected.width + x)]; }, tolerance, 10000);
}

struct placed {
    frameimage* frame;
    rect area;
};

// One shown picture, in the order the program draws.
void show(gengine& engine, std::initializer_list<placed> frames) {
    engine.beginDraw();
    engine.drawBackground();
    for (const placed& p : frames) engine.drawFrameInRect(p.frame, p.area);
    engine.endDraw();
}

// Closing a window that Direct2D has drawn into takes Wine about two
// seconds, so the engine tests share one window; every test makes its own
// engine for it.
class D2dEngine : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sharedWindow = new testwindow(clientWidth, clientHeight); }
    static void TearDownTestSuite() { delete sharedWindow; }

    // The window at its first size, showing a grey that no test expects
    // all over, so that no test can take an earlier test's picture for its own.
    void SetUp() override {
        ASSERT_NE(window.handle(), nullptr) << "no display?";
        ASSERT_TRUE(window.setClientSize(clientWidth, clientHeight));
        engine = d2dengine::create(window.handle());
        ASSERT_NE(engine, nullptr);
        ownedframe grey5A = frameOf(*engine, {{0x5A}});
        engine->beginDraw();
        engine->drawFrame(grey5A.get());
        engine->endDraw();
        picture cleared = filledClient(window, grey(0x5A));
        ASSERT_TRUE(shows(window, cleared, 1));
    }

    static testwindow* sharedWindow;
    const testwindow& window = *sharedWindow;
    std::unique_ptr<d2dengine> engine;
};

testwindow* D2dEngine::sharedWindow = nullptr;

// --- Availability ---

// Under Wine the engine draws off-screen, so there this proves that target;
// on Windows, that a window render target is made in one of the formats.
TEST(D2dAvailability, TrueWhereAnEngineCanBeMade) {
    testwindow window(clientWidth, clientHeight);
    ASSERT_NE(window.handle(), nullptr);
    EXPECT_TRUE(direct2dAvailable(window.handle()));
    EXPECT_TRUE(direct2dAvailable(nullptr));  // on a hidden window of its own
    EXPECT_NE(d2dengine::create(window.handle()), nullptr);
}

TEST(D2dAvailability, FalseAndNoEngineForAWindowThatIsGone) {
    HWND gone;
    {
        testwindow window(clientWidth, clientHeight);
        gone = window.handle();
        ASSERT_NE(gone, nullptr);
    }
    EXPECT_FALSE(direct2dAvailable(gone));
    EXPECT_EQ(d2dengine::create(gone), nullptr);
}

// --- Settings ---

// The setting names answer 0 when whole, the choices their length.
TEST_F(D2dEngine, SettingNames) {
    expectSettingNames(*engine, {u"Mode", {u"No Translucent", u"White Top", u"Black Top"}}, {u"No Settings", {}});
    char16_t buffer[32];
    EXPECT_EQ(engine->settingAName(buffer, 32), 0);
    EXPECT_NE(engine->settingBName(buffer, 3), 0);  // cut to "No"
    EXPECT_EQ(engine->settingAChoiceName(0, buffer, 5), 0);  // cut to "No T"
}

// --- The modes ---

const std::vector<uint8_t> destinations = {0x00, 0x01, 0x0F, 0x40, 0x7F, 0x80, 0xC0, 0xFE, 0xFF};
const std::vector<uint8_t> levels = {0x00, 0x01, 0x40, 0x7F, 0x80, 0xBF, 0xF0, 0xFE, 0xFF};

// Column x holds destination level x, row y frame level y; the frame is drawn
// unscaled over the destination, so every pair meets in one pixel.
void expectModeOverKnownDestinations(d2dengine& engine, const testwindow& window, uint32_t mode) {
    greyrows destinationRows(levels.size(), destinations);
    greyrows frameRows;
    for (uint8_t level : levels) frameRows.emplace_back(destinations.size(), level);
    ownedframe destination = frameOf(engine, destinationRows);
    engine.setSettingA(mode);
    ownedframe frame = frameOf(engine, frameRows);
    ASSERT_NE(destination.get(), nullptr);
    ASSERT_NE(frame.get(), nullptr);

    const rect area = {10, 20, 10 + int32_t(destinations.size()), 20 + int32_t(levels.size())};
    show(engine, {{destination.get(), area}, {frame.get(), area}});

    picture expected = filledClient(window);
    for (size_t y = 0; y < levels.size(); ++y) {
        for (size_t x = 0; x < destinations.size(); ++x) {
            expected.at(area.left + int(x), area.top + int(y)) =
                grey(d2dBlend(d2dmode(mode), levels[y], destinations[x]));
        }
    }
    EXPECT_TRUE(shows(window, expected, 1)) << "mode " << mode;
}

// No Translucent covers the destination, White Top adds the grey level,
// Black Top darkens by the frame's darkness.
TEST_F(D2dEngine, EachModeOverKnownDestinations) {
    for (uint32_t mode : {noTranslucent, whiteTop, blackTop}) expectModeOverKnownDestinations(*engine, window, mode);
}

// Over a background of unequal channels each channel blends on its own.
TEST_F(D2dEngine, ModesBlendEachChannelOverALoadedBackground) {
    const uint32_t background = 0x2080E0;
    scratchbmp file(uniformBmp(background));
    ASSERT_TRUE(engine->loadBackground(file.path.c_str()));

    auto madeIn = [this](uint32_t mode) {
        engine->setSettingA(mode);
        return frameOf(*engine, greyrows{levels});
    };
    ownedframe opaque = madeIn(noTranslucent);
    ownedframe added = madeIn(whiteTop);
    ownedframe darkened = madeIn(blackTop);
    ASSERT_NE(opaque.get(), nullptr);
    ASSERT_NE(added.get(), nullptr);
    ASSERT_NE(darkened.get(), nullptr);
    const int32_t width = int32_t(levels.size());
    show(*engine, {{opaque.get(), {0, 5, width, 6}},
                   {added.get(), {0, 10, width, 11}},
                   {darkened.get(), {0, 15, width, 16}}});

    picture expected = filledClient(window, background);
    for (uint32_t mode : {noTranslucent, whiteTop, blackTop}) {
        for (size_t x = 0; x < levels.size(); ++x) {
            uint32_t blended = 0;
            for (int shift : {0, 8, 16}) {
                blended |= uint32_t(d2dBlend(d2dmode(mode), levels[x], channel(background, shift))) << shift;
            }
            expected.at(int(x), 5 + 5 * int(mode)) = blended;
        }
    }
    EXPECT_TRUE(shows(window, expected, 1));
}

// The mode is fixed into a frame image when it is made; an index beyond the
// count changes nothing.
TEST_F(D2dEngine, AFrameKeepsTheModeItWasMadeWith) {
    const greyrows destinationRows = {{0x40, 0x40, 0x40}};
    const greyrows frameRows = {{0x00, 0x80, 0xF0}};
    ownedframe destination = frameOf(*engine, destinationRows);
    engine->setSettingA(whiteTop);
    ownedframe madeWhiteTop = frameOf(*engine, frameRows);
    engine->setSettingA(blackTop);
    ownedframe madeBlackTop = frameOf(*engine, frameRows);
    engine->setSettingA(3);
    ownedframe afterIgnoredIndex = frameOf(*engine, frameRows);
    engine->setSettingA(noTranslucent);
    ASSERT_NE(madeWhiteTop.get(), nullptr);
    ASSERT_NE(madeBlackTop.get(), nullptr);
    ASSERT_NE(afterIgnoredIndex.get(), nullptr);

    const rect first = {0, 0, 3, 1}, second = {0, 2, 3, 3}, third = {0, 4, 3, 5};
    show(*engine, {{destination.get(), first}, {madeWhiteTop.get(), first},
                   {destination.get(), second}, {madeBlackTop.get(), second},
                   {destination.get(), third}, {afterIgnoredIndex.get(), third}});

    picture expected = filledClient(window);
    const uint32_t whiteTopRow[] = {grey(0x40), grey(0xC0), grey(0xFF)};
    const uint32_t blackTopRow[] = {grey(0x00), grey(0x20), grey(0x3C)};
    for (int x = 0; x < 3; ++x) {
        expected.at(x, 0) = whiteTopRow[x];
        expected.at(x, 2) = blackTopRow[x];
        expected.at(x, 4) = blackTopRow[x];
    }
    EXPECT_TRUE(shows(window, expected, 1));
}

// --- Frame images ---

// GDI answers a bitmap of no pixels with its 1 x 1 stock bitmap; no frame may come of that.
TEST_F(D2dEngine, OnlyEightBitFramesWithPixelsAreMade) {
    const std::vector<uint8_t> payload = payloadOf({{0x80, 0x80}});
    for (uint32_t bits : {0u, 1u, 4u, 16u, 24u, 32u}) {
        EXPECT_EQ(engine->createFrame(payload.data(), uint32_t(payload.size()), 2, 1, bits), nullptr)
            << bits << " bits";
    }
    ownedframe frame = own(*engine, engine->createFrame(payload.data(), uint32_t(payload.size()), 2, 1, 8));
    EXPECT_NE(frame.get(), nullptr);
    EXPECT_EQ(engine->createFrame(payload.data(), uint32_t(payload.size()), 16385, 16384, 8), nullptr)
        << "larger than any frame the program makes";
    const uint8_t endOfBitmap[] = {0, 1};
    EXPECT_EQ(engine->createFrame(endOfBitmap, 2, 0, 1, 8), nullptr);
    EXPECT_EQ(engine->createFrame(endOfBitmap, 2, 1, 0, 8), nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, 0, 1, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    const uint8_t pixels[4] = {};
    EXPECT_EQ(engine->createFrameFromDib(&info, pixels, sizeof pixels), nullptr);
}

TEST_F(D2dEngine, NullFramesDrawNothing) {
    ownedframe frame = frameOf(*engine, {{0xFF}});
    ASSERT_NE(frame.get(), nullptr);
    engine->beginDraw();
    engine->drawBackground();
    engine->drawFrame(frame.get());
    engine->endDraw();
    picture white = filledClient(window, 0xFFFFFF);
    ASSERT_TRUE(shows(window, white, 1));

    engine->beginDraw();
    engine->drawBackground();
    engine->drawFrameInRect(nullptr, {0, 0, 20, 20});
    engine->drawFrame(nullptr);
    engine->endDraw();
    EXPECT_TRUE(shows(window, filledClient(window), 0));
}

// The import's path: an uncompressed 8-bit picture with its own grey palette,
// 5 pixels wide so that its rows carry padding.
TEST_F(D2dEngine, APictureFromTheImportShowsItsGreyLevels) {
    const greyrows rows = {{0x00, 0x10, 0x80, 0xEF, 0xFF}, {0x7F, 0x01, 0xFE, 0x40, 0xC0}};
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = 5;
    info.header.biHeight = 2;  // bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    for (int i = 0; i < 256; ++i) info.colours[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    std::vector<uint8_t> pixels(8 * 2, 0xAA);  // rows of 8 bytes, padding 0xAA
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) pixels[size_t((1 - y) * 8 + x)] = rows[size_t(y)][size_t(x)];
    }
    // GDI would read every row the header announces, beyond the caller's bytes.
    EXPECT_EQ(engine->createFrameFromDib(&info, pixels.data(), uint32_t(pixels.size()) - 1), nullptr);
    ownedframe frame = own(*engine, engine->createFrameFromDib(&info, pixels.data(), uint32_t(pixels.size())));
    ASSERT_NE(frame.get(), nullptr);

    const rect area = {30, 40, 35, 42};
    show(*engine, {{frame.get(), area}});
    picture expected = filledClient(window);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) expected.at(area.left + x, area.top + y) = grey(rows[size_t(y)][size_t(x)]);
    }
    EXPECT_TRUE(shows(window, expected, 0));
}

// drawFrame and a loaded picture cover the client area at the size the last
// resize() read.
TEST_F(D2dEngine, DrawFrameAndThePictureFillTheClientAreaAfterAResize) {
    const uint32_t background = 0x3366CC;
    scratchbmp file(uniformBmp(background));
    ASSERT_TRUE(engine->loadBackground(file.path.c_str()));
    ownedframe frame = frameOf(*engine, {{0x80, 0x80}, {0x80, 0x80}});
    ASSERT_NE(frame.get(), nullptr);
    ASSERT_TRUE(window.setClientSize(clientWidth + 40, clientHeight + 30));
    engine->resize();
    show(*engine, {});
    picture expected = filledClient(window, background);
    ASSERT_EQ(expected.width, clientWidth + 40);
    EXPECT_TRUE(shows(window, expected, 1));

    engine->beginDraw();
    engine->drawBackground();
    engine->drawFrame(frame.get());
    engine->endDraw();
    for (uint32_t& pixel : expected.pixels) pixel = grey(0x80);
    EXPECT_TRUE(shows(window, expected, 1));
}

// --- Backgrounds ---

TEST_F(D2dEngine, ALoadedPictureComesBeforeTheDesktopUntilALoadFails) {
    const uint32_t background = 0x3366CC;
    scratchbmp file(uniformBmp(background));
    engine->captureDesktop();
    ASSERT_TRUE(engine->loadBackground(file.path.c_str()));
    show(*engine, {});
    picture expected = filledClient(window, background);
    EXPECT_TRUE(shows(window, expected, 1));

    EXPECT_FALSE(engine->loadBackground((file.path + u".missing").c_str()));
    engine->setSettingA(noTranslucent);
    ownedframe marker = frameOf(*engine, {{0x55}});
    show(*engine, {{marker.get(), {0, 0, 1, 1}}});
    // The loaded picture is gone: what shows now is the desktop picture, and
    // the marker proves that this picture has been presented.
    ULONGLONG until = GetTickCount64() + 10000;
    while (window.pixel(0, 0) != grey(0x55) && GetTickCount64() < until) window.pump(20);
    ASSERT_EQ(window.pixel(0, 0), grey(0x55));
    std::vector<uint32_t> shown = window.capture();
    size_t differing = 0;
    for (size_t i = 0; i < shown.size(); ++i) differing += !closeTo(shown[i], expected.pixels[i], 1);
    EXPECT_GT(differing, shown.size() / 2);
}

TEST_F(D2dEngine, NothingLoadedFromAMissingFileAndTheBackgroundIsBlack) {
    EXPECT_FALSE(engine->loadBackground((temporaryFolder() + u"morva-no-such-picture.bmp").c_str()));
    EXPECT_FALSE(engine->loadBackground(nullptr));
    ownedframe frame = frameOf(*engine, {{0xFF}});
    engine->beginDraw();
    engine->drawFrame(frame.get());
    engine->endDraw();
    picture white = filledClient(window, 0xFFFFFF);
    ASSERT_TRUE(shows(window, white, 1));
    show(*engine, {});
    EXPECT_TRUE(shows(window, filledClient(window), 0));
}

// --- Text ---

TEST_F(D2dEngine, TextIsRedAndANegativeLengthDrawsNothing) {
    engine->beginDraw();
    engine->drawBackground();
    engine->drawText(u"\u25A0\u25A0 MM", 5);
    engine->endDraw();
    ULONGLONG until = GetTickCount64() + 10000;
    size_t red = 0, other = 0;
    do {
        window.pump(20);
        red = other = 0;
        for (uint32_t pixel : window.capture()) {
            if (pixel == 0) continue;
            // Smoothed edges blend red with black: no green or blue.
            (channel(pixel, 16) > 0 && channel(pixel, 8) == 0 && channel(pixel, 0) == 0 ? red : other)++;
        }
    } while (red == 0 && GetTickCount64() < until);
    EXPECT_GT(red, 50u);
    EXPECT_EQ(other, 0u);

    engine->beginDraw();
    engine->drawBackground();
    engine->drawText(u"MM", -1);
    engine->endDraw();
    EXPECT_TRUE(shows(window, filledClient(window), 0));
}

// --- Agreement with the software reference engine ---

// No Translucent matches the reference engine's copy (white stays white,
// black stays black) at unscaled size, whatever the stream's codes: runs,
// absolute runs, and pixels skipped by an early end of line or a delta.
void expectAgreement(d2dengine& engine, const testwindow& window, const std::vector<uint8_t>& payload,
                     int32_t width, int32_t height, const rect& area) {
    picture client = filledClient(window);
    softengine reference(client.width, client.height);
    reference.setSettingA(0);
    reference.setSettingB(1);
    engine.setSettingA(noTranslucent);
    const uint32_t size = uint32_t(payload.size());
    ownedframe ours = own(engine, engine.createFrame(payload.data(), size, width, height, 8));
    ownedframe theirs = own(reference, reference.createFrame(payload.data(), size, width, height, 8));
    ASSERT_NE(ours.get(), nullptr);
    ASSERT_NE(theirs.get(), nullptr);
    show(engine, {{ours.get(), area}});
    show(reference, {{theirs.get(), area}});
    client.pixels = reference.presented().pixels;
    EXPECT_TRUE(shows(window, client, 1));
}

TEST_F(D2dEngine, AgreesWithTheReferenceEngineOnAnEncodedFrame) {
    greyrows rows(23, std::vector<uint8_t>(37));
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            // Long runs on the left, every pixel different on the right.
            rows[size_t(y)][size_t(x)] = uint8_t(x < 18 ? (y / 4) * 40 : (x * 71 + y * 113) % 256);
        }
    }
    expectAgreement(*engine, window, payloadOf(rows), 37, 23, {5, 7, 42, 30});
}

TEST_F(D2dEngine, AgreesWithTheReferenceEngineWhereTheStreamSkipsPixels) {
    const std::vector<uint8_t> payload = {
        3, 0x90, 0, 0,               // bottom row: three pixels, then end of line
        0, 3, 0x11, 0x22, 0x33, 0,   // absolute run of three (padded)
        0, 2, 1, 1,                  // delta: one right, one up
        2, 0xE0, 0, 1,               // a run to the row's end, then end of bitmap
    };
    expectAgreement(*engine, window, payload, 6, 4, {50, 60, 56, 64});
}

}  // namespace
