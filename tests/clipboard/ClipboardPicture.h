#pragma once
// The picture the clipboard tests copy: odd sizes, every pixel different in all three channels.

#include <cstdint>

namespace clipboard_test {

inline constexpr int32_t kWidth = 37;
inline constexpr int32_t kHeight = 23;

inline uint32_t PixelAt(int32_t x, int32_t y) {
    return (uint32_t(x * 7) << 16) | (uint32_t(y * 11) << 8) | uint32_t((x * 3 + y * 5) & 0xFF);
}

}  // namespace clipboard_test
