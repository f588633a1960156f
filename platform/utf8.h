// UTF-16 text, as the program keeps paths and log lines, to and from the
// UTF-8 that POSIX paths, command lines and terminals use.
#pragma once

#include <string>

// Unpaired surrogates become U+FFFD.
std::string utf8Of(const char16_t* text);
// Bytes that are no UTF-8 become U+FFFD.
std::u16string utf16Of(const std::string& text);

// A POSIX path's bytes as UTF-16 and back, exactly: a byte that starts no
// UTF-8 sequence becomes the lone surrogate U+DC80 + its value (U+DC80-DCFF),
// and such a surrogate becomes the byte again, so that a name in another
// encoding is opened under the name it has.
std::u16string pathOfBytes(const std::string& bytes);
std::string bytesOfPath(const char16_t* path);
