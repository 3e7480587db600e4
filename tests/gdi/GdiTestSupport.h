#pragma once
// Shared helpers for the GDI tests: a seeded PRNG and a memory DC with a DIB section selected.

#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace gdi_test {

// xorshift64*: small, fast and the same on every machine.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [lo, hi].
    int Range(int lo, int hi) {
        return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
    }

  private:
    uint64_t state_;
};

inline gdi::BITMAPINFO TopDownInfo(int32_t width, int32_t height) {
    gdi::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = gdi::BI_RGB;
    return info;
}

// A memory DC holding a top-down DIB section, released in the destructor the way the program
// does it (old bitmap selected back first).
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
