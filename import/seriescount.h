// The counting pass of a series import, shared by the program's import and
// the command-line packer so that both find the same series and say the same
// words: names from number 0 up to the first that cannot be opened, every
// picture's headers checked and its size compared with picture 0's, and no
// more pictures than the animation has room for.
#pragma once

#include "text/wtext.h"

#include <cstdint>
#include <string>

class bmpfile;
class seriesname;

// Where the pass writes its lines.
class serieslog {
public:
    // A line that stays in the log.
    virtual void log(const wtext& text) = 0;
    // A line that stays on screen only until the next one replaces it.
    virtual void showPassing(const wtext& text) = 0;

protected:
    ~serieslog() = default;
};

struct seriescount {
    bool taken = false;  // false: a picture failed, and `refusal` is the line that says why
    uint32_t total = 0;
    int32_t width = 0;  // of picture 0; 0 x 0 when there is none
    int32_t height = 0;
    std::u16string refusal;
};

// Logs "Directory ...", every name tried, the frame limit when `room`
// pictures were found before the series ended, the name length limit when
// the next name is too long to open, and "Total %d files exists."
// for a series that is taken. The reader holds no file afterwards; a reader
// of another format derives from the BMP one and names what it refuses.
seriescount countSeries(seriesname& names, bmpfile& reader, uint32_t room, serieslog& log);
