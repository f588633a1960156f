// An animation file opened and every frame asked of an engine: exactly the
// bytes an entry names or nothing, and buffers within the file.
#include "animfile/morvafile.h"
#include "fuzz/expect.h"
#include "fuzz/scratchinput.h"
#include "tests/support/fakeengine.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string& path = inputPath(".mrv");
    writeInput(path, data, size);
    morvafile file;
    const bool opened = file.open(path.c_str()).ok();
    expect(file.payloadBufferSize() <= std::max<size_t>(size, 1));
    fakeengine engine;
    expect(opened || (!file.makeFrame(engine, 0) && engine.steps.empty()));
    if (!opened) return 0;
    expect(size >= 20 && std::equal(data, data + 4, "MoRv"));
    const uint32_t count = field(data + 4), bits = field(data + 16);
    expect(size >= 20 + 8 * uint64_t(count) && file.frameCount() == count);
    const std::string described = "frame " + std::to_string(int32_t(field(data + 8))) + "x" +
                                  std::to_string(int32_t(field(data + 12))) + "x" +
                                  std::to_string(bits);
    for (uint32_t number = 0; number < count; ++number) {
        const uint8_t* entry = data + 20 + 8 * size_t(number);
        const uint32_t at = field(entry), length = field(entry + 4);
        const bool whole = length == 0 || uint64_t(at) + length <= size;  // empty: whole anywhere
        fakeengine one;
        const frameimage* image = file.makeFrame(one, number);
        expect(one.payloads.size() == (whole ? 1u : 0u));
        expect((image != nullptr) == (whole && bits == 8));
        expect(!whole || one.steps[0] == described);
        expect(!whole || one.payloads[0] == bytes(data + at, data + at + length));
    }
    expect(file.makeFrame(engine, count) == nullptr);
    return 0;
}
