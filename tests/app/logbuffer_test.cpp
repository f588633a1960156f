#include "app/logbuffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const std::u16string crlf = u"\r\n";

// A line of `length` characters that tells its number.
std::u16string line(int number, size_t length)
{
    std::u16string s = u"#" + std::u16string(1, static_cast<char16_t>(u'A' + number % 26));
    for (int n = number; n > 0; n /= 10) s += static_cast<char16_t>(u'0' + n % 10);
    s += u' ';
    s.resize(length, static_cast<char16_t>(u'a' + number % 26));
    return s;
}

std::u16string shown(const logbuffer& log)
{
    EXPECT_EQ(log.start, 0);
    EXPECT_LT(log.end, logbuffer::capacity);
    EXPECT_EQ(log.visible, log.end - log.start);
    EXPECT_EQ(log.data[log.end], u'\0');
    return std::u16string(log.text());
}

void append(logbuffer& log, const std::u16string& text)
{
    log.appendLine(text.data(), static_cast<int32_t>(text.size()));
}

// logbuffer is 16 KiB: keep it off the test's stack.
std::unique_ptr<logbuffer> makeLog()
{
    return std::make_unique<logbuffer>();
}

} // namespace

TEST(LogBuffer, LinesAreSeparatedByCrLf)
{
    auto log = makeLog();
    EXPECT_EQ(shown(*log), u"");
    append(*log, u"a");
    EXPECT_EQ(shown(*log), u"a");
    append(*log, u"b");
    EXPECT_EQ(shown(*log), u"a\r\nb");
    EXPECT_EQ(log->visible, 4);
    EXPECT_EQ(log->lastLineStart, 1);
}

TEST(LogBuffer, TakesExactlyNCharacters)
{
    auto log = makeLog();
    const char16_t unterminated[] = {u'F', u'i', u'l', u'e', u'!', u'!'};
    log->appendLine(unterminated, 4);
    append(*log, u"モルバツール 😀");
    EXPECT_EQ(shown(*log), u"File\r\nモルバツール 😀");
}

TEST(LogBuffer, RemoveLastLine)
{
    auto log = makeLog();
    append(*log, u"first");
    log->removeLastLine();
    EXPECT_EQ(shown(*log), u"first");

    append(*log, u"File : walk_000.bmp");
    log->removeLastLine();
    EXPECT_EQ(shown(*log), u"first");
    log->removeLastLine();
    EXPECT_EQ(shown(*log), u"first");

    append(*log, u"Total 1 files exists.");
    EXPECT_EQ(shown(*log), u"first\r\nTotal 1 files exists.");
}

// With end = 8000, a 300-character line cuts from 4204 on to the next line
// start.
TEST(LogBuffer, TrimKeepsRecentCompleteLines)
{
    auto log = makeLog();
    append(*log, line(0, 100));
    for (int n = 1; n < 80; ++n) append(*log, line(n, 98)); // line n spans 100n + 2 ... 100n + 99
    ASSERT_EQ(log->end, 8000);

    const std::u16string newest = line(80, 300);
    append(*log, newest);

    std::u16string expected;
    for (int n = 43; n < 80; ++n) expected += line(n, 98) + crlf;
    const int32_t kept = static_cast<int32_t>(expected.size()) - 2;
    expected += newest;
    EXPECT_EQ(shown(*log), expected);
    EXPECT_EQ(log->lastLineStart, kept);

    log->removeLastLine();
    EXPECT_EQ(log->end, kept);
}

TEST(LogBuffer, ExactFillTrimsFirst)
{
    auto log = makeLog();
    for (int n = 0; n < 8; ++n) append(*log, line(n, 998)); // line n spans 1000n ... 1000n + 997
    ASSERT_EQ(log->end, 7998);
    const std::u16string fill = line(8, logbuffer::capacity - 7998 - 3);
    append(*log, fill); // cuts from 4093, inside line 4
    EXPECT_EQ(shown(*log), line(5, 998) + crlf + line(6, 998) + crlf + line(7, 998) + crlf + fill);
}

TEST(LogBuffer, OneShortOfFullStaysWhole)
{
    auto log = makeLog();
    append(*log, line(0, 4000));
    append(*log, line(1, 4000));
    const std::u16string fits = line(2, logbuffer::capacity - 8002 - 4);
    append(*log, fits);
    EXPECT_EQ(log->end, logbuffer::capacity - 2);
    EXPECT_EQ(shown(*log), line(0, 4000) + crlf + line(1, 4000) + crlf + fits);
}

// A cut inside a line with no break behind it drops the whole old log.
TEST(LogBuffer, LongestLinesReplaceEachOther)
{
    auto log = makeLog();
    const std::u16string a = line(0, logbuffer::maxLineLength);
    const std::u16string b = line(1, logbuffer::maxLineLength);
    const std::u16string c = line(2, logbuffer::maxLineLength);
    append(*log, a);
    append(*log, b);
    EXPECT_EQ(shown(*log), a + crlf + b);
    append(*log, c);
    EXPECT_EQ(shown(*log), c);
    log->removeLastLine();
    EXPECT_EQ(shown(*log), c);
}

// Whatever the line lengths, the log is the end of everything written,
// starting at a line, and it is trimmed only when the line would not fit.
TEST(LogBuffer, RandomLinesStayWithinStorage)
{
    auto log = makeLog();
    std::mt19937 random(1234);
    std::vector<int32_t> lengths = {0, 1, 2, 4093, 4094};
    std::u16string history;
    for (int n = 0; n < 2000; ++n) {
        const size_t length = n < 40 ? static_cast<size_t>(lengths[n % lengths.size()])
                                     : random() % (random() % 4 == 0 ? 4095 : 300);
        const std::u16string text = line(n, length);
        const std::u16string before = shown(*log);
        append(*log, text);
        history += (history.empty() ? u"" : crlf) + text;
        const std::u16string after = shown(*log);

        if (before.size() + 2 + text.size() + 1 < logbuffer::capacity && !before.empty()) {
            ASSERT_EQ(after, before + crlf + text);
        }
        ASSERT_GE(after.size(), text.size());
        ASSERT_EQ(history.compare(history.size() - after.size(), after.size(), after), 0);
        if (after.size() < history.size() && !after.empty()) {
            ASSERT_EQ(history.compare(history.size() - after.size() - 2, 2, crlf), 0) << "cut inside a line";
        }
    }
}

TEST(LogBufferDeathTest, TooLongLineIsFatal)
{
    auto log = makeLog();
    const std::u16string text(logbuffer::maxLineLength + 1, u'x');
    EXPECT_DEATH(log->appendLine(text.data(), logbuffer::maxLineLength + 1), "");
    EXPECT_DEATH(log->appendLine(text.data(), -1), "");
}
