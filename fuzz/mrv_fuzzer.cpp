// An animation file opened and every frame asked of an engine: exactly the
// bytes an entry names or nothing, and buffers within the file.
#include "animfile/morvafile.h"
#include "fuzz/expect.h"
#include "fuzz/scratchinput.h"
#include "tests/support/fakeengine.h"

#include <algorithm>

namespace {

void checkHandedOver(morvafile& file, uint32_t number, const uint8_t* data, size_t size) {
    const uint8_t* entry = data + 20 + 8 * size_t(number);
    const uint32_t at = field(entry), length = field(entry + 4);
    // An empty payload is whole wherever its entry points.
    const bool whole = length == 0 || uint64_t(at) + length <= size;
    const uint32_t bits = field(data + 16);
    fakeengine engine;
    const frameimage* image = file.makeFrame(engine, number);
    expect(engine.payloads.size() == (whole ? 1u : 0u), "a payload is handed over iff it is whole");
    expect((image != nullptr) == (whole && bits == 8), "an image for every 8-bit frame");
    if (engine.payloads.empty()) return;
    const std::string described = std::to_string(int32_t(field(data + 8))) + "x" +
        std::to_string(int32_t(field(data + 12))) + "x" + std::to_string(bits);
    expect(engine.steps[0] == "frame " + described, "the frame is described as the file says");
    expect(engine.payloads[0] == bytes(data + at, data + at + length), "the entry's bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string& path = inputPath(".mrv");
    writeInput(path, data, size);
    morvafile file;
    const bool opened = file.open(path.c_str()).ok();
    expect(file.payloadBufferSize() <= std::max<size_t>(size, 1), "payload buffer within the file");
    fakeengine engine;
    if (!opened) {
        expect(file.makeFrame(engine, 0) == nullptr && engine.steps.empty(), "no frame from a refused file");
        return 0;
    }
    expect(size >= 20 && std::equal(data, data + 4, "MoRv"), "a file opens only with its magic");
    expect(size >= 20 + 8 * uint64_t(field(data + 4)) && file.frameCount() == field(data + 4),
           "a file opens only with its whole index, as many frames as it says");
    for (uint32_t number = 0; number < file.frameCount(); ++number) checkHandedOver(file, number, data, size);
    expect(file.makeFrame(engine, file.frameCount()) == nullptr, "no frame past the count");
    return 0;
}
