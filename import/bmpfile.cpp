#include "import/bmpfile.h"

#include "codec/bytes.h"
#include "codec/frameencoder.h"
#include "codec/frameinfo.h"
#include "codec/rle8decoder.h"

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
constexpr uint32_t runLength8 = 1;    // BI_RLE8
constexpr uint32_t fullTable = 256;

// The information headers that begin with the 40 bytes of a BITMAPINFOHEADER:
// that one, and the V4 and V5 headers that today's editors write.
bool isKnownHeaderSize(uint32_t size) { return size == 40 || size == 108 || size == 124; }

bmpfileheader decodeFileHeader(const uint8_t* bytes) {
    return {loadLittle16(bytes), loadLittle32(bytes + 2), loadLittle16(bytes + 6),
            loadLittle16(bytes + 8), loadLittle32(bytes + 10)};
}

// The colour table's entries before the pixels, at most a full table. Fewer
// than 256 serve a picture that says it uses no more (biClrUsed).
uint32_t tableEntries(const bmpfileheader& file, uint32_t headerSize) {
    const uint64_t tableStart = uint64_t(bmpFileHeaderSize) + headerSize;
    return file.bfOffBits < tableStart
               ? 0
               : uint32_t(std::min<uint64_t>(fullTable, (file.bfOffBits - tableStart) / 4));
}

bool tableServes(uint32_t entries, uint32_t coloursUsed) {
    return entries == fullTable || (coloursUsed != 0 && entries >= coloursUsed);
}

// The 40-byte fields from the start of any known header; the colour table
// from wherever that header ends, `entries` long, the rest of 256 black.
bmpinfoheader decodeInfoHeader(const uint8_t* bytes, const uint8_t* colourTable, uint32_t entries) {
    bmpinfoheader header;
    header.biSize = loadLittle32(bytes);
    header.biWidth = int32_t(loadLittle32(bytes + 4));
    header.biHeight = int32_t(loadLittle32(bytes + 8));
    header.biPlanes = loadLittle16(bytes + 12);
    header.biBitCount = loadLittle16(bytes + 14);
    header.biCompression = loadLittle32(bytes + 16);
    header.biSizeImage = loadLittle32(bytes + 20);
    header.biXPelsPerMeter = int32_t(loadLittle32(bytes + 24));
    header.biYPelsPerMeter = int32_t(loadLittle32(bytes + 28));
    header.biClrUsed = loadLittle32(bytes + 32);
    header.biClrImportant = loadLittle32(bytes + 36);
    std::memset(header.colourTable, 0, sizeof header.colourTable);
    std::memcpy(header.colourTable, colourTable, size_t(entries) * 4);
    return header;
}

// Only for a positive width.
uint32_t rowBytes(const bmpinfoheader& header) {
    return uint32_t(rowStride(uint32_t(header.biWidth)));
}

uint32_t rowCount(const bmpinfoheader& header) {
    return header.biHeight < 0 ? 0u - uint32_t(header.biHeight) : uint32_t(header.biHeight);
}

uint64_t pixelRowsSize(const bmpinfoheader& header) {
    return uint64_t(rowBytes(header)) * rowCount(header);
}

// The bytes of a BI_RLE8 code stream: as the header says, or up to the end of the file.
uint64_t codeSize(const bmpfileheader& file, const bmpinfoheader& info, uint64_t fileSize) {
    return info.biSizeImage != 0 ? info.biSizeImage : fileSize - file.bfOffBits;
}

// What the encoder and the pixel read rely on beyond the signature, depth and
// size checks: plain rows of a known size, or a BI_RLE8 stream of bottom-up
// rows, after the header block, all in the file. The file's own size
// decides, not bfSize, which some editors leave a few bytes short; the caller
// has checked that the pixels start within it.
bool isReadableLayout(const bmpfileheader& file, const bmpinfoheader& info, uint64_t fileSize) {
    const bool coded = info.biCompression == runLength8;
    if (info.biCompression != uncompressed && !coded) return false;
    if (info.biWidth <= 0) return false;  // no mirrored rows
    if (info.biHeight == 0 || info.biHeight == INT32_MIN) return false;
    if (coded && info.biHeight < 0) return false;                  // streams run bottom-up only
    if (frameTooLarge(info.biWidth, info.biHeight)) return false;  // no engine draws it
    // Pixels start at bfOffBits: a gap after the colour table is allowed, an overlap is not.
    if (!tableServes(tableEntries(file, info.biSize), info.biClrUsed)) return false;
    if (coded) return codeSize(file, info, fileSize) > 0;
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
    fileHandle = openExistingFile(path, fileaccess::read, fileshare::read);
    return startOver();
}

// A picture read whole stays: the import may show it after its file is closed.
void bmpfile::closeFile() {
    fileHandle.close();
    if (held != bmpstate::pixelsRead) held = bmpstate::closed;
}

bool bmpfile::startOver() {
    held = fileHandle.isOpen() ? bmpstate::open : bmpstate::closed;
    return held == bmpstate::open;
}

bool bmpfile::reservePixels(uint32_t size) {
    if (size <= pixelCapacity) return true;
    std::unique_ptr<uint8_t[]> larger = allocate(size);
    if (!larger) return false;
    pixelData = std::move(larger);
    pixelCapacity = size;
    return true;
}

bool bmpfile::reserve(uint32_t pixels, uint32_t payload) {
    const bool roomy = reservePixels(pixels);
    rleData = allocate(payload);
    rleCapacity = rleData ? payload : 0;
    return roomy && rleData;
}

uint32_t bmpfile::pixelSize() const {
    return held == bmpstate::pixelsRead ? uint32_t(pixelRowsSize(infoHeader)) : 0;
}

bool bmpfile::readHeaders() {
    if (!startOver()) return false;
    const uint64_t fileSize = fileHandle.size();
    if (!readInfoBlock()) return false;
    if (infoHeader.biBitCount != 8) return false;
    if (uint64_t(fileHeader.bfOffBits) + infoHeader.biSizeImage > fileSize) return false;
    if (!isReadableLayout(fileHeader, infoHeader, fileSize)) return false;
    // From here on the picture is in the one form the rest of the program reads.
    infoHeader.biSize = infoHeaderSize;
    if (tableEntries(fileHeader, biSizeAsRead) < fullTable) infoHeader.biClrUsed = fullTable;
    topDown = infoHeader.biHeight < 0;
    infoHeader.biHeight = int32_t(rowCount(infoHeader));
    held = bmpstate::headersRead;
    return true;
}

// File header, information header and colour table in one read: they lie
// back to back at the start of the file, however long the information header.
bool bmpfile::readInfoBlock() {
    // Zeros past a short file's end: a header size read from them is refused, and
    // a file that ends before its pixels fails the layout's checks.
    uint8_t block[bmpFileHeaderSize + largestInfoHeaderSize + colourTableSize] = {};
    fileHandle.readAt(0, block, sizeof block);
    fileHeader = decodeFileHeader(block);
    if (fileHeader.bfType != bmpSignature) return false;
    const uint32_t headerSize = loadLittle32(block + bmpFileHeaderSize);
    if (!isKnownHeaderSize(headerSize)) return false;
    const uint32_t colourTable = bmpFileHeaderSize + headerSize;
    infoHeader = decodeInfoHeader(block + bmpFileHeaderSize, block + colourTable,
                                  tableEntries(fileHeader, headerSize));
    biSizeAsRead = headerSize;
    return true;
}

bool bmpfile::load() {
    if (held == bmpstate::pixelsRead) return true;
    if (held != bmpstate::headersRead && !readHeaders()) return false;
    if (readPixels()) return true;
    startOver();
    return false;
}

// Reads exactly the picture's rows; the buffer grows only for pixels the file
// really holds, so header fields alone never cause a large allocation. A
// BI_RLE8 stream is decoded into the rows, and refused when it is damaged.
bool bmpfile::readPixels() {
    const uint32_t size = uint32_t(pixelRowsSize(infoHeader));  // fits: readHeaders checked it
    const uint64_t fileSize = fileHandle.size();
    if (infoHeader.biCompression == runLength8) return readCodedPixels(size, fileSize);
    if (fileSize < uint64_t(fileHeader.bfOffBits) + size) return false;
    if (!reservePixels(size)) return false;
    if (fileHandle.readAt(fileHeader.bfOffBits, pixelData.get(), size) != size) return false;
    if (topDown) reverseRows(pixelData.get(), rowBytes(infoHeader), rowCount(infoHeader));
    held = bmpstate::pixelsRead;
    return true;
}

// The stream is never larger than the file; the rows are bounded by the
// largest frame, and every pixel of them is written by the decoder.
bool bmpfile::readCodedPixels(uint32_t size, uint64_t fileSize) {
    const uint64_t coded = codeSize(fileHeader, infoHeader, fileSize);
    if (coded > fileSize - fileHeader.bfOffBits || coded > UINT32_MAX) return false;
    std::unique_ptr<uint8_t[]> code = allocate(coded);
    if (!code || !reservePixels(size)) return false;
    if (fileHandle.readAt(fileHeader.bfOffBits, code.get(), uint32_t(coded)) != coded) return false;
    // Rows as wide as their padding: ImageMagick codes the padding bytes too.
    const uint32_t stride = rowBytes(infoHeader);
    const rle8result decoded = decodeRle8(code.get(), coded, int32_t(stride), infoHeader.biHeight,
                                          pixelData.get(), size, stride);
    if (decoded.status != rle8status::ok) return false;
    // The one form the rest of the program reads: plain rows.
    infoHeader.biCompression = uncompressed;
    infoHeader.biSizeImage = size;
    held = bmpstate::pixelsRead;
    return true;
}

uint32_t bmpfile::encode(uint32_t depth) {
    if (!load()) return 0;
    const uint32_t width = uint32_t(infoHeader.biWidth), height = uint32_t(infoHeader.biHeight);
    // Twice the pixel buffer, but never less than the largest payload possible:
    // at most 2^31 for any frame the reader takes, so it fits the 32-bit sizes.
    const uint64_t needed = std::max(2 * uint64_t(pixelCapacity), payloadBound(width, height));
    if (needed > rleCapacity) {
        rleData.reset();
        rleData = allocate(needed);
        rleCapacity = uint32_t(needed);  // even on failure: pictures this size fail from now on
    }
    if (!rleData) return 0;  // a depth out of 1-8 the encoder refuses
    rleSize = uint32_t(
        encodeFrame(pixelData.get(), width, height, rowBytes(infoHeader), depth, rleData.get()));
    return rleSize;
}

void bmpfile::close() {
    rleData.reset();
    rleCapacity = 0;
    rleSize = 0;
    pixelData.reset();
    pixelCapacity = 0;
    fileHandle.close();
    held = bmpstate::closed;
}
