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

// The name cut to the capacity less one and terminated; nothing written
// beyond the terminator.
TEST(NameCopy, CopiesWhatFitsAndTerminates) {
    const struct {
        const char16_t* name;
        uint32_t capacity;
        std::u16string copied;
        bool complete;
    } cases[] = {
        {u"Foreground Color", 32, u"Foreground Color", true},
        {u"White", 6, u"White", true},
        {u"Interpolation Mode", 6, u"Inter", false},
        {u"White", 5, u"Whit", false},
        {u"黒の動作", 1, u"", false},
        {u"", 1, u"", true},
        {u"Mode", 0x7FFFFFFF, u"Mode", true},  // the largest capacity still stops at the terminator
    };
    for (const auto& c : cases) {
        namebuffer buffer;
        namecopy result = copyName(c.name, buffer.units, c.capacity);
        EXPECT_EQ(buffer.text(), c.copied) << c.capacity;
        EXPECT_EQ(result.length, c.copied.size());
        EXPECT_EQ(result.complete, c.complete);
        EXPECT_EQ(buffer.units[c.copied.size() + 1], untouched);
    }
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

}  // namespace
