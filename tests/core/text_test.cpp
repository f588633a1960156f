// Wide text, the bounded formatter (against printf), the log and series names.
#include "import/seriesname.h"
#include "shell/logbuffer.h"
#include "tests/support/files.h"
#include "text/namecopy.h"
#include "text/wideformat.h"
#include "text/wtext.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

namespace {

using values = std::initializer_list<formatvalue>;

text16 content(const wtext& t) {
    EXPECT_GE(t.capacity, t.length + 1);
    EXPECT_EQ(t.data[t.length], u'\0');
    return text16(t.data, size_t(t.length));
}

text16 letters(size_t count) {
    text16 s;
    for (size_t i = 0; i < count; ++i) s += char16_t(u'a' + i % 26);
    return s;
}

TEST(WText, GrowsWithSlack) {
    const std::tuple<int32_t, size_t, text16, int32_t> cases[] = {
        {256, 250, u"12345", 256}, {256, 250, u"123456", 390},  // 256 + 6 + 128
        {10, 9, u"", 10},          {10, 9, u"x", 139},         {10, 10, u"", 138}, {0, 0, u"", 1},
        {2, 1, u"bcd", 133},  // the first character kept too
    };
    for (const auto& [capacity, assigned, appended, grown] : cases) {
        wtext t(capacity);
        EXPECT_EQ(content(t), u"");  // ended from the start
        if (assigned > 0) t.assign(letters(assigned).c_str());
        t.append(appended.c_str());
        EXPECT_EQ(t.capacity, grown) << capacity << " " << assigned;
        EXPECT_EQ(content(t), letters(assigned) + appended);
    }
    wtext u(letters(255).c_str());  // 256, as the ten appended: the sum after
    u.append(wtext(u"0123456789"));
    EXPECT_EQ(content(u), letters(255) + u"0123456789");
    u.assign(u"short");    // never shrinks
    u.assign(u.data + 2);  // the source may lie in the storage replaced
    EXPECT_EQ(std::pair(u.capacity, content(u)), std::pair(512, text16(u"ort")));
    u = wtext(letters(256).c_str());  // 256 + 128, moved with its capacity
    EXPECT_EQ(u.capacity, 384);
    wtext taken(std::move(u)), kept(u"old");
    kept = std::move(taken);  // the sources left empty and usable
    u.append(u"x"), taken.append(u"y");
    EXPECT_EQ(content(kept) + content(u) + content(taken), letters(256) + u"xy");
    kept.release();  // and one let go: grown from nothing
    kept.append(u"z");
    EXPECT_EQ(std::pair(kept.capacity, content(kept)), std::pair(129, text16(u"z")));
    wtext grow(8);
    grow.assign(u"abcdefg");
    grow.append(grow.data);
    grow.append(grow);
    EXPECT_EQ(content(grow), u"abcdefgabcdefgabcdefgabcdefg");
}

text16 format(int32_t capacity, const char16_t* pattern, values given) {
    text16 out(size_t(capacity) + 1, u'#');
    const int32_t length = formatBounded(&out[0], capacity, pattern, given);
    EXPECT_EQ(out[size_t(capacity)], u'#');
    if (capacity == 0) return text16(size_t(length), u'?');  // nothing, and 0 said
    EXPECT_EQ(out[size_t(length)], u'\0');
    return out.substr(0, size_t(length));
}

text16 wide(const std::string& ascii) { return text16(ascii.begin(), ascii.end()); }

template <typename number>
void asPrintf(std::initializer_list<const char*> patterns, std::initializer_list<number> all) {
    for (const char* pattern : patterns)
        for (number value : all) {
            char expected[64];
            std::snprintf(expected, sizeof expected, pattern, value);
            EXPECT_EQ(format(256, wide(pattern).c_str(), {value}), wide(expected)) << pattern;
        }
}

// Setting names as the engines hand them out.
TEST(NameCopy, CutToFitAndTerminated) {
    const std::tuple<const char16_t*, uint32_t, uint32_t, bool, const char16_t*> cases[] = {
        {u"ab", 4, 2, true, u"ab\0#"},          {u"abc", 4, 3, true, u"abc\0"},
        {u"abcd", 4, 3, false, u"abc\0"},       {u"a", 1, 0, false, u"\0###"},
        {u"a", 0, 0, false, u"####"},           {u"a", 0x80000000u, 0, false, u"####"},
        {u"ab", 0x7FFFFFFFu, 2, true, u"ab\0#"}};
    for (auto [name, capacity, length, whole, out] : cases) {
        text16 b(4, u'#');
        const namecopy got = copyName(name, &b[0], capacity);
        EXPECT_EQ(std::tuple(got.length, got.complete, b),
                  std::tuple(length, whole, text16(out, 4)));
    }
    const char16_t* const choices[] = {u"a", u"bc", u"d"};  // the first two of them
    char16_t b[4];
    EXPECT_TRUE(copyChoiceName(choices, 2, 1, b, 4).length == 2 &&
                copyChoiceName(choices, 2, 2, b, 4).length == 0);
}

TEST(WideFormat, NumbersAsPrintfWritesThem) {
    asPrintf<int32_t>(
        {"%d", "%i", "%5d", "%-5d|", "%05d", "%03d", "%00d", "%-05d|", "%1d", "<%12d>"},
        {0, 7, -7, 42, 999, 1000, -1000, 123456, INT32_MIN, INT32_MAX});
    asPrintf<uint32_t>({"%u", "%08u", "%-11u|", "%3u"}, {0u, 5u, 4294967295u, 2147483648u});
}

TEST(WideFormat, CutsAndUnfillableConversions) {
    const struct {
        const char16_t* pattern;
        values given;
        text16 out;
        int32_t capacity = 256;
    } cases[] = {{u"%d", {4294967295u}, u"-1"},  // the conversion decides how the bits read
                 {u"%u", {-1}, u"4294967295"},
                 {u"100%%", {}, u"100%"},
                 {u"[%6s][%-6s][%06s]", {u"ab", u"ab", u"ab"}, u"[    ab][ab    ][0000ab]"},
                 {u"%s", {static_cast<const char16_t*>(nullptr)}, u"(null)"},
                 {u"%s😀%d : %s", {u"𠮷", 1, u"歩く.mrv"}, u"𠮷😀1 : 歩く.mrv"},
                 {u"Total %d files exists.", {20}, u"Total 2", 8},
                 {u"%s", {u"abcdefghijklmnopqrst"}, u"abcdefg", 8},
                 {u"exactly", {}, u"exactly", 8},
                 {u"%08d", {5}, u"000", 4},
                 {u"%-8d|", {5}, u"5  ", 4},
                 {u"anything %d", {1}, u"", 1},
                 {u"abc", {}, u"", 0},
                 {u"%2147483647d", {1}, u"     ", 6},
                 {u"%099999999999999d", {1}, u"00000", 6},
                 // A pattern made from a file name may ask for values not given.
                 {u"%d and %d", {1}, u"1 and %d"},
                 {u"%s-%03d", {5}, u"%s-005"},
                 {u"%d", {u"text"}, u"%d"},
                 {u"%x %ls %.2d", {1, u"a", 2}, u"%x %ls %.2d"},
                 {u"ends with %05", {1}, u"ends with %05"}};
    for (const auto& c : cases)
        EXPECT_EQ(format(c.capacity, c.pattern, c.given), c.out) << utf8(c.pattern);
}

text16 line(int number, size_t length) {
    text16 s = wide("#" + std::to_string(number) + " ");
    s.resize(length, char16_t(u'a' + number % 26));
    return s;
}

const text16 crlf = u"\r\n";

struct testlog {
    logbuffer log;
    void append(const text16& text) { log.appendLine(text.data(), int32_t(text.size())); }
    text16 shown() const {
        EXPECT_EQ(std::pair(log.start, log.visible), std::pair(0, log.end));
        EXPECT_EQ(log.data[log.end], u'\0');
        return log.text();
    }
};

// With end = 8000 a line of `length` cuts from 3904 + length on to the next line: from the
// break before line 43 (at 4301) or from its first character, which goes with it.
TEST(LogBuffer, TrimKeepsRecentCompleteLines) {
    testlog t;
    text16 expected;
    for (auto [length, first] : {std::pair{397, 43}, {398, 44}}) {
        t = {}, expected.clear();
        for (int n = 0; n < 80; ++n) t.append(line(n, n ? 98 : 100));
        t.append(line(80, length));
        for (int n = first; n < 80; ++n) expected += line(n, 98) + crlf;
        EXPECT_EQ(t.shown(), expected + line(80, length)) << length;
    }
    t.log.removeLastLine();
    t.append(u"");  // an empty line is a line too
    EXPECT_EQ(t.shown(), expected);

    testlog full;  // one short of full stays whole; a line that would fill the storage trims first
    for (int n = 0; n < 8; ++n) full.append(line(n, 998));
    full.append(line(8, 190));
    EXPECT_EQ(full.log.end, 8190);
    full.log.removeLastLine();
    full.append(line(8, 191));
    EXPECT_EQ(full.shown(),
              line(5, 998) + crlf + line(6, 998) + crlf + line(7, 998) + crlf + line(8, 191));

    testlog longest;  // a cut with no line break behind drops the whole log
    for (int n = 0; n < 3; ++n) longest.append(line(n, 4094));
    longest.log.removeLastLine();  // the only line stays
    EXPECT_EQ(longest.shown(), line(2, 4094));
}

TEST(LogBufferDeathTest, TooLongLineIsFatal) {
    testlog t;
    const text16 text(4095, u'x');
    EXPECT_DEATH(t.log.appendLine(text.data(), 4095), "");
    EXPECT_DEATH(t.log.appendLine(text.data(), -1), "");
}

TEST(SeriesName, PathsAndLogLinesOfNumbers) {
    const text16 deep = u"C:\\" + text16(239, u'd') + u"\\";  // names cut at 255
    // file, extension: where the chosen name and what follows its last dot start (0: none), as
    // the callers find them. name: picture `number`'s, in `folder`; line: the name where not given.
    const struct {
        text16 folder, chosen;
        uint32_t file, extension, number;
        text16 name, line = {};
    } cases[] = {{u"C:\\anim\\", u"walk_017.bmp", 8, 17, 5, u"walk_005.bmp"},
                 {u"C:\\anim\\", u"walk_017.bmp", 8, 17, 1000, u"walk_1000.bmp"},
                 {u"C:\\a\\", u"walk.bmp", 5, 10, 12, u"walk12.bmp"},
                 {u"C:\\100%d\\", u"x%s%%_07.b%dp", 9, 18, 3, u"x%s%%_03.b%dp"},
                 {u"C:\\12\\", u"0042.bmp", 6, 11, 7, u"0007.bmp"},
                 {u"C:\\x\\", u".bmp", 5, 6, 3, u"3.bmp"},
                 {u"C:\\x.y\\", u"walk_09", 7, 0, 3, u"walk_03"},
                 {u"C:\\a\\", u"walk_07.", 5, 13, 3, u"walk_03."},  // an empty extension
                 {u"C:\\歩く\\", u"歩く\uFF10\uFF11.bmp", 6, 11, 4, u"歩く\uFF10\uFF114.bmp"},
                 {deep, u"walk_000.bmp", 243, 252, 999, u"walk_999.bmp"},
                 {deep, u"walk_000.bmp", 243, 252, 1000, u"walk_1000.bm", u"walk_1000.bmp"},
                 // Offsets that do not fit the path are not trusted.
                 {u"C:\\x\\", u"walk_09", 5, 12, 3, u"walk_03"},
                 {u"", u"", 0, 0, 3, u"3"},
                 {u"C:\\", u"walk_1.bmp", 400, 500, 2, u"walk_1.bmp2", u"2"},
                 {u"C:\\", u"walk_1.bmp", 3, 5, 2, u"walk_1.bmp2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        seriesname names((c.folder + c.chosen).c_str(), c.file, c.extension);
        EXPECT_EQ(content(names.pathOf(c.number)), c.folder + c.name);
        EXPECT_EQ(content(names.logLineOf(c.number)),
                  u"File : " + (c.line.empty() ? c.name : c.line));
    }
}

}  // namespace
