// The three engines on a real window under Wine (GDI+ and Direct2D both ways), read back
// from the screen with literal expected pixels: frames of 8 bits only, the
// size cap, null frames, backgrounds, pictures of the import, each engine's
// composition grid, a grown window and the device's failures.
#include "app/platformlibraries.h"
#include "engines/d2dengine.h"
#include "engines/gdiengine.h"
#include "engines/gdiplusengine.h"
#include "import/frameencoder.h"
#include "platform/scopedwin.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int clientWidth = 120, clientHeight = 80;

void pump(DWORD milliseconds) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(5);
    } while (GetTickCount64() < until);
}

// One window for every test, shown and settled before anything is drawn on
// it: destroying one costs seconds under Wine.
HWND window() {
    static HWND shared = [] {
        startPlatformLibraries();
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"MorvaEngineTest";
        RegisterClassExW(&windowClass);
        RECT frame = {0, 0, clientWidth, clientHeight};
        AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
        HWND made = CreateWindowExW(0, windowClass.lpszClassName, L"engine test", WS_OVERLAPPEDWINDOW, 0, 0,
                                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
        ShowWindow(made, SW_SHOWNOACTIVATE);
        pump(300);
        return made;
    }();
    return shared;
}

// Direct2D's window render target presents through a surface the window's
// device context does not read (under Wine an OpenGL one): read the screen.
bool readScreen = false;

// The pixel at (x, y) as the screen shows it, 0xRRGGBB, read again until `accept`
// takes it or 2 s pass: a present may reach the screen a while later (Direct2D).
template <class Accept>
uint32_t pixelAt(int x, int y, Accept accept) {
    uint32_t pixel = 0;
    const HWND source = readScreen ? nullptr : window();
    POINT at = {x, y};
    if (readScreen) ClientToScreen(window(), &at);
    for (int attempt = 0; attempt < 40; ++attempt) {
        HDC screen = GetDC(source);
        const COLORREF seen = GetPixel(screen, at.x, at.y);
        ReleaseDC(source, screen);
        pixel = uint32_t(GetRValue(seen)) << 16 | uint32_t(GetGValue(seen)) << 8 | GetBValue(seen);
        if (accept(pixel)) break;
        pump(50);
    }
    return pixel;
}

// The grey level at (x, y), waiting for one within `tolerance` of
// `expected`; -1 when the pixel is not grey.
int greyAt(int x, int y, int expected, int tolerance = 2) {
    const uint32_t pixel = pixelAt(x, y, [&](uint32_t seen) { return std::abs(int(seen & 0xFF) - expected) <= tolerance; });
    return pixel == (pixel & 0xFF) * 0x010101u ? int(pixel & 0xFF) : -1;
}

// A uniform 24-bit background picture of grey `level`, of the client area's
// size: each engine's own arithmetic shows, not its scaling.
bytes backgroundOf(uint8_t level) {
    bytes file = {'B', 'M'};
    // File size, reserved, pixel offset; header size, width, height, 1 plane and 24 bits, no compression.
    for (int field : {54 + 3 * clientWidth * clientHeight, 0, 54, 40, clientWidth, clientHeight, 1 | 24 << 16, 0, 0, 0, 0, 0, 0})
        put(file, uint32_t(field));
    file.resize(file.size() + clientWidth * clientHeight * 3, level);  // rows of 360 bytes: no padding
    return file;
}

// GDI+ and Direct2D the way they take under Wine, then the Windows way.
enum kind { gdi, gdiplus, direct2d, gdiplusWindows, direct2dWindows };

// A frame image handed back to its engine at the end of the scope.
struct ownedframe {
    gengine& engine;
    frameimage* image;
    ~ownedframe() { if (image) engine.destroyFrame(image); }
};

// Rows of the client area's size in three columns of the given levels, shown
// unscaled: each engine's own arithmetic shows, not its interpolation.
bytes columnRows(uint8_t left, uint8_t middle, uint8_t right) {
    bytes rows;
    for (int y = 0; y < clientHeight; ++y)
        for (uint8_t level : {left, middle, right}) rows.insert(rows.end(), clientWidth / 3, level);
    return rows;
}

class Engine : public testing::TestWithParam<kind> {
protected:
    void SetUp() override {
        if (GetParam() == gdi) engine = std::make_unique<gdiengine>(window());
        const presentway way = GetParam() >= gdiplusWindows ? presentway::windows
                                                             : presentway::wine;
        if (plus()) engine = std::make_unique<gdiplusengine>(window(), way);
        if (d2d()) engine = d2dengine::create(window(), way);
        readScreen = GetParam() == direct2dWindows;
        ASSERT_TRUE(engine);
        writeFile(background, backgroundOf(0x5A));
        const bytes rows = columnRows(0x00, 0x80, 0xFF);  // black, grey 0x80, white
        columnsPayload.resize(size_t(payloadBound(clientWidth, clientHeight)));
        columnsPayload.resize(encodeFrame(rows.data(), clientWidth, clientHeight, clientWidth, 8, columnsPayload.data()));
    }
    void TearDown() override { direct2dFaults() = {}; }
    bool plus() const { return GetParam() == gdiplus || GetParam() == gdiplusWindows; }
    bool d2d() const { return GetParam() == direct2d || GetParam() == direct2dWindows; }
    // Background, then the frame (or none) in `area`, presented.
    void draw(frameimage* image, const rect& area = {0, 0, clientWidth, clientHeight}) {
        engine->beginDraw();
        engine->drawBackground();
        engine->drawFrameInRect(image, area);
        engine->endDraw();
        pump(d2d() ? 100 : 0);
    }
    // The three columns' grey levels, each waited for within `tolerance` of
    // `expected` and then taken as it.
    std::vector<int> columns(const std::vector<int>& expected, int tolerance) {
        std::vector<int> shown;
        for (size_t column = 0; column < 3; ++column) {
            const int grey = greyAt(20 + 40 * int(column), 40, expected[column], tolerance);
            shown.push_back(std::abs(grey - expected[column]) <= tolerance ? expected[column] : grey);
        }
        return shown;
    }

    std::unique_ptr<gengine> engine;
    scratchfolder scratch;
    const std::u16string background = scratch.file(u"background.bmp");
    bytes columnsPayload;
};

// Each engine's composition of a frame over the destination 0x5A, for every
// choice of its settings: black, grey 0x80 and white frame pixels. Worked
// out by hand from each engine's rule.
TEST_P(Engine, CompositionGrid) {
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    const std::vector<std::vector<int>> gdiCells = {
        {0xFF, 0xFF, 0xFF}, {0x00, 0x80, 0xFF}, {0x5A, 0xDA, 0xFF}, {0xA5, 0xA5, 0xFF},   // white: white
        {0xFF, 0x7F, 0x00}, {0x00, 0x00, 0x00}, {0x5A, 0x5A, 0x00}, {0xA5, 0x25, 0x00},   // white: black
        {0xFF, 0x7F, 0x5A}, {0x00, 0x00, 0x5A}, {0x5A, 0x5A, 0x5A}, {0xA5, 0x25, 0x5A},   // white: unchanged
        {0xFF, 0xFF, 0xA5}, {0x00, 0x80, 0xA5}, {0x5A, 0xDA, 0xA5}, {0xA5, 0xA5, 0xA5}};  // white: inverted
    const std::vector<std::vector<int>> gdiplusCells = {{0x5A, 0xAD, 0xFF}, {0x00, 0x2D, 0x5A}};
    const std::vector<std::vector<int>> direct2dCells = {{0x00, 0x80, 0xFF}, {0x5A, 0xDA, 0xFF}, {0x00, 0x2D, 0x5A}};
    const std::vector<std::vector<int>>& cells =
        GetParam() == gdi ? gdiCells : plus() ? gdiplusCells : direct2dCells;
    for (uint32_t cell = 0; cell < cells.size(); ++cell) {
        if (GetParam() == gdi) {
            engine->setSettingA(cell / 4);
            engine->setSettingB(cell % 4);
        } else if (plus()) {
            engine->setSettingB(cell);
        } else {
            engine->setSettingA(cell);
        }
        engine->setSettingA(plus() ? 7 : engine->settingAChoiceCount());  // out of range: ignored
        // Direct2D on a device whose bitmaps are as wide as the frame, then one pixel narrower.
        direct2dFaults().largestBitmapSide = cell < 2 ? clientWidth - cell : 0;
        ownedframe frame{*engine, engine->createFrame(columnsPayload.data(), uint32_t(columnsPayload.size()),
                                                      clientWidth, clientHeight, 8)};
        ASSERT_NE(frame.image, nullptr);
        draw(frame.image);
        EXPECT_EQ(columns(cells[cell], GetParam() == gdi ? 0 : 1), cells[cell]) << "cell " << cell;
    }
}

// A white frame covers its rectangle to the last pixel and nothing beside it,
// whatever the display's scaling.
TEST_P(Engine, FrameLandsOnItsRectangle) {
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    const bytes white(60 * 40, 0xFF);  // unscaled: the edges are the frame's, not interpolation's
    bytes code(size_t(payloadBound(60, 40)));
    code.resize(encodeFrame(white.data(), 60, 40, 60, 8, code.data()));
    ownedframe frame{*engine, engine->createFrame(code.data(), uint32_t(code.size()), 60, 40, 8)};
    draw(frame.image, {41, 33, 101, 73});
    const HDC screen = GetDC(nullptr);  // the scaling the run was given, if any
    const char* dpi = getenv("MORVA_DPI");
    if (dpi) EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), atoi(dpi));
    ReleaseDC(nullptr, screen);
    const int points[][3] = {{41, 33, 0xFF}, {40, 33, 0x5A}, {41, 32, 0x5A},
                             {100, 72, 0xFF}, {101, 72, 0x5A}, {100, 73, 0x5A}};
    for (const auto& [x, y, level] : points) {
        EXPECT_EQ(greyAt(x, y, level, 1), level) << x << "," << y;
    }
}

TEST_P(Engine, FramesItCannotDrawAreNone) {
    const bytes end = {0, 1};
    EXPECT_EQ(engine->createFrame(columnsPayload.data(), uint32_t(columnsPayload.size()), clientWidth, clientHeight, 4),
              nullptr);
    EXPECT_EQ(engine->createFrame(end.data(), 2, 16385, 16384, 8), nullptr);
    // A null frame draws only the background: black without a picture (GDI
    // keeps what its back buffer held, black at first).
    draw(nullptr);
    EXPECT_EQ(greyAt(60, 40, 0), 0);
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    draw(nullptr, {10, 10, 50, 50});
    EXPECT_EQ(greyAt(20, 20, 0x5A), 0x5A);
}

// The largest frame a file may declare, with a few bytes of payload: drawn or
// none, never a crash or a hang, and the memory comes back.
TEST_P(Engine, TheLargestFrameAndItsMemory) {
    auto privateBytes = [] {
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
        return counters.PrivateUsage;
    };
    const bytes payload = {0xFF, 0x80, 0, 0, 0, 1};  // one row of 255 grey pixels, the rest black
    draw(nullptr);  // whatever the engine allocates once is allocated now
    const SIZE_T before = privateBytes();
    {
        ownedframe frame{*engine, engine->createFrame(payload.data(), uint32_t(payload.size()), 16384, 16384, 8)};
        draw(frame.image, {0, 0, clientWidth, clientHeight});
    }
    EXPECT_LT(privateBytes(), before + (64u << 20));
}

// The import's pictures: 8-bit rows with their own colour table. GDI and
// GDI+ take each value as a grey level; Direct2D keeps the picture's colours.
TEST_P(Engine, PicturesOfTheImport) {
    struct { BITMAPINFOHEADER header; RGBQUAD colours[256]; } info = {};
    info.header = {sizeof(BITMAPINFOHEADER), clientWidth, clientHeight, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    for (int i = 0; i < 256; ++i) info.colours[i] = {BYTE(255 - i), 0x40, BYTE(i), 0};
    const bytes rows = columnRows(0x30, 0x30, 0xC0);
    {
        // Rows it was not given: none, or (GDI+) an image that draws nothing.
        ownedframe refused{*engine, engine->createFrameFromDib(&info, rows.data(), clientWidth)};
        EXPECT_EQ(refused.image != nullptr, plus());
        draw(refused.image);
        EXPECT_EQ(greyAt(100, 40, 0, 0), 0);
    }
    direct2dFaults().largestBitmapSide = 64;  // Direct2D shrinks the picture to fit
    ownedframe picture{*engine, engine->createFrameFromDib(&info, rows.data(), uint32_t(rows.size()))};
    ASSERT_NE(picture.image, nullptr);
    draw(picture.image);
    if (d2d()) {
        EXPECT_EQ(pixelAt(100, 40, [](uint32_t seen) { return seen == 0xC0403F; }), 0xC0403Fu);  // its own colour
    } else {
        EXPECT_EQ(columns({0x30, 0x30, 0xC0}, 1), (std::vector<int>{0x30, 0x30, 0xC0}));
    }
}

// An engine made while the window had no client height, the window grown
// again: the picture covers the whole area, and GDI+ keeps its interpolation
// (nearest neighbour: a black | white frame stays black near the middle).
// Direct2D: a lost target is made again and the next drawing shows; the
// Windows way takes a window without client area or hardware.
TEST_P(Engine, GrownLostOrWithoutHardware) {
    const auto setClient = [](int width, int height) {
        RECT frame = {0, 0, width, height};
        AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
        SetWindowPos(window(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        pump(50);
    };
    setClient(60, 0);
    engine.reset();
    SetUp();
    setClient(clientWidth, clientHeight);
    if (plus()) engine->setSettingA(5);
    engine->resize();
    bytes halves;  // 8 x 8: black, then white
    for (int i = 0; i < 64; ++i) halves.push_back(i % 8 < 4 ? 0x00 : 0xFF);
    bytes code(size_t(payloadBound(8, 8)));
    code.resize(encodeFrame(halves.data(), 8, 8, 8, 8, code.data()));
    ownedframe frame{*engine, engine->createFrame(code.data(), uint32_t(code.size()), 8, 8, 8)};
    draw(frame.image);
    EXPECT_EQ(greyAt(110, 70, 0xFF), 0xFF);
    if (plus()) {
        EXPECT_EQ(greyAt(50, 40, 0), 0);  // bicubic: 0x55
    }
    if (!d2d()) return;
    direct2dFaults().loseTarget = true;
    draw(nullptr);  // lost: nothing shown
    draw(nullptr);  // the next tick, on a new target
    EXPECT_EQ(greyAt(110, 70, 0), 0);
    draw(frame.image);  // made again for it
    EXPECT_EQ(greyAt(110, 70, 0xFF), 0xFF);
    direct2dFaults().refuseHardwareTarget = true;
    const scopedwindow zero(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
    EXPECT_TRUE(direct2dAvailable(zero, presentway::windows));
    EXPECT_FALSE(direct2dFaults().refuseHardwareTarget);
}

const char* const kindNames[] = {"Gdi", "GdiPlus", "Direct2d", "GdiPlusWindowsWay",
                                  "Direct2dWindowsWay"};
INSTANTIATE_TEST_SUITE_P(Each, Engine,
                         testing::Values(gdi, gdiplus, direct2d, gdiplusWindows, direct2dWindows),
                         [](const auto& info) { return std::string(kindNames[info.param]); });

}  // namespace

// Wine's teardown of a window render target's OpenGL surface at process exit
// can corrupt its own heap after every test has passed: the result is taken,
// and the process ends without that teardown.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), UINT(result));
    return result;
}
