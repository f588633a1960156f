// Start-up, every menu command and key, and the preview on the test's clock.
#include "tests/windows/fixture.h"

#include <algorithm>

namespace {

TEST_F(ProgramTest, StartsWithDirect2dOrElseGdiPlus) {
    for (bool direct2d : {true, false}) {
        made.clear();
        start(direct2d, SW_SHOWNOACTIVATE);
        EXPECT_FALSE(shownEarly);
        EXPECT_EQ(made, std::vector<engineindex>{direct2d ? engineDirect2d : engineGdiPlus});
        EXPECT_EQ(settingsMarks(handle(), 0), direct2d ? "--x" : "-x-g");
        EXPECT_EQ(startSteps.front(), direct2d ? "setting A 0" : "setting A 7");
        // Without Direct2D its item is gray and its command makes none.
        command(IDM_ENGINE_DIRECT2D);
        EXPECT_EQ(made.size(), direct2d ? 2u : 1u);
    }
}

// An engine that cannot be made gives way to the next simpler one, at start-up
// (0) as from the menu.
TEST_F(ProgramTest, AnEngineThatCannotBeMadeGivesWay) {
    const engineindex d2d = engineDirect2d, plus = engineGdiPlus, gdi = engineGdi;
    const std::string error = "Engine error : cannot make ";
    const struct { uint32_t id; std::vector<engineindex> refused, made; std::string marks, line; } cases[] = {
        {0, {d2d}, {d2d, plus}, "-x-", "Direct2D, using GDI+"},
        {IDM_ENGINE_DIRECT2D, {d2d, plus}, {d2d, plus, gdi}, "x--", "Direct2D, using GDI"},
        {IDM_ENGINE_GDIPLUS, {plus}, {plus, gdi}, "x--", "GDI+, using GDI"},
    };
    const auto make = mainWindow().engines.make;
    for (const auto& c : cases) {
        mainWindow().engines.make = [&](engineindex kind, HWND window) -> std::unique_ptr<gengine> {
            if (std::count(c.refused.begin(), c.refused.end(), kind) == 0) return make(kind, window);
            made.push_back(kind);
            return nullptr;
        };
        made.clear();
        c.id ? (void)app->command(c.id) : mainWindow().makeFirstEngine();
        EXPECT_EQ(made, c.made) << c.line;
        EXPECT_EQ(settingsMarks(handle(), 0), c.marks) << c.line;
        EXPECT_EQ(lastLine(), error + c.line);
        const bool isGdi = c.made.back() == gdi;  // its fixed settings
        EXPECT_EQ(engine->take(),
                  (lines{isGdi ? "setting A 0" : "setting A 7", isGdi ? "setting B 1" : "setting B 0"}));
    }
    mainWindow().engines.make = make;
    EXPECT_EQ(log().size(), 4u);
}

// Nothing is kept in the registry for the next run.
TEST_F(ProgramTest, EveryMenuCommand) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Morva");  // where older builds kept settings
    const engineindex gdi = engineGdi, plus = engineGdiPlus, d2d = engineDirect2d, none = engineindex(-1);
    // Engines and depths as "x" marks, the engine made, the depth.
    const struct { uint32_t id; std::string marks; engineindex made; int32_t depth; } cases[] = {
        {IDM_ENGINE_GDI, "x--|--x-----", gdi, 6}, {IDM_ENGINE_GDIPLUS, "-x-|--x-----", plus, 6},
        {IDM_ENGINE_GDIPLUS, "-x-|--x-----", plus, 6},  // the same kind anew
        {IDM_ENGINE_DIRECT2D, "--x|--x-----", d2d, 6}, {IDM_DEPTH_8, "--x|x-------", none, 8},
        {IDM_DEPTH_3, "--x|-----x--", none, 3}, {IDM_DEPTH_1, "--x|-------x", none, 1},
        {IDM_ABOUT, "--x|-------x", none, 1}, {IDM_IMPORT_WMV, "--x|-------x", none, 1},
    };
    for (const auto& c : cases) {
        made.clear();
        EXPECT_TRUE(app->command(c.id)) << c.id;
        EXPECT_EQ(made, c.made == none ? std::vector<engineindex>{} : std::vector{c.made}) << c.id;
        EXPECT_EQ(settingsMarks(handle(), 0) + "|" + settingsMarks(handle(), 1), c.marks) << c.id;
        EXPECT_EQ(app->dataDepth, c.depth) << c.id;
    }
    EXPECT_EQ(title(), "モルバツール ver.2");
    EXPECT_EQ(log(), lines{"Application Start!"});
    EXPECT_TRUE(requests.empty());
    // Each engine gets its fixed settings, and nothing is drawn.
    command(IDM_ENGINE_GDI);
    EXPECT_EQ(engine->take(), (lines{"setting A 0", "setting B 1"}));
    command(IDM_ENGINE_GDIPLUS);
    EXPECT_EQ(engine->take(), (lines{"setting A 7", "setting B 0"}));
    for (uint32_t other : {0u, 1u, 32781u, 32801u, 32809u, 32818u}) EXPECT_FALSE(app->command(other));
    // Commands arrive as WM_COMMAND with the id in the low word.
    SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(IDM_DEPTH_5, 1), 0);
    EXPECT_EQ(app->dataDepth, 5);
    SendMessageW(handle(), WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(handle()));
    HKEY key;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Morva", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

// Keys as the system posts them: each of the table, and keys whose codes equal
// one of its characters.
TEST_F(ProgramTest, KeysRunTheirCommandsAndNoOthers) {
    static std::vector<uint32_t> seen;
    SetWindowLongPtrW(handle(), GWLP_WNDPROC, LONG_PTR(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_COMMAND) seen.push_back(LOWORD(w));
        return window::procedure(h, m, w, l);
    }));
    ShowWindow(handle(), SW_SHOWNOACTIVATE);
    SetFocus(handle());
    BYTE state[256] = {};
    auto press = [&](UINT key, bool alt) {
        state[VK_MENU] = alt ? 0x80 : 0;
        SetKeyboardState(state);
        const LPARAM bits = LPARAM(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16 | (alt ? LPARAM(1) << 29 : 0) | 1;
        PostMessageW(GetFocus(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, bits);
        PostMessageW(GetFocus(), alt ? WM_SYSKEYUP : WM_KEYUP, key, bits | LPARAM(3) << 30);
        pump();
        state[VK_MENU] = 0;
        SetKeyboardState(state);
    };
    const struct { const char* what; std::vector<std::pair<UINT, bool>> keys; std::vector<uint32_t> commands; } cases[] = {
        {"Alt N, O, S", {{'N', true}, {'O', true}, {'S', true}}, {IDM_FILE_NEW, IDM_FILE_OPEN, IDM_FILE_SAVE}},
        {"Space", {{VK_SPACE, false}}, {IDM_PREVIEW}},
        // The keypad's "/" types the character "/": with Alt, the About command.
        {"Alt keypad . and /", {{VK_DECIMAL, true}, {VK_DIVIDE, true}}, {IDM_ABOUT}},
        {"keypad . and /", {{VK_DECIMAL, false}, {VK_DIVIDE, false}}, {}},
        {"N and Enter without Alt", {{'N', false}, {VK_RETURN, false}}, {}},
    };
    for (const auto& c : cases) {
        seen.clear();
        for (const auto& [key, alt] : c.keys) press(key, alt);
        EXPECT_EQ(seen, c.commands) << c.what;
    }
    // Minimised, keys come as system keys and run nothing.
    ShowWindow(handle(), SW_MINIMIZE);
    seen.clear();
    PostMessageW(handle(), WM_SYSKEYDOWN, VK_SPACE, 1);
    pump();
    EXPECT_TRUE(seen.empty());
    ShowWindow(handle(), SW_RESTORE);
    // While the log has the focus, keys reach no command.
    SetFocus(mainWindow().logWindow.hwnd);
    seen.clear();
    press(VK_SPACE, false);
    press('N', true);
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(mainWindow().playing);
    // Alt+F4 closes the window and is not Save.
    SetFocus(handle());
    seen.clear();
    press(VK_F4, true);
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(IsWindow(handle()));
}

class Preview : public ProgramTest {
protected:
    // 90 frames whose payloads carry their numbers.
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(store->openTempFile().ok());
        store->setFrameSize(4, 4);
        for (uint8_t i = 0; i < 90; ++i) {
            const uint8_t payload[] = {i, 1};
            store->appendFrame(payload, 2);
        }
    }
    void tickAt(uint64_t elapsed) {
        now = 500000 + elapsed;
        SendMessageW(handle(), WM_TIMER, reinterpret_cast<WPARAM>(&mainWindow()), 0);
    }
    void toggle(uint64_t at) {
        now = 500000 + at;
        command(IDM_PREVIEW);
    }
    // The frames the ticks since the last call drew, by number.
    std::vector<int> drawn() {
        std::vector<int> frames;
        for (const bytes& payload : engine->payloads) frames.push_back(payload[0]);
        engine->payloads.clear();
        engine->take();
        return frames;
    }
    HWND bar() { return mainWindow().progressWindow.hwnd; }

    std::unique_ptr<TMPfile> store = std::make_unique<TMPfile>();
};

TEST_F(Preview, FramesFollowTheClockUntilTheLast) {
    // Resized, the engine resizes once; the log and the frame area follow.
    setClientSize(handle(), 900, 300);
    EXPECT_EQ(engine->take(), lines{"resize"});
    RECT log = {};
    GetWindowRect(mainWindow().logWindow.hwnd, &log);
    EXPECT_EQ(log.right - log.left, 300);
    EXPECT_EQ(log.bottom - log.top, 300);
    mainWindow().showSource(store.get());
    EXPECT_EQ(engine->take(), (lines{"begin", "background", "frame 4x4x8", "draw in 301,33,900,300",
                                     "end", "release"}));
    engine->payloads.clear();
    toggle(0);
    EXPECT_TRUE(visibleStyle(bar()));
    EXPECT_EQ(SendMessageW(bar(), PBM_GETRANGE, FALSE, 0), 90);
    EXPECT_TRUE(drawn().empty());  // nothing before the first tick
    for (uint64_t at : {16u, 33u, 34u, 100u, 2999u}) tickAt(at);
    EXPECT_EQ(drawn(), (std::vector<int>{0, 0, 1, 3, 89}));
    EXPECT_EQ(SendMessageW(bar(), PBM_GETPOS, 0, 0), 89);
    tickAt(3000);  // the end: the last picture and the bar stay
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_TRUE(visibleStyle(bar()));
    tickAt(3100);
    EXPECT_TRUE(drawn().empty());
    toggle(4000);  // starts again from frame 0
    tickAt(4040);
    EXPECT_EQ(drawn(), std::vector<int>{1});
    toggle(4050);  // stops and hides the bar
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_FALSE(visibleStyle(bar()));
}

TEST_F(Preview, StopsWhereThereIsNoFrame) {
    // A frame whose payload lies beyond the file's end.
    scratchfolder scratch;
    writeFile(scratch.file(u"cut.mrv"), mrvBytes(4, 4, {{36, 2}, {38, 20}}, {0, 1}));
    morvafile cut;
    ASSERT_TRUE(cut.open(scratch.file(u"cut.mrv").c_str()).ok());
    mainWindow().showSource(&cut);
    toggle(0);
    tickAt(20);
    tickAt(40);
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_TRUE(visibleStyle(bar()));
    // No source: the command only stops; a tick without one stops too.
    engine->take();
    mainWindow().showSource(nullptr);
    EXPECT_EQ(engine->take(), (lines{"begin", "background", "end"}));
    toggle(100);
    EXPECT_FALSE(mainWindow().playing);
    mainWindow().showSource(store.get());
    toggle(200);
    mainWindow().showSource(nullptr);
    tickAt(250);
    EXPECT_FALSE(mainWindow().playing);
}

}  // namespace
