#include "platform/file.h"

#include "tests/animfile/mrvbytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A fresh, empty file in the temporary folder, removed at the end of the test.
struct scratchfile {
    std::u16string path = makeUniqueFile(temporaryFolder(), u"TST");
    ~scratchfile() { removeFile(path.c_str()); }
};

constexpr uint32_t notFound = 2;  // ENOENT and ERROR_FILE_NOT_FOUND alike

}  // namespace

TEST(FileLayer, PositionedTransfersReportWhatMoved) {
    scratchfile scratch;
    filehandle file = createFile(scratch.path.c_str(), fileshare::none);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.writeAt(0, "abcdef", 6), 6u);
    EXPECT_EQ(file.writeAt(10, "XY", 2), 2u);  // leaves a hole of zeros
    EXPECT_EQ(file.writeAt(2, "CD", 2), 2u);

    uint64_t length = 0;
    ASSERT_TRUE(file.size(length));
    EXPECT_EQ(length, 12u);

    char buffer[16] = {};
    EXPECT_EQ(file.readAt(0, buffer, 16), 12u);  // short read at the end of the file
    EXPECT_EQ(std::memcmp(buffer, "abCDef\0\0\0\0XY", 12), 0);
    EXPECT_EQ(file.readAt(11, buffer, 4), 1u);
    EXPECT_EQ(buffer[0], 'Y');
    EXPECT_EQ(file.readAt(12, buffer, 4), 0u);
    EXPECT_EQ(file.readAt(1000, buffer, 4), 0u);
}

TEST(FileLayer, SetEndTruncatesAndFlushKeepsContent) {
    scratchfile scratch;
    {
        filehandle file = createFile(scratch.path.c_str(), fileshare::none);
        ASSERT_EQ(file.writeAt(0, "0123456789", 10), 10u);
        EXPECT_TRUE(file.setEnd(4));
        EXPECT_TRUE(file.flush());
    }
    EXPECT_EQ(contentOf(scratch.path), (std::vector<uint8_t>{'0', '1', '2', '3'}));
}

TEST(FileLayer, CreateEmptiesAnExistingFile) {
    scratchfile scratch;
    createFile(scratch.path.c_str(), fileshare::none).writeAt(0, "old", 3);
    filehandle file = createFile(scratch.path.c_str(), fileshare::none);
    uint64_t length = 99;
    ASSERT_TRUE(file.size(length));
    EXPECT_EQ(length, 0u);
}

TEST(FileLayer, MissingFilesFailWithTheSystemCode) {
    std::u16string missing = temporaryFolder() + u"no-such-morva-file.bmp";
    filehandle file = openExistingFile(missing.c_str(), fileaccess::read, fileshare::read);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(fileError(), notFound);

    EXPECT_FALSE(removeFile(missing.c_str()));
    std::u16string inMissingFolder = temporaryFolder() + u"no-such-folder/x.mrv";
    EXPECT_FALSE(createFile(inMissingFolder.c_str(), fileshare::none).isOpen());
    EXPECT_NE(fileError(), 0u);
}

TEST(FileLayer, UniqueFilesAreDistinctAndExist) {
    scratchfile first, second;
    ASSERT_FALSE(first.path.empty());
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(folderOf(first.path), temporaryFolder());
    EXPECT_EQ(first.path.compare(temporaryFolder().size(), 3, u"TST"), 0);
    EXPECT_TRUE(openExistingFile(second.path.c_str(), fileaccess::read, fileshare::read).isOpen());
}

TEST(FileLayer, ReplaceSwapsContentInOneStep) {
    scratchfile source, target;
    createFile(target.path.c_str(), fileshare::none).writeAt(0, "old target", 10);
    createFile(source.path.c_str(), fileshare::none).writeAt(0, "new", 3);
    ASSERT_TRUE(replaceFile(source.path.c_str(), target.path.c_str()));
    EXPECT_EQ(contentOf(target.path), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_FALSE(openExistingFile(source.path.c_str(), fileaccess::read, fileshare::read).isOpen());
}

TEST(FileLayer, NonAsciiPathsRoundTrip) {
    std::u16string path = temporaryFolder() + u"歩く\u00e9_000.bmp";
    createFile(path.c_str(), fileshare::none).writeAt(0, "x", 1);
    EXPECT_EQ(contentOf(path), std::vector<uint8_t>{'x'});
    EXPECT_TRUE(removeFile(path.c_str()));
}

TEST(FileLayer, FolderOfKeepsTheSeparator) {
    EXPECT_EQ(folderOf(u"C:\\anim\\walk.mrv"), u"C:\\anim\\");
    EXPECT_EQ(folderOf(u"/tmp/a/b.mrv"), u"/tmp/a/");
    EXPECT_EQ(folderOf(u"walk.mrv"), u"");
}

#ifdef _WIN32
constexpr uint32_t sharingViolation = 32;  // ERROR_SHARING_VIOLATION

TEST(FileLayer, ReadersSharingReadKeepWritersOut) {
    scratchfile scratch;
    filehandle held = openExistingFile(scratch.path.c_str(), fileaccess::readWrite,
                                       fileshare::read, fileRandomAccess);
    ASSERT_TRUE(held.isOpen());
    filehandle writer = openExistingFile(scratch.path.c_str(), fileaccess::readWrite,
                                         fileshare::read);
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(fileError(), sharingViolation);
    EXPECT_FALSE(createFile(scratch.path.c_str(), fileshare::none).isOpen());
}

TEST(FileLayer, ExclusiveFilesKeepEveryoneOut) {
    scratchfile scratch;
    filehandle held = createFile(scratch.path.c_str(), fileshare::none, fileTemporary);
    ASSERT_TRUE(held.isOpen());
    EXPECT_FALSE(
        openExistingFile(scratch.path.c_str(), fileaccess::read, fileshare::read).isOpen());
    EXPECT_EQ(fileError(), sharingViolation);
    held.close();
    EXPECT_TRUE(
        openExistingFile(scratch.path.c_str(), fileaccess::read, fileshare::read).isOpen());
}
#endif
