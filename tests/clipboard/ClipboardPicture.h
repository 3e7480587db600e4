#pragma once
// The picture the clipboard tests copy: odd sizes, every pixel different in all three channels.

#include "dib/cDIB32.h"

namespace clipboard_test {

inline constexpr int32_t kWidth = 37, kHeight = 23;

inline uint32_t PixelAt(int32_t x, int32_t y) {
    return (uint32_t(x * 7) << 16) | (uint32_t(y * 11) << 8) | uint32_t((x * 3 + y * 5) & 0xFF);
}

// Creates `dib` holding the picture; false if the surface cannot be made.
inline bool MakePicture(cDIB32& dib) {
    if (dib.Create(kWidth, kHeight) == 0) return false;
    for (int32_t k = 0; k < kWidth * kHeight; ++k)
        dib.DIBitsPtr()[k] = PixelAt(k % kWidth, k / kWidth);
    return true;
}

}  // namespace clipboard_test
