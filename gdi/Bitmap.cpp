#include "gdi/Bitmap.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace gdi {

namespace {

// From this size on (a desktop copy) the pixels get pages of their own, in huge pages where the
// system gives them: tens of thousands of page faults fewer on the first touch of each copy.
constexpr size_t kMapFrom = size_t{16} << 20;

}  // namespace

bool Bitmap::SizeAllowed(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return false;
    if (width > kMaxSide || height > kMaxSide) return false;
    return width * height * 4 <= kMaxBytes;
}

std::unique_ptr<Bitmap> Bitmap::Create(int64_t width, int64_t height) {
    if (!SizeAllowed(width, height)) return nullptr;
    const size_t bytes = static_cast<size_t>(width * height) * sizeof(uint32_t);
    size_t mapped = 0;
    void* memory = nullptr;
    if (bytes >= kMapFrom) {
        // Anonymous pages read as zero until written.
        memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) return nullptr;
        madvise(memory, bytes, MADV_HUGEPAGE);
        mapped = bytes;
    } else {
        memory = std::calloc(bytes / sizeof(uint32_t), sizeof(uint32_t));
        if (memory == nullptr) return nullptr;
    }
    Bitmap* bitmap =
        new (std::nothrow) Bitmap(static_cast<uint32_t*>(memory), static_cast<int32_t>(width),
                                  static_cast<int32_t>(height), mapped);
    if (bitmap == nullptr) {
        if (mapped) {
            munmap(memory, mapped);
        } else {
            std::free(memory);
        }
        return nullptr;
    }
    return std::unique_ptr<Bitmap>(bitmap);
}

Bitmap::Bitmap(uint32_t* pixels, int32_t width, int32_t height, size_t mapped)
    : GdiObject(kKind), m_pixels(pixels), m_mapped(mapped), m_width(width), m_height(height) {}

Bitmap::~Bitmap() {
    if (m_mapped) {
        munmap(m_pixels, m_mapped);
    } else {
        std::free(m_pixels);
    }
}

}  // namespace gdi
