#pragma once
// A 32-bit bitmap: Width × Height pixels, top row first, rows packed (Width × 4 bytes). The
// pixel memory is ours (zero-filled at creation) and freed with the object.

#include <cstdint>
#include <memory>

#include "gdi/GdiObject.h"
#include "gdi/Surface.h"

namespace gdi {

class Bitmap : public GdiObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::Bitmap;
    // Largest side and largest buffer a bitmap may have.
    static constexpr int64_t kMaxSide = 32768;
    static constexpr int64_t kMaxBytes = int64_t{1} << 30;

    // True when a width × height bitmap is within the limits (checked in 64-bit arithmetic).
    static bool SizeAllowed(int64_t width, int64_t height);

    // A zero-filled bitmap, or nullptr when the size is refused or memory is short.
    [[nodiscard]] static std::unique_ptr<Bitmap> Create(int64_t width, int64_t height);

    ~Bitmap() override;

    uint32_t* Pixels() const { return m_pixels; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    SurfaceView View() const { return SurfaceView{m_pixels, m_width, m_height}; }

    // The DC this bitmap is selected into, or 0. Stock bitmaps are never marked.
    uint32_t SelectedInto() const { return m_selectedInto; }
    void SetSelectedInto(uint32_t hdc) { m_selectedInto = hdc; }

  private:
    Bitmap(uint32_t* pixels, int32_t width, int32_t height, size_t mapped);

    uint32_t* m_pixels;
    size_t m_mapped;  // bytes mapped for a large bitmap; 0: from the heap
    int32_t m_width;
    int32_t m_height;
    uint32_t m_selectedInto = 0;
};

}  // namespace gdi
