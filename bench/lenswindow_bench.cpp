// One lens frame as the lens window draws it on a mouse move — cut out, transfer, restore of
// the uncovered old square, lens paint, each through its clip region — into a screen-sized
// window surface, against the transfer (ApplyLens) alone on the same surfaces. Ends with a
// table of frame / transfer ratios (target <= 3).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/CollectingReporter.h"
#include "gdi/Surface.h"
#include "lens/LensFrame.h"
#include "lens/mLens.h"

namespace {

constexpr int32_t kScreenW = 1920;
constexpr int32_t kScreenH = 1080;
constexpr int32_t kFactor = 75;

void FillNoise(uint32_t* p, size_t n) {
    uint32_t x = 0x9E3779B9u;
    for (size_t k = 0; k < n; ++k) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        p[k] = x & 0x00FFFFFFu;
    }
}

// A lens window's state over a noisy screen copy, drawing into a window surface whose dirty
// rectangles are gathered the way the form runtime gathers them for presentation.
struct Scene {
    LensFrame frame;
    std::vector<uint32_t> window;
    gdi::HDC windowDC = 0;
    int64_t dirtyArea = 0;

    bool Make(int32_t R) {
        mLens::BuildLookUpTable(R, kFactor, -1);
        mLens::SetColorMask(0x00FFFFFF);
        frame.LensSize = 2 * R;
        if (frame.DesktopDIB.Create(kScreenW, kScreenH) == 0) return false;
        if (frame.LensDstDIB.Create(2 * R, 2 * R) == 0) return false;
        if (frame.LensSrcDIB.Create(2 * R, 2 * R) == 0) return false;
        FillNoise(frame.DesktopDIB.DIBitsPtr(), size_t{kScreenW} * kScreenH);
        window.assign(frame.DesktopDIB.DIBitsPtr(),
                      frame.DesktopDIB.DIBitsPtr() + size_t{kScreenW} * kScreenH);
        windowDC =
            gdi::CreateSurfaceDC({window.data(), kScreenW, kScreenH}, [this](const gdi::RECT& r) {
                dirtyArea += int64_t{r.right - r.left} * (r.bottom - r.top);
            });
        return windowDC != 0;
    }
    ~Scene() {
        if (windowDC != 0) gdi::ReleaseSurfaceDC(windowDC);
    }
};

// A pointer sweeping the screen in small steps, as mouse moves arrive.
struct Sweep {
    int32_t x = 0, y = 0, dx = 7, dy = 5;
    void Next() {
        x += dx;
        y += dy;
        if (x < 0 || x >= kScreenW) dx = -dx, x += 2 * dx;
        if (y < 0 || y >= kScreenH) dy = -dy, y += 2 * dy;
    }
};

void BM_DrawLensFrame(benchmark::State& state) {
    const int32_t R = static_cast<int32_t>(state.range(0));
    Scene scene;
    if (!scene.Make(R)) {
        state.SkipWithError("surface creation failed");
        return;
    }
    Sweep sweep;
    for (auto _ : state) {
        sweep.Next();
        scene.frame.DrawLensFrame(scene.windowDC, sweep.x - R, sweep.y - R);
        benchmark::ClobberMemory();
    }
    state.counters["dirty px/frame"] = benchmark::Counter(static_cast<double>(scene.dirtyArea) /
                                                          std::max<int64_t>(1, state.iterations()));
}

void BM_ApplyLensAlone(benchmark::State& state) {
    const int32_t R = static_cast<int32_t>(state.range(0));
    Scene scene;
    if (!scene.Make(R)) {
        state.SkipWithError("surface creation failed");
        return;
    }
    scene.frame.LensSrcDIB.LoadBltRect(scene.frame.DesktopDIB.hDIBDC(), 0, 0, 2 * R, 2 * R, 400,
                                       300);
    for (auto _ : state) {
        mLens::ApplyLens(scene.frame.LensSrcDIB, scene.frame.LensDstDIB);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_ApplyLensAlone)->Arg(50)->Arg(150)->Arg(250)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawLensFrame)->Arg(50)->Arg(150)->Arg(250)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    CollectingReporter reporter;
    if (!reporter.RunAll(argc, argv)) return 1;

    std::printf("\nDrawLensFrame / ApplyLens (%d x %d window surface; target <= 3.0)\n", kScreenW,
                kScreenH);
    // On a shared machine the wall clock counts other processes' time too; the CPU columns
    // are the steadier measure.
    std::printf("%6s %12s %12s %9s %12s %12s %9s\n", "R", "lens us", "frame us", "ratio",
                "lens cpu us", "frame cpu us", "cpu ratio");
    for (int R : {50, 150, 250}) {
        const std::string r = std::to_string(R);
        const std::string lens = "BM_ApplyLensAlone/" + r, frame = "BM_DrawLensFrame/" + r;
        if (reporter.Real(lens) <= 0 || reporter.Cpu(lens) <= 0) continue;
        std::printf("%6d %12.1f %12.1f %9.2f %12.1f %12.1f %9.2f\n", R, reporter.Real(lens),
                    reporter.Real(frame), reporter.Real(frame) / reporter.Real(lens),
                    reporter.Cpu(lens), reporter.Cpu(frame),
                    reporter.Cpu(frame) / reporter.Cpu(lens));
    }
    return 0;
}
