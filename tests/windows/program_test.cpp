// Start-up, every menu command and key, and the preview on the test's clock.
#include "tests/windows/fixture.h"

#include <algorithm>

namespace {

constexpr engineindex d2d = engineDirect2d, plus = engineGdiPlus, gdi = engineGdi;

TEST_F(ProgramTest, StartsWithDirect2dOrGdiPlus) {
    for (bool direct2d : {true, false}) {
        made.clear();
        start(direct2d, SW_SHOWNOACTIVATE);
        EXPECT_FALSE(shownEarly);
        EXPECT_EQ(made, std::vector<engineindex>{direct2d ? d2d : plus});
        EXPECT_EQ(marks(0), direct2d ? "--x" : "-x-g");
        EXPECT_EQ(startSteps.front(), direct2d ? "setting A 0" : "setting A 7");
        command(IDM_ENGINE_DIRECT2D);
        EXPECT_EQ(made.size(), direct2d ? 2u : 1u);
    }
}

// An engine that cannot be made gives way to a simpler one, at start-up (0) too.
TEST_F(ProgramTest, AnUnmadeEngineGivesWay) {
    struct {
        UINT id;
        std::vector<engineindex> refused, made;
        std::string marks, line;
    } cases[] = {{0, {d2d}, {d2d, plus}, "-x-", "Direct2D, using GDI+"},
                 {IDM_ENGINE_DIRECT2D, {d2d, plus}, {d2d, plus, gdi}, "x--", "Direct2D, using GDI"},
                 {IDM_ENGINE_GDIPLUS, {plus}, {plus, gdi}, "x--", "GDI+, using GDI"}};
    const auto make = win().engines.make;
    for (const auto& c : cases) {
        win().engines.make = [&](engineindex kind, HWND window) -> std::unique_ptr<gengine> {
            if (std::count(c.refused.begin(), c.refused.end(), kind) == 0)
                return make(kind, window);
            made.push_back(kind);
            return nullptr;
        };
        made.clear();
        c.id ? (void)app->command(c.id) : win().makeFirstEngine();
        EXPECT_EQ(std::pair(made, marks(0)), std::pair(c.made, c.marks)) << c.line;
        EXPECT_EQ(lastLine(), "Engine error : cannot make " + c.line);
        EXPECT_EQ(engine->take(), (c.made.back() == gdi ? lines{"setting A 0", "setting B 1"}
                                                        : lines{"setting A 7", "setting B 0"}));
    }
    win().engines.make = make;
    EXPECT_EQ(log().size(), 4u);
}

// Nothing is kept in the registry for the next run.
TEST_F(ProgramTest, EveryMenuCommand) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Morva");  // where older builds kept settings
    const struct {
        uint32_t id;
        std::vector<engineindex> made;
        std::string state;
    } cases[] = {{IDM_ENGINE_GDI, {gdi}, "x--|--x-----|6"},
                 {IDM_ENGINE_GDIPLUS, {plus}, "-x-|--x-----|6"},
                 {IDM_ENGINE_GDIPLUS, {plus}, "-x-|--x-----|6"},  // the same kind anew
                 {IDM_ENGINE_DIRECT2D, {d2d}, "--x|--x-----|6"},
                 {IDM_DEPTH_8, {}, "--x|x-------|8"},
                 {IDM_DEPTH_3, {}, "--x|-----x--|3"},
                 {IDM_DEPTH_1, {}, "--x|-------x|1"},
                 {IDM_ABOUT, {}, "--x|-------x|1"},
                 {IDM_IMPORT_WMV, {}, "--x|-------x|1"}};
    for (const auto& c : cases) {
        made.clear();
        EXPECT_TRUE(app->command(c.id) && made == c.made) << c.id;
        EXPECT_EQ(marks(0) + "|" + marks(1) + "|" + std::to_string(app->dataDepth), c.state);
    }
    EXPECT_EQ(title(), "モルバツール ver.2");
    EXPECT_TRUE(log() == lines{"Application Start!"} && requests.empty());
    for (uint32_t other : {0u, 1u, 32781u, 32801u, 32809u, 32818u})
        EXPECT_FALSE(app->command(other));
    SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(IDM_DEPTH_5, 1), 0);
    EXPECT_EQ(app->dataDepth, 5);
    SendMessageW(handle(), WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(handle()));
    HKEY key;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Morva", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

constexpr UINT alt = 0x10000;  // a key pressed with Alt

// Keys as the system posts them, and keys whose codes equal the table's characters.
TEST_F(ProgramTest, KeysRunOnlyTheirCommands) {
    static std::vector<uint32_t> seen;
    const auto procedure = +[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_COMMAND) seen.push_back(LOWORD(w));
        return window::procedure(h, m, w, l);
    };
    SetWindowLongPtrW(handle(), GWLP_WNDPROC, LONG_PTR(procedure));
    ShowWindow(handle(), SW_SHOWNOACTIVATE);
    SetFocus(handle());
    BYTE state[256] = {};
    auto press = [&](UINT pressed) {
        const bool withAlt = pressed & alt;
        const UINT key = pressed & ~alt;
        state[VK_MENU] = withAlt ? 0x80 : 0;
        SetKeyboardState(state);
        const LPARAM bits =
            LPARAM(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16 | LPARAM(withAlt) << 29 | 1;
        PostMessageW(GetFocus(), withAlt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, bits);
        PostMessageW(GetFocus(), withAlt ? WM_SYSKEYUP : WM_KEYUP, key, bits | LPARAM(3) << 30);
        pump();
        state[VK_MENU] = 0;
        SetKeyboardState(state);
    };
    const std::vector<uint32_t> cases[][2] = {
        {{'N' | alt, 'O' | alt, 'S' | alt}, {IDM_FILE_NEW, IDM_FILE_OPEN, IDM_FILE_SAVE}},
        // The keypad's "/" types "/": with Alt, About.
        {{VK_DECIMAL | alt, VK_DIVIDE | alt}, {IDM_ABOUT}},
        {{VK_DECIMAL, VK_DIVIDE}, {}},
        {{'N', VK_RETURN}, {}}};
    for (const auto& [keys, commands] : cases) {
        seen.clear();
        for (uint32_t key : keys) press(key);
        EXPECT_EQ(seen, commands) << keys[0];
    }
    // Keys run nothing minimised (system keys) or with the log focused.
    ShowWindow(handle(), SW_MINIMIZE);
    seen.clear();
    PostMessageW(handle(), WM_SYSKEYDOWN, VK_SPACE, 1);
    pump();
    EXPECT_TRUE(seen.empty());
    ShowWindow(handle(), SW_RESTORE);
    SetFocus(win().logWindow.hwnd);
    seen.clear();
    press(VK_SPACE);
    press('N' | alt);
    EXPECT_TRUE(seen.empty() && !win().playing);
    SetFocus(handle());  // Alt+F4 is not Save
    seen.clear();
    press(VK_F4 | alt);
    EXPECT_TRUE(seen.empty() && !IsWindow(handle()));
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
            ASSERT_TRUE(store->appendFrame(payload, 2));
        }
    }
    void tickAt(uint64_t elapsed) {
        now = 500000 + elapsed;
        SendMessageW(handle(), WM_TIMER, reinterpret_cast<WPARAM>(&win()), 0);
    }
    void toggle(uint64_t at) {
        now = 500000 + at;
        command(IDM_PREVIEW);
    }
    bytes drawn() {
        bytes frames;
        for (const bytes& payload : engine->payloads) frames.push_back(payload[0]);
        engine->payloads.clear();
        engine->take();
        return frames;
    }

    std::unique_ptr<TMPfile> store = std::make_unique<TMPfile>();
};

TEST_F(Preview, FollowsTheClockToTheLast) {
    // Resized, the engine resizes once; the log and the frame area follow.
    setClientSize(handle(), 900, 300);
    EXPECT_EQ(engine->take(), lines{"resize"});
    RECT log = {};
    GetWindowRect(win().logWindow.hwnd, &log);
    EXPECT_EQ(std::tuple(log.right - log.left, log.bottom - log.top), std::tuple(300, 300));
    win().showSource(store.get());
    EXPECT_EQ(engine->take(), (lines{"begin", "background", "frame 4x4x8", "draw in 301,33,900,300",
                                     "end", "release"}));
    engine->payloads.clear();
    toggle(0);
    EXPECT_TRUE(barShown());
    EXPECT_EQ(SendMessageW(bar(), PBM_GETRANGE, FALSE, 0), 90);
    EXPECT_TRUE(drawn().empty());  // nothing before the first tick
    for (uint64_t at : {16u, 33u, 34u, 100u, 2999u}) tickAt(at);
    EXPECT_EQ(drawn(), (bytes{0, 0, 1, 3, 89}));
    EXPECT_EQ(SendMessageW(bar(), PBM_GETPOS, 0, 0), 89);
    tickAt(3000);  // the last picture and the bar stay
    EXPECT_TRUE(!win().playing && barShown());
    tickAt(3100);
    EXPECT_TRUE(drawn().empty());
    toggle(4000);  // from frame 0
    tickAt(4040);
    EXPECT_EQ(drawn(), bytes{1});
    toggle(4050);  // stops and hides the bar
    EXPECT_FALSE(win().playing || barShown());
}

TEST_F(Preview, StopsWhereThereIsNoFrame) {
    scratchfolder scratch;  // a payload beyond the file's end
    writeFile(scratch.file(u"cut.mrv"), mrvBytes(4, 4, {{36, 2}, {38, 20}}, {0, 1}));
    morvafile cut;
    ASSERT_TRUE(cut.open(scratch.file(u"cut.mrv").c_str()).ok());
    win().showSource(&cut);
    toggle(0);
    for (uint64_t at : {20u, 40u}) tickAt(at);
    EXPECT_TRUE(!win().playing && barShown());
    engine->take();  // without a source the command and a tick only stop
    win().showSource(nullptr);
    EXPECT_EQ(engine->take(), (lines{"begin", "background", "end"}));
    toggle(100);
    EXPECT_FALSE(win().playing);
    win().showSource(store.get());
    toggle(200);
    win().showSource(nullptr);
    tickAt(250);
    EXPECT_FALSE(win().playing);
}

}  // namespace
