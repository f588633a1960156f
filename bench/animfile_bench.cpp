// Frame sources: makeFrame of a full-HD silhouette from an open file (one
// positioned read and the hand-over to an engine), and save of a 2,000-frame
// store, in bytes of file moved. The yardstick is BM_PlainFileCopy, a copy of
// the same saved file through the same file layer and buffer size;
// BM_PlainFileCopyFlushed shows what the flush that save needs costs.
#include "animfile/tmpfile.h"
#include "codec/frameencoder.h"
#include "frames.h"
#include "tests/support/fakeengine.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

constexpr uint32_t storedFrames = 2000;
constexpr uint32_t copyPass = 1 << 20;

// Takes each payload as an engine would and makes nothing of it.
class handoverengine : public fakeengine {
public:
    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t, int32_t,
                            uint32_t) override {
        benchmark::DoNotOptimize(size > 0 ? payload[size - 1] : 0);
        return nullptr;
    }
};

std::vector<uint8_t> silhouettePayload() {
    const benchframe frame = silhouetteFrame();
    std::vector<uint8_t> payload(size_t(payloadBound(frame.width, frame.height)));
    payload.resize(encodeFrame(frame.pixels.data(), frame.width, frame.height, frame.stride, 6,
                               payload.data()));
    return payload;
}

// The 2,000-frame store and the animation file it saved, made once for all
// benchmarks; the store removes its temporary file at exit.
struct fixture {
    std::unique_ptr<TMPfile> store = std::make_unique<TMPfile>();
    std::vector<uint8_t> payload = silhouettePayload();
    std::u16string saved = makeUniqueFile(temporaryFolder(), u"BNC");
    std::u16string copy = makeUniqueFile(temporaryFolder(), u"BNC");
    uint64_t savedLength = 0;
    bool ready = false;

    fixture() {
        if (!store->openTempFile().ok()) return;
        store->setFrameSize(1920, 1080);
        for (uint32_t i = 0; i < storedFrames; ++i)
            if (!store->appendFrame(payload.data(), uint32_t(payload.size()))) return;
        ready = store->save(saved.c_str()).ok();
        savedLength = 20 + uint64_t(storedFrames) * (8 + payload.size());
    }
    ~fixture() {
        removeFile(saved.c_str());
        removeFile(copy.c_str());
    }
};

fixture& shared() {
    static fixture instance;
    return instance;
}

void BM_MakeFrameSilhouette(benchmark::State& state) {
    fixture& files = shared();
    morvafile reader;
    if (!files.ready || !reader.open(files.saved.c_str()).ok())
        return state.SkipWithError("no file");
    handoverengine engine;
    uint32_t frame = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.makeFrame(engine, frame));
        frame = (frame + 1) % storedFrames;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(files.payload.size()));
    state.counters["frames/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["payload"] = double(files.payload.size());
}
BENCHMARK(BM_MakeFrameSilhouette);

void BM_Save2000Frames(benchmark::State& state) {
    fixture& files = shared();
    if (!files.ready) return state.SkipWithError("no store");
    for (auto _ : state)
        if (!files.store->save(files.saved.c_str()).ok()) return state.SkipWithError("save failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(files.savedLength));
    state.counters["file"] = double(files.savedLength);
}
BENCHMARK(BM_Save2000Frames)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes copied file to file: create, copy in 1 MiB passes, close;
// with `flushed` also flushed before closing, as save does for safety.
void plainCopy(benchmark::State& state, bool flushed) {
    fixture& files = shared();
    if (!files.ready) return state.SkipWithError("no store");
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[copyPass]);
    for (auto _ : state) {
        filehandle source =
            openExistingFile(files.saved.c_str(), fileaccess::read, fileshare::read);
        filehandle target = createFile(files.copy.c_str(), fileshare::none);
        for (uint64_t copied = 0; copied < files.savedLength;) {
            const uint32_t pass =
                uint32_t(std::min<uint64_t>(copyPass, files.savedLength - copied));
            if (source.readAt(copied, buffer.get(), pass) < pass ||
                target.writeAt(copied, buffer.get(), pass) < pass)
                return state.SkipWithError("copy failed");
            copied += pass;
        }
        if (flushed && !target.flush()) return state.SkipWithError("flush failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(files.savedLength));
}

void BM_PlainFileCopy(benchmark::State& state) { plainCopy(state, false); }
BENCHMARK(BM_PlainFileCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainFileCopyFlushed(benchmark::State& state) { plainCopy(state, true); }
BENCHMARK(BM_PlainFileCopyFlushed)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
