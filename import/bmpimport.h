// The BMP series import: from one chosen picture, count and check the whole
// numbered series from number 0, then encode every picture at the data depth
// and append it as one frame to the application's frame store, showing each
// picture as it goes. The program around it is reached through importhost.
#pragma once

#include <cstdint>

class bmpfile;
class TMPfile;

// What an import needs of the program: the status log, the progress bar, the
// frame area and the new animation.
class importhost {
public:
    virtual void appendLine(const char16_t* text, int32_t length) = 0;
    // Takes back the latest line, which stays on screen until the next one.
    virtual void removeLastLine() = 0;
    // Shows the progress bar with the range 0 ... total.
    virtual void showProgress(uint32_t total) = 0;
    virtual void setProgress(uint32_t position) = 0;
    virtual void hideProgress() = 0;
    // Draws the picture the reader holds in the frame area, on screen at once.
    virtual void showPicture(bmpfile& picture) = 0;
    // Frames the new animation holds already; 0 when there is none.
    virtual uint32_t storedFrames() = 0;
    // Marks the animation modified and gives its frame store, made when there
    // is none.
    virtual TMPfile& modifiedStore() = 0;
    virtual void updateTitle() = 0;
    virtual int32_t dataDepth() = 0;

protected:
    ~importhost() = default;
};

// Imports the series that `path` belongs to; the offsets are where its file
// name and its extension start, as the file dialog reports them. A series
// that fails the checks changes nothing but the log.
void importSeries(importhost& host, const char16_t* path, uint32_t fileOffset,
                  uint32_t extensionOffset);
