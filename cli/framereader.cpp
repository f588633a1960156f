#include "cli/framereader.h"

#include "cli/console.h"
#include "codec/rle8decoder.h"

#include <algorithm>
#include <new>

std::string framereader::open(const std::u16string& path) {
    const outcome opened = file.open(path.c_str());
    if (opened.what == failure::cannotOpen)
        return text(path) + ": cannot open: " + systemMessage(opened.error);
    if (!opened.ok())
        return text(path) + ": not an animation file, or its header or index is damaged";
    // A size that no frame can have fails each decoding instead.
    if (!pictureSized()) return {};
    rowBytes = size_t(rowStride(uint32_t(header().width)));
    pixelBytes = rowBytes * size_t(header().height);  // at most 2^28 pixels and their padding
    pixels.reset(new (std::nothrow) uint8_t[pixelBytes]());
    if (!pixels)
        return text(path) + ": no memory for frames of " + std::to_string(header().width) + " x " +
               std::to_string(header().height);
    return {};
}

bool framereader::decode(uint32_t frame, std::string& damage) {
    const indexentry at = entry(frame);
    if (at.size == 0) {
        emptyFrames += (emptyFrames.empty() ? "" : ", ") + std::to_string(frame);
        std::fill(pixels.get(), pixels.get() + pixelBytes, uint8_t(0));
        return true;
    }
    const framepayload payload = file.readPayload(frame);
    if (!payload.bytes) {
        damage = "its " + std::to_string(at.size) + " bytes at offset " +
                 std::to_string(at.offset) + " lie beyond the end of the file";
        return false;
    }
    const rle8result result = decodeRle8(payload.bytes, payload.size, header().width,
                                         header().height, pixels.get(), pixelBytes, rowBytes);
    const std::string where = "stopped at byte " + std::to_string(result.position) + " of " +
                              std::to_string(at.size) + ": ";
    switch (result.status) {
    case rle8status::ok: return true;
    case rle8status::truncated:
        damage =
            where + (result.position == at.size ? "the stream ends without an end of bitmap"
                                                : "a code is cut short by the end of the stream");
        return false;
    case rle8status::overflow:
        damage = where + "a code runs outside its row or the frame";
        return false;
    case rle8status::badframe: break;
    }
    damage = "a frame of " + std::to_string(header().width) + " x " +
             std::to_string(header().height) + " pixels cannot be decoded";
    return false;
}

std::string framereader::emptyNote() const {
    return emptyFrames.empty() ? emptyFrames : "empty frames drawn black: " + emptyFrames;
}
