// The engines on a real window, read back against hand-worked pixels.
#include "app/platformlibraries.h"
#include "codec/frameencoder.h"
#include "engines/d2dengine.h"
#include "tests/windows/fixture.h"
#include "win32/scopedwin.h"

#include <sstream>

constexpr int cw = 120, ch = 80;  // the client area
const std::vector<POINT> columns = {{20, 40}, {60, 40}, {100, 40}};

void pump(DWORD ms) {
    MSG m;
    for (DWORD waited = 0; waited <= ms; waited += 5, Sleep(5))
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

// One window for all: destroying one costs seconds under Wine.
HWND window() {
    static HWND shared = [] {
        startPlatformLibraries();
        WNDCLASSW type = {};
        type.lpfnWndProc = DefWindowProcW;
        type.lpszClassName = L"MorvaEngineTest";
        RegisterClassW(&type);
        HWND made = CreateWindowW(type.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                                  nullptr, nullptr, nullptr, nullptr);
        setClientSize(made, cw, ch);
        ShowWindow(made, SW_SHOWNOACTIVATE);
        pump(300);
        return made;
    }();
    return shared;
}

struct ownedframe {
    gengine& engine;
    frameimage* image;
    ~ownedframe() {
        if (image) engine.destroyFrame(image);
    }
};

bytes encoded(const bytes& rows, uint32_t w) {
    const uint32_t h = uint32_t(rows.size()) / w;
    bytes code(size_t(payloadBound(w, h)));
    code.resize(encodeFrame(rows.data(), w, h, w, 8, code.data()));
    return code;
}

bytes stripes(int w, int h, const bytes& levels) {
    bytes rows;
    for (size_t i = 0; i < h * levels.size(); ++i)
        rows.insert(rows.end(), w / levels.size(), levels[i % levels.size()]);
    return rows;
}

// 0 GDI, 1 GDI+, 2 Direct2D; 4 GDI+ and 5 Direct2D presenting as on Windows.
class Engine : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        engine = engineTable[GetParam() % 3].make(
            window(), GetParam() > 3 ? presentway::windows : presentway::wine);
        ASSERT_TRUE(engine);
        writeFile(background, bmpBytes({cw, ch, bytes(cw * ch, 0x5A)}));   // at the client size
        for (int i = 0; i < 256; ++i) dib[54 + 4 * i] = uint8_t(255 - i);  // colour i: i, i, ~i
    }
    void TearDown() override { direct2dFaults() = {}; }
    bool plus() const { return GetParam() % 3 == 1; }
    bool d2d() const { return GetParam() % 3 == 2; }
    ownedframe made(const bytes& code, int w = cw, int h = ch, uint32_t bits = 8) {
        return {*engine, engine->createFrame(code.data(), uint32_t(code.size()), w, h, bits)};
    }
    ownedframe picture(uint32_t size) {
        return {*engine, engine->createFrameFromDib(&dib[14], &dib[1078], size)};
    }
    void draw(frameimage* image, const rect& area = {0, 0, cw, ch}) {
        engine->beginDraw();
        engine->drawBackground();
        engine->drawFrameInRect(image, area);
        engine->endDraw();
        pump(d2d() ? 100 : 0);
    }
    // Each point's level ("5A") or COLORREF ("3FC0C0"), each channel within `tolerance`;
    // retried: a present may take 2 s to show.
    testing::AssertionResult shows(std::vector<POINT> points, const std::string& expected,
                                   int tolerance = 2) {
        std::ostringstream seen;
        for (int attempt = 0; attempt <= 40; ++attempt, pump(50)) {
            std::istringstream tokens(expected);
            bool all = true;
            seen.str("");
            for (POINT at : points) {
                long want;
                tokens >> std::hex >> want;
                if (want < 0x100) want *= 0x010101;
                ClientToScreen(window(), &at);
                const COLORREF got = GetPixel(scopeddc(nullptr), at.x, at.y);
                for (int shift : {0, 8, 16})
                    all &= got != CLR_INVALID &&
                           abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) <= tolerance;
                seen << ' ' << std::hex << got;
            }
            if (all) return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "seen" << seen.str();
    }

    std::unique_ptr<gengine> engine;
    scratchfolder scratch;
    const text16 background = scratch.file(u"background.bmp");
    bytes dib = bmpBytes({cw, ch, stripes(cw, ch, {0x30, 0x30, 0xC0})});
};

// Black, grey 0x80 and white over 0x5A for every choice of the settings.
TEST_P(Engine, CompositionGrid) {
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    const bool gdi = GetParam() == 0;  // white's choice by row, black's by column
    const lines cells =
        gdi      ? lines{"FF FF FF", "00 80 FF", "5A DA FF", "A5 A5 FF", "FF 7F 00", "00 00 00",
                    "5A 5A 00", "A5 25 00", "FF 7F 5A", "00 00 5A", "5A 5A 5A", "A5 25 5A",
                    "FF FF A5", "00 80 A5", "5A DA A5", "A5 A5 A5"}
        : plus() ? lines{"5A AD FF", "00 2D 5A"}
                 : lines{"00 80 FF", "5A DA FF", "00 2D 5A"};
    const bytes code = encoded(stripes(cw, ch, {0x00, 0x80, 0xFF}), cw);
    for (uint32_t cell = 0; cell < cells.size(); ++cell) {
        engine->setSettingA(gdi ? cell / 4 : plus() ? 7 : cell);
        engine->setSettingB(gdi ? cell % 4 : cell);
        for (uint32_t past : {0u, 1u << 31}) {  // ignored
            engine->setSettingA(engine->settingAChoiceCount() + past);
            engine->setSettingB(engine->settingBChoiceCount() + past);
        }
        // Direct2D bitmaps as wide as the frame, then one pixel narrower.
        direct2dFaults().largestBitmapSide = cell < 2 ? cw - cell : 0;
        auto frame = made(code);
        draw(frame.image);
        EXPECT_TRUE(shows(columns, cells[cell], gdi ? 0 : 1)) << cell;
    }
}

// A frame covers its rectangle exactly, upright, whatever the display's scaling.
TEST_P(Engine, FrameLandsOnItsRectangle) {
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    // White in the top left quarter (rows bottom-up); GDI reads the code at each draw.
    const bytes code = encoded(joined({bytes(60 * 20, 0x80), stripes(60, 20, {0xFF, 0x80})}), 60);
    auto frame = made(code, 60, 40);
    draw(frame.image, {41, 33, 101, 73});
    const char* dpi = getenv("MORVA_DPI");
    EXPECT_EQ(GetDeviceCaps(scopeddc(nullptr), LOGPIXELSX), dpi ? atoi(dpi) : 96);
    EXPECT_TRUE(shows({{41, 33}, {40, 33}, {41, 32}, {100, 33}, {101, 33}, {41, 72}, {41, 73}},
                      plus() ? "FF 5A 5A AD 5A AD 5A" : "FF 5A 5A 80 5A 80 5A", 1));
}

// Refused: not 8 bits, past the largest (Direct2D's shrunk to small device bitmaps), short of
// rows (GDI+: drawing nothing). A picture: Direct2D keeps its colours.
TEST_P(Engine, FramesRefusedAndPicturesShown) {
    EXPECT_FALSE(made({0, 1}, cw, ch, 4).image || made({0, 1}, 16385, 16384).image);
    direct2dFaults().largestBitmapSide = 1024;
    EXPECT_TRUE(GetParam() > 3 || made({0, 1}, 16384, 16384).image);
    auto refused = picture(cw);
    EXPECT_EQ(refused.image != nullptr, plus());
    draw(refused.image);
    EXPECT_TRUE(shows({{100, 40}}, "00", 0));
    direct2dFaults().largestBitmapSide = 64;
    auto shown = picture(cw * ch);
    draw(shown.image);
    EXPECT_TRUE(d2d() ? shows({{100, 40}}, "3FC0C0", 0) : shows(columns, "30 30 C0", 1));
    ASSERT_TRUE(engine->loadBackground(background.c_str()));
    draw(refused.image, {10, 10, 50, 50});
    EXPECT_TRUE(shows({{20, 20}}, "5A"));
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
    const bytes code = encoded(stripes(8, 8, {0x00, 0xFF}), 8);
    auto frame = made(code, 8, 8);
    draw(frame.image);
    EXPECT_TRUE(shows({{110, 70}}, "FF"));
    EXPECT_TRUE(!plus() || shows({{52, 40}}, "00"));  // the last black one
    if (!d2d()) return;
    direct2dFaults().loseTarget = true;
    draw(nullptr);  // lost
    draw(nullptr);  // on a new target
    EXPECT_TRUE(shows({{110, 70}}, "00"));
    draw(frame.image);
    EXPECT_TRUE(shows({{110, 70}}, "FF"));
    direct2dFaults().refuseHardwareTarget = true;
    const scopedwindow zero(
        CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(direct2dAvailable(zero, presentway::windows));
    EXPECT_FALSE(direct2dFaults().refuseHardwareTarget);
}

const char* const kinds[] = {"Gdi", "GdiPlus", "Direct2d"};
INSTANTIATE_TEST_SUITE_P(Each, Engine, testing::Values(0, 1, 2, 4, 5), [](const auto& info) {
    return kinds[info.param % 3] + std::string(info.param > 3 ? "Windows" : "");
});

// Skips Wine's teardown of a render target's OpenGL surface: it can corrupt the heap.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(result));
}
