#include "gdi/BlockTransfer.h"

#include <pixman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace gdi {

namespace {

// One axis of a stretch: index i runs over the destination span, SrcIndex(i) over the source
// span; both spans step +1 or -1 from their origins.
struct AxisMap {
    int64_t dstOrigin;
    int64_t dstStep;
    int64_t srcOrigin;
    int64_t srcStep;
    int64_t nd;  // |destination extent| > 0
    int64_t ns;  // |source extent| > 0

    AxisMap(int32_t dOrigin, int32_t dExtent, int32_t sOrigin, int32_t sExtent)
        : dstOrigin(dOrigin),
          dstStep(dExtent < 0 ? -1 : 1),
          srcOrigin(sOrigin),
          srcStep(sExtent < 0 ? -1 : 1),
          nd(dExtent < 0 ? -int64_t{dExtent} : int64_t{dExtent}),
          ns(sExtent < 0 ? -int64_t{sExtent} : int64_t{sExtent}) {}

    // (2i + 1) < 2^32 and ns <= 2^31, so the product fits in 63 bits.
    int64_t SrcIndex(int64_t i) const { return ((2 * i + 1) * ns) / (2 * nd); }
    int64_t Dst(int64_t i) const { return dstOrigin + dstStep * i; }
    int64_t Src(int64_t i) const { return srcOrigin + srcStep * SrcIndex(i); }
    int64_t IndexOfDst(int64_t d) const { return dstStep > 0 ? d - dstOrigin : dstOrigin - d; }
    // Equal extents in the same direction: a plain shift, Src(i) - Dst(i) is constant.
    bool IsShift() const { return nd == ns && dstStep == srcStep; }

    // The indices [*lo, *hi] whose destination lies in [0, dstLen) and whose source lies in
    // [0, srcLen). False when there are none.
    bool ValidRange(int64_t dstLen, int64_t srcLen, int64_t* lo, int64_t* hi) const {
        int64_t a, b;
        if (!SpanRange(dstOrigin, dstStep, nd, dstLen, &a, &b)) return false;
        int64_t jlo, jhi;
        if (!SpanRange(srcOrigin, srcStep, ns, srcLen, &jlo, &jhi)) return false;
        // SrcIndex is non-decreasing: bisect for the first i with SrcIndex(i) >= jlo and the
        // last with SrcIndex(i) <= jhi.
        int64_t l = a, r = b + 1;
        while (l < r) {
            const int64_t m = l + (r - l) / 2;
            if (SrcIndex(m) >= jlo)
                r = m;
            else
                l = m + 1;
        }
        const int64_t first = l;
        l = a, r = b + 1;
        while (l < r) {
            const int64_t m = l + (r - l) / 2;
            if (SrcIndex(m) > jhi)
                r = m;
            else
                l = m + 1;
        }
        const int64_t last = l - 1;
        if (first > last) return false;
        *lo = first;
        *hi = last;
        return true;
    }

    // Indices k in [0, n) whose origin + step·k lies in [0, len).
    static bool SpanRange(int64_t origin, int64_t step, int64_t n, int64_t len, int64_t* lo,
                          int64_t* hi) {
        int64_t a = step > 0 ? -origin : origin - (len - 1);
        int64_t b = step > 0 ? len - 1 - origin : origin;
        a = std::max<int64_t>(a, 0);
        b = std::min<int64_t>(b, n - 1);
        if (a > b) return false;
        *lo = a;
        *hi = b;
        return true;
    }
};

// Where source pixels are read: the source surface, or a scratch copy of part of it.
struct SourcePlane {
    const uint32_t* base;
    int64_t stride;  // in pixels
    int64_t ox, oy;  // surface coordinates of base[0]

    // The row holding source line sy; column sx is at index sx - ox.
    const uint32_t* Row(int64_t sy) const { return base + (sy - oy) * stride; }
};

struct FreeDeleter {
    void operator()(uint32_t* p) const { std::free(p); }
};

bool MemoryOverlaps(const SurfaceView& a, const SurfaceView& b) {
    const auto* a0 = reinterpret_cast<const char*>(a.pixels);
    const auto* b0 = reinterpret_cast<const char*>(b.pixels);
    const auto* a1 = a0 + int64_t{a.width} * a.height * 4;
    const auto* b1 = b0 + int64_t{b.width} * b.height * 4;
    // The two may be separate allocations, which the built-in < does not order.
    const std::less<const char*> before;
    return before(a0, b1) && before(b0, a1);
}

// The parts of a box inside a clip region (the box itself without a clip).
class ClippedBoxes {
  public:
    ClippedBoxes(const pixman_box32_t& box, const Region* clip) {
        if (clip == nullptr) {
            m_single = box;
            m_boxes = &m_single;
            m_count = 1;
            return;
        }
        m_owned = true;
        pixman_region32_init_with_extents(&m_part, &box);
        if (pixman_region32_intersect(&m_part, &m_part,
                                      const_cast<pixman_region32_t*>(clip->Raw()))) {
            m_boxes = pixman_region32_rectangles(&m_part, &m_count);
        }
    }
    ~ClippedBoxes() {
        if (m_owned) pixman_region32_fini(&m_part);
    }
    ClippedBoxes(const ClippedBoxes&) = delete;
    ClippedBoxes& operator=(const ClippedBoxes&) = delete;

    const pixman_box32_t* begin() const { return m_boxes; }
    const pixman_box32_t* end() const { return m_boxes + m_count; }

  private:
    pixman_region32_t m_part;
    pixman_box32_t m_single{};
    const pixman_box32_t* m_boxes = nullptr;
    int m_count = 0;
    bool m_owned = false;
};

void Report(const DirtyHandler* onDrawn, const pixman_box32_t& b) {
    if (onDrawn != nullptr && *onDrawn) (*onDrawn)(RECT{b.x1, b.y1, b.x2, b.y2});
}

void CopyBox(const SurfaceView& dst, const SourcePlane& src, const AxisMap& mx, const AxisMap& my,
             const pixman_box32_t& b, int32_t* columns) {
    const int64_t w = b.x2 - b.x1;
    if (mx.IsShift() && my.IsShift()) {
        const int64_t sx = mx.Src(mx.IndexOfDst(b.x1));
        const int64_t sy = my.Src(my.IndexOfDst(b.y1));
        const bool done =
            pixman_blt(const_cast<uint32_t*>(src.base), dst.pixels, static_cast<int>(src.stride),
                       dst.width, 32, 32, static_cast<int>(sx - src.ox),
                       static_cast<int>(sy - src.oy), b.x1, b.y1, static_cast<int>(w), b.y2 - b.y1);
        if (done) return;
    }
    const bool rowShift = mx.IsShift();
    const int64_t sx0 = mx.Src(mx.IndexOfDst(b.x1));
    if (!rowShift) {
        for (int64_t x = b.x1; x < b.x2; ++x) {
            columns[x - b.x1] = static_cast<int32_t>(mx.Src(mx.IndexOfDst(x)) - src.ox);
        }
    }
    int64_t previousSy = INT64_MIN;
    uint32_t* previousRow = nullptr;
    for (int64_t y = b.y1; y < b.y2; ++y) {
        uint32_t* out = dst.pixels + y * dst.width + b.x1;
        const int64_t sy = my.Src(my.IndexOfDst(y));
        if (sy == previousSy) {
            // Enlarging vertically repeats the row just written.
            std::memcpy(out, previousRow, static_cast<size_t>(w) * 4);
        } else if (rowShift) {
            std::memcpy(out, src.Row(sy) + (sx0 - src.ox), static_cast<size_t>(w) * 4);
        } else {
            const uint32_t* in = src.Row(sy);
            for (int64_t k = 0; k < w; ++k) out[k] = in[columns[k]];
        }
        previousSy = sy;
        previousRow = out;
    }
}

}  // namespace

bool BlockTransfer::Stretch(const SurfaceView& dst, const Region* clip, const SurfaceView& src,
                            const StretchParams& p, const DirtyHandler* onDrawn) {
    if (p.wDst == 0 || p.hDst == 0 || p.wSrc == 0 || p.hSrc == 0) return true;
    if (dst.pixels == nullptr || src.pixels == nullptr) return true;
    const AxisMap mx(p.xDst, p.wDst, p.xSrc, p.wSrc);
    const AxisMap my(p.yDst, p.hDst, p.ySrc, p.hSrc);
    int64_t xlo, xhi, ylo, yhi;
    if (!mx.ValidRange(dst.width, src.width, &xlo, &xhi)) return true;
    if (!my.ValidRange(dst.height, src.height, &ylo, &yhi)) return true;

    const pixman_box32_t box{
        static_cast<int32_t>(std::min(mx.Dst(xlo), mx.Dst(xhi))),
        static_cast<int32_t>(std::min(my.Dst(ylo), my.Dst(yhi))),
        static_cast<int32_t>(std::max(mx.Dst(xlo), mx.Dst(xhi)) + 1),
        static_cast<int32_t>(std::max(my.Dst(ylo), my.Dst(yhi)) + 1),
    };

    SourcePlane plane{src.pixels, src.width, 0, 0};
    std::unique_ptr<uint32_t, FreeDeleter> scratch;
    if (MemoryOverlaps(src, dst)) {
        // Read everything the copy needs before anything is written.
        const int64_t sx1 = std::min(mx.Src(xlo), mx.Src(xhi));
        const int64_t sx2 = std::max(mx.Src(xlo), mx.Src(xhi)) + 1;
        const int64_t sy1 = std::min(my.Src(ylo), my.Src(yhi));
        const int64_t sy2 = std::max(my.Src(ylo), my.Src(yhi)) + 1;
        const int64_t sw = sx2 - sx1;
        scratch.reset(
            static_cast<uint32_t*>(std::malloc(static_cast<size_t>(sw * (sy2 - sy1)) * 4)));
        if (!scratch) return false;
        for (int64_t y = sy1; y < sy2; ++y) {
            std::memcpy(scratch.get() + (y - sy1) * sw, src.pixels + y * src.width + sx1,
                        static_cast<size_t>(sw) * 4);
        }
        plane = SourcePlane{scratch.get(), sw, sx1, sy1};
    }

    std::unique_ptr<int32_t, void (*)(void*)> columns(nullptr, std::free);
    if (!mx.IsShift()) {
        columns.reset(static_cast<int32_t*>(std::malloc(static_cast<size_t>(box.x2 - box.x1) * 4)));
        if (!columns) return false;
    }
    const ClippedBoxes boxes(box, clip);
    for (const pixman_box32_t& b : boxes) CopyBox(dst, plane, mx, my, b, columns.get());
    for (const pixman_box32_t& b : boxes) Report(onDrawn, b);
    return true;
}

void BlockTransfer::Fill(const SurfaceView& dst, const Region* clip, const RECT& rect,
                         uint32_t pixel, const DirtyHandler* onDrawn) {
    if (dst.pixels == nullptr) return;
    const pixman_box32_t box{std::max<int32_t>(rect.left, 0), std::max<int32_t>(rect.top, 0),
                             std::min<int32_t>(rect.right, dst.width),
                             std::min<int32_t>(rect.bottom, dst.height)};
    if (box.x1 >= box.x2 || box.y1 >= box.y2) return;
    const ClippedBoxes boxes(box, clip);
    for (const pixman_box32_t& b : boxes) {
        if (pixman_fill(dst.pixels, dst.width, 32, b.x1, b.y1, b.x2 - b.x1, b.y2 - b.y1, pixel)) {
            continue;
        }
        for (int32_t y = b.y1; y < b.y2; ++y) {
            std::fill_n(dst.pixels + int64_t{y} * dst.width + b.x1, b.x2 - b.x1, pixel);
        }
    }
    for (const pixman_box32_t& b : boxes) Report(onDrawn, b);
}

}  // namespace gdi
