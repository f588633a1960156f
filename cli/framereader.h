// The frames of an animation file, read and decoded one at a time into one
// buffer of grey rows: bottom-up as in the payload, each `stride` bytes (a
// multiple of 4, as BMP rows are), the padding zero.
#pragma once

#include "animfile/morvafile.h"

#include <memory>
#include <string>

class framereader {
public:
    // Empty when the file opened, otherwise the line that says why not.
    std::string open(const std::u16string& path);

    const fileheader& header() const { return file.fileHeader(); }
    // Whether the frames have a size a picture can have.
    bool pictureSized() const { return header().width > 0 && header().height > 0; }
    indexentry entry(uint32_t frame) const { return file.entry(frame); }
    // The program stores an empty frame for a picture it could not encode:
    // not damage, but nothing to draw either.
    bool empty(uint32_t frame) const { return entry(frame).size == 0; }
    const uint8_t* rows() const { return pixels.get(); }
    size_t stride() const { return rowBytes; }

    // False with `damage` telling where decoding stopped and why. An empty
    // frame decodes to level 0 throughout.
    bool decode(uint32_t frame, std::string& damage);

    // The frames that decoded empty, for the one line that names them after
    // the run ("empty frames drawn black: 1, 4"); empty when there were none.
    std::string emptyNote() const;

private:
    std::string emptyFrames;  // "1, 4"
    morvafile file;           // its payload buffer holds the largest frame
    std::unique_ptr<uint8_t[]> pixels;
    size_t rowBytes = 0;
    size_t pixelBytes = 0;
};
