// The accelerator table through the program's own loop step: keys reach the
// main window's commands only while the main window has the keyboard focus.
#include "tests/windows/appfixture.h"

#include <gtest/gtest.h>

namespace {

// The ids of the WM_COMMAND messages that reach the main window, noted on the
// way to its procedure.
std::vector<uint32_t>* commandsSeen = nullptr;

LRESULT CALLBACK notingProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && commandsSeen) commandsSeen->push_back(LOWORD(wParam));
    return window::procedure(handle, message, wParam, lParam);
}

// Key messages as the system posts them for a key pressed while the given
// modifier keys are held down.
class keyboard {
public:
    explicit keyboard(std::initializer_list<int> held) {
        GetKeyboardState(saved);
        BYTE state[256] = {};
        for (int key : held) state[key] = 0x80;
        SetKeyboardState(state);
        alt = state[VK_MENU] != 0;
    }
    ~keyboard() { SetKeyboardState(saved); }

    // Down and up of a virtual key, to the window with the focus.
    void press(UINT key) {
        HWND focus = GetFocus();
        const LPARAM scan = LPARAM(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        const LPARAM altBit = alt ? LPARAM(1) << 29 : 0;
        PostMessageW(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | scan | altBit);
        PostMessageW(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key, 1 | scan | altBit | LPARAM(3) << 30);
    }

private:
    BYTE saved[256];
    bool alt;
};

class Accelerators : public AppTest {
protected:
    void SetUp() override {
        startApp(true, true);
        accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINMENU));
        SetWindowLongPtrW(handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(notingProcedure));
        commandsSeen = &seen;
        store = numberedStore(3);
        mainWindow().frameSource = store.get();
        SetFocus(handle());
    }
    void TearDown() override {
        commandsSeen = nullptr;
        AppTest::TearDown();
    }

    // The program's loop step over what the keys left in the queue.
    void handleKeys() { pump(0, accelerators); }

    HACCEL accelerators = nullptr;
    std::vector<uint32_t> seen;
    std::unique_ptr<TMPfile> store;
};

TEST_F(Accelerators, SpaceTogglesThePreview) {
    keyboard keys({});
    keys.press(VK_SPACE);
    handleKeys();
    EXPECT_EQ(seen, std::vector<uint32_t>{IDM_PREVIEW});
    EXPECT_TRUE(mainWindow().playing);
    keys.press(VK_SPACE);
    handleKeys();
    EXPECT_FALSE(mainWindow().playing);
}

TEST_F(Accelerators, AltWithLettersReachNewOpenAndSave) {
    keyboard keys({VK_MENU, VK_LMENU});
    keys.press('N');
    keys.press('O');
    keys.press('S');
    handleKeys();
    EXPECT_EQ(seen, (std::vector<uint32_t>{IDM_FILE_NEW, IDM_FILE_OPEN, IDM_FILE_SAVE}));
    EXPECT_EQ(dialogsShown, 1);  // Open asked for a file
}

TEST_F(Accelerators, AltWithSlashOrQuestionMarkIsTheAboutCommand) {
    keyboard keys({VK_MENU, VK_LMENU});
    PostMessageW(handle(), WM_SYSCHAR, '/', LPARAM(1) << 29 | 1);
    PostMessageW(handle(), WM_SYSCHAR, '?', LPARAM(1) << 29 | 1);
    handleKeys();
    EXPECT_EQ(seen, (std::vector<uint32_t>{IDM_ABOUT, IDM_ABOUT}));
}

TEST_F(Accelerators, KeysWithoutAnEntryAreNoCommands) {
    keyboard plain({});
    plain.press('N');
    plain.press(VK_RETURN);
    handleKeys();
    keyboard control({VK_CONTROL, VK_LCONTROL});
    control.press(VK_SPACE);
    handleKeys();
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(mainWindow().playing);
}

TEST_F(Accelerators, WhileTheLogHasTheFocusSpaceDoesNothing) {
    SetFocus(mainWindow().logWindow.hwnd);
    ASSERT_EQ(GetFocus(), mainWindow().logWindow.hwnd);
    seen.clear();  // the edit box's focus notifications
    keyboard keys({});
    keys.press(VK_SPACE);
    handleKeys();
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_EQ(windowText(mainWindow().logWindow.hwnd), L"Application Start!");
}

TEST_F(Accelerators, AltF4ClosesTheWindowAndIsNotTheSaveCommand) {
    keyboard keys({VK_MENU, VK_LMENU});
    HWND main = handle();
    keys.press(VK_F4);
    handleKeys();
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(IsWindow(main));
}

}  // namespace
