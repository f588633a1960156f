// Test names for table rows: the row's `what`, in camel case ("a delta cut
// short" becomes ADeltaCutShort).
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

template <typename Row>
std::string caseName(const testing::TestParamInfo<Row>& info) {
    std::string name;
    bool upper = true;
    for (const char* c = info.param.what; *c; ++c) {
        const unsigned char letter = static_cast<unsigned char>(*c);
        if (std::isalnum(letter)) {
            name += upper ? char(std::toupper(letter)) : *c;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}
