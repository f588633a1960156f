// The main window's layout, its binding to the window procedure, the plain
// child windows and the status log's edit box.
#include "tests/windows/appfixture.h"

#include "app/layout.h"

#include <gtest/gtest.h>

// Found by argument lookup, as rect lives in the global namespace.
bool operator==(const rect& a, const rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::ostream& operator<<(std::ostream& out, const rect& r) { return out << rectText(r); }

namespace {

rect clientOf(HWND handle) {
    RECT client = {};
    GetClientRect(handle, &client);
    return {client.left, client.top, client.right, client.bottom};
}

TEST_F(AppTest, ChildrenAreCreatedInTheLayoutOfTheFirstClientArea) {
    startApp();
    const windowlayout expected = layoutFor(clientOf(handle()));
    EXPECT_EQ(childRect(mainWindow().logWindow.hwnd), expected.log);
    EXPECT_EQ(childRect(mainWindow().progressWindow.hwnd), expected.progress);
    EXPECT_EQ(mainWindow().frameRect, expected.frame);
    EXPECT_EQ(windowText(mainWindow().progressWindow.hwnd), L"PROGRESSBAR");
    EXPECT_EQ(GetWindowLongW(mainWindow().logWindow.hwnd, GWL_STYLE), WS_VISIBLE | 0x40200844);
    EXPECT_EQ(GetWindowLongW(mainWindow().progressWindow.hwnd, GWL_STYLE), 0x40000001);
}

// The layout's arithmetic has its own tests; here that every size reaches it,
// the children and the engine, while the progress bar keeps its first place.
TEST_F(AppTest, ResizedClientAreasMoveLogAndFrameButNotTheProgressBar) {
    startApp();
    const rect progress = childRect(mainWindow().progressWindow.hwnd);
    for (auto [width, height] : {std::pair{600, 400}, {901, 600}}) {
        setClientSize(handle(), width, height);
        ASSERT_EQ(clientOf(handle()), (rect{0, 0, width, height}));
        EXPECT_EQ(childRect(mainWindow().logWindow.hwnd), (rect{0, 0, width / 3, height}));
        EXPECT_EQ(mainWindow().frameRect, (rect{width / 3 + 1, 33, width, height}));
        EXPECT_EQ(childRect(mainWindow().progressWindow.hwnd), progress);
        EXPECT_EQ(log.lines.back(), "d2d resize " + std::to_string(width) + "x" + std::to_string(height));
    }
}

TEST_F(AppTest, MinimisedGivesAnEmptyFrameAreaAndResizesTheEngine) {
    startApp(true, true);
    log.take();
    ShowWindow(handle(), SW_MINIMIZE);
    pump();
    ASSERT_EQ(clientOf(handle()), (rect{0, 0, 0, 0}));
    EXPECT_EQ(childRect(mainWindow().logWindow.hwnd), (rect{0, 0, 0, 0}));
    EXPECT_EQ(mainWindow().frameRect, (rect{1, 33, 0, 0}));
    EXPECT_EQ(log.lines.back(), "d2d resize 0x0");
}

TEST_F(AppTest, TheObjectIsBoundToItsWindowUntilTheWindowGoes) {
    startApp();
    HWND main = handle();
    EXPECT_EQ(GetWindowLongPtrW(main, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&mainWindow()));
    // Messages without a handler reach the default procedure.
    wchar_t title[100] = {};
    EXPECT_GT(SendMessageW(main, WM_GETTEXT, 100, reinterpret_cast<LPARAM>(title)), 0);
    EXPECT_EQ(std::wstring(title), baseTitle);

    DestroyWindow(main);
    EXPECT_EQ(mainWindow().hwnd, nullptr);
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(AppTest, PaintingDrawsNothing) {
    startApp(true, true);
    InvalidateRect(handle(), nullptr, TRUE);
    pump();
    EXPECT_TRUE(log.take().empty());
    EXPECT_FALSE(GetUpdateRect(handle(), nullptr, FALSE));
}

TEST_F(AppTest, NotificationsOfTheChildrenDoNothing) {
    startApp();
    SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(0, EN_SETFOCUS),
                 reinterpret_cast<LPARAM>(mainWindow().logWindow.hwnd));
    pump();
    EXPECT_TRUE(log.take().empty());
    EXPECT_FALSE(app->command(0));
    EXPECT_EQ(windowText(mainWindow().logWindow.hwnd), L"Application Start!");
}

TEST_F(AppTest, PlainChildWindowsAreMadeAndMovedAtTheirRectangles) {
    startApp();
    auto child = std::make_unique<::window>(&mainWindow());
    child->create({10, 20, 110, 70});
    ASSERT_NE(child->hwnd, nullptr);
    wchar_t className[16] = {};
    GetClassNameW(child->hwnd, className, 16);
    EXPECT_STREQ(className, L"Static");
    EXPECT_EQ(GetParent(child->hwnd), handle());
    EXPECT_TRUE(visibleStyle(child->hwnd));
    EXPECT_EQ(childRect(child->hwnd), (rect{10, 20, 110, 70}));
    child->move({5, 6, 45, 16});
    EXPECT_EQ(childRect(child->hwnd), (rect{5, 6, 45, 16}));
    HWND made = child->hwnd;
    child.reset();
    EXPECT_FALSE(IsWindow(made));
}

TEST_F(AppTest, EveryLineShowsTheWholeLog) {
    startApp();
    editbox& box = mainWindow().logWindow;
    box.appendLine(u"second line", 11);
    EXPECT_EQ(windowText(box.hwnd), L"Application Start!\r\nsecond line");
    box.appendLine(u"passingXX", 7);
    box.removeLastLine();
    // A line taken back stays on screen until the next one replaces it.
    EXPECT_EQ(windowText(box.hwnd), L"Application Start!\r\nsecond line\r\npassing");
    box.appendLine(u"third", 5);
    EXPECT_EQ(windowText(box.hwnd), L"Application Start!\r\nsecond line\r\nthird");
}

}  // namespace
