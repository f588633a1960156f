#include "animfile/morvafile.h"

#include "tests/animfile/mrvbytes.h"
#include "tests/animfile/recordingengine.h"

#include <gtest/gtest.h>

namespace {

// A file in a scratch folder, opened by a fresh reader.
struct openedfile {
    scratchfolder scratch;
    std::u16string path = scratch.file(u"test.mrv");
    morvafile reader;
    bool opened;

    explicit openedfile(const bytes& content) {
        writeFile(path, content);
        opened = reader.open(path.c_str());
    }
};

const bytes first = randomBytes(100, 1);
const bytes second = randomBytes(50, 2);

}  // namespace

TEST(MorvaFile, HandsEveryFrameToTheEngineAsStored) {
    openedfile file(soundFile(320, 240, {first, {}, second}));
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.reader.frameCount(), 3u);
    EXPECT_EQ(std::u16string(file.reader.openPath()), file.path);

    recordingengine engine;
    EXPECT_EQ(file.reader.makeFrame(engine, 0), engine.image());
    EXPECT_EQ(file.reader.makeFrame(engine, 1), engine.image());
    EXPECT_EQ(file.reader.makeFrame(engine, 2), engine.image());
    EXPECT_EQ(file.reader.makeFrame(engine, 3), nullptr);
    ASSERT_EQ(engine.calls.size(), 3u);
    EXPECT_EQ(engine.calls[0].payload, first);
    EXPECT_EQ(engine.calls[1].size, 0u);
    EXPECT_NE(engine.calls[1].address, nullptr);
    EXPECT_EQ(engine.calls[2].payload, second);
    for (const createcall& call : engine.calls) {
        EXPECT_EQ(call.width, 320);
        EXPECT_EQ(call.height, 240);
        EXPECT_EQ(call.bits, 8u);
    }
}

TEST(MorvaFile, OneBufferOfTheLargestPayloadServesEveryFrame) {
    openedfile file(soundFile(8, 8, {second, first, second}));
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.reader.payloadCapacity, 100u);
    recordingengine engine;
    file.reader.makeFrame(engine, 0);
    file.reader.makeFrame(engine, 1);
    file.reader.makeFrame(engine, 2);
    ASSERT_EQ(engine.calls.size(), 3u);
    EXPECT_EQ(engine.calls[0].address, engine.calls[1].address);
    EXPECT_EQ(engine.calls[1].address, engine.calls[2].address);
    EXPECT_EQ(engine.calls[2].payload, second);
}

TEST(MorvaFile, ReadsWhereTheEntriesPointAndIgnoresTrailingData) {
    // Entries out of order, overlapping, one ending at the last payload byte.
    const bytes area = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    bytes content = fileBytes(4, 2, {{57, 3}, {52, 4}, {53, 2}, {0, 0}}, area);
    ASSERT_EQ(content.size(), 60u);
    content.insert(content.end(), {'x', 'y'});  // trailing data
    openedfile file(content);
    ASSERT_TRUE(file.opened);

    recordingengine engine;
    for (uint32_t i = 0; i < 4; ++i) file.reader.makeFrame(engine, i);
    ASSERT_EQ(engine.calls.size(), 4u);
    EXPECT_EQ(engine.calls[0].payload, (bytes{'f', 'g', 'h'}));
    EXPECT_EQ(engine.calls[1].payload, (bytes{'a', 'b', 'c', 'd'}));
    EXPECT_EQ(engine.calls[2].payload, (bytes{'b', 'c'}));
    EXPECT_EQ(engine.calls[3].size, 0u);
}

TEST(MorvaFile, AnEntryAsLargeAsTheWholeFileOpens) {
    openedfile file(fileBytes(1, 1, {{0, 28}}, {}));
    ASSERT_TRUE(file.opened);
    recordingengine engine;
    file.reader.makeFrame(engine, 0);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].payload, fileBytes(1, 1, {{0, 28}}, {}));
}

TEST(MorvaFile, BitsOtherThanEightReachTheEngineAsGiven) {
    bytes content = soundFile(16, 16, {first});
    content[16] = 24;
    openedfile deep(content);
    ASSERT_TRUE(deep.opened);
    recordingengine engine;
    EXPECT_EQ(deep.reader.makeFrame(engine, 0), nullptr);  // the engine makes none of it
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].bits, 24u);
    EXPECT_EQ(engine.calls[0].payload, first);
}

TEST(MorvaFile, AfterCloseNoFramesButTheCountStays) {
    openedfile file(soundFile(2, 2, {first, second}));
    ASSERT_TRUE(file.opened);
    file.reader.close();
    EXPECT_EQ(file.reader.frameCount(), 2u);
    EXPECT_EQ(file.reader.openPath(), nullptr);
    EXPECT_EQ(file.reader.index, nullptr);
    recordingengine engine;
    EXPECT_EQ(file.reader.makeFrame(engine, 0), nullptr);
    EXPECT_TRUE(engine.calls.empty());
}

TEST(MorvaFile, AMissingFileDoesNotOpen) {
    scratchfolder scratch;
    morvafile reader;
    EXPECT_FALSE(reader.open(scratch.file(u"absent.mrv").c_str()));
    EXPECT_EQ(reader.frameCount(), 0u);
    EXPECT_EQ(reader.openPath(), nullptr);
    recordingengine engine;
    EXPECT_EQ(reader.makeFrame(engine, 0), nullptr);
}

TEST(MorvaFile, AFileThatShrinksUnderTheReaderGivesNone) {
    openedfile file(soundFile(2, 2, {first, second}));
    ASSERT_TRUE(file.opened);
    // Only the reader's own handle may write while it holds the file.
    ASSERT_TRUE(file.reader.handle.setEnd(40 + 100 + 10));
    recordingengine engine;
    EXPECT_EQ(file.reader.makeFrame(engine, 1), nullptr);
    EXPECT_EQ(file.reader.makeFrame(engine, 0), engine.image());
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].payload, first);
}

#ifdef _WIN32
TEST(MorvaFile, WhileOpenOthersMayNotWriteTheFile) {
    openedfile file(soundFile(2, 2, {first}));
    ASSERT_TRUE(file.opened);
    filehandle writer = openExistingFile(file.path.c_str(), fileaccess::readWrite, fileshare::read);
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(fileError(), 32u);  // ERROR_SHARING_VIOLATION
    file.reader.close();
    writer = openExistingFile(file.path.c_str(), fileaccess::readWrite, fileshare::read);
    EXPECT_TRUE(writer.isOpen());
}
#endif
