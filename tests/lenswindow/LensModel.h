#pragma once
// An independent per-pixel model of what the lens window shows. It reads the look-up table's
// offsets and applies them itself, and it tracks the lens source square the way a copy from the
// screen leaves it: pixels whose screen position lies off the screen keep what they held.

#include <cstdint>
#include <vector>

#include "lens/mLens.h"
#include "tests/support/Rng.h"

// A picture of 0x00RRGGBB pixels.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    Picture() = default;
    Picture(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(size_t(w) * h, fill) {}
    bool Contains(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    uint32_t& At(int32_t x, int32_t y) { return pixels[size_t(y) * width + x]; }
    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * width + x]; }
    bool operator==(const Picture&) const = default;

    static Picture Noise(int32_t w, int32_t h, uint64_t seed) {
        Picture p(w, h);
        test_support::Rng random(seed);
        for (uint32_t& px : p.pixels) px = random.Next32() & 0x00FFFFFFu;
        return p;
    }
};

class LensModel {
  public:
    // L: the lens square's side. The source square starts black, as a new surface does.
    explicit LensModel(int32_t L) : m_L(L), m_source(L, L, 0) {}

    // The L × L lens image for the square with top-left corner (X, Y) over `screen`, with the
    // current table and colour mask.
    Picture Frame(const Picture& screen, int32_t X, int32_t Y) {
        for (int32_t b = 0; b < m_L; ++b)
            for (int32_t a = 0; a < m_L; ++a)
                if (screen.Contains(X + a, Y + b)) m_source.At(a, b) = screen.At(X + a, Y + b);
        Picture image = m_source;
        const auto& table = mLens::LookUpTable();
        const int32_t R = table.Radius();
        if (R <= 0 || 2 * R > m_L) return image;
        for (int32_t i = -R; i <= R; ++i) {
            for (int32_t j = -R; j <= R; ++j) {
                const mLens::tLensOffset e = table(j, i);
                // Entries on the last row and column lie outside the circle (and the square).
                if (R + j < m_L && R + i < m_L && (e.OffsetX > -R || e.OffsetY > -R))
                    image.At(R + j, R + i) =
                        m_source.At(R + e.OffsetX, R + e.OffsetY) & mLens::ColorMask();
            }
        }
        return image;
    }

  private:
    int32_t m_L;
    Picture m_source;
};
