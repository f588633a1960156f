// The names an engine gives its two settings and their choices, checked the
// same way for every engine; an index past the choices gives the empty name.
#pragma once

#include "engines/gengine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct settingnames {
    std::u16string name;
    std::vector<std::u16string> choices;
};

// The name's return value is each engine's own convention: it checks that itself.
inline void expectSettingNames(gengine& engine, const settingnames& a, const settingnames& b) {
    struct side {
        const settingnames& expected;
        int32_t count;
        int32_t (gengine::*name)(char16_t*, uint32_t);
        int32_t (gengine::*choice)(uint32_t, char16_t*, uint32_t);
    };
    for (const side& s : {side{a, engine.settingAChoiceCount(), &gengine::settingAName, &gengine::settingAChoiceName},
                          side{b, engine.settingBChoiceCount(), &gengine::settingBName, &gengine::settingBChoiceName}}) {
        char16_t buffer[40];
        (engine.*s.name)(buffer, 40);
        EXPECT_EQ(std::u16string(buffer), s.expected.name);
        ASSERT_EQ(s.count, int32_t(s.expected.choices.size())) << "choices of " << std::string(s.expected.name.begin(), s.expected.name.end());
        for (uint32_t i = 0; i < s.expected.choices.size(); ++i) {
            EXPECT_EQ((engine.*s.choice)(i, buffer, 40), int32_t(s.expected.choices[i].size())) << i;
            EXPECT_EQ(std::u16string(buffer), s.expected.choices[i]);
        }
        for (uint32_t beyond : {uint32_t(s.count), 0xFFFFFFFFu}) {
            buffer[0] = u'x';
            EXPECT_EQ((engine.*s.choice)(beyond, buffer, 40), 0) << beyond;
            EXPECT_EQ(buffer[0], u'\0') << beyond;
        }
    }
}

inline const settingnames gdiWhiteBehaviour = {u"白の動作", {u"白", u"黒", u"そのまま", u"反転"}};
inline const settingnames gdiBlackBehaviour = {u"黒の動作", {u"白", u"黒", u"そのまま", u"反転"}};
