// UTF-16 text, as the program keeps paths and log lines, to and from the
// UTF-8 that POSIX paths, command lines and terminals use.
#pragma once

#include <string>

// Unpaired surrogates become U+FFFD.
std::string utf8Of(const char16_t* text);
// Bytes that are no UTF-8 become U+FFFD.
std::u16string utf16Of(const std::string& text);
