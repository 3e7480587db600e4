#include "lens/mLens.h"

#include <cstddef>

#include "dib/cDIB32.h"

namespace mLens {

namespace {

LookUpTableType g_LookUpTable;
uint32_t g_ColorMask = 0;

// A surface the transfer may touch: it exists and holds the whole 2R x 2R lens square.
bool FitsLens(const cDIB32& DIB, int32_t R) {
    return DIB.hDIB() != 0 && DIB.DIBitsPtr() != nullptr && DIB.Width() >= 2 * R &&
           DIB.Height() >= 2 * R;
}

}  // namespace

void BuildLookUpTable(int32_t Radius, int32_t Factor, int16_t Convex) {
    g_LookUpTable.Build(Radius, Factor, Convex);
}

const LookUpTableType& LookUpTable() { return g_LookUpTable; }

void SetColorMask(uint32_t Mask) { g_ColorMask = Mask; }

uint32_t ColorMask() { return g_ColorMask; }

void ApplyLens(cDIB32& Source, cDIB32& Destination) {
    const int32_t R = g_LookUpTable.Radius();
    if (Source.hDIB() == 0 || Destination.hDIB() == 0 || R <= 0) return;
    if (!FitsLens(Source, R) || !FitsLens(Destination, R)) return;

    // Only the inside entries are visited, in table order: row by row over each row's inside
    // run, with the source offsets taken from their packed copy. Outside entries change nothing.
    const ptrdiff_t srcStride = Source.Width();
    const ptrdiff_t dstStride = Destination.Width();
    const uint32_t* const srcCentre = Source.DIBitsPtr() + R * srcStride + R;
    uint32_t* const dstCentre = Destination.DIBitsPtr() + R * dstStride + R;
    const uint32_t mask = g_ColorMask;
    const tLensTap* tap = g_LookUpTable.Taps();
    for (int32_t i = -R; i <= R; ++i) {
        const int32_t w = g_LookUpTable.SpanHalfWidth(i);
        uint32_t* const row = dstCentre + i * dstStride;
        for (int32_t j = -w; j <= w; ++j, ++tap) {
            row[j] = srcCentre[tap->OffsetY * srcStride + tap->OffsetX] & mask;
        }
    }
}

}  // namespace mLens
