// The yardstick for the codec figures: copying the same frame with memcpy.
#include "frames.h"

#include <benchmark/benchmark.h>

#include <cstring>

static void BM_MemcpyFrame(benchmark::State& state) {
    benchframe frame = silhouetteFrame();
    std::vector<uint8_t> copy(frame.pixels.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), frame.pixels.data(), frame.pixels.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * frame.width * frame.height);
}
BENCHMARK(BM_MemcpyFrame);
