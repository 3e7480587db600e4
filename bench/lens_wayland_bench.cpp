// Start to lens with the real program on Qt's wayland platform in the private headless sway
// session, at 1280 × 720 and 1920 × 1080: from the Start click to sway reporting the lens
// windows mapped full screen on every output (the copy comes first, so it is inside). Through the
// compositor's screen copy and, for comparison, through the desktop portal
// (LUCIVANE_SCREEN_COPY=portal). Ten openings each; the goal is a median of at most 250 ms.
//
// Run by hand, inside the session:
//   scripts/wayland-session.sh --pointer build/bench/bin/virtual_pointer
//     -- build/bench/bin/lens_wayland_bench
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdio>

#include "bench/CollectingReporter.h"
#include "tests/wayland/SwaySession.h"
#include "tests/wayland/VirtualPointer.h"

namespace {

using namespace sway_session;

VirtualPointer* g_pointer = nullptr;

void StartToLens(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    Sway(QString("output HEADLESS-1 resolution %1x%2 scale 1 position 0 0").arg(width).arg(height));
    auto click = [&](QPointF at) {
        g_pointer->MoveTo(at.x(), at.y(), width, height);
        g_pointer->Left(true);
        g_pointer->Left(false);
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    if (state.range(2)) env.insert("LUCIVANE_SCREEN_COPY", "portal");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(LUCIVANE_EXE, {});
    if (!WaitFor([] { return Windows(false).size() == 1; })) {
        state.SkipWithError("no panel");
        return;
    }
    const QRect panel = Windows(false)[0];
    const QPointF start = panel.topLeft() + QPointF(254.5, 36.5);
    // sway's window events, one JSON object a line: a full-screen one means the lens is there.
    QProcess events;
    events.start("swaymsg", {"-r", "-m", "-t", "subscribe", "[\"window\"]"});
    events.waitForStarted();
    for (auto _ : state) {
        events.readAll();
        const auto t0 = std::chrono::steady_clock::now();
        click(start);
        bool ready = false;
        while (!ready && events.waitForReadyRead(10000)) {
            while (events.canReadLine()) {
                const QJsonObject e = QJsonDocument::fromJson(events.readLine()).object();
                ready |= e["container"].toObject()["fullscreen_mode"].toInt() == 1;
            }
        }
        const auto t1 = std::chrono::steady_clock::now();
        if (!ready) {
            state.SkipWithError("the lens did not open");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        click(QPointF(width / 2.0, height / 2.0));
        g_pointer->MoveTo(width / 2.0 + 3, height / 2.0, width, height);
        WaitFor([] { return Windows(true).empty(); });
    }
    events.kill();
    events.waitForFinished();
    click(panel.topLeft() + QPointF(254.5, 92.5));  // Exit
    program.waitForFinished(10000);
}

BENCHMARK(StartToLens)
    ->Args({1280, 720, 0})
    ->Args({1280, 720, 1})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Iterations(1)
    ->Repetitions(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    VirtualPointer pointer;
    if (!pointer.ok()) {
        std::fprintf(stderr, "no virtual pointer: run inside scripts/wayland-session.sh\n");
        return 1;
    }
    g_pointer = &pointer;
    CollectingReporter reporter;
    if (!reporter.RunAll(argc, argv)) return 1;
    for (const char* size : {"1280/720", "1920/1080"}) {
        const auto median = [&](const char* path) {
            return reporter.Real(std::string("StartToLens/") + size + path +
                                 "/iterations:1/repeats:10/manual_time");
        };
        const double own = median("/0"), portal = median("/1");
        std::printf(
            "Start to lens at %s: median %.0f ms through the compositor's copy, %.0f ms "
            "through the portal (%.1f x; goal <= 250 ms)\n",
            size, own, portal, portal / own);
    }
    return 0;
}
