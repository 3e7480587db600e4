// The icons installed for the menu are the program's own window icon: the PNGs rendered from
// the hand-written SVG must show the same lens as the one drawn with QPainter at start-up.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "panel/LensIcon.h"

namespace {

// The mean channel difference (0..255) over every pixel, and the largest channel difference of
// 4 x 4 block averages. Antialiasing differs between renderers at edges, so single pixels may
// differ; block averages and the overall mean may not, unless the pictures themselves differ.
std::pair<double, int> Compare(const QImage& a, const QImage& b) {
    long sum = 0;
    int coarse = 0;
    const int n = a.width();
    for (int by = 0; by < n; by += 4)
        for (int bx = 0; bx < n; bx += 4) {
            int block[4] = {0, 0, 0, 0};
            for (int y = by; y < by + 4; ++y)
                for (int x = bx; x < bx + 4; ++x) {
                    const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                    const int c[4] = {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q),
                                      qAlpha(p) - qAlpha(q)};
                    for (int i = 0; i < 4; ++i) {
                        sum += std::abs(c[i]);
                        block[i] += c[i];
                    }
                }
            for (int c : block) coarse = std::max(coarse, std::abs(c) / 16);
        }
    return {static_cast<double>(sum) / (4.0 * n * n), coarse};
}

}  // namespace

TEST(PackagedIcon, MatchesTheWindowIconAtBothSizes) {
    for (int size : {24, 48}) {
        SCOPED_TRACE(size);
        const QImage packaged =
            QImage(QStringLiteral(LUCIVANE_SOURCE_DIR "/packaging/icons/lucivane-%1.png").arg(size))
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(packaged.size(), QSize(size, size)) << "icon PNG missing, unreadable or resized";
        const auto [mean, coarse] = Compare(packaged, LensIconImage(size));
        // Limits between "the same drawing, another renderer" (about 0.6 and 9 measured) and
        // "another drawing" (a two-pixel move gives about 14 and 127; the panel-icon mutants).
        EXPECT_LT(mean, 2.0);
        EXPECT_LT(coarse, 24);
    }
}
