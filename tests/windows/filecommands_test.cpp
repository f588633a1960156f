// New, Open, Save and Save As in the program: what each leaves in the
// application, the title, the log and the files, with the dialog answered by
// the test.
#include "tests/windows/filefixture.h"

#include <gtest/gtest.h>

namespace {

using lines = std::vector<std::string>;
using texts = std::vector<std::u16string>;

const std::wstring newAndModified = baseTitle + L" : (新規)(更新)";

class FileCommands : public FileTest {
protected:
    // An unsaved animation of `count` pictures of 16 x 8.
    void importPictures(uint32_t count) {
        writeSeries(folder, "pic_", 2, 0, count, 16, 8);
        importThrough(folder.file(u"pic_00.bmp"));
        ASSERT_TRUE(app->modified);
        engine->steps.clear();
    }

    // An animation file of two frames, 4 x 2, made apart from the program.
    std::u16string writeAnimation(const char16_t* name) {
        const std::u16string path = folder.file(name);
        writeFile(path, original);
        return path;
    }

    const bytes original = soundFile(4, 2, {{1, 2, 3}, {4, 5}});
};

TEST_F(FileCommands, SaveAndSaveAsDoNothingWhileNotModified) {
    ASSERT_TRUE(app->command(IDM_FILE_SAVE));
    ASSERT_TRUE(app->command(IDM_FILE_SAVE_AS));
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_EQ(logLines(), (texts{u"Application Start!"}));
    EXPECT_EQ(title(), baseTitle);
}

TEST_F(FileCommands, CancelledDialogsChangeNothing) {
    importPictures(2);
    const std::wstring before = title();
    dialogs.cancelNext();
    ASSERT_TRUE(app->command(IDM_FILE_OPEN));
    ASSERT_TRUE(app->command(IDM_FILE_SAVE_AS));
    ASSERT_TRUE(app->command(IDM_FILE_SAVE));  // no open file: Save As, cancelled too
    EXPECT_EQ(dialogs.requests.size(), 4u);
    EXPECT_EQ(lastLogLine(), u"Total 2 files exists.");
    EXPECT_EQ(title(), before);
    EXPECT_TRUE(app->modified);
    EXPECT_FALSE(app->openFile);
    EXPECT_EQ(app->newFile->savedPath.length, 0);
    EXPECT_TRUE(engine->steps.empty());
}

TEST_F(FileCommands, ADialogAnswerWithoutTerminatorCountsAsNoPath) {
    dialogs.rawAnswer.assign(256, L'x');
    ASSERT_TRUE(app->command(IDM_FILE_OPEN));
    EXPECT_EQ(dialogs.requests.size(), 1u);
    EXPECT_FALSE(app->openFile);
    EXPECT_EQ(logLines(), (texts{u"Application Start!"}));
}

TEST_F(FileCommands, SaveWithoutOpenFileIsSaveAs) {
    importPictures(2);
    const std::u16string path = folder.file(u"first.mrv");
    dialogs.choose(path);
    ASSERT_TRUE(app->command(IDM_FILE_SAVE));
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[1].flags, 0x28A802u);
    EXPECT_EQ(lastLogLine(), u"Write Morva : " + path);
    EXPECT_EQ(title(), baseTitle + L" : " + w(path));
    EXPECT_EQ(contentOf(path).size(), 20u + 2 * 8 + app->newFile->storeIndex[1].offset +
                                          app->newFile->storeIndex[1].size);
    EXPECT_EQ(mainWindow().frameSource, app->newFile.get());
}

TEST_F(FileCommands, SaveAsGivesANameWithoutExtensionTheMrvExtension) {
    importPictures(1);
    saveAsThrough(folder.file(u"plain"));
    const std::u16string path = folder.file(u"plain.mrv");
    EXPECT_TRUE(exists(path));
    EXPECT_FALSE(exists(folder.file(u"plain")));
    EXPECT_EQ(lastLogLine(), u"Write Morva : " + path);
    EXPECT_EQ(title(), baseTitle + L" : " + w(path));
}

TEST_F(FileCommands, OpenKeepsTheUnsavedAnimationButClearsModified) {
    importPictures(3);
    const std::u16string path = writeAnimation(u"other.mrv");
    openThrough(path);
    EXPECT_FALSE(app->modified);
    ASSERT_TRUE(app->newFile);
    EXPECT_EQ(app->newFile->frameCount(), 3u);
    EXPECT_EQ(title(), baseTitle + L" : " + w(path));
    EXPECT_EQ(lastLogLine(), u"Open Morva : " + path);
    EXPECT_EQ(engine->steps, (lines{"begin", "background", "frame 4x2x8", "draw in (201,33,600,400)",
                                    "end", "release"}));
    EXPECT_EQ(engine->payloads, (std::vector<bytes>{{1, 2, 3}}));
    // Nothing is modified now: Save does nothing, and asks nothing.
    ASSERT_TRUE(app->command(IDM_FILE_SAVE));
    EXPECT_EQ(dialogs.requests.size(), 2u);
    ASSERT_TRUE(app->command(IDM_FILE_NEW));  // lets go of the file
    EXPECT_EQ(contentOf(path), original);
}

// Read-only for this program: another one reads it and lets nobody write.
TEST_F(FileCommands, AFileThatCannotBeWrittenOpensAndShowsItsFrames) {
    const std::u16string path = writeAnimation(u"read-only.mrv");
    const wchar_t* name = reinterpret_cast<const wchar_t*>(path.c_str());
    HANDLE reader = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileAttributesW(name, FILE_ATTRIBUTE_READONLY));
    openThrough(path);
    CloseHandle(reader);
    EXPECT_EQ(lastLogLine(), u"Open Morva : " + path);
    EXPECT_EQ(title(), baseTitle + L" : " + w(path));
    ASSERT_TRUE(app->openFile);
    EXPECT_EQ(app->openFile->frameCount(), 2u);
    EXPECT_EQ(engine->payloads, (std::vector<bytes>{{1, 2, 3}}));
    ASSERT_TRUE(app->command(IDM_FILE_NEW));
    EXPECT_EQ(contentOf(path), original);
    SetFileAttributesW(name, FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileCommands, OpenThenImportThenSaveReplacesTheFileWithAllNewFrames) {
    importPictures(2);
    const std::u16string path = writeAnimation(u"target.mrv");
    openThrough(path);
    writeSeries(folder, "more_", 1, 0, 1, 16, 8);
    importThrough(folder.file(u"more_0.bmp"));
    EXPECT_EQ(title(), baseTitle + L" : " + w(path) + L"(更新)");
    const size_t linesBefore = logLines().size();
    engine->steps.clear();

    ASSERT_TRUE(app->command(IDM_FILE_SAVE));
    EXPECT_EQ(dialogs.requests.size(), 3u) << "Save asked for a path";
    const bytes saved = contentOf(path);
    ASSERT_GE(saved.size(), 20u);
    EXPECT_EQ(bytes(saved.begin(), saved.begin() + 20), headerBytes(3, 16, 8));
    EXPECT_FALSE(app->modified);
    EXPECT_FALSE(app->openFile->openPath());
    EXPECT_EQ(title(), baseTitle + L" : " + w(path));
    EXPECT_EQ(logLines().size(), linesBefore);
    EXPECT_TRUE(engine->steps.empty());
    EXPECT_EQ(mainWindow().frameSource, app->openFile.get());
}

TEST_F(FileCommands, SaveAsOverTheOpenFileReplacesIt) {
    const std::u16string path = writeAnimation(u"same.mrv");
    openThrough(path);
    importPictures(2);
    saveAsThrough(path);
    const bytes saved = contentOf(path);
    ASSERT_GE(saved.size(), 20u);
    EXPECT_EQ(bytes(saved.begin(), saved.begin() + 20), headerBytes(2, 16, 8));
    EXPECT_EQ(lastLogLine(), u"Write Morva : " + path);
    EXPECT_FALSE(app->openFile->openPath());
    EXPECT_EQ(mainWindow().frameSource, app->newFile.get());
    EXPECT_EQ(title(), baseTitle + L" : " + w(path));
}

TEST_F(FileCommands, SaveAfterTheOpenFileWasClosedUsesTheSavedPath) {
    const std::u16string opened = writeAnimation(u"opened.mrv");
    openThrough(opened);
    importPictures(1);
    const std::u16string path = folder.file(u"copy.mrv");
    saveAsThrough(path);
    importPictures(2);
    ASSERT_TRUE(app->command(IDM_FILE_SAVE));
    EXPECT_EQ(dialogs.requests.size(), 4u) << "Save asked for a path";
    const bytes saved = contentOf(path);
    ASSERT_GE(saved.size(), 20u);
    EXPECT_EQ(bytes(saved.begin(), saved.begin() + 20), headerBytes(3, 16, 8));
    EXPECT_EQ(contentOf(opened), original);
    EXPECT_FALSE(app->modified);
}

TEST_F(FileCommands, NewDiscardsEverything) {
    importPictures(2);
    const std::u16string temporary(app->newFile->tempName.data);
    EXPECT_TRUE(exists(temporary));
    openThrough(writeAnimation(u"any.mrv"));
    engine->steps.clear();
    ASSERT_TRUE(app->command(IDM_FILE_NEW));
    EXPECT_FALSE(app->newFile);
    EXPECT_FALSE(app->openFile);
    EXPECT_FALSE(app->modified);
    EXPECT_EQ(mainWindow().frameSource, nullptr);
    EXPECT_EQ(title(), baseTitle);
    EXPECT_EQ(engine->steps, (lines{"begin", "background", "end"}));
    EXPECT_EQ(lastLogLine().rfind(u"Open Morva : ", 0), 0u) << "New writes no log line";
    EXPECT_FALSE(exists(temporary));
}

TEST_F(FileCommands, AFileThatCannotBeOpenedIsLoggedAndNotKept) {
    importPictures(1);
    const std::u16string missing = folder.file(u"missing.mrv");
    openThrough(missing);
    EXPECT_EQ(logLines().end()[-2], u"Open Morva : " + missing);
    EXPECT_EQ(lastLogLine(), u"Open error : cannot open the file, system error 2");
    EXPECT_FALSE(app->openFile);
    EXPECT_TRUE(app->modified);
    EXPECT_EQ(title(), newAndModified);
    EXPECT_EQ(engine->steps, (lines{"begin", "background", "end"}));
}

TEST_F(FileCommands, ADamagedFileIsLoggedAndReleased) {
    const std::u16string damaged = folder.file(u"damaged.mrv");
    bytes content = original;
    content[0] = 'X';
    writeFile(damaged, content);
    openThrough(damaged);
    EXPECT_EQ(lastLogLine(), u"Open error : not a Morva file, or damaged");
    EXPECT_FALSE(app->openFile);
    EXPECT_EQ(title(), baseTitle);
    EXPECT_TRUE(removeFile(damaged.c_str())) << "the damaged file is still held";
}

}  // namespace
