#pragma once
// The lens displacement table: for every offset (j, i) of the lens square, the offset from the
// lens centre whose pixel is shown there. Built once per change of the lens settings, read on
// every mouse move.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace mLens {

// One table entry. (-R, -R) marks an offset outside the lens.
struct tLensOffset {
    int32_t OffsetX;
    int32_t OffsetY;
    friend bool operator==(const tLensOffset&, const tLensOffset&) = default;
};
static_assert(sizeof(tLensOffset) == 8);

// A source offset of an inside entry, packed for the transfer loop (|offset| < R <= kMaxRadius).
struct tLensTap {
    int16_t OffsetX;
    int16_t OffsetY;
};

class LookUpTableType {
  public:
    // Radii above this are refused (a larger table would run to tens of megabytes); Build then
    // leaves the table empty.
    static constexpr int32_t kMaxRadius = 1024;

    // Replaces the table with one of radius Radius (indices -Radius..Radius both ways), rounded
    // exactly as the lens arithmetic prescribes. Factor's sign is ignored; factors beyond
    // +-150 act as 150. Convex: any non-zero value means a convex lens. A negative radius or
    // one above kMaxRadius leaves the table empty.
    void Build(int32_t Radius, int32_t Factor, int16_t Convex);

    // Upper bound of both indices, R. -1 while the table is empty (before the first build, or
    // after a refused one or one whose memory could not be had), so the transfer draws nothing.
    int32_t Radius() const { return m_Radius; }

    // Entry (j, i): j is the column (horizontal offset), i the row. Indices outside -R..R read
    // as the outside marker (an empty table reads (0, 0)).
    tLensOffset operator()(int32_t j, int32_t i) const;

    // All (2R + 1)^2 entries, row after row (i = -R..R), each row j = -R..R.
    const tLensOffset* Data() const { return m_Entries.Data(); }
    size_t Count() const { return m_Entries.Size(); }

    // Derived at build time for the transfer. The inside entries of row i (|i| <= R) are the
    // contiguous run j = -w..w with w = SpanHalfWidth(i); w = -1 when the row has none.
    int32_t SpanHalfWidth(int32_t i) const;
    // The inside entries' offsets in storage order (row by row, left to right).
    const tLensTap* Taps() const { return m_Taps.Data(); }
    size_t TapCount() const { return m_Taps.Size(); }

  private:
    // Storage that only grows, is never initialised (every build writes all it uses) and is
    // never copied when it grows; Resize reports false when the memory cannot be had. It grows
    // to at least `atLeast` elements, so that rebuilds at other radii reuse it.
    template <class T>
    class Buffer {
      public:
        bool Resize(size_t n, size_t atLeast);
        void Clear() { m_Size = 0; }
        T* Data() { return m_Data.get(); }
        const T* Data() const { return m_Data.get(); }
        size_t Size() const { return m_Size; }

      private:
        std::unique_ptr<T[]> m_Data;
        size_t m_Size = 0;
        size_t m_Capacity = 0;
    };

    // Storage is sized for at least this radius on first use (the largest the panel offers).
    static constexpr int32_t kUsualMaxRadius = 250;

    void Clear();

    int32_t m_Radius = -1;
    Buffer<tLensOffset> m_Entries;
    Buffer<int32_t> m_HalfWidth;  // indexed by |i|, 0..R
    Buffer<tLensTap> m_Taps;
    Buffer<tLensOffset> m_Quadrant;  // scratch: j, i >= 0
};

}  // namespace mLens
