#include "gdi/Region.h"

#include <algorithm>

#include "gdi/Gdi.h"

namespace gdi {

Region::Region() : GdiObject(kKind) { pixman_region32_init(&m_region); }

Region::~Region() { pixman_region32_fini(&m_region); }

void Region::SetRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    pixman_region32_fini(&m_region);
    pixman_box32_t box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    // Boxes, not x/y/width/height: a width of up to 2^32 - 1 would overflow inside pixman.
    if (box.x1 < box.x2 && box.y1 < box.y2) {
        pixman_region32_init_with_extents(&m_region, &box);
    } else {
        pixman_region32_init(&m_region);
    }
}

bool Region::CopyFrom(const Region& other) {
    if (&other == this) return true;
    if (pixman_region32_copy(&m_region, const_cast<pixman_region32_t*>(&other.m_region))) {
        return true;
    }
    pixman_region32_clear(&m_region);
    return false;
}

bool Region::Combine(const Region& a, const Region& b, int mode) {
    auto* ra = const_cast<pixman_region32_t*>(&a.m_region);
    auto* rb = const_cast<pixman_region32_t*>(&b.m_region);
    // Work into a fresh region, so that this may alias either operand.
    pixman_region32_t result;
    pixman_region32_init(&result);
    bool ok = true;
    switch (mode) {
        case RGN_AND:
            ok = pixman_region32_intersect(&result, ra, rb);
            break;
        case RGN_OR:
            ok = pixman_region32_union(&result, ra, rb);
            break;
        case RGN_DIFF:
            ok = pixman_region32_subtract(&result, ra, rb);
            break;
        case RGN_XOR: {
            // pixman has no XOR: (a - b) ∪ (b - a).
            pixman_region32_t onlyB;
            pixman_region32_init(&onlyB);
            ok = pixman_region32_subtract(&result, ra, rb) &&
                 pixman_region32_subtract(&onlyB, rb, ra) &&
                 pixman_region32_union(&result, &result, &onlyB);
            pixman_region32_fini(&onlyB);
            break;
        }
        default:
            ok = false;
            break;
    }
    if (ok) ok = pixman_region32_copy(&m_region, &result);
    pixman_region32_fini(&result);
    if (!ok) pixman_region32_clear(&m_region);
    return ok;
}

int Region::Complexity() const {
    const int n = pixman_region32_n_rects(const_cast<pixman_region32_t*>(&m_region));
    if (n == 0) return NULLREGION;
    return n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace gdi
