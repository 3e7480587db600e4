#pragma once
// The picture the clipboard tests copy: odd sizes, every pixel different in all three channels.

#include <cstdint>

#include "dib/cDIB32.h"

namespace clipboard_test {

inline constexpr int32_t kWidth = 37;
inline constexpr int32_t kHeight = 23;

inline uint32_t PixelAt(int32_t x, int32_t y) {
    return (uint32_t(x * 7) << 16) | (uint32_t(y * 11) << 8) | uint32_t((x * 3 + y * 5) & 0xFF);
}

// Creates `dib` holding the picture; false if the surface cannot be made.
inline bool MakePicture(cDIB32& dib) {
    if (dib.Create(kWidth, kHeight) == 0) return false;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) dib.DIBitsPtr()[y * kWidth + x] = PixelAt(x, y);
    }
    return true;
}

}  // namespace clipboard_test
