// Surface orientation and clipboard export on a screen-sized surface, against the memcpy floor
// of moving the same bytes once.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "dib/cDIB32.h"
#include "gdi/GdiTesting.h"

namespace {

constexpr int32_t kW = 1920;
constexpr int32_t kH = 1080;

void BM_MemcpyFloor(benchmark::State& state) {
    std::vector<uint32_t> a(size_t(kW) * kH, 1), b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::DoNotOptimize(b.data());
    }
}
BENCHMARK(BM_MemcpyFloor)->Unit(benchmark::kMillisecond);

// A kW × kH surface; without one the benchmark would time nothing, so it is skipped.
bool Make(cDIB32& dib, benchmark::State& state) {
    if (dib.Create(kW, kH) != 0) return true;
    state.SkipWithError("surface creation failed");
    return false;
}

void BM_Mirror(benchmark::State& state) {
    cDIB32 dib;
    if (!Make(dib, state)) return;
    const int16_t h = state.range(0) ? -1 : 0;
    const int16_t v = state.range(1) ? -1 : 0;
    for (auto _ : state) dib.Orientation(0, h, v);
}
BENCHMARK(BM_Mirror)->Args({1, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);

void BM_Turn(benchmark::State& state) {
    cDIB32 dib;
    if (!Make(dib, state)) return;
    for (auto _ : state) dib.Orientation(-1, 0, 0);
}
BENCHMARK(BM_Turn)->Unit(benchmark::kMillisecond);

void BM_CopyToClipboard(benchmark::State& state) {
    cDIB32 dib;
    if (!Make(dib, state)) return;
    for (auto _ : state) dib.CopyToClipboard();
    gdi::testing::ResetClipboard();
}
BENCHMARK(BM_CopyToClipboard)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
