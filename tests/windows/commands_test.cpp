// The command dispatch: every id, the engine switch and the data depth.
#include "tests/windows/appfixture.h"

#include <gtest/gtest.h>

namespace {

using lines = std::vector<std::string>;

// What a command could visibly change, to show that a command changed nothing.
struct visiblestate {
    std::wstring title;
    std::wstring log;
    std::string engines;
    std::string depths;
    int32_t dataDepth;
    bool modified;
    bool playing;
    bool progressShown;

    bool operator==(const visiblestate& other) const {
        return title == other.title && log == other.log && engines == other.engines &&
               depths == other.depths && dataDepth == other.dataDepth &&
               modified == other.modified && playing == other.playing &&
               progressShown == other.progressShown;
    }
};

// Visible top-level windows of this thread: the main window is hidden.
int visibleThreadWindows() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND handle, LPARAM counter) {
            if (IsWindowVisible(handle)) ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

class Commands : public AppTest {
protected:
    visiblestate state() {
        return {windowText(handle()),
                windowText(mainWindow().logWindow.hwnd),
                engineMarks(handle()),
                depthMarks(handle()),
                app->dataDepth,
                app->modified,
                mainWindow().playing,
                visibleStyle(mainWindow().progressWindow.hwnd)};
    }
};

TEST_F(Commands, AboutAndMovieImportAreAcceptedAndDoNothing) {
    startApp();
    const visiblestate before = state();
    EXPECT_TRUE(app->command(IDM_ABOUT));
    EXPECT_TRUE(app->command(IDM_IMPORT_WMV));
    pump();
    EXPECT_TRUE(state() == before);
    EXPECT_TRUE(log.take().empty());
    EXPECT_EQ(visibleThreadWindows(), 0) << "a dialog came up";
}

TEST_F(Commands, UnknownIdsAreNotHandled) {
    startApp();
    const visiblestate before = state();
    for (uint32_t id : {0u, 1u, 103u, 106u, 109u, 32781u, 32784u, 32797u, 32801u, 32809u, 32818u,
                        0x10000u + IDM_PREVIEW}) {
        EXPECT_FALSE(app->command(id)) << id;
    }
    EXPECT_TRUE(state() == before);
    EXPECT_TRUE(log.take().empty());
}

// What they do is the file commands' own matter; here that the ids reach
// them: Open and the import ask for a path, Save and Save As have nothing to
// write yet.
TEST_F(Commands, FileCommandsAndTheImportAreAccepted) {
    startApp();
    for (uint32_t id : {IDM_FILE_NEW, IDM_FILE_SAVE, IDM_FILE_SAVE_AS}) {
        EXPECT_TRUE(app->command(id)) << id;
    }
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_TRUE(app->command(IDM_FILE_OPEN));
    EXPECT_EQ(dialogsShown, 1);
    EXPECT_TRUE(app->command(IDM_IMPORT_BMP));
    EXPECT_EQ(dialogsShown, 2);
}

TEST_F(Commands, EngineSwitchDestroysTheOldEngineFirstAndSetsTheFixedSettings) {
    startApp();
    EXPECT_TRUE(app->command(IDM_ENGINE_GDI));
    EXPECT_EQ(log.take(), (lines{"destroy d2d", "make gdi", "gdi A=0", "gdi B=1"}));
    EXPECT_EQ(engineMarks(handle()), "x--");
    EXPECT_TRUE(app->command(IDM_ENGINE_GDIPLUS));
    EXPECT_EQ(log.take(), (lines{"destroy gdi", "make gdi+", "gdi+ A=7", "gdi+ B=0"}));
    EXPECT_EQ(engineMarks(handle()), "-x-");
    EXPECT_TRUE(app->command(IDM_ENGINE_GDI));
    EXPECT_EQ(log.take(), (lines{"destroy gdi+", "make gdi", "gdi A=0", "gdi B=1"}));
    EXPECT_EQ(engineMarks(handle()), "x--");
    EXPECT_TRUE(app->command(IDM_ENGINE_DIRECT2D));
    EXPECT_EQ(log.take(), (lines{"destroy gdi", "make d2d", "d2d A=0"}));
    EXPECT_EQ(engineMarks(handle()), "--x");
    // The current engine again: a fresh one.
    EXPECT_TRUE(app->command(IDM_ENGINE_DIRECT2D));
    EXPECT_EQ(log.take(), (lines{"destroy d2d", "make d2d", "d2d A=0"}));
    EXPECT_EQ(engineMarks(handle()), "--x");
}

TEST_F(Commands, EngineSwitchDrawsNothingAndKeepsTheTitle) {
    startApp(false);
    const std::wstring title = windowText(handle());
    app->command(IDM_ENGINE_GDI);
    for (const std::string& line : log.take()) {
        EXPECT_EQ(line.find("begin"), std::string::npos) << line;
        EXPECT_EQ(line.find("resize"), std::string::npos) << line;
    }
    EXPECT_EQ(windowText(handle()), title);
    EXPECT_EQ(engineMarks(handle()), "x--g");
}

TEST_F(Commands, DataDepthFollowsTheItemWithOneCheckMark) {
    startApp();
    const std::wstring title = windowText(handle());
    const std::wstring logText = windowText(mainWindow().logWindow.hwnd);
    for (int32_t depth = 8; depth >= 1; --depth) {
        EXPECT_TRUE(app->command(IDM_DEPTH_8 + uint32_t(8 - depth)));
        EXPECT_EQ(app->dataDepth, depth);
        std::string expected(8, '-');
        expected[size_t(8 - depth)] = 'x';
        EXPECT_EQ(depthMarks(handle()), expected) << "depth " << depth;
    }
    EXPECT_EQ(windowText(handle()), title);
    EXPECT_EQ(windowText(mainWindow().logWindow.hwnd), logText);
    EXPECT_FALSE(app->modified);
    EXPECT_TRUE(log.take().empty());
}

TEST_F(Commands, DepthMenuIgnoresDepthsOutsideOneToEight) {
    startApp();
    mainWindow().updateDepthMenu(0);
    mainWindow().updateDepthMenu(9);
    EXPECT_EQ(depthMarks(handle()), "--x-----");
}

// Preview toggles; as an accelerator sends it, with notification code 1.
TEST_F(Commands, WmCommandReachesTheDispatchWithTheLowWordOnly) {
    startApp();
    auto store = numberedStore(3);
    mainWindow().frameSource = store.get();
    EXPECT_EQ(SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(IDM_PREVIEW, 1), 0), 0);
    EXPECT_TRUE(mainWindow().playing);
    EXPECT_TRUE(app->command(IDM_PREVIEW));
    EXPECT_FALSE(mainWindow().playing);
    SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(IDM_DEPTH_2, 0), 0);
    EXPECT_EQ(app->dataDepth, 2);
}

}  // namespace
