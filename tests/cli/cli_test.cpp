// morvacli in-process: pack against the program's own import and Save As,
// unpack and gif against ImageMagick's decoding, and every bad argument or
// input against one line on stderr and nothing written.
#include "animfile/document.h"
#include "cli/commands.h"
#include "cli/pictures.h"
#include "import/bmpimport.h"
#include "platform/utf8.h"
#include "tests/support/files.h"
#include "tests/support/imagemagick.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
constexpr int32_t width = 7, height = 5;
constexpr uint32_t count = 3;

// Picture n of every series; a frame at depth 6 keeps its levels & 0xFC.
uint8_t level(uint32_t n, int32_t x, int32_t y) { return uint8_t(x * 37 + y * 11 + n * 50); }

struct result {
    int status;
    std::string out, err;
};

result morvacli(const std::vector<std::string>& words, bool terminal = false) {
    std::vector<std::u16string> arguments;
    for (const std::string& word : words) arguments.push_back(utf16Of(word));
    std::ostringstream out, err;
    console io{out, err, terminal};
    const int status = runMorvacli(arguments, io);
    return {status, out.str(), err.str()};
}

// What the program does with no window: the import, logged nowhere.
struct quiethost final : importhost {
    void appendLine(const char16_t*, int32_t) override {}
    void removeLastLine() override {}
    void showProgress(uint32_t) override {}
    void setProgress(uint32_t) override {}
    void hideProgress() override {}
    void showPicture(bmpfile&) override {}
    void updateTitle() override {}
};

class Morvacli : public ::testing::Test {
protected:
    void SetUp() override {
        writeSeries("walk", count, width);
        writeSeries("wide", 2, width);
        writeSeries("wide", 2, width + 2, 1);  // picture 1 is 2 pixels wider
        writeSeries("bad", 3, width);
        fs::resize_file(fs::path(dir.file(u"bad002.bmp")), 20);
        writeSeries("late", 2, width, 1);
        ASSERT_EQ(morvacli({"pack", at("walk000.bmp"), "-o", at("good.mrv")}).status, 0);
    }

    void writeSeries(const std::string& prefix, uint32_t last, int32_t pictureWidth,
                     uint32_t first = 0) {
        const size_t stride = size_t(pictureWidth + 3) / 4 * 4;
        for (uint32_t n = first; n < last; ++n) {
            std::vector<uint8_t> rows(stride * height, 0);
            for (int32_t y = 0; y < height; ++y)
                for (int32_t x = 0; x < pictureWidth; ++x)
                    rows[(height - 1 - y) * stride + x] = level(n, x, y);
            const std::u16string name = utf16Of(at(prefix + "00" + std::to_string(n) + ".bmp"));
            filehandle file = createFile(name.c_str(), fileshare::none);
            ASSERT_TRUE(writeBmp(file, {rows.data(), pictureWidth, height, stride}));
        }
    }

    std::string at(const std::string& name) const { return utf8(dir.file(utf16Of(name))); }
    bytes contentOf(const std::string& name) const { return readFile(dir.file(utf16Of(name))); }

    std::set<fs::path> everything() const {
        return {fs::recursive_directory_iterator(fs::path(dir.folder)), fs::recursive_directory_iterator()};
    }

    // The frames as pictures show them: rows top-down, at depth 6.
    static std::vector<uint8_t> expectedFrames(uint32_t frames) {
        std::vector<uint8_t> levels;
        for (uint32_t n = 0; n < frames; ++n)
            for (int32_t y = 0; y < height; ++y)
                for (int32_t x = 0; x < width; ++x) levels.push_back(level(n, x, y) & 0xFC);
        return levels;
    }

    scratchfolder dir;
};

}  // namespace

TEST_F(Morvacli, PackWritesWhatTheProgramSavesAfterTheSameImport) {
    for (const std::string depth : {"1", "6", "8"}) {
        const result packed =
            morvacli({"pack", at("walk001.bmp"), "-o", at("packed.mrv"), "--depth", depth});
        EXPECT_EQ(packed.status, 0);
        EXPECT_NE(packed.out.find("\nTotal 3 files exists.\n"), std::string::npos) << packed.out;
        EXPECT_EQ(packed.err, "") << "no progress bar off a terminal";

        quiethost host;
        document program;
        const std::u16string chosen = utf16Of(at("walk001.bmp"));
        importSeries(host, program, uint32_t(std::stoul(depth)), chosen.c_str(),
                     uint32_t(chosen.size() - 11), uint32_t(chosen.size() - 3));
        ASSERT_TRUE(program.save(utf16Of(at("saved.mrv")).c_str()).ok());
        EXPECT_EQ(contentOf("packed.mrv"), contentOf("saved.mrv")) << "depth " << depth;
    }
    const result shown = morvacli({"pack", at("walk001.bmp"), "-o", at("packed.mrv")}, true);
    EXPECT_NE(shown.err.find("] 3/3"), std::string::npos) << "a progress bar on a terminal";
}

TEST_F(Morvacli, UnpackGivesPicturesThatPackTurnsBackIntoTheSameFile) {
    ASSERT_EQ(morvacli({"unpack", at("good.mrv"), "-o", at("bmp")}).status, 0);
    ASSERT_EQ(morvacli({"unpack", at("good.mrv"), "-o", at("png"), "--format", "png"}).status, 0);
    ASSERT_EQ(
        morvacli({"pack", at("bmp/good000.bmp"), "-o", at("again.mrv"), "--depth", "8"}).status, 0);
    EXPECT_EQ(contentOf("again.mrv"), contentOf("good.mrv"));
    EXPECT_FALSE(exists(dir.file(u"bmp/good003.bmp")));
#ifndef _WIN32
    for (const std::string picture : {"bmp/good00", "png/good00"}) {
        std::vector<uint8_t> seen;
        for (uint32_t n = 0; n < count; ++n) {
            const std::vector<uint8_t> frame =
                greyLevels(at(picture + std::to_string(n) + (picture[0] == 'b' ? ".bmp" : ".png")));
            seen.insert(seen.end(), frame.begin(), frame.end());
        }
        EXPECT_EQ(seen, expectedFrames(count)) << picture;
    }
#endif
}

TEST_F(Morvacli, GifHoldsEveryFrameAtItsDelayAndLoops) {
    const result made = morvacli({"gif", at("good.mrv"), "-o", at("good.gif"), "--fps", "30"});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::vector<uint8_t> gif = contentOf("good.gif");
    ASSERT_GT(gif.size(), 6u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
#ifndef _WIN32  // Wine's imaging component writes no delays: the Windows build warns there
    EXPECT_EQ(made.err, "");
    EXPECT_EQ(greyLevels(at("good.gif")), expectedFrames(count));
    std::vector<uint8_t> delays;
    ASSERT_TRUE(convert("'" + at("good.gif") + "' -format '%T,' info:-", &delays));
    EXPECT_EQ(std::string(delays.begin(), delays.end()), "3,4,3,")
        << "1/30 s each, kept in hundredths";
    const std::string loop = std::string("NETSCAPE2.0\x03\x01", 13) + std::string(3, '\0');
    EXPECT_NE(std::string(gif.begin(), gif.end()).find(loop), std::string::npos)
        << "loops for ever";
#endif
}

TEST_F(Morvacli, BadArgumentsAndInputsGiveOneLineAndWriteNothing) {
    bytes hurt = contentOf("good.mrv");
    hurt[hurt[28] | hurt[29] << 8] = 0xFF;  // frame 1 starts with a run of 255 in a row of 7
    writeFile(dir.file(u"hurt.mrv"), hurt);
    writeFile(dir.file(u"junk.mrv"), {'M', 'o', 'R', 'x', 0, 0, 0, 0});
    struct badrun {
        std::vector<std::string> words;
        int status;
        std::string line;
    };
    const std::vector<badrun> runs = {
        {{"frobnicate"}, 2, "unknown command 'frobnicate'; morvacli --help lists them"},
        {{"pack", at("walk000.bmp")}, 2, "pack needs -o and an output name"},
        {{"pack", at("walk000.bmp"), "-o", at("o.mrv"), "--depth", "9"},
         2,
         "--depth takes a number from 1 to 8, not '9'"},
        {{"unpack", at("good.mrv"), "-o", at("o"), "--format", "jpg"},
         2,
         "--format takes bmp or png, not 'jpg'"},
        {{"gif", at("good.mrv"), "-o", at("o.gif"), "--fps", "0"},
         2,
         "--fps takes a number from 1 to 50, not '0'"},
        {{"info", at("good.mrv"), "-o", at("o")}, 2, "info takes no -o: it writes nothing"},
        {{"pack", at("bad000.bmp"), "-o", at("o.mrv")},
         1,
         "File : bad002.bmp : Invalid Bitmap Format"},
        {{"pack", at("wide000.bmp"), "-o", at("o.mrv")}, 1, "BMP #1 had invlid width 9 instead 7"},
        {{"pack", at("late001.bmp"), "-o", at("o.mrv")},
         1,
         "File : late000.bmp : not found: a series starts at number 0"},
        {{"pack", at("walk000.bmp"), "-o", at("none/o.mrv")},
         1,
         "cannot write " + at("none/o.mrv")},
        {{"info", at("junk.mrv")},
         1,
         at("junk.mrv") + ": not an animation file, or its header or index is damaged"},
        {{"check", at("hurt.mrv")}, 1, at("hurt.mrv") + ": 1 of 3 frames are damaged"},
        {{"unpack", at("hurt.mrv"), "-o", at("o")},
         1,
         at("hurt.mrv") + ": frame 1 is damaged: stopped at byte 0 of"},
        {{"gif", at("hurt.mrv"), "-o", at("o.gif")},
         1,
         at("hurt.mrv") + ": frame 1 is damaged: stopped at byte 0 of"},
    };
    const std::set<fs::path> before = everything();
    for (const badrun& run : runs) {
        SCOPED_TRACE(run.words[0] + " " + (run.words.size() > 1 ? run.words[1] : ""));
        const result failed = morvacli(run.words);
        EXPECT_EQ(failed.status, run.status);
        EXPECT_EQ(failed.err.rfind("morvacli: " + run.line, 0), 0u) << failed.err;
        EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
        EXPECT_EQ(everything(), before) << "nothing written, nothing left beside";
    }
    EXPECT_EQ(morvacli({"check", at("hurt.mrv")}).out,
              "frame 1: stopped at byte 0 of " + std::to_string(hurt[32]) +
                  ": a code runs outside its row or the frame\n");
}
