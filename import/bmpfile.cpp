#include "import/bmpfile.h"

#include "engines/frameinfo.h"
#include "import/frameencoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint16_t bmpSignature = 0x4D42;  // "BM"
constexpr uint32_t infoHeaderSize = 40;
constexpr uint32_t largestInfoHeaderSize = 124;  // BITMAPV5HEADER
constexpr uint32_t colourTableSize = bmpInfoBlockSize - infoHeaderSize;
constexpr uint32_t initialPixelCapacity = 4096;
constexpr uint32_t uncompressed = 0;  // BI_RGB

// The information headers that begin with the 40 bytes of a BITMAPINFOHEADER:
// that one, and the V4 and V5 headers that today's editors write.
bool isKnownHeaderSize(uint32_t size) { return size == 40 || size == 108 || size == 124; }

uint16_t little16(const uint8_t* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }

uint32_t little32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

bmpfileheader decodeFileHeader(const uint8_t* bytes) {
    return {little16(bytes), little32(bytes + 2), little16(bytes + 6), little16(bytes + 8),
            little32(bytes + 10)};
}

// The 40-byte fields from the start of any known header; the colour table
// from wherever that header ends.
bmpinfoheader decodeInfoHeader(const uint8_t* bytes, const uint8_t* colourTable) {
    bmpinfoheader header;
    header.biSize = little32(bytes);
    header.biWidth = int32_t(little32(bytes + 4));
    header.biHeight = int32_t(little32(bytes + 8));
    header.biPlanes = little16(bytes + 12);
    header.biBitCount = little16(bytes + 14);
    header.biCompression = little32(bytes + 16);
    header.biSizeImage = little32(bytes + 20);
    header.biXPelsPerMeter = int32_t(little32(bytes + 24));
    header.biYPelsPerMeter = int32_t(little32(bytes + 28));
    header.biClrUsed = little32(bytes + 32);
    header.biClrImportant = little32(bytes + 36);
    std::memcpy(header.colourTable, colourTable, sizeof header.colourTable);
    return header;
}

// Rows are padded to whole 4-byte words. Only for a positive width.
uint32_t rowStride(const bmpinfoheader& header) { return (uint32_t(header.biWidth) + 3) / 4 * 4; }

uint32_t rowCount(const bmpinfoheader& header) {
    return header.biHeight < 0 ? 0u - uint32_t(header.biHeight) : uint32_t(header.biHeight);
}

uint64_t pixelRowsSize(const bmpinfoheader& header) {
    return uint64_t(rowStride(header)) * rowCount(header);
}

// What the encoder and the pixel read rely on beyond the signature, depth and
// size checks: plain rows of a known size, after the header block, all in
// the file. The file's own size decides, not bfSize, which some editors
// leave a few bytes short.
bool isReadableLayout(const bmpfileheader& file, const bmpinfoheader& info, uint64_t fileSize) {
    if (info.biCompression != uncompressed) return false;
    if (info.biWidth <= 0) return false;  // no mirrored rows
    if (info.biHeight == 0 || info.biHeight == INT32_MIN) return false;
    if (frameTooLarge(info.biWidth, info.biHeight)) return false;  // no engine draws it
    // Pixels start at bfOffBits: a gap after the colour table is allowed, an overlap is not.
    const uint64_t blockEnd = uint64_t(bmpFileHeaderSize) + info.biSize + colourTableSize;
    if (file.bfOffBits < blockEnd || fileSize < file.bfOffBits) return false;
    return fileSize - file.bfOffBits >= pixelRowsSize(info);
}

std::unique_ptr<uint8_t[]> allocate(uint64_t size) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]);
}

// Top-down rows become the bottom-up rows that the encoder and the engines take.
void reverseRows(uint8_t* rows, uint32_t stride, uint32_t count) {
    for (uint32_t top = 0, bottom = count - 1; top < bottom; ++top, --bottom) {
        uint8_t* upper = rows + size_t(top) * stride;
        std::swap_ranges(upper, upper + stride, rows + size_t(bottom) * stride);
    }
}

}  // namespace

bmpfile::bmpfile() : pixelData(allocate(initialPixelCapacity)) {
    if (pixelData) pixelCapacity = initialPixelCapacity;
}

bool bmpfile::open(const char16_t* path) {
    fileHandle.close();
    loaded = false;
    pixelsLoaded = false;
    fileHandle = openExistingFile(path, fileaccess::read, fileshare::read);
    return fileHandle.isOpen();
}

bool bmpfile::readHeaders() {
    loaded = false;
    pixelsLoaded = false;
    topDown = false;
    uint64_t fileSize = 0;
    if (!readInfoBlock(fileSize)) return false;
    if (infoHeader.biBitCount != 8) return false;
    if (fileSize < fileHeader.bfOffBits) return false;
    if (fileSize - fileHeader.bfOffBits < infoHeader.biSizeImage) return false;
    if (!isReadableLayout(fileHeader, infoHeader, fileSize)) return false;
    // From here on the picture is in the one form the rest of the program reads.
    infoHeader.biSize = infoHeaderSize;
    topDown = infoHeader.biHeight < 0;
    infoHeader.biHeight = int32_t(rowCount(infoHeader));
    loaded = true;
    return true;
}

// File header, information header and colour table in one read: they lie
// back to back at the start of the file, however long the information header.
bool bmpfile::readInfoBlock(uint64_t& fileSize) {
    uint8_t block[bmpFileHeaderSize + largestInfoHeaderSize + colourTableSize];
    bytesRead = fileHandle.readAt(0, block, sizeof block);
    if (bytesRead < bmpFileHeaderSize + 4) return false;
    fileHeader = decodeFileHeader(block);
    if (fileHeader.bfType != bmpSignature) return false;
    const uint32_t headerSize = little32(block + bmpFileHeaderSize);
    if (!isKnownHeaderSize(headerSize)) return false;
    const uint32_t colourTable = bmpFileHeaderSize + headerSize;
    if (bytesRead < colourTable + colourTableSize) return false;
    infoHeader = decodeInfoHeader(block + bmpFileHeaderSize, block + colourTable);
    return fileHandle.size(fileSize);
}

bool bmpfile::load() {
    if (pixelsLoaded) return true;
    if (!loaded && !readHeaders()) return false;
    loaded = readPixels();
    return loaded;
}

// Reads exactly the picture's rows; the buffer grows only for pixels the file
// really holds, so header fields alone never cause a large allocation.
bool bmpfile::readPixels() {
    const uint32_t size = uint32_t(pixelRowsSize(infoHeader));  // fits: readHeaders checked it
    uint64_t fileSize = 0;
    if (!fileHandle.size(fileSize) || fileSize < uint64_t(fileHeader.bfOffBits) + size)
        return false;
    if (size > pixelCapacity) {
        std::unique_ptr<uint8_t[]> larger = allocate(size);
        if (!larger) return false;
        pixelData = std::move(larger);
        pixelCapacity = size;
    }
    bytesRead = fileHandle.readAt(fileHeader.bfOffBits, pixelData.get(), size);
    if (bytesRead != size) return false;
    if (topDown) reverseRows(pixelData.get(), rowStride(infoHeader), rowCount(infoHeader));
    pixelsLoaded = true;
    return true;
}

uint32_t bmpfile::encode(uint32_t depth) {
    if (!load()) return 0;
    const uint32_t width = uint32_t(infoHeader.biWidth), height = uint32_t(infoHeader.biHeight);
    // Twice the pixel buffer, but never less than the largest payload possible.
    const uint64_t needed = std::max(2 * uint64_t(pixelCapacity), payloadBound(width, height));
    if (needed > UINT32_MAX) return 0;  // payload sizes are 32-bit
    if (needed > rleCapacity) {
        rleData.reset();
        rleData = allocate(needed);
        rleCapacity = uint32_t(needed);  // even on failure: pictures this size fail from now on
    }
    if (!rleData || depth < 1 || depth > 8) return 0;
    rleSize = uint32_t(encodeFrame(pixelData.get(), width, height, rowStride(infoHeader), depth,
                                   rleData.get()));
    return rleSize;
}

void bmpfile::close() {
    rleData.reset();
    rleCapacity = 0;
    rleSize = 0;
    pixelData.reset();
    pixelCapacity = 0;
    fileHandle.close();
    loaded = false;
    pixelsLoaded = false;
}
