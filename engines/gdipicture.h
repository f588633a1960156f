// A bitmap selected into a memory device context of its own, ready to be the
// target or the source of GDI's bit-block transfers: the GDI engine's back
// buffer, its desktop capture and its loaded background picture.
#pragma once

#include "win32/scopedwin.h"

#include <cstdint>
#include <memory>

class gdipicture {
public:
    // Selects `picture` into a new memory device context compatible with
    // `compatibleWith` (null: with the screen).
    gdipicture(HDC compatibleWith, scopedbitmap picture, int32_t width, int32_t height);
    gdipicture(const gdipicture&) = delete;
    gdipicture& operator=(const gdipicture&) = delete;

    HDC dc() const { return memory; }
    int32_t width() const { return pixelsWide; }
    int32_t height() const { return pixelsHigh; }

private:
    scopedmemorydc memory;
    scopedbitmap bitmap;
    // Declared last: puts the memory context's own bitmap back before
    // `bitmap` is deleted.
    scopedselection selection;
    int32_t pixelsWide;
    int32_t pixelsHigh;
};

// A width x height bitmap in the format of `compatibleWith`, content undefined.
std::unique_ptr<gdipicture> makeCompatiblePicture(HDC compatibleWith, int32_t width,
                                                  int32_t height);

// The first frame of the image file at `path`, decoded by the Windows Imaging
// Component into a 32-bit section; none when the file can't be read or
// decoded. COM must be initialised on the calling thread.
std::unique_ptr<gdipicture> loadPictureFile(const wchar_t* path);
