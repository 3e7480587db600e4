#include "promobar/LinkCursor.h"

#include <QBitmap>
#include <QPainter>
#include <cstring>

namespace LinkCursor {
namespace {

// '#' black, '.' white, anything else (and everything past a row's end) transparent.
// The index finger's tip is the top row; the hot spot sits on its left pixel.
// clang-format off
constexpr const char* kPattern[] = {
    "      ##",
    "     #..#",
    "     #..#",
    "     #..#",
    "     #..#",
    "     #..###",
    "     #..#..###",
    "     #..#..#..#",
    "     #..#..#..###",
    "     #..#..#..#..#",
    " ##  #..#..#..#..#",
    " #..##..#..#..#..#",
    "  #..#...........#",
    "   #.............#",
    "    #............#",
    "    #............#",
    "     #..........#",
    "     #..........#",
    "      #.........#",
    "      #.........#",
    "      ###########",
};
// clang-format on

}  // namespace

QCursor Make() {
    // Bitmap bit 1 = black, mask bit 1 = drawn; white is bitmap 0 under mask 1.
    QBitmap bitmap(kSize, kSize);
    QBitmap mask(kSize, kSize);
    bitmap.fill(Qt::color0);
    mask.fill(Qt::color0);
    {
        QPainter black(&bitmap);
        QPainter opaque(&mask);
        black.setPen(Qt::color1);
        opaque.setPen(Qt::color1);
        int y = 0;
        for (const char* row : kPattern) {
            const int length = static_cast<int>(std::strlen(row));
            for (int x = 0; x < length && x < kSize; ++x) {
                if (row[x] == '#') black.drawPoint(x, y);
                if (row[x] == '#' || row[x] == '.') opaque.drawPoint(x, y);
            }
            ++y;
        }
    }
    return QCursor(bitmap, mask, kHotSpot.x(), kHotSpot.y());
}

}  // namespace LinkCursor
