// Run-length decoder throughput in bytes of output pixels, on full-HD frames
// encoded at the default depth 6; BM_MemcpyFrame (memcpy_bench.cpp) is the
// yardstick.
#include "codec/frameencoder.h"
#include "codec/rle8decoder.h"
#include "frames.h"

#include <benchmark/benchmark.h>

static void decodeBench(benchmark::State& state, const benchframe& frame) {
    std::vector<uint8_t> payload(size_t(payloadBound(frame.width, frame.height)));
    payload.resize(encodeFrame(frame.pixels.data(), frame.width, frame.height, frame.stride, 6,
                               payload.data()));
    std::vector<uint8_t> pixels(size_t(frame.stride) * frame.height);
    for (auto _ : state) {
        rle8result result =
            decodeRle8(payload.data(), payload.size(), int32_t(frame.width), int32_t(frame.height),
                       pixels.data(), pixels.size(), frame.stride);
        if (result.status != rle8status::ok) state.SkipWithError("payload did not decode");
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * frame.width * frame.height);
    state.counters["payload"] = double(payload.size());
}

static void BM_DecodeSilhouette(benchmark::State& state) { decodeBench(state, silhouetteFrame()); }
BENCHMARK(BM_DecodeSilhouette);

static void BM_DecodeNoise(benchmark::State& state) { decodeBench(state, noiseFrame()); }
BENCHMARK(BM_DecodeNoise);
