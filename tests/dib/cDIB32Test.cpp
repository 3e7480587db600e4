// cDIB32 against pictures: random member calls on a few surfaces; best fit worked examples.
#include <gtest/gtest.h>

#include <climits>
#include <numeric>

#include "dib/cDIB32.h"
#include "gdi/Clipboard.h"
#include "gdi/GdiTesting.h"
#include "gdi/Surface.h"
#include "support/LensModel.h"  // the shared Picture
#include "support/Rng.h"

namespace {

namespace hooks = gdi::testing;
using test_support::Rng;
using Values = std::vector<int64_t>;  // several results compared at once, in order

// What a surface shows after a copy: destination pixel (X + i, Y + j), i < W, j < H, takes the
// source pixel at the centre's scaled position, where both lie on their pictures.
void Blit(Picture& d, const Picture& s, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t xs,
          int32_t ys, int32_t sw, int32_t sh) {
    Picture out = d;  // s may be d: it reads as it was
    for (int32_t j = 0; j < H; ++j)
        for (int32_t i = 0; i < W; ++i) {
            const int32_t sx = xs + (2 * i + 1) * sw / (2 * W),
                          sy = ys + (2 * j + 1) * sh / (2 * H);
            if (d.Contains(X + i, Y + j) && s.Contains(sx, sy)) out.At(X + i, Y + j) = s.At(sx, sy);
        }
    d = std::move(out);
}

// The finished picture: turned anticlockwise, then mirrored.
Picture Turned(const Picture& in, bool turn, bool flipH, bool flipV) {
    Picture out(turn ? in.height : in.width, turn ? in.width : in.height);
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            const int32_t u = flipH ? out.width - 1 - x : x, v = flipV ? out.height - 1 - y : y;
            out.At(x, y) = turn ? in.At(in.width - 1 - v, u) : in.At(u, v);
        }
    return out;
}

// Random member calls on three surfaces (creations with refused sizes and back colours,
// destruction, every copy member between them and onto themselves, turns and mirrors, copies to
// the clipboard and back; some run short of objects) against pictures. After each:
// the remembered size, the pixels, the events, and no GDI object beyond two per surface and the
// clipboard's bitmap.
TEST(cDIB32, RandomCallsMatchPictures) {
    Picture sample(3, 2);
    std::iota(sample.pixels.begin(), sample.pixels.end(), 0u);
    // 0 1 2 / 3 4 5 turned anticlockwise, then mirrored left to right.
    ASSERT_EQ(Turned(sample, true, true, false).pixels, (std::vector<uint32_t>{5, 2, 4, 1, 3, 0}));
    hooks::ResetClipboard();
    const int64_t base = gdi::LiveObjectCount();
    std::vector<gdi::HBITMAP> published;
    gdi::SetClipboardPublisher([&](gdi::HBITMAP b) { published.push_back(b); });
    std::vector<uint32_t> screen(8 * 8, 0x123456);
    gdi::SetScreenSource([&] { return gdi::SurfaceView{screen.data(), 8, 8}; });
    struct Model {
        int32_t w = 0, h = 0;
        Picture pic;  // empty when the surface is
        std::vector<int32_t> events;
    } m[3];
    cDIB32 dib[3];
    std::vector<int32_t> events[3];  // p for Progress(p), -1 for ProgressEnd
    for (int k = 0; k < 3; ++k) {
        dib[k].Progress = [&events, k](int32_t p) { events[k].push_back(p); };
        dib[k].ProgressEnd = [&events, k] { events[k].push_back(-1); };
    }
    size_t copies = 0;
    Picture clipboard;
    Rng rng(5);
    for (int step = 0; step < 3000 && !HasFatalFailure(); ++step) {
        SCOPED_TRACE(step);
        const int a = rng.Range(0, 2), b = rng.Range(0, 2);
        cDIB32 &d = dib[a], &s = dib[b];
        Picture &pd = m[a].pic, &ps = m[b].pic;
        const bool both = !pd.pixels.empty() && !ps.pixels.empty();
        const int32_t X = rng.Range(-3, 8), Y = rng.Range(-3, 8), W = rng.Range(1, 6),
                      H = rng.Range(1, 6), xs = rng.Range(-2, 6), ys = rng.Range(-2, 6);
        switch (rng.Range(0, 9)) {
            case 0: {  // COLORREF 0x00BBGGRR fills as 0x00RRGGBB
                const int32_t sides[] = {0, -1, 40000, INT_MIN, 1, 2, 3, 5, 7};
                const int32_t w = sides[rng.Range(0, 8)], h = sides[rng.Range(0, 8)];
                const uint32_t back = rng.Coin() ? 0 : rng.Next32() & 0xFFFFFF;
                const bool ok = w > 0 && h > 0 && w < 40000 && h < 40000;
                ASSERT_EQ(d.Create(w, h, back), ok ? -1 : 0);
                m[a].w = w, m[a].h = h;
                pd = ok ? Picture(w, h, (back & 0xFF) << 16 | (back & 0xFF00) | back >> 16)
                        : Picture();
                if (ok && back == 0) {  // black: give it pixels of its own
                    pd = Picture::Noise(w, h, uint64_t(step));
                    pd.CopyTo(d);
                }
                break;
            }
            case 1:
                d.Destroy(), pd = Picture();
                break;
            case 2:
                d.LoadBlt(s.hDIBDC(), X, Y);
                if (both) Blit(pd, ps, 0, 0, pd.width, pd.height, X, Y, pd.width, pd.height);
                break;
            case 3:
                d.LoadBltRect(s.hDIBDC(), X, Y, W, H, xs, ys);
                if (both) Blit(pd, ps, X, Y, W, H, xs, ys, W, H);
                break;
            case 4:
                d.LoadDIBBlt(s);
                if (both) Blit(pd, ps, 0, 0, pd.width, pd.height, 0, 0, ps.width, ps.height);
                break;
            case 5:  // scaled by 1 to 3
                s.Paint(d.hDIBDC(), X, Y, W % 3 + 1);
                if (both)
                    Blit(pd, ps, X, Y, ps.width * (W % 3 + 1), ps.height * (W % 3 + 1), 0, 0,
                         ps.width, ps.height);
                break;
            case 6:  // never scaled
                s.PaintRect(d.hDIBDC(), X, Y, W, H, xs, ys, 2);
                if (both) Blit(pd, ps, X, Y, W, H, xs, ys, W, H);
                break;
            case 7: {  // any non-zero flag counts as set; a turn raises an event per source row
                const int16_t flag[] = {0, 0, -1, 1, 7};
                const int16_t turn = flag[W % 5], flipH = flag[H % 5], flipV = flag[(xs + 2) % 5];
                // One of the turn's creations may fail: its temporary copy's (then nothing
                // changes, no mirror either) or the new surface's (then it is left Empty).
                const int fail = turn ? rng.Range(-4, 3) : -1;
                if (fail >= 0) hooks::FailNextCreations(1, uint32_t(fail));
                d.Orientation(turn, flipH, flipV);
                hooks::FailNextCreations(0);
                if (pd.pixels.empty()) break;
                if (fail >= 0) {
                    m[a].events.push_back(-1);
                    if (fail >= 2) std::swap(m[a].w, m[a].h), pd = Picture();
                    break;
                }
                for (int32_t y = 0; turn && y < pd.height; ++y) m[a].events.push_back(y);
                m[a].events.push_back(-1);
                pd = Turned(pd, turn, flipH, flipV);
                if (turn) std::swap(m[a].w, m[a].h);
                break;
            }
            case 8: {  // held open by another program, or no memory DC, or no bitmap
                const int trouble = rng.Range(0, 5);
                hooks::HoldClipboardOpen(trouble == 0);
                if (trouble < 3) hooks::FailNextCreations(1, uint32_t(trouble));
                d.CopyToClipboard();
                hooks::HoldClipboardOpen(false);
                hooks::FailNextCreations(0);
                if (trouble < 3 || pd.pixels.empty()) break;
                clipboard = pd, ++copies;
                break;
            }
            case 9: {  // a picture: the clipboard's bitmap, or one selected into a surface
                const bool free = rng.Coin() && copies > 0;
                const StdPicture picture(free ? hooks::ClipboardBitmap() : s.hDIB());
                ASSERT_EQ(d.CreateFromStdPicture(&picture), free ? -1 : 0);
                const Picture& from = free ? clipboard : ps;
                if (!from.pixels.empty()) m[a].w = from.width, m[a].h = from.height;
                // A selected bitmap cannot be copied: no surface is left.
                if (!from.pixels.empty()) pd = free ? clipboard : Picture();
                break;
            }
        }
        // Each copy is a new bitmap, published once; the clipboard is closed again.
        ASSERT_EQ((Values{hooks::ClipboardIsOpen(), int64_t(published.size()),
                          copies && published.back() == hooks::ClipboardBitmap()}),
                  (Values{0, int64_t(copies), copies > 0}));
        gdi::BITMAP bm{};
        gdi::GetObjectA(hooks::ClipboardBitmap(), sizeof bm, &bm);
        ASSERT_EQ(Picture::Of(static_cast<const uint32_t*>(bm.bmBits), bm.bmWidth, bm.bmHeight),
                  clipboard);
        int64_t surfaces = 0;
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(k);
            const bool on = !m[k].pic.pixels.empty();
            surfaces += on;
            ASSERT_EQ(Picture::Of(dib[k]), m[k].pic);
            ASSERT_EQ(events[k], m[k].events);
            // The remembered size, and whether the surface exists.
            const cDIB32& dk = dib[k];
            ASSERT_EQ((Values{dk.Width(), dk.Height(), dk.BytesPerScanLine(), dk.Size(),
                              dk.hDIB() != 0, dk.hDIBDC() != 0, dk.DIBitsPtr() != nullptr}),
                      (Values{m[k].w, m[k].h, int32_t(uint32_t(m[k].w) * 4u),
                              int32_t(uint32_t(m[k].w) * uint32_t(m[k].h) * 4u), on, on, on}));
        }
        ASSERT_EQ(gdi::LiveObjectCount() - base, 2 * surfaces + (copies > 0));
    }
    gdi::SetScreenSource(nullptr);
    hooks::ResetClipboard();
}

TEST(cDIB32BestFit, WorkedExamples) {
    // w, h, dstW, dstH, stretch, then bfx, bfy, bfW, bfH: shrunk; natural size, centred;
    // stretched; ties 0.5 -> 0 and 1.5 -> 2; equal ratios; too wide only; an odd remainder
    // truncates; 1/6 in single precision lies above it, so 3 x 1/6 is no tie; own size; -5 / 2
    // truncates toward zero; width or height 0; extreme boxes.
    // clang-format off
    const int32_t cases[][9] = {
        {400, 300, 200, 200, 0, 0, 25, 200, 150}, {100, 50, 300, 300, 0, 100, 125, 100, 50},
        {100, 50, 300, 300, -1, 0, 75, 300, 150}, {4, 2, 1, 100, 0, 0, 50, 1, 0},
        {4, 6, 1, 100, 0, 0, 49, 1, 2},           {100, 100, 50, 50, 0, 0, 0, 50, 50},
        {100, 50, 50, 400, 0, 0, 187, 50, 25},    {10, 10, 15, 15, 0, 2, 2, 10, 10},
        {3, 6, 1, 1, 0, 0, 0, 1, 1},              {300, 200, 300, 200, 1, 0, 0, 300, 200},
        {-10, 4, -15, 4, -1, -2, 0, -10, 4},      {0, 0, 100, 60, 0, 50, 30, 0, 0},
        {0, 0, 100, 60, -1, 0, 0, 0, 0},          {0, 5, 10, 10, 0, 5, 2, 0, 5},
        {0, 5, 10, 3, 0, 0, 0, 0, 0},             {0, 5, 10, 10, -1, 0, 0, 0, 0},
        {1, 1, INT32_MAX, INT32_MAX, -1, 0, 0, INT32_MAX, INT32_MAX},
        {1, 1, INT32_MIN, 3, 0, 0, 1073741825, INT32_MIN, INT32_MIN},
    };
    // clang-format on
    const int64_t base = gdi::LiveObjectCount();
    for (const auto& c : cases) {
        cDIB32 dib;
        // Refused sizes count too: only the remembered size matters here.
        if (c[0] != 0 || c[1] != 0) (void)dib.Create(c[0], c[1]);
        int32_t x = -99, y = -99, w = -99, h = -99;
        dib.GetBestFitInfo(c[2], c[3], x, y, w, h, int16_t(c[4]));
        EXPECT_EQ((Values{x, y, w, h}), (Values{c[5], c[6], c[7], c[8]})) << "case " << &c - cases;
    }
    EXPECT_EQ(gdi::LiveObjectCount(), base);  // the destructor destroys
}

}  // namespace
