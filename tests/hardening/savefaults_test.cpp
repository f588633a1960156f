// Saving while the file system fails, through the in-memory file layer: a
// failing step anywhere in a save leaves the old file byte for byte, no
// partial file beside it, and the store with all its frames, ready to be
// saved again.
#include "animfile/tmpfile.h"

#include "tests/animfile/mrvbytes.h"
#include "tests/animfile/recordingengine.h"
#include "tests/hardening/casename.h"
#include "tests/hardening/memoryfiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using memoryfiles::step;

const std::u16string folder = u"/animations/";
const std::u16string target = folder + u"walk.mrv";
const bytes oldFile = soundFile(2, 2, {randomBytes(70, 1)});
// Three passes of the 1 MiB copy buffer, an empty frame among them.
const std::vector<bytes> payloads = {randomBytes(100, 2), {}, randomBytes(1600000, 3),
                                     randomBytes(50, 4)};
const bytes newFile = soundFile(64, 48, payloads);
constexpr uint32_t writesPerSave = 3;  // header and index, then two payload passes

struct fault {
    const char* what;
    step which;
    uint32_t call;
    uint32_t error;
};

void PrintTo(const fault& row, std::ostream* out) { *out << row.what; }

class savefixture : public testing::Test {
protected:
    void SetUp() override {
        memoryfiles::reset();
        memoryfiles::addFolder(folder);
        memoryfiles::put(target, oldFile);
        store = std::make_unique<TMPfile>(u"(新規)");
        ASSERT_TRUE(store->openTempFile());
        store->setFrameSize(64, 48);
        for (const bytes& payload : payloads)
            ASSERT_TRUE(store->appendFrame(payload.data(), uint32_t(payload.size())));
        tempName = store->tempName.data;
    }

    void TearDown() override {
        store.reset();
        memoryfiles::reset();
    }

    void expectStoreKept() {
        EXPECT_EQ(store->savedPath.length, 0);
        ASSERT_EQ(store->frameCount(), payloads.size());
        recordingengine engine;
        for (uint32_t i = 0; i < payloads.size(); ++i) store->makeFrame(engine, i);
        ASSERT_EQ(engine.calls.size(), payloads.size());
        for (size_t i = 0; i < payloads.size(); ++i) EXPECT_EQ(engine.calls[i].payload, payloads[i]);
    }

    // What every failed save must leave, and a save that then succeeds.
    void expectNothingLost(const saveresult& result, uint32_t error) {
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, error);
        EXPECT_EQ(memoryfiles::content(target), oldFile) << "the old file byte for byte";
        EXPECT_EQ(memoryfiles::paths(), (std::vector<std::u16string>{target, tempName}))
            << "no partial file";
        expectStoreKept();

        memoryfiles::clearFaults();
        ASSERT_TRUE(store->save(target.c_str()).ok);
        EXPECT_EQ(memoryfiles::content(target), newFile);
        EXPECT_EQ(std::u16string(store->savedPath.data), target);
    }

    std::unique_ptr<TMPfile> store;
    std::u16string tempName;
};

class SaveFault : public savefixture, public testing::WithParamInterface<fault> {};

TEST_P(SaveFault, LeavesTheOldFileAndTheStore) {
    const fault& row = GetParam();
    memoryfiles::failCall(row.which, row.call, row.error);
    expectNothingLost(store->save(target.c_str()), row.error);
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, SaveFault,
    testing::Values(
        fault{"read-only folder", step::makeUnique, 0, memoryfiles::accessDenied},
        fault{"partial file cannot be opened", step::create, 0, memoryfiles::accessDenied},
        fault{"header write fails half-way", step::write, 0, memoryfiles::ioError},
        fault{"first payload pass fails half-way", step::write, 1, memoryfiles::ioError},
        fault{"last payload pass fails half-way", step::write, writesPerSave - 1,
              memoryfiles::ioError},
        fault{"temporary file read fails", step::read, 1, memoryfiles::ioError},
        fault{"flush fails", step::flush, 0, memoryfiles::ioError},
        fault{"target cannot be replaced", step::replace, 0, memoryfiles::accessDenied}),
    caseName<fault>);

using SaveFaults = savefixture;

TEST_F(SaveFaults, EveryWriteOfASaveIsCovered) {
    memoryfiles::failCall(step::write, writesPerSave, memoryfiles::ioError);
    ASSERT_TRUE(store->save(target.c_str()).ok) << "a save makes exactly this many writes";
    EXPECT_EQ(memoryfiles::content(target), newFile);
}

TEST_F(SaveFaults, AFullDiskAtAnyPointLeavesTheOldFile) {
    // The disk holds the old file, the temporary file and `room` bytes more.
    auto saveWithRoom = [&](uint64_t room) {
        memoryfiles::put(target, oldFile);
        store->savedPath.assign(u"");
        memoryfiles::setDiskSize(oldFile.size() + 1600150 + room);
        return store->save(target.c_str());
    };
    for (uint64_t room : {uint64_t(0), uint64_t(20), uint64_t(1 << 20), uint64_t(newFile.size() - 1)}) {
        SCOPED_TRACE(testing::Message() << room << " bytes free");
        expectNothingLost(saveWithRoom(room), memoryfiles::diskFull);
    }
    EXPECT_TRUE(saveWithRoom(newFile.size()).ok) << "just enough room";
    EXPECT_EQ(memoryfiles::content(target), newFile);
}

TEST_F(SaveFaults, AFolderThatDoesNotExist) {
    const std::u16string missing = u"/no-such-folder/walk.mrv";
    const saveresult result = store->save(missing.c_str());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, memoryfiles::notFound);
    EXPECT_EQ(memoryfiles::paths(), (std::vector<std::u16string>{target, tempName}));
    expectStoreKept();
}

// When the partial file cannot be removed either, the save still reports the
// fault that stopped it, and the old file is untouched.
TEST_F(SaveFaults, AFailedCleanUpReportsTheFirstFault) {
    memoryfiles::failCall(step::write, 1, memoryfiles::ioError);
    memoryfiles::failCall(step::remove, 0, memoryfiles::accessDenied);
    const saveresult result = store->save(target.c_str());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, memoryfiles::ioError);
    EXPECT_EQ(memoryfiles::content(target), oldFile);
    expectStoreKept();
}

TEST_F(SaveFaults, AFullDiskFailsTheAppendWithoutCountingIt) {
    const bytes extra = randomBytes(5000, 5);
    memoryfiles::setDiskSize(oldFile.size() + 1600150 + 4000);
    EXPECT_FALSE(store->appendFrame(extra.data(), uint32_t(extra.size())));
    EXPECT_EQ(store->frameCount(), payloads.size());

    // What the failed append left in the temporary file is overwritten by the next.
    memoryfiles::clearFaults();
    const bytes next = randomBytes(30, 6);
    ASSERT_TRUE(store->appendFrame(next.data(), uint32_t(next.size())));
    ASSERT_TRUE(store->save(target.c_str()).ok);
    std::vector<bytes> expected = payloads;
    expected.push_back(next);
    EXPECT_EQ(memoryfiles::content(target), soundFile(64, 48, expected));
}

}  // namespace
