// The BMP the import reads: a 40-byte information header, a grey ramp of 256
// colours, uncompressed bottom-up rows.
#include "cli/pictures.h"
#include "codec/fileformat.h"

#include <vector>

namespace {

constexpr uint32_t headersSize = 14 + 40 + 256 * 4;
constexpr uint32_t pixelsPerMetre = 2835;  // 72 dots per inch

}  // namespace

bool writeBmp(filehandle& file, const greyframe& frame) {
    const uint64_t pixelBytes = uint64_t(frame.stride) * uint32_t(frame.height);
    if (headersSize + pixelBytes > UINT32_MAX) return false;
    std::vector<uint8_t> headers(headersSize, 0);
    uint8_t* at = headers.data();
    storeLittle16(0x4D42, at);  // "BM"
    storeLittle32(uint32_t(headersSize + pixelBytes), at + 2);
    storeLittle32(headersSize, at + 10);
    at += 14;
    storeLittle32(40, at);
    storeLittle32(uint32_t(frame.width), at + 4);
    storeLittle32(uint32_t(frame.height), at + 8);
    storeLittle16(1, at + 12);  // planes
    storeLittle16(8, at + 14);  // bits per pixel; compression 0 (BI_RGB)
    storeLittle32(uint32_t(pixelBytes), at + 20);
    storeLittle32(pixelsPerMetre, at + 24);
    storeLittle32(pixelsPerMetre, at + 28);
    storeLittle32(256, at + 32);  // colours used
    for (uint32_t level = 0; level < 256; ++level)
        storeLittle32(level * 0x010101, at + 40 + 4 * level);
    return file.writeAt(0, headers.data(), headersSize) == headersSize &&
           file.writeAt(headersSize, frame.rows, uint32_t(pixelBytes)) == pixelBytes;
}
