// The icons installed for the menu are the program's own window icon: the PNGs rendered from
// the hand-written SVG must show the same lens as the one drawn with QPainter at start-up.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>

#include "panel/LensIcon.h"

namespace {

QImage Packaged(int size) {
    return QImage(QStringLiteral(LUCIVANE_SOURCE_DIR "/packaging/icons/lucivane-%1.png").arg(size))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Limits between "the same drawing, another renderer" (about 0.6 and 9 measured) and "another
// drawing" (a two-pixel move gives about 14 and 127; scripts/mutants/panel-icon-* change it).
constexpr double kMeanLimit = 2.0;
constexpr int kCoarseLimit = 24;

struct Difference {
    double mean = 0;  // per channel, 0..255, over every pixel
    int coarse = 0;   // largest channel difference of 4 x 4 block averages
};

// Antialiasing differs between renderers at edges, so single pixels may differ; block averages
// and the overall mean may not, unless the pictures themselves differ.
Difference Compare(const QImage& a, const QImage& b) {
    Difference d;
    long sum = 0;
    const int n = a.width();
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    d.mean = static_cast<double>(sum) / (4.0 * n * n);
    for (int by = 0; by + 4 <= n; by += 4)
        for (int bx = 0; bx + 4 <= n; bx += 4) {
            int diff[4] = {0, 0, 0, 0};
            for (int y = by; y < by + 4; ++y)
                for (int x = bx; x < bx + 4; ++x) {
                    const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                    diff[0] += qRed(p) - qRed(q);
                    diff[1] += qGreen(p) - qGreen(q);
                    diff[2] += qBlue(p) - qBlue(q);
                    diff[3] += qAlpha(p) - qAlpha(q);
                }
            for (int c : diff) d.coarse = std::max(d.coarse, std::abs(c) / 16);
        }
    return d;
}

}  // namespace

TEST(PackagedIcon, MatchesTheWindowIconAtBothSizes) {
    for (int size : {24, 48}) {
        SCOPED_TRACE(size);
        const QImage packaged = Packaged(size);
        ASSERT_FALSE(packaged.isNull()) << "icon PNG missing or unreadable";
        ASSERT_EQ(packaged.size(), QSize(size, size));
        const Difference d = Compare(packaged, LensIconImage(size));
        EXPECT_LT(d.mean, kMeanLimit);
        EXPECT_LT(d.coarse, kCoarseLimit);
    }
}
