#pragma once
// Shared by the end-to-end tests on X11 and Wayland: waiting on conditions, comparing pictures
// and saving them as images, and an open lens moved, wheeled and keyed, checked with the model.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QRegion>
#include <QThread>
#include <optional>
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

inline Picture FromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Picture p(rgb.width(), rgb.height());
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.At(x, y) = rgb.pixel(x, y) & 0xFFFFFFu;
    return p;
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

// The lens settings the program is expected to use.
struct LensSettings {
    int radius = 150, factor = 75;
    bool convex = true;
    uint32_t mask = 0xFFFFFF;
};

// One open lens against the model: `move` to each point in turn (it returns where the lens centre
// is then), then each input pressed there, taking its radius and factor. After each step
// `shot(first)` must come to show the model lens over `copy` (which the first step's shots may
// still complete). The first frame and a mismatch go to `save(picture, what)`.
template <class Move, class Press, class Shot, class Save>
void ExpectLensSteps(const Picture& copy, const std::vector<QPoint>& points,
                     const std::vector<LensInput>& inputs, LensSettings& lens, Move move,
                     Press press, Shot shot, Save save) {
    mLens::SetColorMask(lens.mask);
    std::optional<LensModel> model;
    QPoint at;
    for (size_t k = 0; k < points.size() + inputs.size(); ++k) {
        if (k < points.size()) {
            at = move(points[k]);
        } else {
            const LensInput& in = inputs[k - points.size()];
            press(in);
            lens.radius = in.radius;
            lens.factor = in.factor;
        }
        SCOPED_TRACE(testing::Message() << "step " << k << " at " << at.x() << "," << at.y());
        if (!model || k >= points.size()) {
            mLens::BuildLookUpTable(lens.radius, lens.convex ? lens.factor : 150 - lens.factor,
                                    lens.convex ? -1 : 0);
            model.emplace(2 * lens.radius);
        }
        const auto expected = [&] {
            return model->Over(copy, at.x() - lens.radius, at.y() - lens.radius);
        };
        Picture seen;
        const bool same = WaitFor([&] { return (seen = shot(k == 0)) == expected(); }, 15000);
        if (k == 0 || !same) save(seen, same ? "lens" : "failed-lens");
        if (!same) save(expected(), "expected-lens");
        ASSERT_TRUE(same) << Changed(seen, expected()) << " pixels differ from the model";
    }
}

}  // namespace test_support
