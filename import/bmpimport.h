// The BMP series import: from one chosen picture, count and check the whole
// numbered series from number 0, then encode every picture at the data depth
// and append it as one frame to the document's frame store, showing each
// picture as it goes. The program around it is reached through importhost.
#pragma once

#include <cstdint>

class bmpfile;
class document;

// What an import needs of the program: the status log, the progress bar, the
// frame area and the title.
class importhost {
public:
    virtual void appendLine(const char16_t* text, int32_t length) = 0;
    // Takes back the latest line, which stays on screen until the next one.
    virtual void removeLastLine() = 0;
    // Shows the progress bar with the range 0 ... total.
    virtual void showProgress(uint32_t total) = 0;
    virtual void setProgress(uint32_t position) = 0;
    virtual void hideProgress() = 0;
    // Draws the picture the reader holds in the frame area.
    virtual void showPicture(bmpfile& picture) = 0;
    virtual void updateTitle() = 0;

protected:
    ~importhost() = default;
};

// Imports the series that `path` belongs to into `animation`, encoded at
// `depth` bits; the offsets are where its file name and its extension start,
// as the file dialog reports them. A series that fails the checks, or that
// the animation cannot take, changes nothing but the log.
void importSeries(importhost& host, document& animation, uint32_t depth, const char16_t* path,
                  uint32_t fileOffset, uint32_t extensionOffset);
