// Creation, destruction and the copy members of cDIB32.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
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

// Every pixel of `dib` against `want(x, y)`; reports the first difference only.
void ExpectPixels(const cDIB32& dib, const std::function<uint32_t(int32_t, int32_t)>& want) {
    for (int32_t y = 0; y < dib.Height(); ++y) {
        for (int32_t x = 0; x < dib.Width(); ++x) {
            if (At(dib, x, y) == want(x, y)) continue;
            ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << At(dib, x, y)
                          << ", want " << want(x, y);
            return;
        }
    }
}

// A surface whose pixel (x, y) is 0x00yyxx + tag, so every position is recognisable.
void MakePattern(cDIB32& dib, int32_t w, int32_t h, uint32_t tag = 0x100000) {
    ASSERT_EQ(dib.Create(w, h), -1);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) dib.DIBitsPtr()[y * w + x] = tag + (y << 8) + x;
    }
}

TEST(cDIB32, CreateFillsWithBackColourAndReplacesTheOldSurface) {
    const uint32_t base = gdi::LiveObjectCount();
    {
        cDIB32 dib;
        ASSERT_EQ(dib.Create(2, 3, 255), -1);
        EXPECT_NE(dib.hDIB(), 0u);
        EXPECT_NE(dib.hDIBDC(), 0u);
        EXPECT_EQ(dib.Width(), 2);
        EXPECT_EQ(dib.Height(), 3);
        EXPECT_EQ(dib.BytesPerScanLine(), 8);
        EXPECT_EQ(dib.Size(), 24);
        EXPECT_EQ(Pixels(dib), std::vector<uint32_t>(6, 0x00FF0000u));  // COLORREF 255 is red
        EXPECT_EQ(gdi::LiveObjectCount(), base + 2);  // a context and a section; no brush left

        // Re-creation starts afresh (black by default) and releases the old surface.
        const gdi::HBITMAP old = dib.hDIB();
        ASSERT_EQ(dib.Create(5, 4), -1);
        EXPECT_EQ(Pixels(dib), std::vector<uint32_t>(20, 0u));
        EXPECT_EQ(gdi::GetObjectType(old), 0u);
        EXPECT_EQ(gdi::LiveObjectCount(), base + 2);
        ASSERT_EQ(dib.Create(3, 1, 0x00123456), -1);
        EXPECT_EQ(Pixels(dib), std::vector<uint32_t>(3, 0x00563412u));
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

TEST(cDIB32, CopyMembersPlaceAndScaleThePixels) {
    cDIB32 src, dst;
    MakePattern(src, 6, 5);
    auto S = [&](int32_t x, int32_t y) { return At(src, x, y); };
    constexpr uint32_t kWhite = 0x00FFFFFF;

    ASSERT_EQ(dst.Create(6, 5), -1);
    dst.LoadBlt(src.hDIBDC());
    EXPECT_EQ(dst.DIBitsPtr()[0], 0x100000u);  // top-left first: rows are top-down
    ExpectPixels(dst, S);
    ASSERT_EQ(dst.Create(3, 2), -1);
    dst.LoadBlt(src.hDIBDC(), 1, 2);
    ExpectPixels(dst, [&](int32_t x, int32_t y) { return S(x + 1, y + 2); });
    // Destination (1, 1), 2 x 2, from source (3, 0); the rest keeps its colour.
    ASSERT_EQ(dst.Create(4, 4, kWhite), -1);
    dst.LoadBltRect(src.hDIBDC(), 1, 1, 2, 2, 3, 0);
    ExpectPixels(dst, [&](int32_t x, int32_t y) {
        return x >= 1 && x <= 2 && y >= 1 && y <= 2 ? S(x + 2, y - 1) : 0x00FFFFFFu;
    });

    // Paint at ScaleFactor 2 doubles every pixel; the default is 1.
    cDIB32 small;
    MakePattern(small, 3, 2);
    ASSERT_EQ(dst.Create(10, 10, kWhite), -1);
    small.Paint(dst.hDIBDC(), 1, 2, 2);
    ExpectPixels(dst, [&](int32_t x, int32_t y) {
        return x >= 1 && x < 7 && y >= 2 && y < 6 ? At(small, (x - 1) / 2, (y - 2) / 2) : kWhite;
    });
    ASSERT_EQ(dst.Create(10, 10, kWhite), -1);
    small.Paint(dst.hDIBDC(), 4, 4);
    ExpectPixels(dst, [&](int32_t x, int32_t y) {
        return x >= 4 && x < 7 && y >= 4 && y < 6 ? At(small, x - 4, y - 4) : kWhite;
    });
    // PaintRect never scales, whatever ScaleFactor says.
    ASSERT_EQ(dst.Create(10, 10, kWhite), -1);
    small.PaintRect(dst.hDIBDC(), 5, 5, 2, 1, 1, 1, 3);
    ExpectPixels(dst, [&](int32_t x, int32_t y) {
        return x >= 5 && x < 7 && y == 5 ? At(small, x - 4, 1) : kWhite;
    });

    // LoadDIBBlt stretches onto the whole surface; shrinking by an integer ratio samples
    // pixel centres.
    ASSERT_EQ(dst.Create(9, 8), -1);
    dst.LoadDIBBlt(small);
    ExpectPixels(dst, [&](int32_t x, int32_t y) { return At(small, x / 3, y / 4); });
    cDIB32 thin;
    ASSERT_EQ(thin.Create(1, 4), -1);
    thin.LoadDIBBlt(dst);
    ExpectPixels(thin, [&](int32_t, int32_t y) { return At(dst, 4, 2 * y + 1); });
}

TEST(cDIB32, StretchAndLoadDIBBltRestoreTheStretchMode) {
    cDIB32 src, dst;
    MakePattern(src, 2, 2);
    ASSERT_EQ(dst.Create(4, 6), -1);
    for (int mode : {gdi::BLACKONWHITE, gdi::HALFTONE}) {
        gdi::SetStretchBltMode(dst.hDIBDC(), mode);
        src.Stretch(dst.hDIBDC(), 0, 0, 4, 6, 0, 0, 2, 2);
        EXPECT_EQ(gdi::GetStretchBltMode(dst.hDIBDC()), mode);
        src.Stretch(dst.hDIBDC(), 0, 0, 4, 6, 0, 0, 2, 2, gdi::WHITEONBLACK);
        EXPECT_EQ(gdi::GetStretchBltMode(dst.hDIBDC()), mode);
        dst.LoadDIBBlt(src);
        EXPECT_EQ(gdi::GetStretchBltMode(dst.hDIBDC()), mode);
    }
    ExpectPixels(dst, [&](int32_t x, int32_t y) { return At(src, x / 2, y / 3); });
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

TEST(cDIB32, CreateFromStdPictureCopiesABitmapAndRefusesOtherHandles) {
    const uint32_t base = gdi::LiveObjectCount();
    cDIB32 pattern, dib;
    MakePattern(pattern, 5, 3);
    // A device bitmap holding the pattern, not selected anywhere (as a picture's bitmap is).
    const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(0, 5, 3);
    const gdi::HDC dc = gdi::CreateCompatibleDC(0);
    const gdi::HGDIOBJ old = gdi::SelectObject(dc, bitmap);
    gdi::BitBlt(dc, 0, 0, 5, 3, pattern.hDIBDC(), 0, 0, gdi::SRCCOPY);
    gdi::SelectObject(dc, old);
    gdi::DeleteDC(dc);

    const StdPicture picture(bitmap);
    EXPECT_EQ(dib.CreateFromStdPicture(&picture), -1);
    EXPECT_EQ(dib.Width(), 5);
    EXPECT_EQ(dib.Height(), 3);
    EXPECT_EQ(Pixels(dib), Pixels(pattern));
    // The picture keeps its bitmap, deselected again: its owner can delete it.
    EXPECT_NE(gdi::DeleteObject(bitmap), 0);

    // Anything but a live bitmap is refused and the surface stays as it was.
    const gdi::HBITMAP hDIB = dib.hDIB();
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(0x0000FF);
    const gdi::HRGN region = gdi::CreateRectRgn(0, 0, 4, 4);
    EXPECT_EQ(dib.CreateFromStdPicture(nullptr), 0);
    for (gdi::HGDIOBJ handle : {brush, region, bitmap, gdi::HGDIOBJ{0}}) {
        const StdPicture other(handle);
        EXPECT_EQ(dib.CreateFromStdPicture(&other), 0) << handle;
    }
    EXPECT_EQ(dib.hDIB(), hDIB);
    EXPECT_EQ(Pixels(dib), Pixels(pattern));
    gdi::DeleteObject(brush);
    gdi::DeleteObject(region);
    pattern.Destroy();
    dib.Destroy();
    EXPECT_EQ(gdi::LiveObjectCount(), base);
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
