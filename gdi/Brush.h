#pragma once
// A solid brush. The colour is kept as given (COLORREF 0x00BBGGRR) and converted to the pixel
// layout (0x00RRGGBB) when painting.

#include <cstdint>

#include "gdi/GdiObject.h"

namespace gdi {

class Brush : public GdiObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::Brush;

    explicit Brush(uint32_t colorref) : GdiObject(kKind), m_colorref(colorref) {}

    uint32_t ColorRef() const { return m_colorref; }
    // The pixel this brush paints; the top byte is always 0.
    uint32_t Pixel() const { return ToPixel(m_colorref); }

    static uint32_t ToPixel(uint32_t colorref) {
        return ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
    }

  private:
    uint32_t m_colorref;
};

}  // namespace gdi
