#pragma once
// Shared pieces of the GDI tests: a memory DC with a top-down DIB section selected (released the
// way the program does it, the old bitmap selected back first) and a one-call solid fill.

#include <cstdint>
#include <vector>

#include "gdi/Gdi.h"
#include "support/Rng.h"

namespace gdi_test {

using namespace gdi;
using test_support::Rng;

// Several call results in one comparison, in call order: EXPECT_EQ(Results{f(), g()}, ...).
using Results = std::vector<int64_t>;

struct MemSurface {
    MemSurface(int32_t width, int32_t height) : w(width), h(height) {
        // biSizeImage is never read: every test that fills a whole surface (under the
        // sanitizers) shows that the buffer was sized from width and height alone.
        const BITMAPINFO info{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 1, 0, 0, 0, 0}};
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0);
        px = static_cast<uint32_t*>(bits);
        old = SelectObject(dc, bitmap);
    }
    ~MemSurface() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }

    std::vector<uint32_t> Snapshot() const { return {px, px + w * h}; }
    // Every pixel distinct and non-zero.
    void FillPattern(uint32_t tag) {
        for (int k = 0; k < w * h; ++k) px[k] = tag + ((k / w) << 8) + k % w + 1;
    }

    int32_t w, h;
    HDC dc = CreateCompatibleDC(0);
    HBITMAP bitmap = 0;
    HGDIOBJ old = 0;
    uint32_t* px = nullptr;
};

inline void Fill(HDC dc, RECT r, COLORREF colour) {
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

}  // namespace gdi_test
