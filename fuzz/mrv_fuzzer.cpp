// An animation file as the Open command and the preview use it: open, then
// every frame made by an engine and drawn. The reader must hand over exactly
// the bytes an entry names, or nothing when they are not all in the file, and
// must never size its buffers beyond the file; the software engine then
// decodes and draws whatever the payload holds.
#include "animfile/morvafile.h"
#include "engines/softengine.h"
#include "fuzz/expect.h"
#include "tests/animfile/recordingengine.h"
#include "tests/hardening/memoryfiles.h"

#include <algorithm>

namespace {

const std::u16string path = u"/tmp/animation.mrv";

// The software engine allocates a whole frame: larger frames, which a few
// header bytes can ask for, are only checked as payloads.
constexpr uint64_t largestDrawnFrame = 1 << 16;

bool drawable(const fileheader& header) {
    const uint64_t width = uint64_t(std::max(header.width, 0));
    const uint64_t height = uint64_t(std::max(header.height, 0));
    return width * height <= largestDrawnFrame;
}

// An empty payload is whole wherever its entry points.
bool whole(const indexentry& entry, size_t size) {
    return entry.size == 0 || uint64_t(entry.offset) + entry.size <= size;
}

void checkHandedOver(morvafile& file, uint32_t number, const uint8_t* data, size_t size) {
    const indexentry entry = file.index[number];
    const bool inFile = whole(entry, size);
    recordingengine recorder;
    file.makeFrame(recorder, number);
    expect(recorder.calls.size() == (inFile ? 1u : 0u), "a payload is handed over iff it is whole");
    if (!inFile) return;
    const createcall& call = recorder.calls[0];
    expect(call.size == entry.size && call.width == file.header.width &&
               call.height == file.header.height && call.bits == file.header.bits,
           "the frame is described as the file says");
    expect(entry.size == 0 ||
               std::equal(call.payload.begin(), call.payload.end(), data + entry.offset),
           "the payload is the entry's bytes");
}

void draw(morvafile& file, uint32_t number, softengine& engine, size_t size) {
    const bool inFile = whole(file.index[number], size);
    frameimage* image = file.makeFrame(engine, number);
    expect((image != nullptr) == (inFile && file.header.bits == 8), "an image for every 8-bit frame");
    if (!image) return;
    engine.beginDraw();
    engine.drawFrame(image);
    engine.endDraw();
    engine.destroyFrame(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    memoryfiles::put(path, data, size);
    morvafile file;
    const bool opened = file.open(path.c_str()).ok();
    expect(file.payloadCapacity <= size, "payload buffer within the file");
    if (!opened) {
        recordingengine recorder;
        expect(file.makeFrame(recorder, 0) == nullptr && recorder.calls.empty(),
               "no frame from a refused file");
        return 0;
    }
    softengine engine(24, 16);
    for (uint32_t number = 0; number < file.frameCount(); ++number) {
        checkHandedOver(file, number, data, size);
        if (drawable(file.header)) draw(file, number, engine, size);
    }
    recordingengine recorder;
    expect(file.makeFrame(recorder, file.frameCount()) == nullptr, "no frame past the count");
    file.close();
    return 0;
}
