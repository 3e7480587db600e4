#pragma once
// The pixel engine under BitBlt, StretchBlt and FillRect: copies and fills between surfaces,
// clipped to the destination surface and an optional clip region.

#include <cstdint>

#include "gdi/Region.h"
#include "gdi/Surface.h"

namespace gdi {

// Extents may be negative: the span then starts at the origin pixel and runs |extent| pixels
// towards smaller coordinates, which mirrors that axis.
struct StretchParams {
    int32_t xDst, yDst, wDst, hDst;
    int32_t xSrc, ySrc, wSrc, hSrc;
};

class BlockTransfer {
  public:
    // Destination pixel i of a span (counted from the origin in the extent's direction) takes
    // source pixel floor((i + 1/2) × |wSrc| / |wDst|), the source pixel under its centre;
    // exact for equal extents and integer ratios. A destination pixel is written only when it
    // lies on the destination surface, inside `clip` (if any) and its source pixel lies on the
    // source surface. Overlapping source and destination memory behaves as if the source were
    // read first. Zero extents draw nothing. `onDrawn` (may be null or empty) gets each written
    // rectangle. False only when memory for an overlapping copy ran short (nothing drawn).
    static bool Stretch(const SurfaceView& dst, const Region* clip, const SurfaceView& src,
                        const StretchParams& p, const DirtyHandler* onDrawn);

    // Sets every pixel of `rect` (right and bottom exclusive; empty or inverted → nothing)
    // that lies on the surface and inside `clip` to `pixel`.
    static void Fill(const SurfaceView& dst, const Region* clip, const RECT& rect, uint32_t pixel,
                     const DirtyHandler* onDrawn);
};

}  // namespace gdi
