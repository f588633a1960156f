// The BMP reader and the series import: damaged pictures, log lines, frames.
#include "animfile/document.h"
#include "codec/rle8decoder.h"
#include "import/bmpfile.h"
#include "import/seriesname.h"
#include "tests/support/fakeengine.h"
#include "tests/support/faults.h"
#include "tests/support/files.h"
#include "tests/support/imagemagick.h"
#include "tests/support/notinghost.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

namespace {

// The 8 x 4 picture (32 bytes of rows) with fields changed.
#define WITH(...)                             \
    [&] {                                     \
        testpicture p = patternPicture(8, 4); \
        __VA_ARGS__;                          \
        return p;                             \
    }()

testpicture claiming(int32_t width, int32_t height, int64_t fileSize = -1) {
    return WITH(p.width = width; p.height = height; p.bfSize = fileSize; p.biSizeImage = 0);
}

// takes: 2 read, 1 counted only, 0 refused. No header field sizes a buffer.
TEST(BmpFile, DamagedPictures) {
    const std::pair<testpicture, int> cases[] = {
        {WITH(), 2},
        {WITH(p.biSize = 64; p.bfOffBits = 14 + 64 + 1024), 0},
        {WITH(p.biSizeImage = 0), 2},
        {WITH(p.biSizeImage = 0; p.truncateTo = 1078 + 31), 0},
        {WITH(p.bfOffBits = 70000), 2},
        {WITH(p.truncateTo = 0), 0},
        {WITH(p.truncateTo = 13), 0},
        {WITH(p.truncateTo = 1077), 0},  // in the colour table
        {WITH(p.truncateTo = 1078 + 11), 0},
        {WITH(p.bfType = 0x424D), 0},
        {WITH(p.biSize = 12), 0},
        {WITH(p.biBitCount = 1), 0},
        {WITH(p.biBitCount = 24; p.width = 2), 0},  // its rows would fit
        {WITH(p.biCompression = 1), 1},
        {WITH(p.biCompression = 1; p.height = -4), 0},  // a stream runs bottom-up
        {WITH(p.biCompression = 2), 0},
        {claiming(0, 4), 0},
        {claiming(-8, 4), 0},
        {claiming(8, 0), 0},
        {claiming(8, INT32_MIN), 0},
        {claiming(70000, 70000, 0xFFFFFFFF), 0},
        {claiming(16000, 16000, 1078 + 256000000), 0},  // bfSize lies
        {claiming(16385, 16384, 1078 + 268451840), 0},
        {WITH(p.bfOffBits = 1074), 0},                   // rows inside the table
        {WITH(p.bfOffBits = 50; p.biClrUsed = 1), 0},    // or the header
        {WITH(p.bfOffBits = 1074; p.biClrUsed = 0), 0},  // a short table, none said used
        {WITH(p.bfSize = 1077), 2},
        {WITH(p.bfSize = 1078 + 30), 2},  // 2 short, as some editors leave it
        {WITH(p.biSizeImage = 33), 0}};
    bmpfile r;  // one for all, as the import has: nothing of a picture before counts
    for (const auto& c : cases) {
        const auto& [picture, takes] = c;
        SCOPED_TRACE(&c - cases);
        scratchfolder dir;
        const text16 path = dir.file(u"p.bmp");
        const bytes file = bmpBytes(picture);
        writeFile(path, file);
        ASSERT_TRUE(r.open(path.c_str()));
        EXPECT_EQ(r.readHeaders(), takes > 0);
        EXPECT_EQ(r.state() == bmpstate::headersRead, takes > 0);
        ASSERT_TRUE(r.open(path.c_str()));
        EXPECT_EQ(r.encode(6) > 0, takes > 1);
        EXPECT_EQ(r.pixelBufferSize(), 4096u);
        if (takes > 1) {  // as engines take it: header and table as the file has them
            const auto* info = reinterpret_cast<const uint8_t*>(&r.info());
            EXPECT_EQ(bytes(info, info + bmpInfoBlockSize), bytes(&file[14], &file[1078]));
            EXPECT_EQ(bytes(r.pixels(), r.pixels() + 32), picture.rows);
        }
    }
}

#ifndef _WIN32
// Forms ImageMagick writes of many grey levels: taken, they give the rows it reads; cut, none.
TEST(BmpFile, FormsImageMagickWrites) {
    constexpr int32_t width = 19, height = 14, stride = 20;
    // The header size and compression ImageMagick wrote.
    const std::tuple<std::string, uint32_t, uint32_t> forms[] = {
        {"BMP3:", 40, 0},
        {"BMP:", 124, 0},
        {"-intent Undefined -set gamma 0.45455 BMP:", 108, 0},
        {"-flip BMP3:", 40, 0},
        {"-compress RLE BMP3:", 40, 1},
        {"-colors 40 BMP3:", 40, 0},
        {"-colors 40 -compress RLE BMP3:", 40, 1}};
    scratchfolder dir;
    const text16 grey = dir.file(u"grey.bmp"), made = dir.file(u"made.bmp");
    writeFile(grey, bmpBytes({width, height, randomBytes(stride * height, 10)}));  // random levels
    for (const auto& [opts, header, compression] : forms) {
        SCOPED_TRACE(opts);
        ASSERT_TRUE(convert("'" + utf8(grey) + "' -type Palette -compress None " + opts + "'" +
                            utf8(made) + "'"));
        bytes file = readFile(made);
        const auto set32 = [&](size_t at, uint32_t value) { std::memcpy(&file[at], &value, 4); };
        ASSERT_EQ(std::tuple(file[14], file[30]), std::tuple(header, compression));
        if (opts.find("-flip") == 0) set32(22, uint32_t(-height));  // its rows top-down
        if (opts.find("-colors") == 0) {  // the table cut to the 40 entries used
            file.erase(file.begin() + 54 + 160, file.begin() + 54 + 1024);
            set32(2, uint32_t(file.size()));
            set32(10, 54 + 160);
            set32(46, 40);
        }
        writeFile(made, file);
        bmpfile r;
        ASSERT_TRUE(r.open(made.c_str()) && r.readHeaders());
        EXPECT_FALSE(faults::during(faults::readsEnd, [&] { return r.load(); }));
        ASSERT_TRUE(r.load());
        const bmpinfoheader& i = r.info();  // as engines read it: plain rows after 40 bytes
        EXPECT_EQ(std::tuple(i.biSize, i.biHeight, i.biCompression, i.biSizeImage),
                  std::tuple(40, 14, 0, 280));
        bytes shown;  // top-down through the colour table
        for (int32_t row = height - 1; row >= 0; --row)
            for (int32_t x = 0; x < width; ++x)
                shown.push_back(i.colourTable[r.pixels()[row * stride + x]][0]);
        EXPECT_EQ(shown, greyLevels(utf8(made)));  // not the source's: a form may merge levels
    }
}
#endif

// One reader for an import's pictures; a smaller one reuses the buffers.
TEST(BmpFile, OneReaderForManyPictures) {
    scratchfolder dir;
    const testpicture small = patternPicture(5, 3, 2);
    const text16 worst = dir.file(u"w.bmp"), tiny = dir.file(u"s.bmp");
    writeFile(worst, bmpBytes(patternPicture(3, 2048)));
    writeFile(tiny, bmpBytes(small));
    bmpfile r;
    ASSERT_TRUE(r.open(worst.c_str()));
    EXPECT_EQ(r.encode(8), 2048u * 8 + 2);  // three singles a row: twice the stride, and 2 bytes
    ASSERT_TRUE(r.open(tiny.c_str()));      // the large one forgotten
    for (uint32_t depth = 1; depth <= 8; ++depth) {
        const uint32_t size = r.encode(depth);
        bytes got(15);
        ASSERT_EQ(decodeRle8(r.payload(), size, 5, 3, got.data(), 15, 5).status, rle8status::ok);
        EXPECT_EQ(got, cutPixels(small, depth)) << depth;
    }
    r.closeFile();      // the import may show a picture after closing its file
    fakeengine engine;  // shown at full depth
    ASSERT_TRUE(r.show(engine, rect{1, 2, 30, 40}));
    EXPECT_EQ(engine.take(),
              (lines{"picture 5x3", "begin", "background", "draw in 1,2,30,40", "end", "release"}));
    EXPECT_EQ(engine.pictures, std::vector<bytes>{small.rows});
    EXPECT_EQ(r.pixelBufferSize(), 4u * 2048);
    // Nothing of the last picture after a failed open.
    EXPECT_FALSE(r.encode(0) || r.open(dir.file(u"absent.bmp").c_str()) || r.encode(8));
    r.close();  // after the largest payload: new buffers for the next
    EXPECT_FALSE(r.pixelBufferSize() || r.payloadSize() || r.encode(8));
    ASSERT_TRUE(r.open(tiny.c_str()));
#ifndef _WIN32
    const long held = openFiles();  // the reader's among them
    r.closeFile();
    EXPECT_EQ(openFiles(), held - 1);
    ASSERT_TRUE(r.open(tiny.c_str()));
    r.close();
    EXPECT_EQ(openFiles(), held - 1);
    ASSERT_TRUE(r.open(tiny.c_str()));
#endif
    EXPECT_GT(r.encode(8), 0u);
}

class Import : public testing::Test {
protected:
    void import(const text16& name, document* into = nullptr) {
        host.events.clear();
        importPicture(host, into ? *into : doc, 6, folder.file(name));
    }
    void series(uint32_t count) { writeSeries(folder, u"w_", 3, 0, count, 16, 8); }
    void remove(const text16& name) { removeFile(folder.file(name).c_str()); }
    bytes saved(const text16& name) {
        EXPECT_TRUE(doc.save(folder.file(name).c_str()).ok());
        return readFile(folder.file(name));
    }
    lines log() { return logLines(host.log->text()); }
    std::string directory() { return "Directory " + utf8(folder.folder); }
    uint32_t count() { return doc.frameStore()->frameCount(); }

    scratchfolder folder{u"歩く"};
    notinghost host;
    document doc;
};

TEST_F(Import, TheWholeSeriesFromZero) {
    writeSeries(folder, u"歩く_", 3, 0, 3, 13, 5);
    import(u"歩く_001.bmp");
    const std::string f = "~File : 歩く_00", f0 = f + "0.bmp", f1 = f + "1.bmp", f2 = f + "2.bmp";
    EXPECT_EQ(host.events, (lines{directory(), f0, f1, f2, f + "3.bmp", "Total 3 files exists.",
                                  "[progress 0..3]", "[title]", "[at 0]", f0, "[show]", "[at 1]",
                                  f1, "[show]", "[at 2]", f2, "[show]", "[hide]"}));
    for (uint32_t n = 0; n < 3; ++n)  // at full depth
        EXPECT_EQ(host.shown[n], seriesPicture(n, 13, 5).rows);
}

// Of five pictures, the last chosen, one removed (none given) or replaced: series that end
// early or fail the count; frames: -1 when no store was made.
TEST_F(Import, SeriesAndTheirEnds) {
    const std::tuple<const char16_t*, std::optional<testpicture>, std::string, int> cases[] = {
        {u"w_000.bmp", {}, "Total 0 files exists.", -1},
        {u"w_002.bmp", {}, "Total 2 files exists.", 2},
        {u"w_003.bmp", seriesPicture(3, 18, 9), "BMP #3 had invlid width 18 instead 16", -1},
        {u"w_003.bmp", seriesPicture(3, 16, 10), "BMP #3 has invalid height 10 instead 8", -1},
        {u"w_002.bmp", WITH(p.biBitCount = 24), "File : w_002.bmp : Invalid Bitmap Format", -1}};
    for (const auto& [changed, picture, line, frames] : cases) {
        SCOPED_TRACE(line);
        series(5);
        if (picture)
            writeFile(folder.file(changed), bmpBytes(*picture));
        else
            remove(changed);
        document fresh;
        host = notinghost();
        import(u"w_004.bmp", &fresh);
        EXPECT_EQ(log(), (lines{directory(), line}));
        EXPECT_EQ(fresh.frameStore() ? int(fresh.frameStore()->frameCount()) : -1, frames);
        EXPECT_EQ(fresh.isModified(), frames >= 0);
    }
}

// Into a saved animation or a new one.
TEST_F(Import, FailedImportsChangeNothing) {
    series(3);
    writeSeries(folder, u"b_", 2, 0, 2, 10, 4);
    import(u"w_000.bmp");
    const bytes before = saved(u"a.mrv");
    import(u"b_01.bmp");
    EXPECT_EQ(host.events.back(), "BMP size 10 x 4 differs from the animation's 16 x 8");
    EXPECT_EQ(host.events.end()[-2], "Total 2 files exists.");
    document fresh;
#ifndef _WIN32  // no temporary folder: the log says so
    (tmpdirset(utf8(folder.file(u"absent"))), import(u"w_000.bmp", &fresh));
    EXPECT_EQ((tmpdirset(""), temporaryFolder()), u"/tmp/");
    EXPECT_EQ(log().back(),
              "Temporary file error : " + utf8(folder.file(u"absent/")) + " (system error 2)");
#endif
    host.onTitle = [&] { remove(u"w_000.bmp"); };  // lost after the count
    for (document* into : {&doc, &fresh}) {
        series(1);
        import(u"w_000.bmp", into);
        EXPECT_EQ(host.events.end()[-3], "File Open error");
        EXPECT_EQ(host.events.back(), "[title]");
        EXPECT_FALSE(into->isModified());
    }
    EXPECT_FALSE(fresh.frameStore());
    EXPECT_EQ(saved(u"again.mrv"), before);
}

TEST_F(Import, FaultsInTheFramePass) {
    series(4);
    // Resized after the count: an empty frame; removed: the pass ends, frames kept.
    host.onShow = [&] {
        if (host.shown.size() == 1)
            writeFile(folder.file(u"w_001.bmp"), bmpBytes(seriesPicture(1, 20, 8)));
        if (host.shown.size() == 2) remove(u"w_003.bmp");
    };
    import(u"w_000.bmp");
    EXPECT_EQ(log(), (lines{directory(), "Total 4 files exists.", "File : w_001.bmp",
                            "Encode Error", "File Open error"}));
    EXPECT_EQ(host.events.back(), "[hide]");
    fakeengine engine;
    doc.frameStore()->makeFrame(engine, 1);
    EXPECT_EQ(engine.payloads, std::vector<bytes>{bytes{}});
    EXPECT_TRUE(count() == 3 && doc.isModified());

    host.onShow = nullptr;  // the store's frame limit ends the count
    while (count() < TMPfile::maxFrames - 2) doc.frameStore()->appendFrame(nullptr, 0);
    series(4);
    import(u"w_000.bmp");
    EXPECT_EQ(log().end()[-2], "BMP #2 and later exceed the frame limit of 65535");
    EXPECT_EQ(log().back(), "Total 2 files exists.");
    EXPECT_EQ(count(), TMPfile::maxFrames);
    // A full store takes nothing; a saved one stays saved.
    saved(u"full.mrv");
    import(u"w_000.bmp");
    EXPECT_EQ(log().end()[-2], "BMP #0 and later exceed the frame limit of 65535");
    EXPECT_EQ(host.events.back(), "Total 0 files exists.");
    EXPECT_FALSE(doc.isModified());

    document other;  // a frame the store cannot take ends the import
    host.onShow = [&] {
        while (host.shown.size() == 6 && other.frameStore()->appendFrame(nullptr, 0)) {
        }
    };
    import(u"w_000.bmp", &other);
    EXPECT_EQ(log().back(), "File : w_001.bmp : Frame Write error");
    EXPECT_EQ(other.frameStore()->frameCount(), TMPfile::maxFrames);
}

// A deep folder: the series ends where the names pass 255 characters.
TEST_F(Import, NamesTooLongEndTheSeries) {
    const text16 prefix(size_t(seriesname::maxLength) - folder.folder.size() - 6, u'w');
    writeSeries(folder, prefix, 2, 0, 101, 4, 2);
    import(prefix + u"07.bmp");
    EXPECT_EQ(log(), (lines{directory(), "BMP #100 and later have names longer than 255 characters",
                            "Total 100 files exists."}));
    remove(prefix + u"99.bmp");  // a name of 255 is whole
    host = notinghost();
    import(prefix + u"07.bmp");
    EXPECT_EQ(log(), (lines{directory(), "Total 99 files exists."}));
}

}  // namespace
