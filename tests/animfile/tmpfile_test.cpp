#include "animfile/tmpfile.h"

#include "tests/animfile/mrvbytes.h"
#include "tests/animfile/recordingengine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<TMPfile> newStore() { return std::make_unique<TMPfile>(u"(新規)"); }

// A store with its temporary file, holding these payloads at this size.
std::unique_ptr<TMPfile> storeOf(int32_t width, int32_t height,
                                 const std::vector<bytes>& payloads) {
    auto store = newStore();
    EXPECT_TRUE(store->openTempFile());
    store->setFrameSize(width, height);
    for (const bytes& payload : payloads)
        EXPECT_TRUE(store->appendFrame(payload.data(), uint32_t(payload.size())));
    return store;
}

bytes concatenated(const std::vector<bytes>& payloads) {
    bytes out;
    for (const bytes& payload : payloads) out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

const bytes frame100 = randomBytes(100, 11);
const bytes frame50 = randomBytes(50, 12);

}  // namespace

TEST(FrameStore, StartsEmptyWithoutATemporaryFile) {
    auto store = newStore();
    EXPECT_EQ(store->frameCount(), 0u);
    EXPECT_EQ(std::u16string(store->documentName()), u"(新規)");
    EXPECT_EQ(store->tempName.length, 0);
    EXPECT_FALSE(store->tempHandle.isOpen());
    EXPECT_EQ(store->openPath(), nullptr);
}

TEST(FrameStore, OpeningTheTemporaryFileTwiceMakesOne) {
    auto store = newStore();
    ASSERT_TRUE(store->openTempFile());
    const std::u16string name = store->tempName.data;
    EXPECT_TRUE(exists(name));
    EXPECT_NE(folderOf(name), u"");
    EXPECT_EQ(name.substr(folderOf(name).size(), 3), u"MRV");
    ASSERT_TRUE(store->openTempFile());
    EXPECT_EQ(std::u16string(store->tempName.data), name);
}

TEST(FrameStore, WithoutATemporaryFileOnlyEmptyFramesAppend) {
    auto store = newStore();
    EXPECT_FALSE(store->appendFrame(frame50.data(), 50));
    EXPECT_EQ(store->frameCount(), 0u);
    EXPECT_TRUE(store->appendFrame(nullptr, 0));
    EXPECT_EQ(store->frameCount(), 1u);
}

TEST(FrameStore, ServesItsFramesAtTheLatestFrameSize) {
    auto store = storeOf(320, 240, {frame100, {}, frame50});
    store->setFrameSize(64, 48);  // a second import of another size
    recordingengine engine;
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(store->makeFrame(engine, i), engine.image());
    EXPECT_EQ(store->makeFrame(engine, 3), nullptr);
    ASSERT_EQ(engine.calls.size(), 3u);
    EXPECT_EQ(engine.calls[0].payload, frame100);
    EXPECT_EQ(engine.calls[1].size, 0u);
    EXPECT_EQ(engine.calls[2].payload, frame50);
    for (const createcall& call : engine.calls) {
        EXPECT_EQ(call.width, 64);
        EXPECT_EQ(call.height, 48);
        EXPECT_EQ(call.bits, 8u);
    }
}

TEST(FrameStore, SavesTwoFramesAsTheWorkedExample) {
    scratchfolder scratch;
    auto store = storeOf(320, 240, {frame100, frame50});
    const std::u16string path = scratch.file(u"two.mrv");
    const saveresult result = store->save(path.c_str());
    ASSERT_TRUE(result.ok) << result.error;

    bytes expected = fileBytes(320, 240, {{36, 100}, {136, 50}}, concatenated({frame100, frame50}));
    ASSERT_EQ(expected.size(), 186u);
    EXPECT_EQ(contentOf(path), expected);
    EXPECT_EQ(std::u16string(store->documentName()), path);
}

TEST(FrameStore, AnEmptyFrameTakesNoRoomInTheSavedFile) {
    scratchfolder scratch;
    auto store = storeOf(320, 240, {frame100, {}, frame50});
    EXPECT_EQ(store->storeIndex[0].offset, 0u);
    EXPECT_EQ(store->storeIndex[1].offset, 100u);
    EXPECT_EQ(store->storeIndex[2].offset, 100u);
    const std::u16string path = scratch.file(u"three.mrv");
    ASSERT_TRUE(store->save(path.c_str()).ok);

    bytes expected =
        fileBytes(320, 240, {{44, 100}, {144, 0}, {144, 50}}, concatenated({frame100, frame50}));
    ASSERT_EQ(expected.size(), 194u);
    EXPECT_EQ(contentOf(path), expected);
}

TEST(FrameStore, AnEmptyStoreSavesItsHeaderAlone) {
    scratchfolder scratch;
    auto store = newStore();
    store->setFrameSize(640, 480);
    const std::u16string path = scratch.file(u"empty.mrv");
    ASSERT_TRUE(store->save(path.c_str()).ok);
    EXPECT_EQ(contentOf(path), headerBytes(0, 640, 480));
}

TEST(FrameStore, CopiesAPayloadAreaOverOneMebibyteInSeveralPasses) {
    scratchfolder scratch;
    const std::vector<bytes> payloads = {randomBytes(700001, 21), randomBytes((1 << 20) + 3, 22),
                                         {}, randomBytes(333, 23), randomBytes(1500000, 24)};
    auto store = storeOf(1920, 1080, payloads);
    const std::u16string path = scratch.file(u"large.mrv");
    ASSERT_TRUE(store->save(path.c_str()).ok);

    const bytes saved = contentOf(path);
    EXPECT_EQ(saved, soundFile(1920, 1080, payloads));
#ifndef _WIN32  // elsewhere the temporary file is the store's alone
    const bytes temporary = contentOf(store->tempName.data);
    ASSERT_EQ(saved.size(), 20 + 8 * payloads.size() + temporary.size());
    EXPECT_TRUE(std::equal(temporary.begin(), temporary.end(), saved.begin() + 60));
#endif

    morvafile reader;  // and it reads back frame for frame
    ASSERT_TRUE(reader.open(path.c_str()));
    recordingengine engine;
    for (uint32_t i = 0; i < payloads.size(); ++i) reader.makeFrame(engine, i);
    ASSERT_EQ(engine.calls.size(), payloads.size());
    for (size_t i = 0; i < payloads.size(); ++i) EXPECT_EQ(engine.calls[i].payload, payloads[i]);
}

TEST(FrameStore, SavingTwiceWritesTheSameFileAndTheTitleFollows) {
    scratchfolder scratch;
    auto store = storeOf(8, 8, {frame50, frame100});
    const std::u16string one = scratch.file(u"one.mrv"), two = scratch.file(u"two.mrv");
    ASSERT_TRUE(store->save(one.c_str()).ok);
    ASSERT_TRUE(store->save(two.c_str()).ok);
    EXPECT_EQ(contentOf(one), contentOf(two));
    EXPECT_EQ(std::u16string(store->savedPath.data), two);
    EXPECT_EQ(std::u16string(store->documentName()), two);

    // The store lives on: more frames, saved again over the first file.
    ASSERT_TRUE(store->appendFrame(frame100.data(), 100));
    ASSERT_TRUE(store->save(one.c_str()).ok);
    EXPECT_EQ(contentOf(one), soundFile(8, 8, {frame50, frame100, frame100}));
}

TEST(FrameStore, ReplacesALongerFileWholly) {
    scratchfolder scratch;
    const std::u16string path = scratch.file(u"old.mrv");
    writeFile(path, bytes(5000, 0xAA));
    auto store = storeOf(4, 4, {frame50});
    ASSERT_TRUE(store->save(path.c_str()).ok);
    EXPECT_EQ(contentOf(path), soundFile(4, 4, {frame50}));
    EXPECT_EQ(scratch.names().size(), 1u) << "no partial file may stay behind";
}

TEST(FrameStore, SavesToABareFileNameInTheCurrentFolder) {
    scratchfolder scratch;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(scratch.folder));
    auto store = storeOf(5, 5, {frame50});
    const saveresult result = store->save(u"bare.mrv");
    std::filesystem::current_path(previous);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(contentOf(scratch.file(u"bare.mrv")), soundFile(5, 5, {frame50}));
    EXPECT_EQ(scratch.names().size(), 1u);
}

TEST(FrameStore, AFailedReplaceLeavesTheTargetAndNoPartialFile) {
    scratchfolder scratch;
    const std::u16string folderTarget = scratch.file(u"taken.mrv");
    std::filesystem::create_directory(std::filesystem::path(folderTarget));
    auto store = storeOf(2, 2, {frame100});

    const saveresult result = store->save(folderTarget.c_str());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error, 0u);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(folderTarget)));
    EXPECT_EQ(scratch.names(), std::vector<std::u16string>{u"taken.mrv"});
    EXPECT_EQ(store->savedPath.length, 0);

    const std::u16string path = scratch.file(u"good.mrv");  // the store is unchanged
    ASSERT_TRUE(store->save(path.c_str()).ok);
    EXPECT_EQ(contentOf(path), soundFile(2, 2, {frame100}));
}

TEST(FrameStore, HoldsAtMost65535Frames) {
    scratchfolder scratch;
    auto store = newStore();
    ASSERT_TRUE(store->openTempFile());
    for (uint32_t i = 0; i < 65534; ++i) ASSERT_TRUE(store->appendFrame(nullptr, 0));
    ASSERT_TRUE(store->appendFrame(frame50.data(), 50));
    EXPECT_FALSE(store->appendFrame(nullptr, 0));
    EXPECT_FALSE(store->appendFrame(frame50.data(), 50));
    EXPECT_EQ(store->frameCount(), 65535u);

    const std::u16string path = scratch.file(u"full.mrv");
    ASSERT_TRUE(store->save(path.c_str()).ok);
    const bytes saved = contentOf(path);
    ASSERT_EQ(saved.size(), 20u + 8 * 65535 + 50);
    EXPECT_EQ(bytes(saved.begin(), saved.begin() + 20), headerBytes(65535, 0, 0));
    bytes lastTwo;
    put32(lastTwo, 524300);
    put32(lastTwo, 0);
    put32(lastTwo, 524300);
    put32(lastTwo, 50);
    EXPECT_TRUE(std::equal(lastTwo.begin(), lastTwo.end(), saved.begin() + 20 + 8 * 65533));
    EXPECT_TRUE(std::equal(frame50.begin(), frame50.end(), saved.end() - 50));
}

TEST(FrameStore, TheTemporaryFileGoesWithCloseAndDestruction) {
    auto store = storeOf(2, 2, {frame100, frame50});
    const std::u16string closedName = store->tempName.data;
    store->close();
    EXPECT_FALSE(exists(closedName));
    EXPECT_EQ(store->frameCount(), 0u) << "the frames went with their file";
    recordingengine engine;
    EXPECT_EQ(store->makeFrame(engine, 0), nullptr);

    ASSERT_TRUE(store->openTempFile());  // a closed store starts afresh
    const std::u16string destroyedName = store->tempName.data;
    ASSERT_TRUE(store->appendFrame(frame50.data(), 50));
    EXPECT_EQ(store->storeIndex[0].offset, 0u);
    store.reset();
    EXPECT_FALSE(exists(destroyedName));
}

#ifndef _WIN32
// Only here can another opener reach the store's temporary file.
TEST(FrameStore, ADamagedTemporaryFileFailsTheSaveAndTheFrame) {
    scratchfolder scratch;
    const std::u16string path = scratch.file(u"kept.mrv");
    writeFile(path, bytes{1, 2, 3});
    auto store = storeOf(2, 2, {frame100, frame50});
    ASSERT_TRUE(openExistingFile(store->tempName.data, fileaccess::readWrite, fileshare::read)
                    .setEnd(120));

    const saveresult result = store->save(path.c_str());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, 0u);  // no system error: the file is merely short
    EXPECT_EQ(contentOf(path), (bytes{1, 2, 3}));
    EXPECT_EQ(scratch.names(), std::vector<std::u16string>{u"kept.mrv"});

    recordingengine engine;
    EXPECT_EQ(store->makeFrame(engine, 1), nullptr);
    EXPECT_EQ(store->makeFrame(engine, 0), engine.image());
    ASSERT_EQ(engine.calls.size(), 1u);
}
#endif

#ifdef _WIN32
TEST(FrameStore, TheTemporaryFileIsTheStoresAlone) {
    auto store = storeOf(2, 2, {frame50});
    filehandle other = openExistingFile(store->tempName.data, fileaccess::read, fileshare::read);
    EXPECT_FALSE(other.isOpen());
    EXPECT_EQ(fileError(), 32u);  // ERROR_SHARING_VIOLATION
}

// A file still held by a reader cannot be replaced: the save fails, keeps the
// file as it was, and succeeds once the reader has closed it.
TEST(FrameStore, AFileStillOpenForReadingIsNotReplaced) {
    scratchfolder scratch;
    const std::u16string path = scratch.file(u"held.mrv");
    const bytes old = soundFile(2, 2, {frame100});
    writeFile(path, old);
    morvafile opened;
    ASSERT_TRUE(opened.open(path.c_str()));
    auto store = storeOf(3, 3, {frame50});

    const saveresult result = store->save(path.c_str());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error, 0u);
    EXPECT_EQ(scratch.names(), std::vector<std::u16string>{u"held.mrv"});
    opened.close();
    EXPECT_EQ(contentOf(path), old);

    ASSERT_TRUE(store->save(path.c_str()).ok);
    EXPECT_EQ(contentOf(path), soundFile(3, 3, {frame50}));
}
#endif
