#pragma once
// The one plain-loop model of the lens, shared by the tests and the benchmarks. It reads the
// look-up table's entries one by one and applies them itself (ApplyLensModel), and it tracks the
// lens source square the way a copy from the screen leaves it: pixels whose screen position
// lies off the screen keep what they held (LensModel).

#include <algorithm>
#include <cstdint>
#include <vector>

#include "dib/cDIB32.h"
#include "lens/mLens.h"
#include "tests/support/Rng.h"

// The transfer over every table entry, on raw pixel memory (rows srcWidth and dstWidth apart):
// each inside entry (j, i) sets destination (R + j, R + i) to source (R + OffsetX, R + OffsetY)
// AND mask, in table order, so src == dst reads what earlier entries wrote.
inline void ApplyLensModel(const uint32_t* src, int32_t srcWidth, uint32_t* dst, int32_t dstWidth,
                           uint32_t mask) {
    const auto& table = mLens::LookUpTable();
    const int32_t R = table.Radius();
    for (int32_t i = -R; i <= R && R > 0; ++i)
        for (int32_t j = -R; j <= R; ++j) {
            const mLens::tLensOffset e = table(j, i);
            if (e.OffsetX > -R || e.OffsetY > -R)
                dst[(R + i) * dstWidth + (R + j)] =
                    src[(R + e.OffsetY) * srcWidth + (R + e.OffsetX)] & mask;
        }
}

// A picture of 0x00RRGGBB pixels.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    Picture() = default;
    Picture(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    bool Contains(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    uint32_t& At(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    uint32_t At(int32_t x, int32_t y) const {
        return pixels[size_t(y) * size_t(width) + size_t(x)];
    }
    bool operator==(const Picture&) const = default;

    // A copy of w × h pixels at px; empty when px is null.
    static Picture Of(const uint32_t* px, int32_t w, int32_t h) {
        if (!px) return {};
        Picture p(w, h);
        p.pixels.assign(px, px + p.pixels.size());
        return p;
    }
    static Picture Of(const cDIB32& dib) { return Of(dib.DIBitsPtr(), dib.Width(), dib.Height()); }
    void CopyTo(const cDIB32& dib) const {
        std::copy(pixels.begin(), pixels.end(), dib.DIBitsPtr());
    }

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
        const int32_t R = mLens::LookUpTable().Radius();
        // The table's last row and column lie outside the circle, so a 2R square holds it.
        if (R > 0 && 2 * R <= m_L)
            ApplyLensModel(m_source.pixels.data(), m_L, image.pixels.data(), m_L,
                           mLens::ColorMask());
        return image;
    }

    // `screen` with that lens image on it, clipped to the screen.
    Picture Over(const Picture& screen, int32_t X, int32_t Y) {
        const Picture lens = Frame(screen, X, Y);
        Picture out = screen;
        for (int32_t b = 0; b < m_L; ++b)
            for (int32_t a = 0; a < m_L; ++a)
                if (out.Contains(X + a, Y + b)) out.At(X + a, Y + b) = lens.At(a, b);
        return out;
    }

  private:
    int32_t m_L;
    Picture m_source;
};
