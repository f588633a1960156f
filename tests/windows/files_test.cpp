// The file commands and the import, where a user could lose a file.
#include "tests/windows/fixture.h"

const std::string at = "draw in 201,33,600,400";
const lines drawnFrame = {"begin", "background", "frame 16x8x8", at, "end", "release"};

class Files : public ProgramTest {
protected:
    std::string said() { return title() + " | " + log().back(); }
    void importFrames(uint32_t count, const text16& prefix = u"w_", uint32_t first = 0) {
        writeSeries(folder, prefix, 3, first, count, 16, 8);
        command(IDM_IMPORT_BMP, file(prefix + (first ? u"001" : u"000") + u".bmp"));
    }
    std::vector<bytes> stored() {
        fakeengine reader;
        TMPfile& store = *app->animation.frameStore();
        for (uint32_t i = 0; i < store.frameCount(); ++i) store.makeFrame(reader, i);
        return reader.payloads;
    }
    // Nothing unsaved: no dialog, line or file; `saved` (rewritten first) kept.
    void expectNothingToSave(const text16& saved) {
        writeFile(saved, {1});
        const auto state = [&] {
            return std::tuple(requests.size(), log(), folder.names(), readFile(saved));
        };
        const auto before = state();
        for (uint32_t id : {IDM_FILE_SAVE, IDM_FILE_SAVE_AS}) command(id, file(u"none.mrv"));
        EXPECT_EQ(state(), before);
    }
    // A refused save: the log names the path and code; all else stays.
    void expectRefused(uint32_t id, const text16& target, const std::string& codes) {
        const auto state = [&] {
            return std::tuple(title(), app->animation.canSave(), folder.names(), stored(),
                              readFile(target));
        };
        const auto before = state();
        command(id, target);
        const std::string line = log().back(),
                          start = "Write Morva error : " + utf8(target) + " (system error ";
        EXPECT_TRUE(line.rfind(start, 0) == 0 &&
                    codes.find(" " + line.substr(start.size())) != std::string::npos)
            << line;
        EXPECT_EQ(state(), before);
    }
    // Two frames of `size` bytes saved over `old` where they cannot fit.
    void expectNoRoomFor(const text16& target, uint32_t size, const std::string& codes) {
        writeFile(target, old);
        ASSERT_TRUE(app->animation.beginImport(16, 8).ok());
        for (const bytes& frame : {randomBytes(size, 7), randomBytes(size, 8)})
            ASSERT_TRUE(app->animation.frameStore()->appendFrame(frame.data(), size));
        replaceAnswer = true;
        expectRefused(IDM_FILE_SAVE_AS, target, codes);
    }

    const bytes old = soundMrv(2, 2, {randomBytes(90, 2)});
};

// Save As asks before replacing a file.
TEST_F(Files, ARoadWithJapaneseNames) {
    const text16 anime = file(u"アニメ.mrv");
    const auto titled = base + " : " + utf8(anime);
    importFrames(3, u"歩く");
    // Faster than 30 a second: the first and the last.
    EXPECT_EQ(engine->take(), (lines{"picture 16x8", "begin", "background", at, "end", "release",
                                     "picture 16x8", "begin", "background", at, "end", "release"}));
    EXPECT_EQ(engine->pictures.back(), seriesPicture(2, 16, 8).rows);
    EXPECT_FALSE(barShown());

    const bytes saved = soundMrv(16, 8, stored());
    writeFile(anime, {9});
    command(IDM_FILE_SAVE_AS, file(u"アニメ"));  // answered No
    EXPECT_EQ(std::pair(questions, readFile(anime)), std::pair(lines{utf8(anime)}, bytes{9}));
    replaceAnswer = true;
    command(IDM_FILE_SAVE_AS, anime);
    EXPECT_EQ(readFile(anime), saved);
    EXPECT_EQ(said(), titled + " | Write Morva : " + utf8(anime));
    EXPECT_EQ(engine->take(), drawnFrame);
    command(IDM_FILE_NEW);
    EXPECT_EQ(engine->take(), (lines{"begin", "background", "end"}));
    command(IDM_FILE_OPEN, anime);
    EXPECT_EQ(said(), titled + " | Open Morva : " + utf8(anime));
    // A series without picture 0 leaves nothing to save.
    importFrames(2, u"s_", 1);
    command(IDM_FILE_SAVE);
    EXPECT_EQ(std::pair(title(), readFile(anime)), std::pair(titled, saved));
}

using Refused = Files;

// The opened file held (no deletion shared), then read-only; then Save writes it, not x, and
// shows it.
TEST_F(Refused, AFileHeldOrReadOnly) {
    const text16 x = file(u"x.mrv"), y = file(u"y.mrv");
    const fs::path yPath(y);
    importFrames(2);
    command(IDM_FILE_SAVE_AS, x);
    const bytes xBytes = readFile(x);
    writeFile(y, old);
    command(IDM_FILE_OPEN, y);
    importFrames(2);
    HANDLE holder = CreateFileW(yPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    expectRefused(IDM_FILE_SAVE, y, " 5)");
    CloseHandle(holder);
    SetFileAttributesW(yPath.c_str(), FILE_ATTRIBUTE_READONLY);
    expectRefused(IDM_FILE_SAVE, y, " 5)");
    SetFileAttributesW(yPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    engine->take();
    command(IDM_FILE_SAVE);
    const auto frames = stored();
    ASSERT_EQ(frames.size(), 4u);  // since the last New
    EXPECT_EQ(std::tuple(requests.size(), title(), readFile(x), questions.size(), readFile(y),
                         engine->take()),
              std::tuple(size_t(4), base + " : " + utf8(y), xBytes, size_t(0),
                         soundMrv(16, 8, frames), drawnFrame));
    expectNothingToSave(y);
    command(IDM_FILE_NEW);
    EXPECT_EQ(readFile(y), bytes{1});  // kept by New
}

// The Wine launch's ulimit -f, passed by the saved file: Wine says 31, 112 or 223.
TEST_F(Refused, AFileSizeLimitHalfWay) {
    const char* limit = std::getenv("MORVA_FILE_SIZE_LIMIT");
    if (!limit) GTEST_SKIP() << "MORVA_FILE_SIZE_LIMIT unset";
    expectNoRoomFor(file(u"limited.mrv"), uint32_t(atoi(limit)) / 2, " 31) 112) 223)");
}

TEST_F(Refused, AFullDisk) {
    const char* disk = std::getenv("MORVA_SMALL_DISK");
    if (!disk) GTEST_SKIP() << "MORVA_SMALL_DISK unset";
    expectNoRoomFor(fs::path("Z:" + std::string(disk) + "/full.mrv").make_preferred().u16string(),
                    200000, " 112)");
}

TEST_F(Files, AMissingTemporaryFolder) {
    const std::wstring saved = _wgetenv(L"TMP");
    const text16 missing = file(u"absent\\");
    SetEnvironmentVariableW(L"TMP", fs::path(missing).c_str());
    importFrames(2);
    SetEnvironmentVariableW(L"TMP", saved.c_str());
    EXPECT_EQ(said(), base + " | Temporary file error : " + utf8(missing) + " (system error 3)");
    EXPECT_FALSE(app->animation.frameStore() || barShown());
}

TEST_F(Files, DialogsAndUnopenable) {
    const text16 damaged = file(u"damaged.mrv");
    expectNothingToSave(damaged);
    writeFile(damaged, {'M', 'o', 'R', 'v', 9});
    command(IDM_FILE_OPEN);  // cancelled: nothing changes
    command(IDM_IMPORT_BMP);
    importFrames(1);
    command(IDM_FILE_SAVE_AS);
    const std::string mrv = "モルバファイル (*.mrv)", bmp = "ビットマップファイル (*.bmp)",
                      bmpOpen = bmp + " を開く | " + bmp + ";*.bmp; | *.bmp | 2625536 | bmp",
                      mrvOpen = mrv + " を開く | " + mrv + ";*.mrv; | *.mrv | ";
    EXPECT_EQ(requests,
              (lines{mrvOpen + "2625536 | mrv", bmpOpen, bmpOpen, mrvOpen + "2664450 | mrv"}));
    command(IDM_FILE_OPEN, damaged);
    command(IDM_FILE_OPEN, file(u"absent.mrv"));
    EXPECT_EQ(std::pair(title(), log()),
              std::pair(base + " : (新規)(更新)",
                        lines{"Application Start!", "Directory " + utf8(folder.folder),
                              "Total 1 files exists.", "Open Morva : " + utf8(damaged),
                              "Open error : not a Morva file, or damaged",
                              "Open Morva : " + utf8(file(u"absent.mrv")),
                              "Open error : cannot open the file, system error 2"}));
}
