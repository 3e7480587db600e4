// BitBlt and StretchBlt against a per-pixel reference model: random sizes, offsets, mirrors,
// scaling both ways, same-surface overlap, clip regions, partly off-surface rectangles.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
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

// Index i of a span of n destination pixels takes source index floor((i + 1/2) · ns / n).
int SourceIndex(int i, int nd, int ns) { return static_cast<int>(std::floor((i + 0.5) * ns / nd)); }

// The reference: each destination pixel of the spans, if it is on the destination, inside the
// clip, and its source pixel is on the (pre-copy) source, takes that source pixel.
void ReferenceStretch(std::vector<uint32_t>& dst, int dw, int dh, const std::vector<bool>* clip,
                      const std::vector<uint32_t>& src, int sw, int sh, const Params& p) {
    const int nd = std::abs(p.wd), md = std::abs(p.hd), ns = std::abs(p.ws), ms = std::abs(p.hs);
    if (nd == 0 || md == 0 || ns == 0 || ms == 0) return;
    const int sdx = p.wd < 0 ? -1 : 1, sdy = p.hd < 0 ? -1 : 1;
    const int ssx = p.ws < 0 ? -1 : 1, ssy = p.hs < 0 ? -1 : 1;
    for (int r = 0; r < md; ++r) {
        const int dy = p.yd + sdy * r;
        const int sy = p.ys + ssy * SourceIndex(r, md, ms);
        for (int i = 0; i < nd; ++i) {
            const int dx = p.xd + sdx * i;
            const int sx = p.xs + ssx * SourceIndex(i, nd, ns);
            if (dx < 0 || dy < 0 || dx >= dw || dy >= dh) continue;
            if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
            if (clip != nullptr && !(*clip)[dy * dw + dx]) continue;
            dst[dy * dw + dx] = src[sy * sw + sx];
        }
    }
}

void RunCase(uint64_t seed) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    Rng rng(seed);
    auto dst = std::make_unique<MemSurface>(rng.Range(1, 10), rng.Range(1, 10));
    std::unique_ptr<MemSurface> own;
    MemSurface* src = dst.get();
    if (rng.Range(0, 2) != 0) {
        own = std::make_unique<MemSurface>(rng.Range(1, 10), rng.Range(1, 10));
        src = own.get();
        src->FillPattern(0x100000);
    }
    dst->FillPattern(0x200000);

    std::vector<bool> clip;
    if (rng.Range(0, 1) == 1) {
        clip.assign(dst->width() * dst->height(), false);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        for (int n = rng.Range(1, 3); n > 0; --n) {
            const int x1 = rng.Range(-3, 12), y1 = rng.Range(-3, 12);
            const int x2 = rng.Range(-3, 12), y2 = rng.Range(-3, 12);
            HRGN part = CreateRectRgn(x1, y1, x2, y2);
            CombineRgn(region, region, part, RGN_OR);
            DeleteObject(part);
            for (int y = std::max(0, std::min(y1, y2));
                 y < std::min(dst->height(), std::max(y1, y2)); ++y)
                for (int x = std::max(0, std::min(x1, x2));
                     x < std::min(dst->width(), std::max(x1, x2)); ++x)
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
    if (plain) {
        p.ws = p.wd;
        p.hs = p.hd;
    } else {
        p.ws = rng.Range(-14, 14);
        p.hs = rng.Range(-14, 14);
    }
    std::vector<uint32_t> expected = dst->Snapshot();
    const std::vector<uint32_t> source = src->Snapshot();
    ReferenceStretch(expected, dst->width(), dst->height(), clip.empty() ? nullptr : &clip, source,
                     src->width(), src->height(), p);
    const BOOL ok = plain
                        ? BitBlt(dst->dc(), p.xd, p.yd, p.wd, p.hd, src->dc(), p.xs, p.ys, SRCCOPY)
                        : StretchBlt(dst->dc(), p.xd, p.yd, p.wd, p.hd, src->dc(), p.xs, p.ys, p.ws,
                                     p.hs, SRCCOPY);
    EXPECT_TRUE(ok);
    ASSERT_EQ(dst->Snapshot(), expected)
        << "dst " << dst->width() << "x" << dst->height() << " src " << src->width() << "x"
        << src->height() << (src == dst.get() ? " (same)" : "") << " clip " << !clip.empty()
        << " params " << p.xd << "," << p.yd << "," << p.wd << "," << p.hd << " <- " << p.xs << ","
        << p.ys << "," << p.ws << "," << p.hs;
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

TEST(GdiBltDifferential, LargeSameSurfaceShifts) {
    for (int d : {-3, 0, 7}) {
        MemSurface s(64, 48);
        s.FillPattern(0);
        std::vector<uint32_t> expected = s.Snapshot();
        ReferenceStretch(expected, 64, 48, nullptr, s.Snapshot(), 64, 48,
                         Params{d, -d, 64, 48, 0, 0, 64, 48});
        EXPECT_TRUE(BitBlt(s.dc(), d, -d, 64, 48, s.dc(), 0, 0, SRCCOPY));
        EXPECT_EQ(s.Snapshot(), expected) << d;
    }
}
