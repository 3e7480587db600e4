#pragma once
// Shared by the end-to-end tests on X11 and Wayland: waiting on conditions, comparing pictures
// and saving them as images, and the wheel and keys on an open lens.

#include <QElapsedTimer>
#include <QImage>
#include <QRegion>
#include <QThread>
#include <vector>

#include "tests/support/LensModel.h"

namespace test_support {

// Polls `done` for up to `ms`: a deadline that only fails the test, never a pace.
template <class Done>
bool WaitFor(Done done, int ms = 10000) {
    QElapsedTimer timer;
    for (timer.start(); !done(); QThread::msleep(20))
        if (timer.hasExpired(ms)) return false;
    return true;
}

// Pixels that differ between `a` and `b` inside `where` (all of `a` when empty); all pixels when
// the sizes differ.
inline long Changed(const Picture& a, const Picture& b, const QRegion& where = {}) {
    if (a.width != b.width || a.height != b.height) return long(a.pixels.size());
    long n = 0;
    for (const QRect& r : where.isEmpty() ? QRegion(0, 0, a.width, a.height) : where)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += a.At(x, y) != b.At(x, y);
    return n;
}

inline QImage ToImage(const Picture& p) {
    return QImage(reinterpret_cast<const uchar*>(p.pixels.data()), p.width, p.height,
                  QImage::Format_RGB32)
        .copy();
}

// A wheel notch (button 4 up, 5 down) or a key (its X keysym name), with or without Shift, and
// the radius and factor it leads to.
struct LensInput {
    int button = 0;
    const char* key = nullptr;
    bool shift = false;
    int radius = 0;
    int factor = 0;
};

// From radius 150 and factor 75: each input, the radius past 150 once, and settings left changed.
inline const std::vector<LensInput> kLensInputs = {
    {4, nullptr, false, 150, 80}, {5, nullptr, true, 125, 80}, {0, "Up", false, 125, 85},
    {0, "Right", false, 150, 85}, {4, nullptr, true, 175, 85}, {0, "Left", false, 150, 85},
    {0, "Down", false, 150, 80},  {5, nullptr, true, 125, 80}, {5, nullptr, false, 125, 75},
    {4, nullptr, false, 125, 80}};

}  // namespace test_support
