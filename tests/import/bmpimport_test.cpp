// The import's counting and frame passes without a window: a host that notes
// every call and keeps the log as the status log would, the frames checked
// against the encoder and decoded back.
#include "import/bmpimport.h"

#include "animfile/tmpfile.h"
#include "app/logbuffer.h"
#include "engines/rle8decoder.h"
#include "engines/softengine.h"
#include "import/bmpfile.h"
#include "import/frameencoder.h"
#include "tests/animfile/recordingengine.h"
#include "tests/import/bmpseries.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using lines = std::vector<std::string>;

// Notes log lines as they stay ("~" before a passing one) and the other calls
// in brackets, in the order they come.
class notinghost final : public importhost {
public:
    void appendLine(const char16_t* text, int32_t length) override {
        log.appendLine(text, length);
        events.push_back(narrowAscii(std::u16string(text, size_t(length))));
    }
    void removeLastLine() override {
        log.removeLastLine();
        events.back().insert(0, "~");
    }
    void showProgress(uint32_t total) override { note("progress 0.." + std::to_string(total)); }
    void setProgress(uint32_t position) override { note("at " + std::to_string(position)); }
    void hideProgress() override { note("hide"); }
    void showPicture(bmpfile& picture) override {
        note("show");
        shownPixels.emplace_back(picture.pixelData.get(), picture.pixelData.get() + picture.bytesRead);
        if (onShow) onShow();
    }
    uint32_t storedFrames() override { return store ? store->frameCount() : 0; }
    TMPfile& modifiedStore() override {
        note("modified");
        modified = true;
        if (!store) store = std::make_unique<TMPfile>(u"(new)");
        return *store;
    }
    void updateTitle() override { note("title"); }
    int32_t dataDepth() override { return depth; }

    // The lines the log holds at the end, passing ones gone.
    lines logLines() const {
        lines out;
        const std::string all = narrowAscii(log.text());
        for (size_t start = 0;;) {
            const size_t end = all.find("\r\n", start);
            out.push_back(all.substr(start, end - start));
            if (end == std::string::npos) return out;
            start = end + 2;
        }
    }

    lines events;
    logbuffer log;
    std::unique_ptr<TMPfile> store;
    bool modified = false;
    int32_t depth = 6;
    std::vector<bytes> shownPixels;
    std::function<void()> onShow;

private:
    void note(const std::string& what) { events.push_back("[" + what + "]"); }
};

class Import : public ::testing::Test {
protected:
    void SetUp() override { host.log.appendLine(u"Application Start!", 18); }

    void import(const std::u16string& chosenName) {
        const std::u16string path = folder.file(chosenName.c_str());
        const size_t dot = path.find_last_of(u'.');
        importSeries(host, path.c_str(), uint32_t(folder.folder.size()),
                     dot == std::u16string::npos ? 0 : uint32_t(dot + 1));
    }

    std::string directoryLine() const { return "Directory " + narrowAscii(folder.folder); }

    // The stored frames, as the store hands them to an engine.
    std::vector<createcall> frames() {
        recordingengine engine;
        for (uint32_t i = 0; i < host.store->frameCount(); ++i) host.store->makeFrame(engine, i);
        return engine.calls;
    }

    scratchfolder folder;
    notinghost host;
};

// The rows of a picture without their padding, cut down to `depth` bits.
bytes maskedPixels(const testpicture& picture, uint32_t depth) {
    bytes out;
    const uint32_t stride = testStride(picture.width);
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x)
            out.push_back(picture.rows[size_t(y) * stride + x] & depthMasks[depth - 1]);
    return out;
}

bytes decoded(const createcall& frame) {
    bytes out(size_t(frame.width) * size_t(frame.height));
    const rle8result result = decodeRle8(frame.payload.data(), frame.payload.size(), frame.width,
                                         frame.height, out.data(), out.size(), size_t(frame.width));
    EXPECT_EQ(result.status, rle8status::ok);
    return out;
}

TEST_F(Import, TheWholeSeriesFromZeroWhicheverPictureWasChosen) {
    writeSeries(folder, "walk_", 3, 0, 3, 13, 5);
    import(u"walk_001.bmp");

    EXPECT_EQ(host.events,
              (lines{directoryLine(), "~File : walk_000.bmp", "~File : walk_001.bmp",
                     "~File : walk_002.bmp", "~File : walk_003.bmp", "Total 3 files exists.",
                     "[progress 0..3]", "[modified]", "[title]",
                     "[at 0]", "~File : walk_000.bmp", "[show]",
                     "[at 1]", "~File : walk_001.bmp", "[show]",
                     "[at 2]", "~File : walk_002.bmp", "[show]", "[hide]"}));
    EXPECT_EQ(host.logLines(), (lines{"Application Start!", directoryLine(), "Total 3 files exists."}));
    EXPECT_TRUE(host.modified);

    ASSERT_EQ(host.store->frameCount(), 3u);
    EXPECT_EQ(host.store->storeHeader.width, 13);
    EXPECT_EQ(host.store->storeHeader.height, 5);
    const std::vector<createcall> stored = frames();
    for (uint32_t n = 0; n < 3; ++n) {
        const testpicture picture = seriesPicture(n, 13, 5);
        EXPECT_EQ(stored[n].payload, encoded(picture, 6)) << n;
        EXPECT_EQ(decoded(stored[n]), maskedPixels(picture, 6)) << n;
        // Shown as read, at full depth with the row padding: not the frame.
        EXPECT_EQ(host.shownPixels[n], picture.rows) << n;
    }
}

TEST_F(Import, ASeriesThatStartsAtOneIsEmpty) {
    writeSeries(folder, "walk_", 3, 1, 3, 8, 8);
    import(u"walk_002.bmp");
    EXPECT_EQ(host.events, (lines{directoryLine(), "~File : walk_000.bmp", "Total 0 files exists.",
                                  "[progress 0..0]", "[modified]", "[title]", "[hide]"}));
    ASSERT_TRUE(host.store);
    EXPECT_EQ(host.store->frameCount(), 0u);
    EXPECT_EQ(host.store->storeHeader.width, 0);
    EXPECT_EQ(host.store->storeHeader.height, 0);
    EXPECT_TRUE(host.modified);
}

TEST_F(Import, AGapEndsTheSeries) {
    writeSeries(folder, "walk_", 3, 0, 2, 8, 8);
    writeSeries(folder, "walk_", 3, 3, 2, 8, 8);
    import(u"walk_004.bmp");
    EXPECT_EQ(host.logLines().back(), "Total 2 files exists.");
    EXPECT_EQ(host.store->frameCount(), 2u);
}

TEST_F(Import, NumbersGoPast99WithTwoDigits) {
    writeSeries(folder, "w_", 2, 0, 102, 4, 2);
    import(u"w_05.bmp");
    EXPECT_EQ(host.logLines().back(), "Total 102 files exists.");
    EXPECT_EQ(host.store->frameCount(), 102u);
    EXPECT_EQ(host.events.end()[-3], "~File : w_101.bmp");
    const std::vector<createcall> stored = frames();
    EXPECT_EQ(stored[100].payload, encoded(seriesPicture(100, 4, 2), 6));
}

TEST_F(Import, ANameWithoutDigitsNumbersUnpadded) {
    writeSeries(folder, "walk", 0, 0, 11, 4, 2);
    import(u"walk.bmp");
    EXPECT_EQ(host.logLines().back(), "Total 11 files exists.");
    EXPECT_EQ(host.events[1], "~File : walk0.bmp");
    EXPECT_EQ(host.events[11], "~File : walk10.bmp");
}

TEST_F(Import, APictureOfAnotherWidthEndsTheCountAndChangesNothing) {
    writeSeries(folder, "walk_", 3, 0, 5, 16, 8);
    writePicture(folder.file(u"walk_003.bmp"), seriesPicture(3, 18, 9));
    import(u"walk_000.bmp");
    EXPECT_EQ(host.events, (lines{directoryLine(), "~File : walk_000.bmp", "~File : walk_001.bmp",
                                  "~File : walk_002.bmp", "~File : walk_003.bmp",
                                  "BMP #3 had invlid width 18 instead 16"}));
    EXPECT_FALSE(host.store);
    EXPECT_FALSE(host.modified);
}

TEST_F(Import, APictureOfAnotherHeightEndsTheCount) {
    writeSeries(folder, "walk_", 3, 0, 5, 16, 8);
    writePicture(folder.file(u"walk_003.bmp"), seriesPicture(3, 16, 10));
    import(u"walk_000.bmp");
    EXPECT_EQ(host.logLines().back(), "BMP #3 has invalid height 10 instead 8");
    EXPECT_FALSE(host.store);
}

TEST_F(Import, AnInvalidPictureEndsTheCount) {
    writeSeries(folder, "walk_", 3, 0, 4, 16, 8);
    testpicture damaged = seriesPicture(2, 16, 8);
    damaged.biBitCount = 24;
    writePicture(folder.file(u"walk_002.bmp"), damaged);
    import(u"walk_000.bmp");
    EXPECT_EQ(host.logLines(), (lines{"Application Start!", directoryLine(),
                                      "File : walk_002.bmp : Invalid Bitmap Format"}));
    EXPECT_FALSE(host.store);
    EXPECT_FALSE(host.modified);
}

TEST_F(Import, AFileLostAfterTheCountEndsTheFramePass) {
    writeSeries(folder, "walk_", 3, 0, 4, 16, 8);
    host.onShow = [&] { removeFile(folder.file(u"walk_002.bmp").c_str()); };
    import(u"walk_000.bmp");
    EXPECT_EQ(host.logLines().back(), "File Open error");
    EXPECT_EQ(host.events.back(), "[hide]");
    EXPECT_EQ(host.store->frameCount(), 2u);
    EXPECT_TRUE(host.modified);
}

TEST_F(Import, APictureThatCannotBeEncodedGivesAnEmptyFrameAndTheImportGoesOn) {
    writeSeries(folder, "walk_", 3, 0, 3, 16, 8);
    // The headers pass the count; the pixels are not all there.
    testpicture cut = seriesPicture(1, 16, 8);
    cut.truncateTo = 1078 + 40;
    writePicture(folder.file(u"walk_001.bmp"), cut);
    import(u"walk_000.bmp");
    EXPECT_EQ(host.logLines(), (lines{"Application Start!", directoryLine(), "Total 3 files exists.",
                                      "File : walk_001.bmp", "Encode Error"}));
    const std::vector<createcall> stored = frames();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1].size, 0u);
    EXPECT_EQ(stored[2].payload, encoded(seriesPicture(2, 16, 8), 6));
    EXPECT_EQ(host.shownPixels.size(), 2u);
}

TEST_F(Import, APictureThatChangedSizeSinceTheCountGivesAnEmptyFrame) {
    writeSeries(folder, "walk_", 3, 0, 3, 16, 8);
    host.onShow = [&] {
        if (host.shownPixels.size() == 1)
            writePicture(folder.file(u"walk_001.bmp"), seriesPicture(1, 20, 8));
    };
    import(u"walk_000.bmp");
    EXPECT_EQ(host.logLines().end()[-2], "File : walk_001.bmp");
    EXPECT_EQ(host.logLines().back(), "Encode Error");
    EXPECT_EQ(frames()[1].size, 0u);
    EXPECT_EQ(host.store->frameCount(), 3u);
}

TEST_F(Import, ASecondImportAppendsAndSetsItsOwnFrameSize) {
    writeSeries(folder, "a_", 2, 0, 3, 16, 8);
    writeSeries(folder, "b_", 2, 0, 2, 10, 4);
    import(u"a_00.bmp");
    import(u"b_01.bmp");
    EXPECT_EQ(host.store->frameCount(), 5u);
    EXPECT_EQ(host.store->storeHeader.width, 10);
    EXPECT_EQ(host.store->storeHeader.height, 4);
    const std::vector<createcall> stored = frames();
    EXPECT_EQ(stored[2].payload, encoded(seriesPicture(2, 16, 8), 6));
    EXPECT_EQ(stored[3].payload, encoded(seriesPicture(0, 10, 4), 6));
    EXPECT_EQ(host.store->storeIndex[3].offset,
              host.store->storeIndex[2].offset + host.store->storeIndex[2].size);
}

TEST_F(Import, AnEmptySecondImportKeepsTheFrameSize) {
    writeSeries(folder, "a_", 2, 0, 2, 16, 8);
    writeSeries(folder, "b_", 2, 1, 2, 10, 4);
    import(u"a_00.bmp");
    import(u"b_01.bmp");
    EXPECT_EQ(host.logLines().back(), "Total 0 files exists.");
    EXPECT_EQ(host.store->frameCount(), 2u);
    EXPECT_EQ(host.store->storeHeader.width, 16);
    EXPECT_EQ(host.store->storeHeader.height, 8);
}

TEST_F(Import, DepthOneKeepsOnly0And128) {
    writeSeries(folder, "walk_", 3, 0, 3, 24, 12);
    host.depth = 1;
    import(u"walk_000.bmp");
    std::set<uint8_t> values;
    for (const createcall& frame : frames()) {
        const bytes pixels = decoded(frame);
        values.insert(pixels.begin(), pixels.end());
    }
    EXPECT_EQ(values, (std::set<uint8_t>{0, 128}));
}

TEST_F(Import, TheStoreStopsAtItsFrameLimit) {
    writeSeries(folder, "walk_", 3, 0, 4, 4, 2);
    host.store = std::make_unique<TMPfile>(u"(new)");
    for (uint32_t i = 0; i < TMPfile::maxFrames - 2; ++i) ASSERT_TRUE(host.store->appendFrame(nullptr, 0));
    import(u"walk_000.bmp");
    EXPECT_EQ(host.logLines(), (lines{"Application Start!", directoryLine(),
                                      "BMP #2 and later exceed the frame limit of 65535",
                                      "Total 2 files exists."}));
    EXPECT_EQ(host.store->frameCount(), TMPfile::maxFrames);
}

TEST_F(Import, AFrameTheStoreCannotTakeEndsTheImport) {
    writeSeries(folder, "walk_", 3, 0, 3, 16, 8);
    host.onShow = [&] {
        if (host.shownPixels.size() == 2) host.store->tempHandle.close();
    };
    import(u"walk_000.bmp");
    EXPECT_EQ(host.logLines().back(), "File : walk_001.bmp : Frame Write error");
    EXPECT_EQ(host.events.back(), "[hide]");
    EXPECT_EQ(host.store->frameCount(), 1u);
}

// The picture goes to the engine as read: header, colour table and rows.
TEST(ShowPicture, DrawsThePictureAsReadOverTheBackground) {
    const testpicture picture = patternPicture(6, 3, 40);
    scratchbmp file(picture);
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    softengine engine(6, 3);
    ASSERT_TRUE(reader.show(engine, rect{0, 0, 6, 3}));

    softengine reference(6, 3);
    frameimage* image = reference.createFrameFromDib(&reader.infoHeader, picture.rows.data(),
                                                     uint32_t(picture.rows.size()));
    ASSERT_NE(image, nullptr);
    reference.beginDraw();
    reference.drawFrameInRect(image, rect{0, 0, 6, 3});
    reference.endDraw();
    reference.destroyFrame(image);
    EXPECT_EQ(engine.presented().pixels, reference.presented().pixels);
    EXPECT_NE(engine.presented().pixels, softengine(6, 3).presented().pixels);
}

// Makes an image of any picture and counts them.
class dibengine final : public recordingengine {
public:
    frameimage* createFrameFromDib(const void*, const void*, uint32_t) override {
        ++made;
        return image();
    }
    int made = 0;
};

TEST(ShowPicture, ShowsNothingWhenThePictureCannotBeLoaded) {
    testpicture picture = patternPicture(6, 3);
    picture.truncateTo = 1078 + 4;
    scratchbmp file(picture);
    bmpfile reader;
    ASSERT_TRUE(reader.open(file.path.c_str()));
    dibengine engine;
    EXPECT_FALSE(reader.show(engine, rect{0, 0, 6, 3}));
    EXPECT_EQ(engine.made, 0);
}

}  // namespace
