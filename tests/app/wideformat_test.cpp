#include "app/wideformat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

std::u16string widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::u16string format(int32_t capacity, const char16_t* pattern, std::initializer_list<formatvalue> values)
{
    std::u16string out(static_cast<size_t>(capacity) + 1, u'#');
    const int32_t length = formatBounded(&out[0], capacity, pattern, values);
    EXPECT_EQ(out[length], u'\0');
    EXPECT_EQ(out[capacity], u'#') << "wrote past the capacity";
    return out.substr(0, length);
}

std::u16string format(const char16_t* pattern, std::initializer_list<formatvalue> values)
{
    return format(256, pattern, values);
}

} // namespace

// The C library's narrow printf formats numbers the same way.
template <typename number>
void expectAsPrintf(std::initializer_list<const char*> patterns, std::initializer_list<number> values) {
    for (const char* pattern : patterns) {
        for (number value : values) {
            char expected[64];
            std::snprintf(expected, sizeof expected, pattern, value);
            EXPECT_EQ(format(widen(pattern).c_str(), {value}), widen(expected)) << pattern << " " << value;
        }
    }
}

TEST(WideFormat, NumbersMatchPrintf)
{
    expectAsPrintf<int32_t>({"%d", "%i", "%5d", "%-5d|", "%05d", "%03d", "%00d", "%-05d|", "%1d", "<%12d>"},
                            {0, 7, -7, 42, 999, 1000, -1000, 123456, INT32_MIN, INT32_MAX});
    expectAsPrintf<uint32_t>({"%u", "%08u", "%-11u|", "%3u"}, {0u, 5u, 4294967295u, 2147483648u});
    // As with a C variadic argument, the conversion decides how the bits read.
    EXPECT_EQ(format(u"%d", {4294967295u}), u"-1");
    EXPECT_EQ(format(u"%u", {-1}), u"4294967295");
}

TEST(WideFormat, TextAndPercent)
{
    EXPECT_EQ(format(u"Directory %s", {u"C:\\anim\\"}), u"Directory C:\\anim\\");
    EXPECT_EQ(format(u"100%%", {}), u"100%");
    EXPECT_EQ(format(u"[%6s][%-6s][%06s]", {u"ab", u"ab", u"ab"}), u"[    ab][ab    ][0000ab]");
    EXPECT_EQ(format(u"%s", {static_cast<const char16_t*>(nullptr)}), u"(null)");
    EXPECT_EQ(format(u"BMP #%d had invlid width %d instead %d", {4, 640, 320}),
              u"BMP #4 had invlid width 640 instead 320");
}

// The import formats a name pattern, then formats names with that pattern.
TEST(WideFormat, PatternOfPatterns)
{
    const std::u16string logTemplate = format(u"File : %s%%0%dd.%s", {u"walk_", 3, u"bmp"});
    EXPECT_EQ(logTemplate, u"File : walk_%03d.bmp");
    EXPECT_EQ(format(logTemplate.c_str(), {5}), u"File : walk_005.bmp");
    EXPECT_EQ(format(logTemplate.c_str(), {1234}), u"File : walk_1234.bmp");

    const std::u16string nameTemplate = format(u"%%s%s%%0%dd.%s", {u"walk_", 3, u"bmp"});
    EXPECT_EQ(nameTemplate, u"%swalk_%03d.bmp");
    EXPECT_EQ(format(nameTemplate.c_str(), {u"C:\\anim\\", 17u}), u"C:\\anim\\walk_017.bmp");

    const std::u16string noDigits = format(u"%%s%s%%0%dd.%s", {u"walk", 0, u"bmp"});
    EXPECT_EQ(noDigits, u"%swalk%00d.bmp");
    EXPECT_EQ(format(noDigits.c_str(), {u"D:\\", 12}), u"D:\\walk12.bmp");
}

TEST(WideFormat, NonAsciiPassesUnchanged)
{
    EXPECT_EQ(format(u"モルバツール ver.2 : %s%s", {u"C:\\データ\\歩く.mrv", u"(更新)"}),
              u"モルバツール ver.2 : C:\\データ\\歩く.mrv(更新)");
    EXPECT_EQ(format(u"%s😀%d", {u"𠮷", 1}), u"𠮷😀1");
}

TEST(WideFormat, CutAtCapacity)
{
    EXPECT_EQ(format(8, u"Total %d files exists.", {20}), u"Total 2");
    EXPECT_EQ(format(8, u"%s", {u"abcdefghijklmnopqrst"}), u"abcdefg");
    EXPECT_EQ(format(4, u"%08d", {5}), u"000");
    EXPECT_EQ(format(4, u"%-8d|", {5}), u"5  ");
    EXPECT_EQ(format(8, u"exactly", {}), u"exactly");
    EXPECT_EQ(format(1, u"anything %d", {1}), u"");
    // A cut may split a surrogate pair, as the runtime's does.
    EXPECT_EQ(format(3, u"a😀", {}), std::u16string(u"a😀").substr(0, 2));
}

TEST(WideFormat, NoCapacityWritesNothing)
{
    char16_t untouched = u'#';
    EXPECT_EQ(formatBounded(&untouched, 0, u"abc", {}), 0);
    EXPECT_EQ(untouched, u'#');
}

TEST(WideFormat, HugeWidthStaysBounded)
{
    EXPECT_EQ(format(6, u"%2147483647d", {1}), u"     ");
    EXPECT_EQ(format(6, u"%099999999999999d", {1}), u"00000");
}

// A pattern built from a file name may ask for values that were not given;
// such conversions stay as they are and read nothing.
TEST(WideFormat, UnfillableConversionsAreCopied)
{
    EXPECT_EQ(format(u"%d and %d", {1}), u"1 and %d");
    EXPECT_EQ(format(u"%s", {}), u"%s");
    EXPECT_EQ(format(u"%s-%03d", {5}), u"%s-005");
    EXPECT_EQ(format(u"%d", {u"text"}), u"%d");
    EXPECT_EQ(format(u"%x %ls %.2d", {1, u"a", 2}), u"%x %ls %.2d");
    EXPECT_EQ(format(u"ends with %", {}), u"ends with %");
    EXPECT_EQ(format(u"ends with %05", {1}), u"ends with %05");
}
