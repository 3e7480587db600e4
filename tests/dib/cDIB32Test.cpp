#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "dib/cDIB32.h"

namespace {

std::vector<uint32_t> Pixels(const cDIB32& dib) {
    if (dib.DIBitsPtr() == nullptr) return {};
    return {dib.DIBitsPtr(), dib.DIBitsPtr() + static_cast<size_t>(dib.Width()) * dib.Height()};
}

uint32_t At(const cDIB32& dib, int32_t x, int32_t y) {
    return dib.DIBitsPtr()[y * dib.Width() + x];
}

// A surface whose pixel (x, y) is 0x00yyxx + tag, so every position is recognisable.
void MakePattern(cDIB32& dib, int32_t w, int32_t h, uint32_t tag = 0x100000) {
    ASSERT_EQ(dib.Create(w, h), -1);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) dib.DIBitsPtr()[y * w + x] = tag + (y << 8) + x;
    }
}

TEST(cDIB32, CreateFillsWithBackColour) {
    cDIB32 dib;
    ASSERT_EQ(dib.Create(2, 3, 255), -1);
    EXPECT_NE(dib.hDIB(), 0u);
    EXPECT_NE(dib.hDIBDC(), 0u);
    EXPECT_EQ(dib.Width(), 2);
    EXPECT_EQ(dib.Height(), 3);
    EXPECT_EQ(dib.BytesPerScanLine(), 8);
    EXPECT_EQ(dib.Size(), 24);
    EXPECT_EQ(Pixels(dib), std::vector<uint32_t>(6, 0x00FF0000u));  // COLORREF 255 is red

    // Re-creation starts afresh: the default background is black, all bytes zero.
    ASSERT_EQ(dib.Create(5, 4), -1);
    EXPECT_EQ(Pixels(dib), std::vector<uint32_t>(20, 0u));
    ASSERT_EQ(dib.Create(3, 1, 0x00123456), -1);
    EXPECT_EQ(Pixels(dib), std::vector<uint32_t>(3, 0x00563412u));
}

TEST(cDIB32, CreateOnCreatedReleasesTheOldSurface) {
    const uint32_t base = gdi::LiveObjectCount();
    {
        cDIB32 dib;
        ASSERT_EQ(dib.Create(8, 8), -1);
        const uint32_t one = gdi::LiveObjectCount();
        EXPECT_EQ(one, base + 2);  // a context and a DIB section; the brush is gone
        const gdi::HDC oldDC = dib.hDIBDC();
        const gdi::HBITMAP oldDIB = dib.hDIB();
        ASSERT_EQ(dib.Create(16, 4), -1);
        EXPECT_EQ(gdi::LiveObjectCount(), one);
        EXPECT_EQ(gdi::GetObjectType(oldDIB), 0u);
        if (dib.hDIBDC() != oldDC) {
            EXPECT_EQ(gdi::GetObjectType(oldDC), 0u);
        }
    }
    EXPECT_EQ(gdi::LiveObjectCount(), base);  // the destructor destroys
}

TEST(cDIB32, DestroyKeepsTheSize) {
    const uint32_t base = gdi::LiveObjectCount();
    cDIB32 dib;
    dib.Destroy();  // Empty: harmless
    ASSERT_EQ(dib.Create(7, 5), -1);
    dib.Destroy();
    EXPECT_EQ(dib.hDIB(), 0u);
    EXPECT_EQ(dib.hDIBDC(), 0u);
    EXPECT_EQ(dib.DIBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 7);
    EXPECT_EQ(dib.Height(), 5);
    EXPECT_EQ(dib.Size(), 140);
    EXPECT_EQ(dib.BytesPerScanLine(), 28);
    EXPECT_EQ(gdi::LiveObjectCount(), base);
    dib.Destroy();
    EXPECT_EQ(gdi::LiveObjectCount(), base);
}

TEST(cDIB32, ImpossibleSizesAreRefused) {
    const uint32_t base = gdi::LiveObjectCount();
    struct Case {
        int32_t w, h, size, bytesPerLine, height;
    };
    const Case cases[] = {
        {0, 5, 0, 0, 5},
        {5, 0, 0, 20, 0},
        {-3, 4, -48, -12, 4},
        {4, -3, -48, 16, -3},
        {65536, 65536, 0, 262144, 65536},  // 16 GiB: the 32-bit size wraps to 0
        {INT_MAX, INT_MAX, 4, -4, INT_MAX},
        {1, INT_MIN, 0, 4, INT_MIN},  // -INT_MIN wraps back to INT_MIN
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        cDIB32 dib;
        ASSERT_EQ(dib.Create(4, 4), -1);
        EXPECT_EQ(dib.Create(c.w, c.h, 255), 0);
        EXPECT_EQ(dib.hDIB(), 0u);
        EXPECT_EQ(dib.hDIBDC(), 0u);
        EXPECT_EQ(dib.DIBitsPtr(), nullptr);
        EXPECT_EQ(dib.Width(), c.w);
        EXPECT_EQ(dib.Height(), c.height);
        EXPECT_EQ(dib.Size(), c.size);
        EXPECT_EQ(dib.BytesPerScanLine(), c.bytesPerLine);
        EXPECT_EQ(gdi::LiveObjectCount(), base);  // the old surface and the new context are gone
    }
}

TEST(cDIB32, LoadBltCopiesFromTheSourcePoint) {
    cDIB32 src, dst;
    MakePattern(src, 6, 5);
    ASSERT_EQ(dst.Create(6, 5), -1);
    dst.LoadBlt(src.hDIBDC());
    EXPECT_EQ(Pixels(dst), Pixels(src));
    EXPECT_EQ(dst.DIBitsPtr()[0], 0x100000u);  // top-left first: rows are top-down

    ASSERT_EQ(dst.Create(3, 2), -1);
    dst.LoadBlt(src.hDIBDC(), 1, 2);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(At(dst, x, y), At(src, x + 1, y + 2));
    }

    // LoadBltRect: destination (1, 1), 2 x 2, from source (3, 0); the rest stays.
    ASSERT_EQ(dst.Create(4, 4, 0x0000FF00), -1);
    dst.LoadBltRect(src.hDIBDC(), 1, 1, 2, 2, 3, 0);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            const bool inBlock = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(At(dst, x, y), inBlock ? At(src, x + 2, y - 1) : 0x0000FF00u) << x << y;
        }
    }
}

TEST(cDIB32, PaintScalesAndPaintRectCopiesOneToOne) {
    cDIB32 src, dst;
    MakePattern(src, 3, 2);
    ASSERT_EQ(dst.Create(10, 10, 0x00FFFFFF), -1);
    src.Paint(dst.hDIBDC(), 1, 2, 2);
    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            const bool covered = x >= 1 && x < 7 && y >= 2 && y < 6;
            const uint32_t want = covered ? At(src, (x - 1) / 2, (y - 2) / 2) : 0x00FFFFFFu;
            EXPECT_EQ(At(dst, x, y), want) << x << "," << y;
        }
    }

    ASSERT_EQ(dst.Create(10, 10, 0x00FFFFFF), -1);
    src.Paint(dst.hDIBDC(), 4, 4);
    EXPECT_EQ(At(dst, 4, 4), At(src, 0, 0));
    EXPECT_EQ(At(dst, 6, 5), At(src, 2, 1));
    EXPECT_EQ(At(dst, 7, 5), 0x00FFFFFFu);
    EXPECT_EQ(At(dst, 6, 6), 0x00FFFFFFu);

    // PaintRect never scales, whatever ScaleFactor says.
    ASSERT_EQ(dst.Create(10, 10, 0x00FFFFFF), -1);
    src.PaintRect(dst.hDIBDC(), 5, 5, 2, 1, 1, 1, 3);
    EXPECT_EQ(At(dst, 5, 5), At(src, 1, 1));
    EXPECT_EQ(At(dst, 6, 5), At(src, 2, 1));
    EXPECT_EQ(At(dst, 7, 5), 0x00FFFFFFu);
    EXPECT_EQ(At(dst, 5, 6), 0x00FFFFFFu);
}

TEST(cDIB32, StretchRestoresTheStretchMode) {
    cDIB32 src, dst;
    MakePattern(src, 2, 2);
    ASSERT_EQ(dst.Create(4, 6), -1);
    for (int mode : {gdi::BLACKONWHITE, gdi::HALFTONE}) {
        gdi::SetStretchBltMode(dst.hDIBDC(), mode);
        src.Stretch(dst.hDIBDC(), 0, 0, 4, 6, 0, 0, 2, 2);
        EXPECT_EQ(gdi::GetStretchBltMode(dst.hDIBDC()), mode);
        src.Stretch(dst.hDIBDC(), 0, 0, 4, 6, 0, 0, 2, 2, gdi::WHITEONBLACK);
        EXPECT_EQ(gdi::GetStretchBltMode(dst.hDIBDC()), mode);
    }
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(At(dst, x, y), At(src, x / 2, y / 3));
    }
}

TEST(cDIB32, LoadDIBBltScalesOntoTheWholeSurface) {
    cDIB32 src, dst;
    MakePattern(src, 3, 2);
    ASSERT_EQ(dst.Create(9, 8), -1);
    gdi::SetStretchBltMode(dst.hDIBDC(), gdi::HALFTONE);
    dst.LoadDIBBlt(src);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(At(dst, x, y), At(src, x / 3, y / 4));
    }
    EXPECT_EQ(gdi::GetStretchBltMode(dst.hDIBDC()), gdi::HALFTONE);

    // Shrinking by an integer ratio samples pixel centres.
    cDIB32 small;
    ASSERT_EQ(small.Create(1, 4), -1);
    small.LoadDIBBlt(dst);
    for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(At(small, 0, y), At(dst, 4, 2 * y + 1)) << y;
}

// Copy members of an Empty surface (never created, or destroyed) touch nothing: the
// destination keeps its pixels and its stretch mode, and no object is created.
TEST(cDIB32, EmptySurfaceCopiesNothing) {
    cDIB32 full, dst, fresh, destroyed;
    MakePattern(full, 4, 4);
    ASSERT_EQ(dst.Create(4, 4, 0x00ABCDEF), -1);
    ASSERT_EQ(destroyed.Create(4, 4), -1);
    destroyed.Destroy();
    gdi::SetStretchBltMode(dst.hDIBDC(), gdi::HALFTONE);
    const std::vector<uint32_t> before = Pixels(dst);
    const uint32_t base = gdi::LiveObjectCount();
    for (cDIB32* empty : {&fresh, &destroyed}) {
        empty->LoadBlt(full.hDIBDC());
        empty->LoadBltRect(full.hDIBDC(), 0, 0, 4, 4, 0, 0);
        empty->LoadDIBBlt(full);
        dst.LoadDIBBlt(*empty);
        empty->Paint(dst.hDIBDC());
        empty->PaintRect(dst.hDIBDC(), 0, 0, 4, 4, 0, 0);
        empty->Stretch(dst.hDIBDC(), 0, 0, 4, 4, 0, 0, 4, 4, gdi::COLORONCOLOR);
        EXPECT_EQ(empty->hDIB(), 0u);
    }
    EXPECT_EQ(Pixels(dst), before);
    EXPECT_EQ(gdi::GetStretchBltMode(dst.hDIBDC()), gdi::HALFTONE);
    EXPECT_EQ(gdi::LiveObjectCount(), base);
}

TEST(cDIB32, CreateFromStdPictureCopiesABitmap) {
    const uint32_t base = gdi::LiveObjectCount();
    cDIB32 pattern;
    MakePattern(pattern, 5, 3);
    // A device bitmap holding the pattern, not selected anywhere (as a picture's bitmap is).
    const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(0, 5, 3);
    ASSERT_NE(bitmap, 0u);
    const gdi::HDC dc = gdi::CreateCompatibleDC(0);
    const gdi::HGDIOBJ old = gdi::SelectObject(dc, bitmap);
    gdi::BitBlt(dc, 0, 0, 5, 3, pattern.hDIBDC(), 0, 0, gdi::SRCCOPY);
    gdi::SelectObject(dc, old);
    gdi::DeleteDC(dc);

    const StdPicture picture(bitmap);
    cDIB32 dib;
    EXPECT_EQ(dib.CreateFromStdPicture(&picture), -1);
    EXPECT_EQ(dib.Width(), 5);
    EXPECT_EQ(dib.Height(), 3);
    EXPECT_EQ(Pixels(dib), Pixels(pattern));
    // The picture keeps its bitmap, deselected again: it can be deleted by its owner.
    EXPECT_EQ(gdi::GetObjectType(bitmap), gdi::OBJ_BITMAP);
    EXPECT_NE(gdi::DeleteObject(bitmap), 0);
    pattern.Destroy();
    dib.Destroy();
    EXPECT_EQ(gdi::LiveObjectCount(), base);
}

TEST(cDIB32, CreateFromStdPictureRefusesOtherHandles) {
    cDIB32 dib;
    MakePattern(dib, 3, 3);
    const std::vector<uint32_t> before = Pixels(dib);
    const gdi::HBITMAP hDIB = dib.hDIB();
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(0x0000FF);
    const gdi::HRGN region = gdi::CreateRectRgn(0, 0, 4, 4);
    const gdi::HBITMAP stale = gdi::CreateCompatibleBitmap(0, 2, 2);
    gdi::DeleteObject(stale);
    const uint32_t base = gdi::LiveObjectCount();

    EXPECT_EQ(dib.CreateFromStdPicture(nullptr), 0);
    for (gdi::HGDIOBJ handle : {brush, region, stale, gdi::HGDIOBJ{0}}) {
        const StdPicture picture(handle);
        EXPECT_EQ(dib.CreateFromStdPicture(&picture), 0) << handle;
    }
    EXPECT_EQ(dib.hDIB(), hDIB);
    EXPECT_EQ(Pixels(dib), before);
    EXPECT_EQ(gdi::LiveObjectCount(), base);
    gdi::DeleteObject(brush);
    gdi::DeleteObject(region);
}

TEST(cDIB32, CyclesLeaveNothingBehind) {
    const uint32_t base = gdi::LiveObjectCount();
    cDIB32 screen;
    MakePattern(screen, 64, 48);
    for (int round = 0; round < 50; ++round) {
        cDIB32 a, b;
        ASSERT_EQ(a.Create(8 + round, 8), -1);
        a.LoadBlt(screen.hDIBDC(), round % 7, round % 5);
        ASSERT_EQ(b.Create(16, 16 + round), -1);
        b.LoadDIBBlt(a);
        b.Paint(screen.hDIBDC(), 1, 1);
        a.Stretch(b.hDIBDC(), 0, 0, 4, 4, 0, 0, 8, 8);
        const StdPicture picture(a.hDIB());  // selected into a's context: still copies nothing bad
        cDIB32 c;
        c.CreateFromStdPicture(&picture);
        EXPECT_EQ(a.Create(-1, 5), 0);
        b.Destroy();
    }
    screen.Destroy();
    EXPECT_EQ(gdi::LiveObjectCount(), base);
}

}  // namespace
