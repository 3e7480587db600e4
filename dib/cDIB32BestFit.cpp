// cDIB32 best fit: the largest box of the surface's proportions inside a destination.

#include <cmath>
#include <cstdint>

#include "dib/cDIB32.h"

namespace {

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
