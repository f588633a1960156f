#include "engines/namecopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {

constexpr char16_t untouched = u'#';

struct namebuffer {
    char16_t units[32];
    namebuffer() { std::fill(std::begin(units), std::end(units), untouched); }
    std::u16string text() const { return units; }
};

TEST(NameCopy, WholeNameWithRoomToSpare) {
    namebuffer buffer;
    namecopy result = copyName(u"Foreground Color", buffer.units, 32);
    EXPECT_EQ(buffer.text(), u"Foreground Color");
    EXPECT_EQ(result.length, 16u);
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(buffer.units[17], untouched);
}

TEST(NameCopy, NameThatExactlyFits) {
    namebuffer buffer;
    namecopy result = copyName(u"White", buffer.units, 6);
    EXPECT_EQ(buffer.text(), u"White");
    EXPECT_TRUE(result.complete);
}

TEST(NameCopy, LongNameIsCutToCapacityLessOneAndTerminated) {
    namebuffer buffer;
    namecopy result = copyName(u"Interpolation Mode", buffer.units, 6);
    EXPECT_EQ(buffer.text(), u"Inter");
    EXPECT_EQ(result.length, 5u);
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(buffer.units[6], untouched);

    result = copyName(u"White", buffer.units, 5);
    EXPECT_EQ(buffer.text(), u"Whit");
    EXPECT_FALSE(result.complete);
}

TEST(NameCopy, CapacityOneGivesTheEmptyString) {
    namebuffer buffer;
    namecopy result = copyName(u"黒の動作", buffer.units, 1);
    EXPECT_EQ(buffer.units[0], u'\0');
    EXPECT_EQ(buffer.units[1], untouched);
    EXPECT_EQ(result.length, 0u);
    EXPECT_FALSE(result.complete);

    EXPECT_TRUE(copyName(u"", buffer.units, 1).complete);
}

TEST(NameCopy, UnusableCapacitiesWriteNothing) {
    for (uint32_t capacity : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        namebuffer buffer;
        namecopy result = copyName(u"Mode", buffer.units, capacity);
        EXPECT_EQ(buffer.units[0], untouched) << capacity;
        EXPECT_EQ(result.length, 0u);
        EXPECT_FALSE(result.complete);
    }
    EXPECT_EQ(copyName(u"Mode", nullptr, 10).length, 0u);
}

TEST(NameCopy, LargestCapacityStillCopiesUpToTheTerminator) {
    namebuffer buffer;
    namecopy result = copyName(u"Mode", buffer.units, 0x7FFFFFFF);
    EXPECT_EQ(buffer.text(), u"Mode");
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(buffer.units[5], untouched);
}

}  // namespace
