// The BMP import in the program, and the whole road from pictures to a saved
// file that is opened again and previewed.
#include "tests/windows/filefixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using lines = std::vector<std::string>;
using texts = std::vector<std::u16string>;

const std::wstring newAndModified = baseTitle + L" : (新規)(更新)";

lines pictureSteps(int count, const std::string& size) {
    lines out;
    for (int i = 0; i < count; ++i)
        out.insert(out.end(), {"picture " + size, "begin", "background", "draw in (201,33,600,400)",
                               "end", "release"});
    return out;
}

class Import : public FileTest {
protected:
    std::u16string directoryLine() { return u"Directory " + folder.folder; }
};

TEST_F(Import, TheWholeRoadFromPicturesToAPreviewOfTheSavedFile) {
    writeSeries(folder, "walk_", 3, 0, 5, 40, 30);
    importThrough(folder.file(u"walk_002.bmp"));

    ASSERT_EQ(dialogs.requests.size(), 1u);
    const dialogrequest& bmp = dialogs.requests[0];
    EXPECT_EQ(bmp.structSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(bmp.owner, handle());
    EXPECT_EQ(bmp.instance, app->instance);
    EXPECT_EQ(bmp.title, L"ビットマップファイル (*.bmp) を開く");
    EXPECT_EQ(bmp.filter, L"ビットマップファイル (*.bmp)|*.bmp");
    EXPECT_EQ(bmp.customFilter, L"");
    EXPECT_EQ(bmp.filterIndex, 0u);
    EXPECT_EQ(bmp.file, L"*.bmp");
    EXPECT_EQ(bmp.maxFile, 256u);
    EXPECT_FALSE(bmp.fileTitle);
    EXPECT_FALSE(bmp.initialDirectory);
    EXPECT_EQ(bmp.flags, 0x281000u);
    EXPECT_EQ(bmp.defaultExtension, L"bmp");

    EXPECT_EQ(logLines(), (texts{u"Application Start!", directoryLine(), u"Total 5 files exists."}));
    // The last passing line stays on screen although the log has let it go.
    const std::wstring shown = windowText(mainWindow().logWindow.hwnd);
    EXPECT_EQ(shown.substr(shown.rfind(L"\r\n") + 2), L"File : walk_004.bmp");
    EXPECT_EQ(title(), newAndModified);
    EXPECT_EQ(engine->steps, pictureSteps(5, "40x30"));
    for (uint32_t n = 0; n < 5; ++n) EXPECT_EQ(engine->pictures[n], seriesPicture(n, 40, 30).rows);
    EXPECT_EQ(engine->barVisible, std::vector<bool>(5, true));
    EXPECT_EQ(engine->barPosition, (std::vector<uint32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(SendMessageW(mainWindow().progressWindow.hwnd, PBM_GETRANGE, FALSE, 0), 5);
    EXPECT_FALSE(hasVisibleStyle(mainWindow().progressWindow.hwnd));
    EXPECT_EQ(mainWindow().frameSource, nullptr);

    engine->steps.clear();
    const std::u16string saved = folder.file(u"walk.mrv");
    saveAsThrough(saved);
    ASSERT_EQ(dialogs.requests.size(), 2u);
    const dialogrequest& save = dialogs.requests[1];
    EXPECT_EQ(save.title, L"モルバファイル (*.mrv) を開く");
    EXPECT_EQ(save.filter, L"モルバファイル (*.mrv)|*.mrv");
    EXPECT_EQ(save.file, L"*.mrv");
    EXPECT_EQ(save.maxFile, 256u);
    EXPECT_EQ(save.flags, 0x28A802u);
    EXPECT_EQ(save.defaultExtension, L"mrv");
    EXPECT_EQ(save.owner, handle());

    std::vector<bytes> payloads;
    for (uint32_t n = 0; n < 5; ++n) payloads.push_back(encoded(seriesPicture(n, 40, 30), 6));
    EXPECT_EQ(contentOf(saved), soundFile(40, 30, payloads));
    EXPECT_EQ(title(), baseTitle + L" : " + w(saved));
    EXPECT_EQ(lastLogLine(), u"Write Morva : " + saved);
    EXPECT_FALSE(app->modified);
    EXPECT_EQ(mainWindow().frameSource, app->newFile.get());
    EXPECT_EQ(engine->steps, (lines{"begin", "background", "frame 40x30x8",
                                    "draw in (201,33,600,400)", "end", "release"}));
    EXPECT_EQ(engine->payloads, (std::vector<bytes>{payloads[0]}));

    engine->steps.clear();
    engine->payloads.clear();
    openThrough(saved);
    EXPECT_EQ(dialogs.requests[2].flags, 0x281000u);
    EXPECT_EQ(dialogs.requests[2].title, L"モルバファイル (*.mrv) を開く");
    EXPECT_EQ(dialogs.requests[2].defaultExtension, L"mrv");
    EXPECT_EQ(lastLogLine(), u"Open Morva : " + saved);
    EXPECT_EQ(title(), baseTitle + L" : " + w(saved));
    ASSERT_TRUE(app->openFile);
    EXPECT_EQ(mainWindow().frameSource, app->openFile.get());
    EXPECT_EQ(engine->payloads, (std::vector<bytes>{payloads[0]}));

    // 100 ms into the preview: frame 3.
    mainWindow().togglePreview();
    now += 100;
    SendMessageW(handle(), WM_TIMER, reinterpret_cast<WPARAM>(&mainWindow()), 0);
    EXPECT_EQ(engine->payloads.back(), payloads[3]);
}

TEST_F(Import, APictureOfAnotherWidthLeavesTheApplicationAsItWas) {
    writeSeries(folder, "walk_", 3, 0, 5, 16, 8);
    writePicture(folder.file(u"walk_003.bmp"), seriesPicture(3, 18, 8));
    importThrough(folder.file(u"walk_000.bmp"));
    EXPECT_EQ(logLines(), (texts{u"Application Start!", directoryLine(),
                                 u"BMP #3 had invlid width 18 instead 16"}));
    EXPECT_FALSE(app->newFile);
    EXPECT_FALSE(app->modified);
    EXPECT_EQ(title(), baseTitle);
    EXPECT_TRUE(engine->steps.empty());
}

TEST_F(Import, TheDepthChosenInTheMenuCutsTheFrames) {
    writeSeries(folder, "walk_", 3, 0, 2, 24, 12);
    ASSERT_TRUE(app->command(IDM_DEPTH_1));
    importThrough(folder.file(u"walk_000.bmp"));
    const std::u16string saved = folder.file(u"deep.mrv");
    saveAsThrough(saved);
    EXPECT_EQ(contentOf(saved), soundFile(24, 12, {encoded(seriesPicture(0, 24, 12), 1),
                                                   encoded(seriesPicture(1, 24, 12), 1)}));
}

TEST_F(Import, ACancelledDialogImportsNothing) {
    writeSeries(folder, "walk_", 3, 0, 2, 16, 8);
    dialogs.cancelNext();
    ASSERT_TRUE(app->command(IDM_IMPORT_BMP));
    EXPECT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(logLines(), (texts{u"Application Start!"}));
    EXPECT_FALSE(app->newFile);
    EXPECT_EQ(title(), baseTitle);
}

}  // namespace
