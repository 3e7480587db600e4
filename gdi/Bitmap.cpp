#include "gdi/Bitmap.h"

#include <cstdlib>
#include <new>

namespace gdi {

bool Bitmap::SizeAllowed(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return false;
    if (width > kMaxSide || height > kMaxSide) return false;
    return width * height * 4 <= kMaxBytes;
}

std::unique_ptr<Bitmap> Bitmap::Create(int64_t width, int64_t height) {
    if (!SizeAllowed(width, height)) return nullptr;
    void* memory = std::calloc(static_cast<size_t>(width * height), sizeof(uint32_t));
    if (memory == nullptr) return nullptr;
    Bitmap* bitmap = new (std::nothrow) Bitmap(
        static_cast<uint32_t*>(memory), static_cast<int32_t>(width), static_cast<int32_t>(height));
    if (bitmap == nullptr) {
        std::free(memory);
        return nullptr;
    }
    return std::unique_ptr<Bitmap>(bitmap);
}

Bitmap::Bitmap(uint32_t* pixels, int32_t width, int32_t height)
    : GdiObject(kKind), m_pixels(pixels), m_width(width), m_height(height) {}

Bitmap::~Bitmap() { std::free(m_pixels); }

}  // namespace gdi
