#include "app/wtext.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::u16string content(const wtext& t)
{
    EXPECT_GE(t.capacity, t.length + 1);
    EXPECT_EQ(t.data[t.length], u'\0');
    return std::u16string(t.data, static_cast<size_t>(t.length));
}

std::u16string letters(size_t count)
{
    std::u16string s;
    for (size_t i = 0; i < count; ++i) s += static_cast<char16_t>(u'a' + i % 26);
    return s;
}

} // namespace

TEST(WText, ConstructionCapacity)
{
    const std::u16string ten = letters(10);
    wtext small(ten.c_str());
    EXPECT_EQ(small.capacity, 256);
    EXPECT_EQ(content(small), ten);

    EXPECT_EQ(wtext(letters(255).c_str()).capacity, 256);

    const std::u16string long256 = letters(256);
    wtext large(long256.c_str());
    EXPECT_EQ(large.capacity, 384);
    EXPECT_EQ(content(large), long256);

    wtext none(static_cast<const char16_t*>(nullptr));
    EXPECT_EQ(none.capacity, 256);
    EXPECT_EQ(content(none), u"");
}

TEST(WText, EmptyWithCapacity)
{
    wtext t(100);
    EXPECT_EQ(t.capacity, 100);
    EXPECT_EQ(content(t), u"");
    EXPECT_EQ(wtext(0).capacity, 1);
}

TEST(WText, AppendGrowsByLengthAndSlack)
{
    wtext t(256);
    t.assign(letters(250).c_str());
    const char16_t* before = t.data;
    t.append(u"12345");
    EXPECT_EQ(t.capacity, 256);
    EXPECT_EQ(t.data, before);

    t.append(u"0123456789");
    EXPECT_EQ(t.capacity, 394);
    EXPECT_EQ(content(t), letters(250) + u"12345" + u"0123456789");
}

TEST(WText, AppendTextGrowsByItsCapacity)
{
    wtext t(256);
    t.assign(letters(250).c_str());
    wtext tail(u"0123456789");
    t.append(tail);
    EXPECT_EQ(t.capacity, 512);
    EXPECT_EQ(content(t), letters(250) + u"0123456789");

    wtext fits(u"ab");
    fits.append(tail);
    EXPECT_EQ(fits.capacity, 256);
    EXPECT_EQ(content(fits), u"ab0123456789");
}

TEST(WText, AssignKeepsOrReplacesStorage)
{
    wtext t(u"a rather long first text");
    t.assign(u"short");
    EXPECT_EQ(t.capacity, 256);
    EXPECT_EQ(content(t), u"short");

    const std::u16string long300 = letters(300);
    t.assign(long300.c_str());
    EXPECT_EQ(t.capacity, 428);
    EXPECT_EQ(content(t), long300);

    wtext exact(10);
    exact.assign(letters(9).c_str());
    EXPECT_EQ(exact.capacity, 10);
    exact.assign(letters(10).c_str());
    EXPECT_EQ(exact.capacity, 138);
}

// The source may lie in the storage that the operation replaces.
TEST(WText, SourceInsideItself)
{
    wtext t(u"abcdef");
    t.assign(t.data + 2);
    EXPECT_EQ(content(t), u"cdef");

    wtext grow(8);
    grow.assign(u"abcdefg");
    grow.append(grow.data);
    EXPECT_EQ(content(grow), u"abcdefgabcdefg");
    grow.append(grow);
    EXPECT_EQ(content(grow), u"abcdefgabcdefgabcdefgabcdefg");
}

TEST(WText, ReleasedTextWorksAsEmpty)
{
    wtext t(u"abc");
    t.release();
    EXPECT_EQ(t.data, nullptr);
    EXPECT_EQ(t.capacity, 0);
    EXPECT_EQ(t.length, 0);

    t.format(u"%d", 1);
    EXPECT_EQ(t.data, nullptr);

    wtext released(u"x");
    released.release();
    t.append(released);
    EXPECT_EQ(content(t), u"");

    t.release();
    t.append(u"abc");
    EXPECT_EQ(t.capacity, 131);
    EXPECT_EQ(content(t), u"abc");

    t.release();
    t.assign(u"xy");
    EXPECT_EQ(t.capacity, 130);
    EXPECT_EQ(content(t), u"xy");
}

TEST(WText, MovesHandOverStorage)
{
    wtext a(u"first");
    const char16_t* storage = a.data;
    wtext b(std::move(a));
    EXPECT_EQ(b.data, storage);
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.capacity, 0);
    EXPECT_EQ(content(b), u"first");

    wtext c(u"second");
    c = std::move(b);
    EXPECT_EQ(content(c), u"first");
    EXPECT_EQ(b.data, nullptr);
}

TEST(WText, FormatIntoExistingStorage)
{
    wtext t(8);
    t.format(u"Total %d files exists.", 20);
    EXPECT_EQ(t.capacity, 8);
    EXPECT_EQ(content(t), u"Total 2");

    wtext line(256);
    line.format(u"File : %s%%0%dd.%s", u"walk_", 3, u"bmp");
    EXPECT_EQ(content(line), u"File : walk_%03d.bmp");
    wtext picture(256);
    picture.format(line.data, 7u);
    EXPECT_EQ(content(picture), u"File : walk_007.bmp");

    line.format(u"plain");
    EXPECT_EQ(content(line), u"plain");
}
