// The names of a numbered picture series, derived from the one picture the
// user chose: C:\anim\walk_017.bmp stands for walk_000.bmp, walk_001.bmp, ...
// in C:\anim\. Numbers are padded with zeros to the chosen name's count of
// trailing digits and take more digits when they need them.
#pragma once

#include "text/wtext.h"

#include <cstdint>
#include <string>

class seriesname {
public:
    // Names and log lines hold at most this many characters; longer ones are cut.
    static constexpr int32_t maxLength = 255;

    // `fileOffset` and `extensionOffset` are where the file name and the
    // extension (behind the last dot) start in `path`, as the file dialog
    // reports them. An extension offset that does not point behind a dot of
    // the file name means the name has no extension. A longer path is cut
    // to maxLength characters first.
    seriesname(const char16_t* path, uint32_t fileOffset, uint32_t extensionOffset);

    // The path and the log line ("File : walk_005.bmp") of picture n; each
    // stays valid until the next call of the same operation.
    const wtext& pathOf(uint32_t n);
    const wtext& logLineOf(uint32_t n);
    // Whether picture n's path fits in maxLength characters: past that,
    // pathOf gives a cut name that no picture has.
    bool fits(uint32_t n) const;

    std::u16string directory;  // with its final separator
    std::u16string prefix;     // the base without its trailing digits
    std::u16string extension;  // without the dot
    bool hasExtension = false;
    int32_t digits = 0;

private:
    wtext nameTemplate{maxLength + 1};
    wtext logTemplate{maxLength + 1};
    wtext name{maxLength + 1};
    wtext logLine{maxLength + 1};
};
