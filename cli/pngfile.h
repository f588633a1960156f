// The reader of one picture of a PNG series for pack: 8-bit grey or 8-bit
// palette, where a pixel's value is its grey level or its palette index, as a
// BMP pixel's is its colour-table index. It leaves each picture in the BMP
// reader's form, so that a PNG series is counted and encoded as a BMP series
// is and the same pictures give the same file.
#pragma once

#include "import/bmpfile.h"

#include <string>
#include <vector>

class pngfile : public bmpfile {
public:
    // Checks the signature and the image header; any other type of PNG is
    // refused with words that name it and what it may be converted to.
    bool readHeaders() override;
    bool load() override;
    const char16_t* unreadable() const override { return refusal.c_str(); }

private:
    // The platform's decoder: the file's bytes in `encoded`, the rows into
    // pixelData bottom-up, `stride` bytes apart. False for a damaged picture
    // or one that is no longer what its header said.
    bool decode(uint32_t stride);

    std::u16string refusal;
    std::vector<uint8_t> encoded;
    std::vector<uint8_t*> rowStarts;  // top-down, as decoders give rows
};

// Whether `picture` starts a PNG series, by its extension; else it is a BMP one.
bool isPngName(const std::u16string& picture);
