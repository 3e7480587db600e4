#pragma once
// A memory DC with a top-down DIB section selected, for the GDI tests.

#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "support/Rng.h"

namespace gdi_test {

using test_support::Rng;

inline gdi::BITMAPINFO TopDownInfo(int32_t width, int32_t height) {
    gdi::BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(gdi::BITMAPINFOHEADER), width, -height, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

// Released the way the program does it: the old bitmap selected back first.
class MemSurface {
  public:
    MemSurface(int32_t width, int32_t height) : width_(width), height_(height) {
        dc_ = gdi::CreateCompatibleDC(0);
        const gdi::BITMAPINFO info = TopDownInfo(width, height);
        void* bits = nullptr;
        bitmap_ = gdi::CreateDIBSection(dc_, &info, gdi::DIB_RGB_COLORS, &bits, 0, 0);
        pixels_ = static_cast<uint32_t*>(bits);
        old_ = gdi::SelectObject(dc_, bitmap_);
    }
    ~MemSurface() {
        gdi::SelectObject(dc_, old_);
        gdi::DeleteObject(bitmap_);
        gdi::DeleteDC(dc_);
    }
    MemSurface(const MemSurface&) = delete;
    MemSurface& operator=(const MemSurface&) = delete;

    gdi::HDC dc() const { return dc_; }
    gdi::HBITMAP bitmap() const { return bitmap_; }
    uint32_t* pixels() const { return pixels_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    uint32_t& at(int x, int y) { return pixels_[y * width_ + x]; }
    std::vector<uint32_t> Snapshot() const {
        return std::vector<uint32_t>(pixels_, pixels_ + width_ * height_);
    }
    // Every pixel distinct and non-zero.
    void FillPattern(uint32_t tag) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) at(x, y) = tag + (y << 8) + x + 1;
    }

  private:
    int32_t width_, height_;
    gdi::HDC dc_ = 0;
    gdi::HBITMAP bitmap_ = 0;
    gdi::HGDIOBJ old_ = 0;
    uint32_t* pixels_ = nullptr;
};

}  // namespace gdi_test
