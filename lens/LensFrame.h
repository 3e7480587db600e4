#pragma once
// One frame of the lens: the square of the screen copy under the lens is sent through the
// look-up table and painted into the lens window, and the part of the previous square that the
// new one no longer covers is painted back from the screen copy. Two clip regions keep each
// paint to its own area, so nothing outside the two squares is ever touched.
//
// The lens window keeps one LensFrame for the whole run (LastX and LastY survive from one
// opening to the next); the benchmark drives one directly. No Qt here.

#include <cstdint>

#include "dib/cDIB32.h"
#include "gdi/Gdi.h"

class LensFrame {
  public:
    // The whole-screen copy, the lens image (destination of the transfer) and the piece of the
    // screen copy under the lens (its source). The two lens surfaces are LensSize × LensSize.
    cDIB32 DesktopDIB;
    cDIB32 LensDstDIB;
    cDIB32 LensSrcDIB;
    // L: the lens square's side, twice the radius.
    int32_t LensSize = 0;
    // Top-left corner of the square drawn last; 0 before the first frame ever.
    int32_t LastX = 0;
    int32_t LastY = 0;

    // Draws the lens square with top-left corner (X, Y) into hFormDC (window coordinates equal
    // screen coordinates; the corner may be negative or beyond the screen) and moves the drawn
    // lens there from (LastX, LastY). Afterwards hFormDC keeps the new square as its clip
    // region and LastX, LastY are X, Y. Surfaces without a bitmap draw nothing; the region
    // calls still run. When a clip region cannot be made, nothing is drawn into hFormDC and
    // LastX, LastY stay. Uses the look-up table and colour mask of mLens as they stand.
    void DrawLensFrame(gdi::HDC hFormDC, int32_t X, int32_t Y);

    // LensSize = size, and the two lens surfaces created anew at size × size (empty when
    // size <= 0).
    void CreateLensSurfaces(int32_t size);

    // Changes the lens size while a lens is shown: the square drawn last (LensSize) is painted
    // back from the screen copy where the new square, newSize × newSize at (x, y), does not
    // cover it; then the lens surfaces are created at newSize and the new square is drawn as
    // DrawLensFrame draws it. Nothing of a larger old lens is left on formDC.
    void DrawResizedFrame(gdi::HDC formDC, int32_t newSize, int32_t x, int32_t y);

  private:
    // Paints the screen copy over the square drawn last where the new square (x, y, size) does
    // not cover it; formDC is left clipped to the new square, whose region is returned (0, with
    // nothing painted, when a region cannot be had).
    gdi::HRGN RestoreUncovered(gdi::HDC formDC, int32_t x, int32_t y, int32_t size);
};
