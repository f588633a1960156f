#include "cli/pngfile.h"

#include "codec/frameinfo.h"

#include <cstring>
#include <new>

namespace {

constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t grey = 0, rgb = 2, palette = 3, greyAlpha = 4, rgba = 6;
constexpr char16_t damaged[] = u"Invalid PNG Format";

uint32_t big32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// "24-bit RGB" and the like: the bits of a pixel and its channels.
std::u16string typeName(uint8_t colourType, uint8_t depth) {
    const char* channels = colourType == grey        ? "grey"
                           : colourType == rgb       ? "RGB"
                           : colourType == palette   ? "palette"
                           : colourType == greyAlpha ? "grey with alpha"
                                                     : "RGBA";
    const int count = colourType == rgb         ? 3
                      : colourType == greyAlpha ? 2
                      : colourType == rgba      ? 4
                                                : 1;
    const std::string name = std::to_string(count * depth) + "-bit " + channels;
    return std::u16string(name.begin(), name.end());
}

bool knownType(uint8_t colourType, uint8_t depth) {
    switch (colourType) {
    case grey: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case palette: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case rgb:
    case greyAlpha:
    case rgba: return depth == 8 || depth == 16;
    default: return false;
    }
}

}  // namespace

// The image header is the first chunk, 13 bytes long, right after the signature.
bool pngfile::readHeaders() {
    refusal = damaged;
    if (!startOver()) return false;
    uint8_t head[33];
    if (fileHandle.readAt(0, head, sizeof head) != sizeof head) return false;
    if (std::memcmp(head, signature, 8) != 0 || big32(head + 8) != 13 ||
        std::memcmp(head + 12, "IHDR", 4) != 0)
        return false;
    const uint32_t width = big32(head + 16), height = big32(head + 20);
    const uint8_t depth = head[24], colourType = head[25];
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
    if (!knownType(colourType, depth) || head[26] != 0 || head[27] != 0 || head[28] > 1)
        return false;
    if (depth != 8 || (colourType != grey && colourType != palette)) {
        refusal = typeName(colourType, depth) +
                  u" PNG: pack takes 8-bit grey or 8-bit palette PNGs; convert it to one of them";
        return false;
    }
    if (frameTooLarge(width, height)) return false;  // no engine draws it
    infoHeader = bmpinfoheader{};
    infoHeader.biSize = 40;
    infoHeader.biWidth = int32_t(width);
    infoHeader.biHeight = int32_t(height);
    infoHeader.biPlanes = 1;
    infoHeader.biBitCount = 8;
    infoHeader.biSizeImage = uint32_t(rowStride(width) * height);
    infoHeader.biClrUsed = 256;
    held = bmpstate::headersRead;
    return true;
}

bool pngfile::load() {
    if (held == bmpstate::pixelsRead) return true;
    if (held != bmpstate::headersRead && !readHeaders()) return false;
    const uint64_t size = fileHandle.size();
    if (size > UINT32_MAX) return false;
    encoded.resize(size);  // short of memory, the packer says so
    if (fileHandle.readAt(0, encoded.data(), uint32_t(size)) != size) return false;
    const uint32_t stride = uint32_t(rowStride(uint32_t(infoHeader.biWidth)));
    const uint32_t rows = stride * uint32_t(infoHeader.biHeight);  // fits: no larger than a frame
    if (!reservePixels(rows)) return false;
    rowStarts.resize(size_t(infoHeader.biHeight));
    for (size_t y = 0; y < rowStarts.size(); ++y)
        rowStarts[y] = pixelData.get() + (rowStarts.size() - 1 - y) * stride;
    if (!decode(stride)) return false;
    held = bmpstate::pixelsRead;
    return true;
}

bool isPngName(const std::u16string& picture) {
    if (picture.size() < 4) return false;
    std::u16string extension = picture.substr(picture.size() - 4);
    for (char16_t& c : extension) c = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    return extension == u".png";
}
