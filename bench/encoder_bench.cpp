// Frame encoder throughput in bytes of source pixels, at the default depth 6,
// on full-HD frames; BM_MemcpyFrame (memcpy_bench.cpp) is the yardstick.
#include "codec/frameencoder.h"
#include "frames.h"

#include <benchmark/benchmark.h>

static void encodeBench(benchmark::State& state, const benchframe& frame) {
    std::vector<uint8_t> payload(size_t(payloadBound(frame.width, frame.height)));
    size_t size = 0;
    for (auto _ : state) {
        size = encodeFrame(frame.pixels.data(), frame.width, frame.height, frame.stride, 6,
                           payload.data());
        benchmark::DoNotOptimize(payload.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * frame.width * frame.height);
    state.counters["payload"] = double(size);
}

static void BM_EncodeSilhouette(benchmark::State& state) { encodeBench(state, silhouetteFrame()); }
BENCHMARK(BM_EncodeSilhouette);

static void BM_EncodeNoise(benchmark::State& state) { encodeBench(state, noiseFrame()); }
BENCHMARK(BM_EncodeNoise);
