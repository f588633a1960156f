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
    EXPECT_EQ(text(names.pathOf(5)), u"C:\\anim\\walk_005.bmp");
    EXPECT_EQ(text(names.logLineOf(5)), u"File : walk_005.bmp");
    EXPECT_EQ(text(names.pathOf(0)), u"C:\\anim\\walk_000.bmp");
}

TEST(SeriesName, NumbersTakeMoreDigitsThanTheChosenNameWhenTheyNeedThem) {
    seriesname names = chosen(u"/pictures/run42.bmp");
    EXPECT_EQ(text(names.pathOf(99)), u"/pictures/run99.bmp");
    EXPECT_EQ(text(names.pathOf(100)), u"/pictures/run100.bmp");
    EXPECT_EQ(text(names.logLineOf(65535)), u"File : run65535.bmp");
}

TEST(SeriesName, ANameWithoutTrailingDigitsGivesUnpaddedNumbers) {
    seriesname names = chosen(u"C:\\a\\walk.bmp");
    EXPECT_EQ(names.digits, 0);
    EXPECT_EQ(names.prefix, u"walk");
    EXPECT_EQ(text(names.pathOf(0)), u"C:\\a\\walk0.bmp");
    EXPECT_EQ(text(names.pathOf(12)), u"C:\\a\\walk12.bmp");
    EXPECT_EQ(text(names.logLineOf(7)), u"File : walk7.bmp");
}

TEST(SeriesName, PercentSignsComeOutAsTheyStand) {
    seriesname names = chosen(u"C:\\100%d\\x%s%%_07.b%dp");
    EXPECT_EQ(names.prefix, u"x%s%%_");
    EXPECT_EQ(text(names.pathOf(3)), u"C:\\100%d\\x%s%%_03.b%dp");
    EXPECT_EQ(text(names.logLineOf(3)), u"File : x%s%%_03.b%dp");
}

TEST(SeriesName, ABaseOfDigitsOnlyIsAllNumber) {
    seriesname names = chosen(u"C:\\12\\0042.bmp");
    EXPECT_EQ(names.prefix, u"");
    EXPECT_EQ(names.digits, 4);
    EXPECT_EQ(text(names.pathOf(7)), u"C:\\12\\0007.bmp");
    EXPECT_EQ(text(names.logLineOf(7)), u"File : 0007.bmp");
}

TEST(SeriesName, AnEmptyBaseGivesBareNumbers) {
    seriesname names = chosen(u"C:\\x\\.bmp");
    EXPECT_EQ(names.prefix, u"");
    EXPECT_EQ(names.digits, 0);
    EXPECT_EQ(text(names.pathOf(3)), u"C:\\x\\3.bmp");
    seriesname none(u"", 0, 0);
    EXPECT_EQ(text(none.pathOf(3)), u"3");
    EXPECT_EQ(text(none.logLineOf(3)), u"File : 3");
}

TEST(SeriesName, ANameWithoutExtensionGetsNoDot) {
    seriesname names = chosen(u"C:\\x.y\\walk_09");
    EXPECT_FALSE(names.hasExtension);
    EXPECT_EQ(text(names.pathOf(3)), u"C:\\x.y\\walk_03");
    EXPECT_EQ(text(names.logLineOf(3)), u"File : walk_03");
    // Some dialogs report the terminator's offset instead of 0.
    const std::u16string path = u"C:\\x\\walk_09";
    seriesname atEnd(path.c_str(), 5, uint32_t(path.size()));
    EXPECT_EQ(text(atEnd.pathOf(3)), u"C:\\x\\walk_03");
}

TEST(SeriesName, OffsetsThatDoNotFitThePathAreNotTrusted) {
    seriesname beyond(u"C:\\walk_1.bmp", 400, 500);
    EXPECT_EQ(text(beyond.pathOf(2)), u"C:\\walk_1.bmp2");
    EXPECT_EQ(beyond.digits, 0);
    // The extension offset must follow a dot of the file name.
    seriesname noDot(u"C:\\walk_1.bmp", 3, 5);
    EXPECT_FALSE(noDot.hasExtension);
    EXPECT_EQ(noDot.prefix, u"walk_1.bmp");
}

TEST(SeriesName, OnlyAsciiDigitsCount) {
    seriesname names = chosen(u"C:\\walk\uFF10\uFF11.bmp");
    EXPECT_EQ(names.digits, 0);
    EXPECT_EQ(text(names.pathOf(4)), u"C:\\walk\uFF10\uFF114.bmp");
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
