#pragma once
// The lens optics: one displacement table and one colour mask for the whole run, and the
// per-pixel transfer that draws the lens from one lens-sized surface into another.

#include <cstdint>

#include "lens/LookUpTableType.h"

class cDIB32;

namespace mLens {

// Rebuilds the table for radius Radius, factor Factor (sign ignored) and lens type Convex
// (non-zero: convex). See LookUpTableType::Build for the limits.
void BuildLookUpTable(int32_t Radius, int32_t Factor, int16_t Convex);

// The table of the last build; empty (Radius() == -1) before the first one.
const LookUpTableType& LookUpTable();

// The mask ANDed with every pixel the transfer writes (0x00RRGGBB); 0 until first set.
void SetColorMask(uint32_t Mask);
uint32_t ColorMask();

// Draws the lens: with R = LookUpTable().Radius(), every destination pixel (R + j, R + i) whose
// entry is not the outside marker becomes source pixel (R + OffsetX, R + OffsetY) AND
// ColorMask; all other destination pixels keep their value. Rows are each surface's own Width
// apart, and the lens sits at the top-left corner of larger surfaces. Does nothing when either
// surface has no bitmap, when R <= 0, or when either surface is smaller than 2R x 2R (the
// transfer would leave the surface). Source and Destination may be the same surface: pixels
// are then processed in table order, reading what earlier entries wrote. Allocates nothing.
void ApplyLens(cDIB32& Source, cDIB32& Destination);

}  // namespace mLens
