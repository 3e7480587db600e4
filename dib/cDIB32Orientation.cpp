// cDIB32 orientation: mirrors and the quarter turn, in place.

#include <cstddef>

#include "dib/cDIB32.h"
#include "gdi/Gdi.h"

namespace {

// A borrowed two-dimensional view over a surface's pixel memory: (x, y) is column x of scan
// line y, top line first, rows packed. It never owns or frees the memory.
struct PixelView {
    uint32_t* bits = nullptr;
    int32_t rows = 0;
    int32_t columns = 0;

    uint32_t& operator()(int32_t x, int32_t y) const {
        return bits[static_cast<size_t>(y) * static_cast<size_t>(columns) + static_cast<size_t>(x)];
    }
};

void MapDIBitsArray(PixelView& view, const cDIB32& dib) {
    view.rows = dib.Height();
    view.columns = dib.Width();
    view.bits = dib.DIBitsPtr();
}

}  // namespace

void cDIB32::Orientation(int16_t Rotate90, int16_t FlipH, int16_t FlipV) {
    if (hDIB() == 0) return;
    const int32_t W = Width();
    const int32_t H = Height();
    const bool turn = Rotate90 != 0;

    // The turn's copy is made before anything changes, so that when it cannot be made the
    // surface is left exactly as it was.
    cDIB32 temporary;
    if (turn && temporary.Create(W, H, 0) == 0) {
        if (ProgressEnd) ProgressEnd();
        return;
    }

    // Mirrors before a turn are exchanged, so that in the finished picture FlipH has still
    // mirrored left to right and FlipV top to bottom.
    const bool leftToRight = turn ? FlipV != 0 : FlipH != 0;
    const bool topToBottom = turn ? FlipH != 0 : FlipV != 0;
    const gdi::HDC dc = hDIBDC();
    if (leftToRight) gdi::StretchBlt(dc, W - 1, 0, -W, H, dc, 0, 0, W, H, gdi::SRCCOPY);
    if (topToBottom) gdi::StretchBlt(dc, 0, H - 1, W, -H, dc, 0, 0, W, H, gdi::SRCCOPY);

    if (turn) {
        temporary.LoadBlt(hDIBDC(), 0, 0);
        PixelView source;
        MapDIBitsArray(source, temporary);

        // A failed re-creation leaves this surface Empty; there is nothing to copy into then.
        if (Create(H, W, 0) != 0) {
            PixelView destination;
            MapDIBitsArray(destination, *this);
            const int32_t newHeight = destination.rows;    // = W
            const int32_t newWidth = destination.columns;  // = H
            // Anticlockwise: source column x lands on row W - 1 - x, source row y on column y.
            for (int32_t y = 0; y < newWidth; ++y) {
                for (int32_t x = 0; x < newHeight; ++x) {
                    destination(y, newHeight - 1 - x) = source(x, y);
                }
                if (Progress) Progress(y);
            }
        }
    }
    if (ProgressEnd) ProgressEnd();
}
