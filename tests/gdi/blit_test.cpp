// BitBlt and StretchBlt against a per-pixel reference model: random sizes, offsets, mirrors,
// scaling both ways, same-surface overlap, clip regions, partly off-surface rectangles.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <vector>

#include "gdi/GdiTestSupport.h"
#include "platform/gdi/Gdi.h"

using namespace gdi;
using gdi_test::MemSurface;
using gdi_test::Rng;

namespace {

struct Params {
    int xd, yd, wd, hd, xs, ys, ws, hs;
};

std::ostream& operator<<(std::ostream& os, const Params& p) {
    return os << p.xd << "," << p.yd << "," << p.wd << "," << p.hd << " <- " << p.xs << "," << p.ys
              << "," << p.ws << "," << p.hs;
}

// Index i of a span of n destination pixels takes source index floor((i + 1/2) · ns / n).
int SourceIndex(int i, int nd, int ns) { return static_cast<int>(std::floor((i + 0.5) * ns / nd)); }

// Each destination pixel of the spans, if it is on the destination, inside the clip, and its
// source pixel is on the (pre-copy) source, takes that source pixel.
void ReferenceStretch(std::vector<uint32_t>& dst, int dw, int dh, const std::vector<bool>& clip,
                      const std::vector<uint32_t>& src, int sw, int sh, const Params& p) {
    const int nd = std::abs(p.wd), md = std::abs(p.hd), ns = std::abs(p.ws), ms = std::abs(p.hs);
    if (nd == 0 || md == 0 || ns == 0 || ms == 0) return;
    for (int r = 0; r < md; ++r) {
        const int dy = p.yd + (p.hd < 0 ? -r : r);
        const int sy = p.ys + (p.hs < 0 ? -1 : 1) * SourceIndex(r, md, ms);
        for (int i = 0; i < nd; ++i) {
            const int dx = p.xd + (p.wd < 0 ? -i : i);
            const int sx = p.xs + (p.ws < 0 ? -1 : 1) * SourceIndex(i, nd, ns);
            if (dx < 0 || dy < 0 || dx >= dw || dy >= dh) continue;
            if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
            if (!clip.empty() && !clip[dy * dw + dx]) continue;
            dst[dy * dw + dx] = src[sy * sw + sx];
        }
    }
}

void RunCase(uint64_t seed) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    Rng rng(seed);
    auto dst = std::make_unique<MemSurface>(rng.Range(1, 10), rng.Range(1, 10));
    std::unique_ptr<MemSurface> own;
    if (rng.Range(0, 2) != 0)
        own = std::make_unique<MemSurface>(rng.Range(1, 10), rng.Range(1, 10));
    MemSurface* src = own ? own.get() : dst.get();
    src->FillPattern(0x100000);
    dst->FillPattern(0x200000);

    std::vector<bool> clip;
    if (rng.Coin()) {
        clip.assign(dst->width() * dst->height(), false);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        for (int n = rng.Range(1, 3); n > 0; --n) {
            const int x1 = rng.Range(-3, 12), y1 = rng.Range(-3, 12);
            const int x2 = rng.Range(-3, 12), y2 = rng.Range(-3, 12);
            HRGN part = CreateRectRgn(x1, y1, x2, y2);
            CombineRgn(region, region, part, RGN_OR);
            DeleteObject(part);
            for (int y = 0; y < dst->height(); ++y)
                for (int x = 0; x < dst->width(); ++x)
                    if (std::min(x1, x2) <= x && x < std::max(x1, x2) && std::min(y1, y2) <= y &&
                        y < std::max(y1, y2))
                        clip[y * dst->width() + x] = true;
        }
        SelectClipRgn(dst->dc(), region);
        DeleteObject(region);
    }

    Params p{rng.Range(-6, 14),
             rng.Range(-6, 14),
             rng.Range(-14, 14),
             rng.Range(-14, 14),
             rng.Range(-6, 14),
             rng.Range(-6, 14),
             0,
             0};
    const bool plain = rng.Range(0, 3) == 0;
    p.ws = plain ? p.wd : rng.Range(-14, 14);
    p.hs = plain ? p.hd : rng.Range(-14, 14);
    std::vector<uint32_t> expected = dst->Snapshot();
    ReferenceStretch(expected, dst->width(), dst->height(), clip, src->Snapshot(), src->width(),
                     src->height(), p);
    EXPECT_TRUE(plain ? BitBlt(dst->dc(), p.xd, p.yd, p.wd, p.hd, src->dc(), p.xs, p.ys, SRCCOPY)
                      : StretchBlt(dst->dc(), p.xd, p.yd, p.wd, p.hd, src->dc(), p.xs, p.ys, p.ws,
                                   p.hs, SRCCOPY));
    ASSERT_EQ(dst->Snapshot(), expected)
        << "dst " << dst->width() << "x" << dst->height() << " src " << src->width() << "x"
        << src->height() << (own ? "" : " (same)") << " clip " << !clip.empty() << " " << p;
}

}  // namespace

TEST(GdiBltDifferential, MatchesReferenceModel) {
    const uint32_t before = LiveObjectCount();
    for (uint64_t seed = 1; seed <= 4000; ++seed) {
        RunCase(seed);
        if (HasFatalFailure()) break;
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

// Overlap on a surface wider than the random ones, where row order and direction matter.
TEST(GdiBltDifferential, LargeSameSurfaceShifts) {
    for (int d : {-3, 0, 7}) {
        MemSurface s(64, 48);
        s.FillPattern(0);
        std::vector<uint32_t> expected = s.Snapshot();
        ReferenceStretch(expected, 64, 48, {}, s.Snapshot(), 64, 48,
                         Params{d, -d, 64, 48, 0, 0, 64, 48});
        EXPECT_TRUE(BitBlt(s.dc(), d, -d, 64, 48, s.dc(), 0, 0, SRCCOPY));
        EXPECT_EQ(s.Snapshot(), expected) << d;
    }
}
