// The lens window in-process on a private Xvfb (1920 × 1080, or the size given as
// LENS_X_BENCH_SIZE=WxH), driven through XTest like a user: the time from the Start click to the
// lens being ready for its first move (with the process's peak RSS), and the frames drawn while
// a second connection sends 1000 pointer moves a second at R = 150.
//
// Run by hand: build/<preset>/bin/lens_x_bench (needs Xvfb). Not part of ctest. For the
// large-screen numbers: LENS_X_BENCH_SIZE=7680x4320 lens_x_bench
//   --benchmark_filter=StartClick --benchmark_repetitions=10 (medians).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "lenswindow/LensForm.h"
#include "panel/MainForm.h"
#include "platform/Program.h"
#include "platform/WindowServices.h"
#include "tests/e2e/XSession.h"

// Last: Xlib defines None, Bool, Status and friends.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

int kWidth = 1920;
int kHeight = 1080;

Xvfb* g_x = nullptr;

// Counts what reaches the lens window: mouse moves (each draws one frame) and paints (what
// was presented).
class Counter : public QObject {
  public:
    long moves = 0;
    long paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseMove) ++moves;
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void Click(Display* dpy) {
    XTestFakeButtonEvent(dpy, 1, True, 0);
    XTestFakeButtonEvent(dpy, 1, False, 0);
    XFlush(dpy);
}

void Move(Display* dpy, int x, int y) {
    XTestFakeMotionEvent(dpy, -1, x, y, 0);
    XFlush(dpy);
}

QPoint StartButton() {
    const QRect panel = fMain->Window()->geometry();
    return panel.topLeft() + QPoint(224 + 30, 16 + 20);
}

bool LensReady() {
    return fLens.Exists() && fLens->IsLoaded() && win::GetCapture() == fLens->hWnd();
}

// One opening: clicks Start, calls `whileOpen` once the lens is ready (with the time it took)
// from inside the modal display, and returns when the lens has closed again. whileOpen must
// close the lens (a click and a move).
template <class F>
bool OpenLens(F whileOpen) {
    Display* dpy = g_x->display();
    const QPoint start = StartButton();
    Move(dpy, start.x(), start.y());
    QApplication::processEvents(QEventLoop::AllEvents, 50);

    QElapsedTimer clock;
    bool ready = false, failed = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (ready) return;
        if (LensReady()) {
            ready = true;
            const double seconds = clock.nsecsElapsed() * 1e-9;
            whileOpen(seconds);
        } else if (clock.elapsed() > 10000) {
            failed = true;
        }
    });
    poll.start();
    clock.start();
    Click(dpy);
    while (!failed && (!ready || (fLens.Exists() && fLens->IsLoaded())))
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    poll.stop();
    return ready && !failed;
}

void CloseLens(Display* dpy) {
    Click(dpy);
    Move(dpy, 11, 13);
    Move(dpy, 12, 14);
}

void BM_StartClickToLensReady(benchmark::State& state) {
    for (auto _ : state) {
        double took = 0;
        const bool ok = OpenLens([&](double seconds) {
            took = seconds;
            CloseLens(g_x->display());
        });
        if (!ok) {
            state.SkipWithError("the lens did not open");
            return;
        }
        state.SetIterationTime(took);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = usage.ru_maxrss / 1024.0;
}
BENCHMARK(BM_StartClickToLensReady)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FramesAt1000MovesPerSecond(benchmark::State& state) {
    const int seconds = 3;
    for (auto _ : state) {
        Counter counter;
        long sent = 0;
        double elapsed = 0;
        std::thread driver;
        std::atomic<bool> go{false};
        const bool ok = OpenLens([&](double) {
            fLens->Window()->installEventFilter(&counter);
            counter.moves = counter.paints = 0;
            driver = std::thread([&, name = g_x->name()] {
                Display* dpy = XOpenDisplay(name.c_str());
                if (!dpy) return;
                while (!go) std::this_thread::yield();
                // A circle around the screen centre, one move per millisecond.
                const auto begin = std::chrono::steady_clock::now();
                for (int i = 0; i < seconds * 1000; ++i) {
                    const double a = i * 0.01;
                    Move(dpy, kWidth / 2 + int(400 * std::cos(a)),
                         kHeight / 2 + int(300 * std::sin(a)));
                    ++sent;
                    std::this_thread::sleep_until(begin +
                                                  std::chrono::microseconds(1000 * (i + 1)));
                }
                XCloseDisplay(dpy);
            });
            QElapsedTimer clock;
            clock.start();
            go = true;
            // Keep drawing while the driver runs, then close from here.
            while (clock.elapsed() < seconds * 1000 + 50)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            elapsed = clock.nsecsElapsed() * 1e-9;
            driver.join();
            fLens->Window()->removeEventFilter(&counter);
            CloseLens(g_x->display());
        });
        if (!ok) {
            if (driver.joinable()) driver.join();
            state.SkipWithError("the lens did not open");
            return;
        }
        state.SetIterationTime(elapsed);
        state.counters["moves_sent_per_s"] = sent / elapsed;
        state.counters["frames_per_s"] = counter.moves / elapsed;
        state.counters["presents_per_s"] = counter.paints / elapsed;
    }
}
BENCHMARK(BM_FramesAt1000MovesPerSecond)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    if (const char* size = getenv("LENS_X_BENCH_SIZE"))
        std::sscanf(size, "%dx%d", &kWidth, &kHeight);
    Xvfb x(kWidth, kHeight);
    if (!x.ok()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    g_x = &x;
    setenv("DISPLAY", x.name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Program::EndHook = [] {};
    fMain->Show();
    for (int i = 0; i < 50; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fMain->Unload();
    FormInstanceBase::ReleaseAll();
    return 0;
}
