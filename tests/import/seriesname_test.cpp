#include "import/seriesname.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string text(const wtext& t) { return std::u16string(t.data, size_t(t.length)); }

// The offsets a file dialog reports: behind the last separator, behind the
// last dot of the file name (0 when it has none).
seriesname chosen(const std::u16string& path) {
    const size_t separator = path.find_last_of(u"\\/");
    const uint32_t file = separator == std::u16string::npos ? 0 : uint32_t(separator + 1);
    const size_t dot = path.find_last_of(u'.');
    const uint32_t extension = dot == std::u16string::npos || dot < file ? 0 : uint32_t(dot + 1);
    return seriesname(path.c_str(), file, extension);
}

TEST(SeriesName, SplitsTheChosenPathIntoTheTemplatePieces) {
    seriesname names = chosen(u"C:\\anim\\walk_017.bmp");
    EXPECT_EQ(names.directory, u"C:\\anim\\");
    EXPECT_EQ(names.prefix, u"walk_");
    EXPECT_EQ(names.digits, 3);
    EXPECT_EQ(names.extension, u"bmp");
}

// The trailing digits of the chosen name set the least number of digits; a
// name without them numbers unpadded.
TEST(SeriesName, PathsAndLogLinesOfNumbers) {
    const struct {
        std::u16string chosen;
        uint32_t number;
        std::u16string path, line;
    } cases[] = {
        {u"C:\\anim\\walk_017.bmp", 5, u"C:\\anim\\walk_005.bmp", u"File : walk_005.bmp"},
        {u"C:\\anim\\walk_017.bmp", 0, u"C:\\anim\\walk_000.bmp", u"File : walk_000.bmp"},
        {u"/pictures/run42.bmp", 99, u"/pictures/run99.bmp", u"File : run99.bmp"},
        {u"/pictures/run42.bmp", 100, u"/pictures/run100.bmp", u"File : run100.bmp"},
        {u"/pictures/run42.bmp", 65535, u"/pictures/run65535.bmp", u"File : run65535.bmp"},
        {u"C:\\a\\walk.bmp", 0, u"C:\\a\\walk0.bmp", u"File : walk0.bmp"},
        {u"C:\\a\\walk.bmp", 12, u"C:\\a\\walk12.bmp", u"File : walk12.bmp"},
        {u"C:\\100%d\\x%s%%_07.b%dp", 3, u"C:\\100%d\\x%s%%_03.b%dp", u"File : x%s%%_03.b%dp"},
        {u"C:\\12\\0042.bmp", 7, u"C:\\12\\0007.bmp", u"File : 0007.bmp"},  // all number
        {u"C:\\x\\.bmp", 3, u"C:\\x\\3.bmp", u"File : 3.bmp"},
        {u"C:\\x.y\\walk_09", 3, u"C:\\x.y\\walk_03", u"File : walk_03"},  // no extension, no dot
        {u"C:\\walk\uFF10\uFF11.bmp", 4, u"C:\\walk\uFF10\uFF114.bmp", u"File : walk\uFF10\uFF114.bmp"},
    };
    for (const auto& c : cases) {
        seriesname names = chosen(c.chosen);
        EXPECT_EQ(text(names.pathOf(c.number)), c.path);
        EXPECT_EQ(text(names.logLineOf(c.number)), c.line);
    }
}

// Offsets as a dialog may report them: the terminator's for a name without
// extension, none at all, or ones that do not fit the path.
TEST(SeriesName, OffsetsThatDoNotFitThePathAreNotTrusted) {
    const std::u16string noExtension = u"C:\\x\\walk_09";
    EXPECT_EQ(text(seriesname(noExtension.c_str(), 5, uint32_t(noExtension.size())).pathOf(3)), u"C:\\x\\walk_03");
    seriesname none(u"", 0, 0);
    EXPECT_EQ(text(none.pathOf(3)), u"3");
    EXPECT_EQ(text(none.logLineOf(3)), u"File : 3");
    seriesname beyond(u"C:\\walk_1.bmp", 400, 500);
    EXPECT_EQ(text(beyond.pathOf(2)), u"C:\\walk_1.bmp2");
    // The extension offset must follow a dot of the file name.
    seriesname noDot(u"C:\\walk_1.bmp", 3, 5);
    EXPECT_FALSE(noDot.hasExtension);
    EXPECT_EQ(noDot.prefix, u"walk_1.bmp");
}

TEST(SeriesName, NamesAndLinesAreCutAt255Characters) {
    const std::u16string folder = u"C:\\" + std::u16string(239, u'd') + u"\\";
    seriesname names = chosen(folder + u"walk_000.bmp");
    EXPECT_EQ(text(names.pathOf(999)), folder + u"walk_999.bmp");
    EXPECT_EQ(text(names.pathOf(1000)), folder + u"walk_1000.bm");
    EXPECT_EQ(text(names.logLineOf(1000)), u"File : walk_1000.bmp");
    // The chosen path itself is taken to 255 characters.
    const std::u16string longPath = u"C:\\" + std::u16string(300, u'x') + u"\\a_1.bmp";
    seriesname cut(longPath.c_str(), 305, 309);
    EXPECT_EQ(cut.directory.size(), 255u);
    EXPECT_EQ(cut.pathOf(0).length, 255);
}

}  // namespace
