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

TEST(MorvaFile, AHeaderAloneIsAnAnimationWithoutFrames) {
    openedfile file(headerBytes(0, 640, 480));
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.reader.frameCount(), 0u);
    recordingengine engine;
    EXPECT_EQ(file.reader.makeFrame(engine, 0), nullptr);
    EXPECT_TRUE(engine.calls.empty());
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

// Damaged files: each fails to open, yields no frame, and nothing larger than
// the file was allocated for it.
struct damaged {
    const char* what;
    bytes content;
};

void PrintTo(const damaged& file, std::ostream* out) { *out << file.what; }

class DamagedFile : public testing::TestWithParam<damaged> {};

TEST_P(DamagedFile, IsRefusedAtOpen) {
    const bytes& content = GetParam().content;
    openedfile file(content);
    EXPECT_FALSE(file.opened);
    EXPECT_EQ(file.reader.index, nullptr);
    EXPECT_LE(file.reader.payloadCapacity, content.size());
    recordingengine engine;
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(file.reader.makeFrame(engine, i), nullptr);
    EXPECT_TRUE(engine.calls.empty());
}

bytes withCount(bytes content, uint32_t count) {
    for (int i = 0; i < 4; ++i) content[4 + i] = uint8_t(count >> (8 * i));
    return content;
}

bytes withMagic(bytes content, const char* magic) {
    std::copy(magic, magic + 4, content.begin());
    return content;
}

const bytes twoFrames = soundFile(320, 240, {first, second});

INSTANTIATE_TEST_SUITE_P(
    BadInput, DamagedFile,
    testing::Values(
        damaged{"empty", {}},
        damaged{"header cut short", bytes(twoFrames.begin(), twoFrames.begin() + 19)},
        damaged{"wrong magic", withMagic(twoFrames, "MoRV")},
        damaged{"magic big-endian", withMagic(twoFrames, "vRoM")},
        damaged{"index cut short", bytes(twoFrames.begin(), twoFrames.begin() + 35)},
        damaged{"count beyond the file", withCount(twoFrames, 20)},
        damaged{"count of all ones", withCount(twoFrames, 0xFFFFFFFF)},
        damaged{"index size wrapping to 0", withCount(headerBytes(0, 1, 1), 0x20000000)},
        damaged{"index size wrapping to 8", withCount(fileBytes(1, 1, {{28, 0}}, {}), 0x20000001)},
        damaged{"entry larger than the file", fileBytes(1, 1, {{0, 29}}, {})},
        damaged{"entry of all ones", fileBytes(1, 1, {{28, 0}, {0, 0xFFFFFFFF}}, {1, 2, 3})}),
    [](const testing::TestParamInfo<damaged>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (*c != ' ' && *c != '-') name += *c;
        return name;
    });

TEST(MorvaFile, AWrongMagicStillReportsTheCountItRead) {
    bytes content = soundFile(1, 1, {first, second});
    content[0] = 'X';
    openedfile file(content);
    EXPECT_FALSE(file.opened);
    EXPECT_EQ(file.reader.frameCount(), 2u);
}

// Entries that point past the end open (the reader does not check where they
// point) but give none when read; the caller goes on with the other frames.
TEST(MorvaFile, PayloadsPastTheEndGiveNoneAndReadingGoesOn) {
    // File: 20 + 5 x 8 = 60 bytes of header and index, then 10 payload bytes.
    const bytes area = randomBytes(10, 3);
    openedfile file(fileBytes(2, 2,
                              {{60, 10},           // sound
                               {1000, 10},         // wholly beyond the end
                               {65, 10},           // partly beyond the end
                               {0xFFFFFFF0, 0x20}, // wraps to 0x10 in 32 bits
                               {70, 0}},           // empty, at the end
                              area));
    ASSERT_TRUE(file.opened);
    recordingengine engine;
    EXPECT_EQ(file.reader.makeFrame(engine, 1), nullptr);
    EXPECT_EQ(file.reader.makeFrame(engine, 2), nullptr);
    EXPECT_EQ(file.reader.makeFrame(engine, 3), nullptr);
    EXPECT_TRUE(engine.calls.empty()) << "a partly read payload reached the engine";

    EXPECT_EQ(file.reader.makeFrame(engine, 0), engine.image());
    EXPECT_EQ(file.reader.makeFrame(engine, 4), engine.image());
    ASSERT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(engine.calls[0].payload, area);
    EXPECT_EQ(engine.calls[1].size, 0u);
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
