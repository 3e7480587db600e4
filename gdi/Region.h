#pragma once
// A set of rectangles in device coordinates (right and bottom exclusive), on pixman's region
// arithmetic. Coordinates may be negative or lie beyond any surface.

#include <pixman.h>

#include <cstdint>

#include "gdi/GdiObject.h"

namespace gdi {

class Region : public GdiObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::Region;

    Region();
    ~Region() override;

    // The rectangle spanned by the two corners, in any order; empty when they share a
    // coordinate.
    void SetRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // False when memory ran short (this region is then left empty).
    bool CopyFrom(const Region& other);
    // this = a (op) b with a CombineRgn mode (1..4); this may be a or b. False on a bad mode or
    // short memory.
    bool Combine(const Region& a, const Region& b, int mode);

    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int Complexity() const;

    pixman_region32_t* Raw() { return &m_region; }
    const pixman_region32_t* Raw() const { return &m_region; }

  private:
    pixman_region32_t m_region;
};

}  // namespace gdi
