// The remaining members of cDIB32: orientation, best fit and clipboard export.

#include <cmath>
#include <cstddef>

#include "dib/cDIB32.h"
#include "platform/gdi/Clipboard.h"
#include "platform/gdi/Surface.h"

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

// Round to nearest, ties to even (the default floating-point rounding mode), saturated to the
// 32-bit range so that a result beyond it stays defined.
int32_t RoundToInt32(double v) {
    const double r = std::nearbyint(v);
    if (r <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    if (r >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(r);
}

// (a - b) / 2 truncated toward zero, without 32-bit overflow.
int32_t HalfDifference(int32_t a, int32_t b) {
    return static_cast<int32_t>((int64_t{a} - int64_t{b}) / 2);
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

void cDIB32::GetBestFitInfo(int32_t DstW, int32_t DstH, int32_t& bfx, int32_t& bfy, int32_t& bfW,
                            int32_t& bfH, int16_t StretchFit) {
    bfx = 0;
    bfy = 0;
    const int32_t W = Width();
    const int32_t H = Height();
    if (W <= DstW && H <= DstH && StretchFit == 0) {
        bfW = W;
        bfH = H;
    } else {
        if (W == 0 || H == 0) {
            // No proportions to keep: nothing fits.
            bfW = 0;
            bfH = 0;
            return;
        }
        // Single-precision ratios: which sizes land on a tie, and so round to even, depends on it.
        const float sx = static_cast<float>(static_cast<double>(DstW) / W);
        const float sy = static_cast<float>(static_cast<double>(DstH) / H);
        if (sx < sy) {
            bfW = DstW;
            bfH = RoundToInt32(static_cast<double>(sx) * H);
        } else {
            bfH = DstH;
            bfW = RoundToInt32(static_cast<double>(sy) * W);
        }
    }
    bfx = HalfDifference(DstW, bfW);
    bfy = HalfDifference(DstH, bfH);
}

void cDIB32::CopyToClipboard() {
    if (hDIB() == 0) return;
    if (gdi::OpenClipboard(0) == 0) return;

    const gdi::HWND desktop = gdi::GetDesktopWindow();
    const gdi::HDC screen = gdi::GetDC(desktop);
    const gdi::HDC memory = gdi::CreateCompatibleDC(screen);
    if (memory != 0) {
        const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(screen, Width(), Height());
        if (bitmap != 0) {
            const gdi::HGDIOBJ previous = gdi::SelectObject(memory, bitmap);
            Paint(memory, 0, 0, 1);
            gdi::SelectObject(memory, previous);
            gdi::EmptyClipboard();
            // The clipboard owns the bitmap once it takes it; one it refused is still ours.
            if (gdi::SetClipboardData(gdi::CF_BITMAP, bitmap) == 0) gdi::DeleteObject(bitmap);
        }
    }
    gdi::CloseClipboard();
    if (memory != 0) gdi::DeleteDC(memory);
    gdi::ReleaseDC(desktop, screen);
}
