#include "lens/LensFrame.h"

#include "lens/mLens.h"

void LensFrame::DrawLensFrame(gdi::HDC hFormDC, int32_t X, int32_t Y) {
    const int32_t L = LensSize;

    // The lens image starts as an unmasked copy of the square, so its corners outside the
    // circle show the plain screen; the transfer then overwrites the inside.
    LensSrcDIB.LoadBltRect(DesktopDIB.hDIBDC(), 0, 0, L, L, X, Y);
    LensDstDIB.LoadBlt(LensSrcDIB.hDIBDC(), 0, 0);
    mLens::ApplyLens(LensSrcDIB, LensDstDIB);

    // The new square stays selected after the frame: a later repaint of the window is confined
    // to the last lens.
    const gdi::HRGN newRegion = RestoreUncovered(hFormDC, X, Y, L);
    if (newRegion == 0) return;
    if (gdi::SelectClipRgn(hFormDC, newRegion) != gdi::ERROR) LensDstDIB.Paint(hFormDC, X, Y, 1);
    gdi::DeleteObject(newRegion);

    LastY = Y;
    LastX = X;
}

gdi::HRGN LensFrame::RestoreUncovered(gdi::HDC formDC, int32_t x, int32_t y, int32_t size) {
    // Only the part of the old square that the new one leaves uncovered: at the same position
    // and size that part is empty and nothing is restored. A region that cannot be had would
    // mean no clip at all, so then nothing is painted and the old square stays the last one.
    const int32_t L = LensSize;
    const gdi::HRGN oldRegion = gdi::CreateRectRgn(LastX, LastY, LastX + L, LastY + L);
    const gdi::HRGN newRegion = gdi::CreateRectRgn(x, y, x + size, y + size);
    if (oldRegion == 0 || newRegion == 0 ||
        gdi::CombineRgn(oldRegion, oldRegion, newRegion, gdi::RGN_DIFF) == gdi::ERROR) {
        gdi::DeleteObject(oldRegion);
        gdi::DeleteObject(newRegion);
        return 0;
    }

    if (gdi::SelectClipRgn(formDC, oldRegion) != gdi::ERROR)
        DesktopDIB.PaintRect(formDC, LastX, LastY, L, L, LastX, LastY, 1);
    gdi::DeleteObject(oldRegion);
    return newRegion;
}

void LensFrame::CreateLensSurfaces(int32_t size) {
    LensSize = size;
    // A surface that cannot be made stays Empty, and the lens transfer leaves Empty ones alone.
    (void)LensDstDIB.Create(size, size, 0);
    (void)LensSrcDIB.Create(size, size, 0);
}

void LensFrame::DrawResizedFrame(gdi::HDC formDC, int32_t newSize, int32_t x, int32_t y) {
    const gdi::HRGN uncovered = RestoreUncovered(formDC, x, y, newSize);
    if (uncovered == 0) return;
    gdi::DeleteObject(uncovered);
    CreateLensSurfaces(newSize);
    // The old square is dealt with: the frame restores nothing more.
    LastX = x;
    LastY = y;
    DrawLensFrame(formDC, x, y);
}
