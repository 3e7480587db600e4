// Lens optics timings: building the table, drawing one lens frame, and the memory floor a frame
// is measured against (a memcpy of as many bytes as a frame must move: the whole table plus
// both lens squares). Ends with a table of frame / floor ratios.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/CollectingReporter.h"
#include "dib/cDIB32.h"
#include "lens/mLens.h"
#include "tests/support/LensModel.h"

namespace {

constexpr int32_t kFactor = 75;

size_t FloorBytes(int32_t R) {
    const size_t side = 2 * static_cast<size_t>(R) + 1;
    const size_t square = 2 * static_cast<size_t>(R);
    return side * side * sizeof(mLens::tLensOffset) + 2 * square * square * 4;
}

void FillNoise(cDIB32& dib) {
    uint32_t x = 0x12345678u;
    for (size_t k = 0; k < static_cast<size_t>(dib.Width()) * dib.Height(); ++k) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        dib.DIBitsPtr()[k] = x;
    }
}

void BM_BuildLookUpTable(benchmark::State& state) {
    const int32_t R = static_cast<int32_t>(state.range(0));
    const int16_t convex = state.range(1) != 0 ? -1 : 0;
    for (auto _ : state) {
        mLens::BuildLookUpTable(R, kFactor, convex);
        benchmark::ClobberMemory();
    }
}

void BM_ApplyLens(benchmark::State& state) {
    const int32_t R = static_cast<int32_t>(state.range(0));
    mLens::BuildLookUpTable(R, kFactor, state.range(1) != 0 ? -1 : 0);
    mLens::SetColorMask(0xFFFFFF);
    cDIB32 src, dst;
    if (src.Create(2 * R, 2 * R) == 0 || dst.Create(2 * R, 2 * R) == 0) {
        state.SkipWithError("surface creation failed");
        return;
    }
    FillNoise(src);
    for (auto _ : state) {
        mLens::ApplyLens(src, dst);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FloorBytes(R)));
}

// The tests' plain-loop model of the transfer, for comparison.
void BM_ApplyLensPlainLoop(benchmark::State& state) {
    const int32_t R = static_cast<int32_t>(state.range(0));
    mLens::BuildLookUpTable(R, kFactor, state.range(1) != 0 ? -1 : 0);
    cDIB32 src, dst;
    if (src.Create(2 * R, 2 * R) == 0 || dst.Create(2 * R, 2 * R) == 0) {
        state.SkipWithError("surface creation failed");
        return;
    }
    FillNoise(src);
    for (auto _ : state) {
        ApplyLensModel(src.DIBitsPtr(), 2 * R, dst.DIBitsPtr(), 2 * R, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
}

void BM_Floor(benchmark::State& state) {
    const size_t bytes = FloorBytes(static_cast<int32_t>(state.range(0)));
    std::vector<unsigned char> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK(BM_BuildLookUpTable)
    ->ArgsProduct({{50, 150, 250}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyLens)->ArgsProduct({{50, 150, 250}, {1, 0}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyLensPlainLoop)->ArgsProduct({{50, 150, 250}, {1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Floor)->Arg(50)->Arg(150)->Arg(250)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    CollectingReporter reporter;
    if (!reporter.RunAll(argc, argv)) return 1;

    std::printf("\nApplyLens / floor (factor %d; target <= 1.0)\n", kFactor);
    std::printf("%6s %12s %14s %14s %9s %9s %11s\n", "R", "floor us", "convex us", "concave us",
                "convex", "concave", "plain loop");
    for (int R : {50, 150, 250}) {
        const std::string r = std::to_string(R);
        const double floor = reporter.Real("BM_Floor/" + r);
        const double convex = reporter.Real("BM_ApplyLens/" + r + "/1");
        const double concave = reporter.Real("BM_ApplyLens/" + r + "/0");
        const double plain = reporter.Real("BM_ApplyLensPlainLoop/" + r + "/1");
        if (floor <= 0) continue;
        std::printf("%6d %12.1f %14.1f %14.1f %9.2f %9.2f %11.2f\n", R, floor, convex, concave,
                    convex / floor, concave / floor, plain / floor);
    }
    return 0;
}
