// Start-up, every menu command and key, and the preview on the test's clock.
#include "tests/windows/fixture.h"

constexpr engineindex d2d = engineDirect2d, plus = engineGdiPlus, gdi = engineGdi;
using kinds = std::vector<engineindex>;

// Direct2D, else GDI+; an engine not made gives way to a simpler one, at start-up (0) too.
TEST_F(ProgramTest, StartsWithTheBestEngineMade) {
    for (bool direct2d : {false, true}) {
        made.clear();
        start(direct2d, SW_SHOWNOACTIVATE);
        EXPECT_FALSE(shownEarly);
        EXPECT_EQ(std::tuple(made, marks(0), engine->take().front()),
                  direct2d ? std::tuple(kinds{d2d}, "--x", "setting A 0")
                           : std::tuple(kinds{plus}, "-x-g", "setting A 7"));
        command(IDM_ENGINE_DIRECT2D);  // grayed without Direct2D
        EXPECT_EQ(made.size(), direct2d ? 2u : 1u);
    }
    const struct {
        UINT id;
        kinds made;  // all but the last refused
        std::string marks, line;
    } cases[] = {{0, {d2d, plus}, "-x-", "Direct2D, using GDI+"},
                 {IDM_ENGINE_DIRECT2D, {d2d, plus, gdi}, "x--", "Direct2D, using GDI"},
                 {IDM_ENGINE_GDIPLUS, {plus, gdi}, "x--", "GDI+, using GDI"}};
    const auto make = win().engines.make;
    for (const auto& c : cases) {
        win().engines.make = [&](engineindex kind, HWND window) {
            return kind == c.made.back() ? make(kind, window) : (made.push_back(kind), nullptr);
        };
        made.clear();
        c.id ? (void)app->command(c.id) : win().makeFirstEngine();
        EXPECT_EQ(std::tuple(made, marks(0), log().back(), engine->take()),
                  std::tuple(c.made, c.marks, "Engine error : cannot make " + c.line,
                             c.made.back() == gdi ? lines{"setting A 0", "setting B 1"}
                                                  : lines{"setting A 7", "setting B 0"}));
    }
    EXPECT_EQ(log().size(), 4u);
}

// Nothing is kept in the registry for the next run.
TEST_F(ProgramTest, EveryMenuCommand) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Morva");  // where older builds kept settings
    const struct {
        uint32_t id;
        kinds made;
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
    EXPECT_TRUE(title() == base && log() == lines{"Application Start!"} && requests.empty());
    for (uint32_t other : {0u, 1u, 32781u, 32801u, 32809u, 32818u})
        EXPECT_FALSE(app->command(other));
    SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(IDM_DEPTH_5, 1), 0);  // as an accelerator
    EXPECT_EQ(app->dataDepth, 5);
    EXPECT_TRUE(app->command(IDM_EXIT) && !IsWindow(handle()));
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Morva"), ERROR_FILE_NOT_FOUND);
}

constexpr UINT alt = 0x10000;  // a key pressed with Alt

// Keys as the system posts them.
TEST_F(ProgramTest, KeysRunOnlyTheirCommands) {
    static std::vector<uint32_t> seen;  // commands, no control's notices
    SetWindowLongPtrW(handle(), GWLP_WNDPROC, LONG_PTR(+[](HWND h, UINT m, WPARAM w, LPARAM l) {
                          if (m == WM_COMMAND && !l) seen.push_back(LOWORD(w));
                          return window::procedure(h, m, w, l);
                      }));
    ShowWindow(handle(), SW_SHOWNOACTIVATE);
    SetFocus(handle());
    BYTE state[256] = {};
    const auto press = [&](UINT key) {
        const bool withAlt = key & alt;
        key &= ~alt;
        state[VK_MENU] = withAlt ? 0x80 : 0;
        SetKeyboardState(state);
        const LPARAM bits = LPARAM(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16 | withAlt << 29 | 1;
        PostMessageW(GetFocus(), withAlt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, bits);
        PostMessageW(GetFocus(), withAlt ? WM_SYSKEYUP : WM_KEYUP, key, bits | LPARAM(3) << 30);
        pump();
        state[VK_MENU] = 0;  // no Alt left held
        SetKeyboardState(state);
    };
    // Keypad "." and "/" have the codes of "n" and "o"; "/" types "/": with Alt, About.
    for (UINT key :
         std::vector<UINT>{'N' | alt, VK_DECIMAL | alt, VK_DIVIDE | alt, VK_SPACE, 'N', VK_RETURN})
        press(key);
    EXPECT_EQ(seen, (std::vector<uint32_t>{IDM_FILE_NEW, IDM_ABOUT, IDM_PREVIEW}));
    // No more minimised (system keys), with the log focused, or on Alt+F4.
    ShowWindow(handle(), SW_MINIMIZE);
    PostMessageW(handle(), WM_SYSKEYDOWN, VK_SPACE, 1);
    pump();
    ShowWindow(handle(), SW_RESTORE);
    SetFocus(win().logWindow.hwnd);
    press(VK_SPACE);
    press('N' | alt);
    SetFocus(handle());
    press(VK_F4 | alt);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_FALSE(IsWindow(handle()));
}

// 90 frames whose payloads carry their numbers.
class Preview : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(store.openTempFile().ok());
        store.setFrameSize(4, 4);
        for (uint8_t i = 0; i < 90; ++i) ASSERT_TRUE(store.appendFrame(bytes{i, 1}.data(), 2));
    }
    void tick(int ms) { now = 500000 + ms, SendMessageW(handle(), WM_TIMER, WPARAM(&win()), 0); }
    void toggle(int ms) { now = 500000 + ms, command(IDM_PREVIEW); }
    bytes drawn() {
        bytes frames;
        for (const bytes& payload : engine->payloads) frames.push_back(payload[0]);
        engine->payloads.clear();
        return frames;
    }

    TMPfile store;
};

TEST_F(Preview, FollowsTheClockToTheLast) {
    // Resized, the engine resizes once; the log and the frame area follow.
    setClientSize(handle(), 900, 300);
    RECT log = {};
    GetWindowRect(win().logWindow.hwnd, &log);
    EXPECT_EQ(std::tuple(log.right - log.left, log.bottom - log.top), std::tuple(300, 300));
    win().showSource(&store);
    EXPECT_EQ(engine->take(), (lines{"resize", "begin", "background", "frame 4x4x8",
                                     "draw in 301,33,900,300", "end", "release"}));
    toggle(0);
    EXPECT_EQ(SendMessageW(bar(), PBM_GETRANGE, FALSE, 0), 90);
    for (int ms : {16, 33, 34, 100, 2999}) tick(ms);
    EXPECT_EQ(drawn(), (bytes{0, 0, 0, 1, 3, 89}));  // the still one; none at the start
    EXPECT_EQ(SendMessageW(bar(), PBM_GETPOS, 0, 0), 89);
    tick(3000);  // the last picture and the bar stay
    EXPECT_TRUE(!win().playing && barShown());
    toggle(4000);  // from frame 0
    tick(4040);
    EXPECT_EQ(drawn(), bytes{1});
    toggle(4050);  // stops and hides the bar; a queued tick draws nothing
    tick(4100);
    EXPECT_FALSE(win().playing || barShown() || !drawn().empty());
}

TEST_F(Preview, StopsWhereThereIsNoFrame) {
    // Frame 1 past the end of the file.
    writeFile(file(u"cut.mrv"), mrvBytes(4, 4, {{36, 2}, {38, 20}}, {0, 1}));
    command(IDM_FILE_OPEN, file(u"cut.mrv"));
    toggle(0);
    tick(20);
    tick(40);
    EXPECT_TRUE(!win().playing && barShown());
    win().showSource(nullptr);  // without a source the command and a tick only stop
    toggle(100);
    EXPECT_FALSE(win().playing);
    win().showSource(&store);
    toggle(200);
    win().showSource(nullptr);
    tick(250);
    EXPECT_FALSE(win().playing);
}
