// The reader of one BMP picture at a time during an import: an 8-bit Windows
// BMP with a 40-, 108- or 124-byte information header and a full 256-entry
// colour table, or a shorter one that holds the colours the picture says it
// uses; rows uncompressed bottom-up or top-down, or a BI_RLE8 stream. What it
// keeps is always the 40-byte form with a full table and plain bottom-up
// rows, the one block the encoder and the engines read. It keeps the pixel buffer and the payload
// buffer of the frame encoder; both outlive each picture and serve the whole import.
#pragma once

#include "platform/file.h"

#include <cstdint>
#include <memory>

class gengine;
struct rect;

// BITMAPFILEHEADER, decoded from its 14 little-endian bytes.
struct bmpfileheader {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
};

// BITMAPINFOHEADER followed by the 256-entry colour table (blue, green, red,
// reserved), laid out as in a file with a 40-byte header so it can be passed
// on as one block.
struct bmpinfoheader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
    uint8_t colourTable[256][4];
};

constexpr uint32_t bmpFileHeaderSize = 14;
constexpr uint32_t bmpInfoBlockSize = 1064;
static_assert(sizeof(bmpinfoheader) == bmpInfoBlockSize, "the header block is read as one");

// What a reader holds: no file; an open file of which nothing is read and
// checked (or what was read failed); its headers, checked; its whole
// picture, which stays when the file is closed.
enum class bmpstate { closed, open, headersRead, pixelsRead };

// Also the picture reader that counts and packs a series: a reader of another
// format overrides the reads and leaves the picture in the same form (the
// 40-byte header, plain bottom-up rows in pixelData), which encode takes.
class bmpfile {
public:
    bmpfile();
    virtual ~bmpfile() = default;

    // Closes any open file and opens `path` for reading; forgets what was read.
    bool open(const char16_t* path);
    // Reads and checks the headers of the open file; reads no pixels.
    virtual bool readHeaders();
    // Reads the headers, if not done yet, and the pixel data.
    virtual bool load();
    // What the counting pass says of a picture whose headers cannot be read.
    virtual const char16_t* unreadable() const { return u"Invalid Bitmap Format"; }
    // Encodes the loaded picture at `depth` into the payload buffer; the
    // payload size, 0 on failure.
    uint32_t encode(uint32_t depth);
    // Closes the file; the buffers stay for the next, and so does a picture
    // read whole.
    void closeFile();
    // Frees both buffers and closes the file.
    void close();
    // Draws the picture as read, at full depth, over the engine's background
    // into `target`, loading it first when needed. False when nothing was
    // drawn: the picture cannot be loaded or the engine makes no image of it.
    bool show(gengine& engine, const rect& target);
    // Both buffers made now, the pixel buffer at least `pixels` bytes and
    // the payload buffer `payload` bytes, so that a reader short of memory
    // says so before any picture; false when either cannot be had.
    bool reserve(uint32_t pixels, uint32_t payload);

    bmpstate state() const { return held; }
    // The picture once its headers are read: the 40-byte header and the full
    // colour table, as one block.
    const bmpinfoheader& info() const { return infoHeader; }
    // Its rows, bottom-up, once its pixels are read; pixelSize bytes of them.
    const uint8_t* pixels() const { return pixelData.get(); }
    uint32_t pixelSize() const;
    // The pixel buffer's size: it only grows, to the largest picture's rows, until close.
    uint32_t pixelBufferSize() const { return pixelCapacity; }
    // The last payload encode wrote.
    const uint8_t* payload() const { return rleData.get(); }
    uint32_t payloadSize() const { return rleSize; }

protected:
    // Forgets what was read; false when no file is open.
    bool startOver();
    // The pixel buffer at least `size` bytes; the old one stays when it cannot grow.
    bool reservePixels(uint32_t size);

    filehandle fileHandle;
    bmpinfoheader infoHeader{};
    std::unique_ptr<uint8_t[]> pixelData;
    bmpstate held = bmpstate::closed;

private:
    bool readInfoBlock();
    bool readPixels();
    bool readCodedPixels(uint32_t size, uint64_t fileSize);

    bmpfileheader fileHeader{};
    uint32_t pixelCapacity = 0;
    std::unique_ptr<uint8_t[]> rleData;
    uint32_t rleSize = 0;
    uint32_t rleCapacity = 0;
    bool topDown = false;       // the file's rows run top-down; pixelData holds them bottom-up
    uint32_t biSizeAsRead = 0;  // the information header's own length
};
