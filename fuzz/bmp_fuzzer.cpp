// A BMP as the import reads it, encoded at the depth byte 6 asks for: pixels from the file,
// buffers within it, the payload decoding to the picture cut to that depth.
#include "codec/frameencoder.h"
#include "codec/rle8decoder.h"
#include "fuzz/expect.h"
#include "fuzz/scratchinput.h"
#include "import/bmpfile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

uint32_t stride(uint32_t width) { return (width + 3) / 4 * 4; }

// The pixels against the file's own offset, width and height.
void checkPixels(const bmpfile& r, const uint8_t* data, size_t size) {
    expect(size >= 26);
    const int32_t width = int32_t(field(data + 18)), height = int32_t(field(data + 22));
    const uint32_t rowBytes = stride(uint32_t(width));
    const uint32_t rows = uint32_t(height < 0 ? -int64_t(height) : height);
    expect(r.info().biWidth == width && r.info().biHeight == int32_t(rows));
    const uint64_t start = field(data + 10);
    expect(start + uint64_t(rowBytes) * rows <= size);
    for (uint32_t row = 0; row < rows; ++row) {  // bottom-up
        const uint32_t fileRow = height < 0 ? rows - 1 - row : row;
        expect(!std::memcmp(r.pixels() + size_t(row) * rowBytes,
                            data + start + size_t(fileRow) * rowBytes, rowBytes));
    }
}

// The payload decodes, whole, to the pixels cut to `depth`.
void checkPayload(const bmpfile& r, uint32_t depth) {
    const uint32_t width = uint32_t(r.info().biWidth), height = uint32_t(r.info().biHeight);
    const size_t size = r.payloadSize();
    expect(size <= payloadBound(width, height));
    bytes got(size_t(width) * height);
    const rle8result result = decodeRle8(r.payload(), size, int32_t(width), int32_t(height),
                                         got.data(), got.size(), width);
    expect(result.status == rle8status::ok && result.position == size);
    for (size_t at = 0; at < got.size(); ++at)
        expect(got[at] == (r.pixels()[at / width * stride(width) + at % width] & 0xFF00 >> depth));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::u16string& path = inputPath(".bmp");
    writeInput(path, data, size);
    const uint32_t depth = size > 6 ? data[6] % 10u : 6;
    bmpfile r;
    expect(r.open(path.c_str()));
    const bool headers = r.readHeaders();
    const bool coded = size >= 34 && data[30] == 1 && !data[31] && !data[32] && !data[33];
    const size_t rows =
        headers ? size_t(stride(uint32_t(r.info().biWidth))) * uint32_t(r.info().biHeight) : 0;
    // Larger ones take the same road, only slower.
    if (coded && rows > 1u << 20) return 0;
    expect(r.open(path.c_str()));
    const bool loaded = r.load();
    expect(headers || !loaded);
    // Within the file (or its first 4096 bytes), or the coded picture's rows.
    expect(r.pixelBufferSize() <= std::max({size_t(4096), size, coded ? rows : 0}));
    if (loaded && !coded) checkPixels(r, data, size);
    const uint32_t payload = r.encode(depth);
    expect((payload > 0) == (loaded && depth >= 1 && depth <= 8));
    if (payload > 0) checkPayload(r, depth);
    r.close();
    return 0;
}
