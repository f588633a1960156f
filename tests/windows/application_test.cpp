// Start-up, title, shutdown and the fatal errors of the application record.
#include "tests/windows/appfixture.h"

#include "app/fatal.h"
#include "engines/d2dengine.h"
#include "engines/gdiengine.h"
#include "engines/gdiplusengine.h"

#include <gtest/gtest.h>

namespace {

using lines = std::vector<std::string>;

TEST_F(AppTest, StartLeavesTitleLogDepthAndHiddenProgressBar) {
    startApp(true, true);
    EXPECT_EQ(windowText(handle()), baseTitle);
    EXPECT_EQ(windowText(mainWindow().logWindow.hwnd), L"Application Start!");
    EXPECT_EQ(std::u16string(mainWindow().logWindow.log.text()), u"Application Start!");
    EXPECT_EQ(depthMarks(handle()), "--x-----");
    EXPECT_EQ(app->dataDepth, 6);
    EXPECT_FALSE(app->modified);
    EXPECT_EQ(app->openFile, nullptr);
    EXPECT_EQ(app->newFile, nullptr);
    EXPECT_EQ(mainWindow().frameSource, nullptr);
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_TRUE(IsWindowVisible(handle()));
    EXPECT_TRUE(IsWindowVisible(mainWindow().logWindow.hwnd));
    EXPECT_FALSE(IsWindowVisible(mainWindow().progressWindow.hwnd));
}

TEST_F(AppTest, StartMakesDirect2dWhereAvailable) {
    startApp(true);
    EXPECT_EQ(startLines, (lines{"make d2d", "d2d A=0"}));
    EXPECT_EQ(engineMarks(handle()), "--x");
    // Later sizes reach the engine.
    setClientSize(handle(), 500, 300);
    EXPECT_EQ(log.take(), (lines{"d2d resize 500x300"}));
}

TEST_F(AppTest, StartWithoutDirect2dMakesGdiPlusAndGraysTheDirect2dItem) {
    startApp(false);
    EXPECT_EQ(startLines, (lines{"make gdi+", "gdi+ A=7", "gdi+ B=0"}));
    EXPECT_EQ(engineMarks(handle()), "-x-g");
}

// The availability test comes after the window is shown, when the start's
// title, log line and check mark are there already.
TEST_F(AppTest, TheWindowIsCompleteBeforeTheFirstEngineIsMade) {
    app = std::make_unique<application>(GetModuleHandleW(nullptr));
    enginefactory journalled = journalEngines(log, true);
    std::wstring titleSeen, logSeen;
    bool shownSeen = false;
    mainWindow().engines.direct2dAvailable = [&] {
        titleSeen = windowText(handle());
        logSeen = windowText(mainWindow().logWindow.hwnd);
        shownSeen = IsWindowVisible(handle()) != FALSE;
        return true;
    };
    mainWindow().engines.make = journalled.make;
    app->start(SW_SHOWNORMAL);
    EXPECT_TRUE(shownSeen);
    EXPECT_EQ(titleSeen, baseTitle);
    EXPECT_EQ(logSeen, L"Application Start!");
    EXPECT_EQ(log.take(), (lines{"make d2d", "d2d A=0"}));
}

TEST(SystemEngines, StartMakesTheDirect2dEngineAndChecksIt) {
    application app(GetModuleHandleW(nullptr));
    app.start(SW_SHOWNORMAL);
    ASSERT_TRUE(app.mainWindow->direct2dAvailable) << "Direct2D is expected on this system";
    EXPECT_NE(dynamic_cast<d2dengine*>(app.mainWindow->engine.get()), nullptr);
    EXPECT_EQ(engineMarks(app.mainWindow->hwnd), "--x");
}

TEST(SystemEngines, WithoutDirect2dGdiPlusIsMadeAndDirect2dCannotBeChosen) {
    application app(GetModuleHandleW(nullptr));
    app.mainWindow->engines.direct2dAvailable = [] { return false; };
    app.start(SW_SHOWNORMAL);
    EXPECT_NE(dynamic_cast<gdiplusengine*>(app.mainWindow->engine.get()), nullptr);
    EXPECT_EQ(engineMarks(app.mainWindow->hwnd), "-x-g");

    app.command(IDM_ENGINE_GDI);
    EXPECT_NE(dynamic_cast<gdiengine*>(app.mainWindow->engine.get()), nullptr);
    EXPECT_EQ(engineMarks(app.mainWindow->hwnd), "x--g");
    EXPECT_TRUE(app.command(IDM_ENGINE_DIRECT2D));
    EXPECT_NE(dynamic_cast<gdiengine*>(app.mainWindow->engine.get()), nullptr);
    EXPECT_EQ(engineMarks(app.mainWindow->hwnd), "x--g");
}

// An animation file on disk with `count` numbered frames.
std::u16string savedAnimation(uint32_t count) {
    wchar_t folder[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"MVT", 0, name);
    const std::u16string path(reinterpret_cast<const char16_t*>(name));
    EXPECT_TRUE(numberedStore(count)->save(path.c_str()).ok);
    return path;
}

std::wstring wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

TEST_F(AppTest, TitleNamesTheOpenFile) {
    startApp();
    const std::u16string path = savedAnimation(2);
    app->openFile = std::make_unique<morvafile>();
    ASSERT_TRUE(app->openFile->open(path.c_str()));
    app->newFile = numberedStore(1);
    app->updateTitle();
    EXPECT_EQ(windowText(handle()), baseTitle + L" : " + wide(path));

    // A closed file offers no path: the store's name stands instead.
    app->openFile->close();
    app->modified = true;
    app->updateTitle();
    EXPECT_EQ(windowText(handle()), baseTitle + L" : (new)(更新)");
    DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));
}

// Unsaved changes without any animation: no separator. A new animation goes by
// its document name until it has a saved path.
TEST_F(AppTest, TitleNamesANewAnimationByItsSavedPathOnceSaved) {
    startApp();
    app->modified = true;
    app->updateTitle();
    EXPECT_EQ(windowText(handle()), baseTitle + L"(更新)");
    app->newFile = std::make_unique<TMPfile>(wtext::loadString(IDS_NEW_DOCUMENT).data);
    app->updateTitle();
    EXPECT_EQ(windowText(handle()), baseTitle + L" : (新規)(更新)");

    const std::u16string path = savedAnimation(0);
    ASSERT_TRUE(app->newFile->save(path.c_str()).ok);
    app->modified = false;
    app->updateTitle();
    EXPECT_EQ(windowText(handle()), baseTitle + L" : " + wide(path));
    DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));
}

// Frame sources that note when they are closed. They add no members, so the
// application may destroy them as the classes it owns.
journal* closings = nullptr;

class notedfile : public morvafile {
public:
    void close() override {
        if (closings) closings->add("open file closed");
        morvafile::close();
    }
};

class notedstore : public TMPfile {
public:
    notedstore() : TMPfile(u"(new)") {}
    void close() override {
        if (closings) closings->add("store closed");
        TMPfile::close();
    }
};

TEST_F(AppTest, ShutdownClosesTheStoreThenTheOpenFileThenTheWindow) {
    startApp();
    closings = &log;
    app->newFile = std::make_unique<notedstore>();
    app->openFile = std::make_unique<notedfile>();
    app->modified = true;
    HWND main = handle();
    HWND edit = mainWindow().logWindow.hwnd;

    app->shutdown();
    closings = nullptr;
    EXPECT_EQ(log.take(), (lines{"store closed", "open file closed", "destroy d2d"}));
    EXPECT_EQ(app->newFile, nullptr);
    EXPECT_EQ(app->openFile, nullptr);
    EXPECT_EQ(app->mainWindow, nullptr);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(IsWindow(edit));
}

TEST_F(AppTest, ShutdownAfterTheWindowIsGoneDestroysTheEngineOnly) {
    startApp();
    app->command(IDM_EXIT);
    EXPECT_EQ(mainWindow().hwnd, nullptr);
    app->shutdown();
    EXPECT_EQ(log.take(), (lines{"destroy d2d"}));
}

using AppDeathTest = AppTest;

TEST_F(AppDeathTest, ASecondRecordIsFatal) {
    startApp();
    EXPECT_DEATH(application second(GetModuleHandleW(nullptr)), "");
}

TEST(ApplicationDeathTest, ReachingTheRecordWhenNoneIsRegisteredIsFatal) {
    EXPECT_DEATH(theApplication(), "");
}

TEST(ApplicationDeathTest, AnEngineThatCannotBeMadeIsFatal) {
    EXPECT_DEATH(
        {
            application app(GetModuleHandleW(nullptr));
            app.mainWindow->engines.make = [](engineindex, HWND) { return nullptr; };
            app.start(SW_HIDE);
        },
        "");
}

}  // namespace
