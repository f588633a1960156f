// An animation file as the Open command and the preview use it: open, then
// every frame asked of an engine. The reader must hand over exactly the
// bytes an entry names, or nothing when they are not all in the file, and
// must never size its buffers beyond the file.
#include "animfile/morvafile.h"
#include "fuzz/expect.h"
#include "fuzz/scratchinput.h"
#include "tests/support/fakeengine.h"

#include <algorithm>

namespace {

// An empty payload is whole wherever its entry points.
bool whole(const indexentry& entry, size_t size) {
    return entry.size == 0 || uint64_t(entry.offset) + entry.size <= size;
}

void checkHandedOver(morvafile& file, uint32_t number, const uint8_t* data, size_t size) {
    const indexentry entry = file.index[number];
    fakeengine engine;
    const frameimage* image = file.makeFrame(engine, number);
    expect(engine.payloads.size() == (whole(entry, size) ? 1u : 0u), "a payload is handed over iff it is whole");
    expect((image != nullptr) == (whole(entry, size) && file.header.bits == 8), "an image for every 8-bit frame");
    if (engine.payloads.empty()) return;
    expect(engine.steps[0] == "frame " + std::to_string(file.header.width) + "x" +
                                  std::to_string(file.header.height) + "x" + std::to_string(file.header.bits),
           "the frame is described as the file says");
    expect(std::equal(engine.payloads[0].begin(), engine.payloads[0].end(), data + entry.offset) &&
               engine.payloads[0].size() == entry.size,
           "the payload is the entry's bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string& path = inputPath(".mrv");
    writeInput(path, data, size);
    morvafile file;
    const bool opened = file.open(path.c_str()).ok();
    expect(file.payloadCapacity <= std::max<size_t>(size, 1), "payload buffer within the file");
    fakeengine engine;
    if (!opened) {
        expect(file.makeFrame(engine, 0) == nullptr && engine.steps.empty(), "no frame from a refused file");
        return 0;
    }
    for (uint32_t number = 0; number < file.frameCount(); ++number) checkHandedOver(file, number, data, size);
    expect(file.makeFrame(engine, file.frameCount()) == nullptr, "no frame past the count");
    return 0;
}
