// Orientation, best fit and clipboard export of cDIB32.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dib/cDIB32.h"
#include "platform/gdi/Clipboard.h"
#include "platform/gdi/GdiTesting.h"
#include "platform/gdi/Surface.h"
#include "support/Rng.h"

namespace {

namespace hooks = gdi::testing;

using test_support::Rng;

// A picture as rows of pixels, independent of any surface.
struct Picture {
    int32_t w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t At(int32_t x, int32_t y) const { return px[size_t(y) * w + x]; }
    bool operator==(const Picture&) const = default;
};

Picture Read(const cDIB32& dib) {
    Picture p{dib.Width(), dib.Height(), {}};
    if (dib.DIBitsPtr() != nullptr)
        p.px.assign(dib.DIBitsPtr(), dib.DIBitsPtr() + size_t(p.w) * p.h);
    return p;
}

void Write(cDIB32& dib, const Picture& p) {
    ASSERT_EQ(dib.Create(p.w, p.h), -1);
    std::copy(p.px.begin(), p.px.end(), dib.DIBitsPtr());
}

Picture FromRows(const std::vector<std::string>& rows) {
    Picture p{int32_t(rows[0].size()), int32_t(rows.size()), {}};
    for (const std::string& row : rows) {
        for (char c : row) p.px.push_back(0x00100000u + uint32_t(c));
    }
    return p;
}

// The reference model states the finished picture: turned anticlockwise, then mirrored.
Picture Model(const Picture& in, bool turn, bool flipH, bool flipV) {
    Picture out{turn ? in.h : in.w, turn ? in.w : in.h, std::vector<uint32_t>(in.px.size())};
    for (int32_t y = 0; y < out.h; ++y) {
        for (int32_t x = 0; x < out.w; ++x) {
            const int32_t u = flipH ? out.w - 1 - x : x, v = flipV ? out.h - 1 - y : y;
            out.px[size_t(y) * out.w + x] = turn ? in.At(in.w - 1 - v, u) : in.At(u, v);
        }
    }
    return out;
}

// Records the events of a surface as numbers: p for Progress(p), -1 for ProgressEnd.
struct EventLog {
    explicit EventLog(cDIB32& dib) {
        dib.Progress = [this](int32_t p) { events.push_back(p); };
        dib.ProgressEnd = [this] { events.push_back(-1); };
    }
    std::vector<int32_t> events;
};

TEST(cDIB32Orientation, ThreeByTwoInEveryCombination) {
    struct Case {
        int16_t rotate, flipH, flipV;
        std::vector<std::string> rows;
    };
    // Any non-zero value counts as set: -1, 1 and 7 are used alike.
    const Case cases[] = {
        {0, 0, 0, {"abc", "def"}},       {0, -1, 0, {"cba", "fed"}},
        {0, 0, 1, {"def", "abc"}},       {0, 7, -1, {"fed", "cba"}},
        {-1, 0, 0, {"cf", "be", "ad"}},  {1, -1, 0, {"fc", "eb", "da"}},
        {-1, 0, -1, {"ad", "be", "cf"}}, {7, 1, 1, {"da", "eb", "fc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "Rotate90 " << c.rotate << " FlipH " << c.flipH << " FlipV " << c.flipV);
        cDIB32 dib;
        Write(dib, FromRows({"abc", "def"}));
        const gdi::HDC dc = dib.hDIBDC();
        const gdi::HBITMAP bitmap = dib.hDIB();
        uint32_t* const bits = dib.DIBitsPtr();
        const uint32_t live = gdi::LiveObjectCount();
        EventLog log(dib);

        dib.Orientation(c.rotate, c.flipH, c.flipV);

        EXPECT_EQ(Read(dib), FromRows(c.rows));
        EXPECT_EQ(gdi::LiveObjectCount(), live);  // a turn's temporary surface is gone
        if (c.rotate != 0) {
            // A new surface of the turned size: the old handles are dead.
            EXPECT_EQ(log.events, (std::vector<int32_t>{0, 1, -1}));
            EXPECT_EQ(dib.BytesPerScanLine(), 8);
            EXPECT_EQ(dib.Size(), 24);
            EXPECT_EQ(gdi::GetObjectType(bitmap), 0u);
            EXPECT_EQ(gdi::GetObjectType(dc), 0u);
        } else {
            EXPECT_EQ(log.events, std::vector<int32_t>{-1});
            // Mirrors work in place: same context, same memory.
            EXPECT_EQ(dib.hDIBDC(), dc);
            EXPECT_EQ(dib.DIBitsPtr(), bits);
        }
    }
}

TEST(cDIB32Orientation, EmptySurfaceIsLeftAloneWithoutEvents) {
    const uint32_t base = gdi::LiveObjectCount();
    cDIB32 never, destroyed;
    ASSERT_EQ(destroyed.Create(5, 3), -1);
    destroyed.Destroy();
    for (cDIB32* dib : {&never, &destroyed}) {
        const int32_t w = dib->Width(), h = dib->Height();
        EventLog log(*dib);
        dib->Orientation(-1, -1, -1);
        EXPECT_TRUE(log.events.empty());
        EXPECT_EQ(dib->hDIB(), 0u);
        EXPECT_EQ(dib->Width(), w);  // a turn would have exchanged the remembered size
        EXPECT_EQ(dib->Height(), h);
    }
    EXPECT_EQ(gdi::LiveObjectCount(), base);
}

TEST(cDIB32Orientation, RandomTurnsAndMirrorsMatchThePixelModel) {
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Rng rng(seed);
        Picture expected{rng.Range(0, 8) * 2 + 1, rng.Range(0, 8) * 2 + 1, {}};  // odd sizes
        for (int32_t i = 0; i < expected.w * expected.h; ++i) {
            expected.px.push_back(uint32_t(rng.Next()) & 0x00FFFFFFu);
        }
        cDIB32 dib;
        Write(dib, expected);
        EventLog log(dib);
        for (int step = 0; step < 4; ++step) {
            const bool turn = rng.Coin(), flipH = rng.Coin(), flipV = rng.Coin();
            std::vector<int32_t> events;
            for (int32_t y = 0; turn && y < expected.h; ++y) events.push_back(y);
            events.push_back(-1);
            log.events.clear();

            dib.Orientation(turn ? -1 : 0, flipH ? -1 : 0, flipV ? -1 : 0);
            expected = Model(expected, turn, flipH, flipV);

            ASSERT_EQ(Read(dib), expected)
                << "step " << step << " turn " << turn << " flipH " << flipH << " flipV " << flipV;
            ASSERT_EQ(log.events, events);
        }
    }
}

// Each creation the turn makes is made to fail in turn. Whatever fails, the surface is valid
// afterwards: turned correctly, exactly as it was (no mirror either), or Empty; nothing leaks
// and nothing is copied through missing memory.
TEST(cDIB32Orientation, TurnWhoseSurfacesCannotBeMadeLeavesAValidSurface) {
    const Picture start = FromRows({"abcde", "fghij", "klmno"});
    const Picture turned = Model(start, true, true, false);
    bool sawUnchanged = false, sawEmpty = false;
    for (uint32_t after = 0;; ++after) {
        ASSERT_LT(after, 16u) << "failures never ran out: the turn keeps making surfaces";
        SCOPED_TRACE(::testing::Message() << "creation " << after << " fails");
        const uint32_t base = gdi::LiveObjectCount();
        {
            cDIB32 dib;
            Write(dib, start);
            EventLog log(dib);
            hooks::FailNextCreations(1, after);
            dib.Orientation(-1, -1, 0);
            const bool injected = hooks::PendingCreationFailures() == 0;
            hooks::FailNextCreations(0);

            const Picture now = Read(dib);
            if (dib.hDIB() == 0) {
                sawEmpty = true;
                EXPECT_EQ(dib.hDIBDC(), 0u);
                EXPECT_EQ(dib.DIBitsPtr(), nullptr);
                EXPECT_EQ(log.events, std::vector<int32_t>{-1});
            } else if (now == start) {
                sawUnchanged = true;
                EXPECT_EQ(log.events, std::vector<int32_t>{-1});
            } else {
                EXPECT_EQ(now, turned);
                EXPECT_EQ(log.events, (std::vector<int32_t>{0, 1, 2, -1}));
            }
            if (!injected) break;  // every creation of the turn has had its failure
        }
        EXPECT_EQ(gdi::LiveObjectCount(), base);
    }
    EXPECT_TRUE(sawUnchanged);
    EXPECT_TRUE(sawEmpty);
}

struct Fit {
    int32_t x, y, w, h;
    bool operator==(const Fit&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Fit& f) {
    return os << "bfx " << f.x << " bfy " << f.y << " bfW " << f.w << " bfH " << f.h;
}

Fit BestFit(cDIB32& dib, int32_t dstW, int32_t dstH, int16_t stretch = 0) {
    Fit f{-99, -99, -99, -99};
    dib.GetBestFitInfo(dstW, dstH, f.x, f.y, f.w, f.h, stretch);
    return f;
}

// Best fit uses only the remembered size: a failed Create remembers the size asked for, and a
// surface never created (0 x 0 here) has none.
TEST(cDIB32BestFit, WorkedExamples) {
    struct Case {
        int32_t w, h, dstW, dstH;
        int16_t stretch;
        Fit fit;
    };
    const Case cases[] = {
        {400, 300, 200, 200, 0, {0, 25, 200, 150}},
        {100, 50, 300, 300, 0, {100, 125, 100, 50}},  // fits: natural size, centred
        {100, 50, 300, 300, -1, {0, 75, 300, 150}},   // stretched to fit
        {4, 2, 1, 100, 0, {0, 50, 1, 0}},             // 0.5 goes to 0
        {4, 6, 1, 100, 0, {0, 49, 1, 2}},             // 1.5 goes to 2
        {100, 100, 50, 50, 0, {0, 0, 50, 50}},        // equal ratios: the height branch
        {100, 50, 50, 400, 0, {0, 187, 50, 25}},      // too wide only: both scale by 1/2
        {10, 10, 15, 15, 0, {2, 2, 10, 10}},          // odd remainder 5 truncates to 2
        // The ratio 1/6 held in single precision lies just above it, so 3 × 1/6 is no tie.
        {3, 6, 1, 1, 0, {0, 0, 1, 1}},
        {300, 200, 300, 200, 1, {0, 0, 300, 200}},  // stretch to its own size
        // Scaled by 1: the difference -15 - (-10) = -5 truncates toward zero, to -2.
        {-10, 4, -15, 4, -1, {-2, 0, -10, 4}},
        // Width or height 0: the natural size still centres; scaling gives all zeros.
        {0, 0, 100, 60, 0, {50, 30, 0, 0}},
        {0, 0, 100, 60, -1, {0, 0, 0, 0}},
        {0, 5, 10, 10, 0, {5, 2, 0, 5}},
        {0, 5, 10, 3, 0, {0, 0, 0, 0}},
        {0, 5, 10, 10, -1, {0, 0, 0, 0}},
        // Extreme boxes stay defined.
        {1, 1, INT32_MAX, INT32_MAX, -1, {0, 0, INT32_MAX, INT32_MAX}},
        {1, 1, INT32_MIN, 3, 0, {0, 1073741825, INT32_MIN, INT32_MIN}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << " x " << c.h << " into " << c.dstW << " x "
                                          << c.dstH << " stretch " << c.stretch);
        cDIB32 dib;
        if (c.w != 0 || c.h != 0) dib.Create(c.w, c.h);
        EXPECT_EQ(BestFit(dib, c.dstW, c.dstH, c.stretch), c.fit);
    }
}

class cDIB32Clipboard : public ::testing::Test {
  protected:
    void SetUp() override {
        hooks::ResetClipboard();
        gdi::SetClipboardPublisher([this](gdi::HBITMAP b) { published.push_back(b); });
    }
    void TearDown() override {
        hooks::ResetClipboard();
        gdi::SetScreenSource(nullptr);
    }
    static Picture OnClipboard() {
        gdi::BITMAP bm{};
        const gdi::HBITMAP b = hooks::ClipboardBitmap();
        if (gdi::GetObjectA(b, sizeof bm, &bm) != int(sizeof bm)) return {};
        const uint32_t* px = static_cast<const uint32_t*>(bm.bmBits);
        return Picture{bm.bmWidth, bm.bmHeight, {px, px + size_t(bm.bmWidth) * bm.bmHeight}};
    }
    std::vector<gdi::HBITMAP> published;
};

Picture Pattern(int32_t w, int32_t h, uint32_t tag) {
    Picture p{w, h, {}};
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) p.px.push_back(tag + uint32_t(y << 8) + uint32_t(x));
    }
    return p;
}

TEST_F(cDIB32Clipboard, PutsACopyOfThePixelsThereAndHoldsOnlyTheLatest) {
    const Picture picture = Pattern(6, 3, 0x00A00000);
    cDIB32 dib;
    Write(dib, picture);
    const gdi::HBITMAP handle = dib.hDIB();
    const uint32_t base = gdi::LiveObjectCount();

    dib.CopyToClipboard();

    EXPECT_EQ(OnClipboard(), picture);
    EXPECT_NE(hooks::ClipboardBitmap(), handle);  // a copy, not the surface's own bitmap
    EXPECT_EQ(published, std::vector<gdi::HBITMAP>{hooks::ClipboardBitmap()});
    EXPECT_FALSE(hooks::ClipboardIsOpen());
    EXPECT_EQ(Read(dib), picture);
    EXPECT_EQ(dib.hDIB(), handle);
    EXPECT_EQ(gdi::LiveObjectCount(), base + 1);  // only the bitmap the clipboard holds

    // With a screen to be compatible with, the result is the same and its DC is released.
    std::vector<uint32_t> screen(8 * 8, 0x123456);
    gdi::SetScreenSource([&] { return gdi::SurfaceView{screen.data(), 8, 8}; });
    const Picture other = Pattern(2, 5, 0x00500000);
    Write(dib, other);
    dib.CopyToClipboard();
    EXPECT_EQ(OnClipboard(), other);
    EXPECT_EQ(gdi::LiveObjectCount(), base + 1);

    // Repeated copies hold only the latest.
    for (uint32_t i = 1; i <= 25; ++i) {
        dib.DIBitsPtr()[0] = i;
        dib.CopyToClipboard();
    }
    EXPECT_EQ(OnClipboard().px[0], 25u);
    EXPECT_EQ(published.size(), 27u);
    EXPECT_EQ(gdi::LiveObjectCount(), base + 1);
}

TEST_F(cDIB32Clipboard, NothingChangesWhenItCannotCopy) {
    cDIB32 earlier;
    Write(earlier, Pattern(2, 2, 0x00300000));
    earlier.CopyToClipboard();
    const gdi::HBITMAP held = hooks::ClipboardBitmap();
    published.clear();

    cDIB32 dib;
    Write(dib, Pattern(4, 3, 0x00700000));
    const uint32_t base = gdi::LiveObjectCount();
    auto unchanged = [&](const char* why) {
        SCOPED_TRACE(why);
        EXPECT_EQ(hooks::ClipboardBitmap(), held);
        EXPECT_EQ(OnClipboard(), Pattern(2, 2, 0x00300000));
        EXPECT_TRUE(published.empty());
        EXPECT_EQ(Read(dib), Pattern(4, 3, 0x00700000));
        EXPECT_EQ(gdi::LiveObjectCount(), base);
    };

    // Another program holds it open; no memory DC; no bitmap.
    for (uint32_t failAfter : {UINT32_MAX, 0u, 1u}) {
        hooks::HoldClipboardOpen(failAfter == UINT32_MAX);
        if (failAfter != UINT32_MAX) hooks::FailNextCreations(1, failAfter);
        dib.CopyToClipboard();
        hooks::HoldClipboardOpen(false);
        hooks::FailNextCreations(0);
        EXPECT_FALSE(hooks::ClipboardIsOpen());
        unchanged(failAfter == UINT32_MAX ? "held open" : failAfter == 0 ? "no DC" : "no bitmap");
    }
    cDIB32 empty;
    empty.CopyToClipboard();
    unchanged("empty surface");
}

}  // namespace
