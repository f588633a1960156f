// The engines on a real window, read back from the screen against pixels worked out by hand.
#include "app/platformlibraries.h"
#include "codec/frameencoder.h"
#include "engines/d2dengine.h"
#include "engines/gdiengine.h"
#include "engines/gdiplusengine.h"
#include "tests/support/files.h"
#include "tests/windows/clientsize.h"
#include "win32/scopedwin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int cw = 120, ch = 80;  // the client area

void pump(DWORD milliseconds) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(5);
    } while (GetTickCount64() < until);
}

// One window for every test: destroying one costs seconds under Wine.
HWND window() {
    static HWND shared = [] {
        startPlatformLibraries();
        WNDCLASSW type = {};
        type.lpfnWndProc = DefWindowProcW;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = L"MorvaEngineTest";
        RegisterClassW(&type);
        HWND made = CreateWindowW(type.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                                  nullptr, nullptr, type.hInstance, nullptr);
        setClientSize(made, cw, ch);
        ShowWindow(made, SW_SHOWNOACTIVATE);
        pump(300);
        return made;
    }();
    return shared;
}

// Direct2D presents through a surface the window's DC does not read.
bool readScreen = false;

// 0xRRGGBB, retried while off `expected`: a present may reach the screen 2 s later.
uint32_t pixelAt(int x, int y, uint32_t expected, int tolerance = 0) {
    POINT at = {x, y};
    if (readScreen) ClientToScreen(window(), &at);
    for (int attempt = 0;; ++attempt) {
        const COLORREF seen = GetPixel(scopeddc(readScreen ? nullptr : window()), at.x, at.y);
        const uint32_t pixel =
            uint32_t(GetRValue(seen)) << 16 | GetGValue(seen) << 8 | GetBValue(seen);
        bool within = true;
        for (int shift : {0, 8, 16})
            within &=
                std::abs(int(pixel >> shift & 0xFF) - int(expected >> shift & 0xFF)) <= tolerance;
        if (within) return expected;
        if (attempt == 40) return pixel;
        pump(50);
    }
}

// `level`, or the pixel with bit 24 set.
int greyAt(int x, int y, int level, int tolerance = 2) {
    const uint32_t pixel = pixelAt(x, y, level * 0x010101u, tolerance);
    return pixel == level * 0x010101u ? level : int(pixel | 1u << 24);
}

enum kind { gdi, gdiplus, direct2d, gdiplusWindows, direct2dWindows };
using levels = std::vector<int>;

struct ownedframe {
    gengine& engine;
    frameimage* image;
    ~ownedframe() {
        if (image) engine.destroyFrame(image);
    }
};

bytes encoded(const bytes& rows, int w, int h) {
    bytes code(size_t(payloadBound(w, h)));
    code.resize(encodeFrame(rows.data(), uint32_t(w), uint32_t(h), uint32_t(w), 8, code.data()));
    return code;
}

bytes columnRows(uint8_t left, uint8_t middle, uint8_t right) {
    bytes rows;
    for (int y = 0; y < ch; ++y)
        for (uint8_t level : {left, middle, right}) rows.insert(rows.end(), cw / 3, level);
    return rows;
}

class Engine : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (GetParam() == gdi) engine = std::make_unique<gdiengine>(window());
        const presentway way =
            GetParam() >= gdiplusWindows ? presentway::windows : presentway::wine;
        if (plus()) engine = std::make_unique<gdiplusengine>(window(), way);
        if (d2d()) engine = d2dengine::create(window(), way);
        readScreen = GetParam() == direct2dWindows;
        ASSERT_TRUE(engine);
        // 24-bit grey at the client size: no scaling shows, rows need no padding
        bytes file = {'B', 'M'};
        for (int field : {0, 0, 54, 40, cw, ch, 1 | 24 << 16, 0, 0, 0, 0, 0, 0})
            put(file, uint32_t(field));
        file.resize(54 + cw * ch * 3, 0x5A);
        writeFile(background, file);
        info.header = {sizeof(BITMAPINFOHEADER), cw, ch, 1, 8};  // BI_RGB
        for (int i = 0; i < 256; ++i) info.colours[i] = {BYTE(255 - i), 0x40, BYTE(i), 0};
    }
    void TearDown() override { direct2dFaults() = {}; }
    bool plus() const { return GetParam() == gdiplus || GetParam() == gdiplusWindows; }
    bool d2d() const { return GetParam() == direct2d || GetParam() == direct2dWindows; }
    ownedframe made(const bytes& code, int w = cw, int h = ch, uint32_t bits = 8) {
        return {*engine, engine->createFrame(code.data(), uint32_t(code.size()), w, h, bits)};
    }
    void draw(frameimage* image, const rect& area = {0, 0, cw, ch}) {
        engine->beginDraw();
        engine->drawBackground();
        engine->drawFrameInRect(image, area);
        engine->endDraw();
        pump(d2d() ? 100 : 0);
    }
    levels columns(const levels& expected, int tolerance) {
        levels shown;
        for (int i = 0; i < 3; ++i)
            shown.push_back(greyAt(20 + 40 * i, 40, expected[i], tolerance));
        return shown;
    }

    std::unique_ptr<gengine> engine;
    scratchfolder scratch;
    const text16 background = scratch.file(u"background.bmp");
    const bytes columnsPayload = encoded(columnRows(0x00, 0x80, 0xFF), cw, ch);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    const bytes rows = columnRows(0x30, 0x30, 0xC0);
};

// Black, grey 0x80 and white over 0x5A for every choice of the settings.
TEST_P(Engine, CompositionGrid) {
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    const bool isGdi = GetParam() == gdi;  // GDI: white's choice by row, black's by column
    using grid = std::vector<levels>;
    const grid cells =
        isGdi ? grid{{0xFF, 0xFF, 0xFF}, {0x00, 0x80, 0xFF}, {0x5A, 0xDA, 0xFF}, {0xA5, 0xA5, 0xFF},
                     {0xFF, 0x7F, 0x00}, {0x00, 0x00, 0x00}, {0x5A, 0x5A, 0x00}, {0xA5, 0x25, 0x00},
                     {0xFF, 0x7F, 0x5A}, {0x00, 0x00, 0x5A}, {0x5A, 0x5A, 0x5A}, {0xA5, 0x25, 0x5A},
                     {0xFF, 0xFF, 0xA5}, {0x00, 0x80, 0xA5}, {0x5A, 0xDA, 0xA5}, {0xA5, 0xA5, 0xA5}}
        : plus() ? grid{{0x5A, 0xAD, 0xFF}, {0x00, 0x2D, 0x5A}}
                 : grid{{0, 0x80, 0xFF}, {0x5A, 0xDA, 0xFF}, {0, 0x2D, 0x5A}};
    for (uint32_t cell = 0; cell < cells.size(); ++cell) {
        engine->setSettingA(isGdi ? cell / 4 : plus() ? 7 : cell);
        engine->setSettingB(isGdi ? cell % 4 : cell);
        for (uint32_t past : {0u, 1u << 31}) {  // ignored
            engine->setSettingA(engine->settingAChoiceCount() + past);
            engine->setSettingB(engine->settingBChoiceCount() + past);
        }
        // Direct2D bitmaps as wide as the frame, then one pixel narrower.
        direct2dFaults().largestBitmapSide = cell < 2 ? cw - cell : 0;
        ownedframe frame = made(columnsPayload);
        ASSERT_NE(frame.image, nullptr);
        draw(frame.image);
        EXPECT_EQ(columns(cells[cell], isGdi ? 0 : 1), cells[cell]) << "cell " << cell;
    }
}

// A frame covers its rectangle exactly, upright, whatever the display's scaling.
TEST_P(Engine, FrameLandsOnItsRectangle) {
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    bytes rows(60 * 40, 0x80);  // bottom-up: white in the top left quarter
    for (int i = 60 * 20; i < 60 * 40; i += 60) std::fill_n(rows.begin() + i, 30, 0xFF);
    const bytes code = encoded(rows, 60, 40);  // GDI reads it at each draw
    ownedframe frame = made(code, 60, 40);     // unscaled
    draw(frame.image, {41, 33, 101, 73});
    if (const char* dpi = getenv("MORVA_DPI")) {
        scopeddc screen(nullptr);
        EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), atoi(dpi));
    }
    const int grey = plus() ? 0xAD : 0x80,
              points[][3] = {{41, 33, 0xFF},  {40, 33, 0x5A}, {41, 32, 0x5A}, {100, 33, grey},
                             {101, 33, 0x5A}, {41, 72, grey}, {41, 73, 0x5A}};
    for (const auto& [x, y, level] : points)
        EXPECT_EQ(greyAt(x, y, level, 1), level) << x << "," << y;
}

// Refused: not 8 bits, one pixel past the largest (made once per engine, Direct2D's shrunk
// to fit small device bitmaps), short of rows (GDI+: drawing nothing).
TEST_P(Engine, FramesItCannotDrawAreNone) {
    EXPECT_FALSE(made(columnsPayload, cw, ch, 4).image || made({0, 1}, 16385, 16384).image);
    direct2dFaults().largestBitmapSide = 1024;
    EXPECT_TRUE(GetParam() >= gdiplusWindows || made({0, 1}, 16384, 16384).image);
    ownedframe refused{*engine, engine->createFrameFromDib(&info, rows.data(), cw)};
    EXPECT_EQ(refused.image != nullptr, plus());
    draw(refused.image);
    EXPECT_EQ(greyAt(100, 40, 0, 0), 0);
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    draw(refused.image, {10, 10, 50, 50});
    EXPECT_EQ(greyAt(20, 20, 0x5A), 0x5A);
}

// GDI and GDI+ take a picture's values as grey levels; Direct2D its colours.
TEST_P(Engine, PicturesOfTheImport) {
    direct2dFaults().largestBitmapSide = 64;  // shrunk to fit
    ownedframe picture{*engine,
                       engine->createFrameFromDib(&info, rows.data(), uint32_t(rows.size()))};
    ASSERT_NE(picture.image, nullptr);
    draw(picture.image);
    const levels shown = {0x30, 0x30, 0xC0};
    EXPECT_EQ(d2d() ? shown : columns(shown, 1), shown);
    EXPECT_EQ(d2d() ? pixelAt(100, 40, 0xC0403F) : 0xC0403Fu, 0xC0403Fu);  // its own colour
}

// Made with no client height, then grown. Direct2D: a lost target, no client area or hardware.
TEST_P(Engine, GrownLostOrWithoutHardware) {
    setClientSize(window(), 60, 0);
    pump(50);
    engine.reset();
    SetUp();
    setClientSize(window(), cw, ch);
    pump(50);
    // GDI+: nearest neighbour, kept through choices out of range and a resize.
    for (uint32_t choice : {5u, 8u, 8u + (1u << 31)}) engine->setSettingA(choice);
    engine->resize();
    bytes halves;  // 8 x 8: black, then white
    for (int i = 0; i < 64; ++i) halves.push_back(i % 8 < 4 ? 0x00 : 0xFF);
    const bytes code = encoded(halves, 8, 8);
    ownedframe frame = made(code, 8, 8);
    draw(frame.image);
    EXPECT_EQ(greyAt(110, 70, 0xFF), 0xFF);
    EXPECT_EQ(plus() ? greyAt(52, 40, 0) : 0, 0);  // the last black one
    if (!d2d()) return;
    direct2dFaults().loseTarget = true;
    draw(nullptr);  // lost
    draw(nullptr);  // on a new target
    EXPECT_EQ(greyAt(110, 70, 0), 0);
    draw(frame.image);
    EXPECT_EQ(greyAt(110, 70, 0xFF), 0xFF);
    direct2dFaults().refuseHardwareTarget = true;
    const scopedwindow zero(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
    EXPECT_TRUE(direct2dAvailable(zero, presentway::windows));
    EXPECT_FALSE(direct2dFaults().refuseHardwareTarget);
}

const char* const kinds[] = {"Gdi", "GdiPlus", "Direct2d", "GdiPlusWindows", "Direct2dWindows"};
INSTANTIATE_TEST_SUITE_P(Each, Engine, testing::Range(0, 5),
                         [](const auto& info) { return std::string(kinds[info.param]); });

}  // namespace

// Skips Wine's teardown of a render target's OpenGL surface: it can corrupt the heap.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(result));
}
