#include "dib/cDIB32.h"

namespace {

// The surface's size fields wrap in 32 bits like the header they mirror; unsigned arithmetic
// keeps that wrap defined.
int32_t Wrap(uint32_t v) { return static_cast<int32_t>(v); }

}  // namespace

cDIB32::~cDIB32() { Destroy(); }

int16_t cDIB32::Create(int32_t NewWidth, int32_t NewHeight, gdi::COLORREF BackColor) {
    Destroy();

    m_Header.biSize = sizeof(gdi::BITMAPINFOHEADER);
    m_Header.biWidth = NewWidth;
    m_Header.biHeight = Wrap(0u - static_cast<uint32_t>(NewHeight));  // negative: top-down
    m_Header.biPlanes = 1;
    m_Header.biBitCount = 32;
    // Only a record: the platform checks the real size in 64 bits and refuses what overflows.
    m_Header.biSizeImage = static_cast<uint32_t>(NewWidth) * static_cast<uint32_t>(NewHeight) * 4u;

    m_hDC = gdi::CreateCompatibleDC(0);
    if (m_hDC != 0) {
        gdi::BITMAPINFO info{m_Header};
        void* bits = nullptr;
        m_hDIB = gdi::CreateDIBSection(m_hDC, &info, gdi::DIB_RGB_COLORS, &bits, 0, 0);
        if (m_hDIB == 0) {
            Destroy();
        } else {
            m_pBits = static_cast<uint32_t*>(bits);
            m_hOldBitmap = gdi::SelectObject(m_hDC, m_hDIB);
            // The section starts out zero, which is black: filling it again would only cost a
            // pass over (and a first touch of) every pixel.
            if (BackColor != 0) {
                gdi::RECT rect;
                gdi::SetRect(&rect, 0, 0, NewWidth, NewHeight);
                const gdi::HBRUSH brush = gdi::CreateSolidBrush(BackColor);
                gdi::FillRect(m_hDC, &rect, brush);
                gdi::DeleteObject(brush);
            }
        }
    }
    return m_hDIB != 0 ? -1 : 0;
}

int32_t cDIB32::CreateFromStdPicture(const StdPicture* Picture) {
    if (Picture == nullptr) return 0;
    if (gdi::GetObjectType(Picture->Handle()) != gdi::OBJ_BITMAP) return 0;

    gdi::BITMAP bm{};
    gdi::GetObjectA(Picture->Handle(), 24, &bm);
    if (Create(bm.bmWidth, bm.bmHeight, 0) == 0) return 0;

    const gdi::HDC temporary = gdi::CreateCompatibleDC(0);
    if (temporary == 0) return 0;
    const gdi::HGDIOBJ previous = gdi::SelectObject(temporary, Picture->Handle());
    if (previous == 0) {
        // The bitmap is selected into another context: nothing can be copied, so no black
        // surface is left behind as if it were the picture.
        gdi::DeleteDC(temporary);
        Destroy();
        return 0;
    }
    gdi::BitBlt(m_hDC, 0, 0, bm.bmWidth, bm.bmHeight, temporary, 0, 0, gdi::SRCCOPY);
    gdi::SelectObject(temporary, previous);
    gdi::DeleteDC(temporary);
    return -1;
}

void cDIB32::LoadBlt(gdi::HDC hSrcDC, int32_t X, int32_t Y) {
    if (hDIB() == 0) return;
    gdi::BitBlt(m_hDC, 0, 0, Width(), Height(), hSrcDC, X, Y, gdi::SRCCOPY);
}

void cDIB32::LoadBltRect(gdi::HDC hSrcDC, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t xSrc,
                         int32_t ySrc) {
    if (hDIB() == 0) return;
    gdi::BitBlt(m_hDC, X, Y, W, H, hSrcDC, xSrc, ySrc, gdi::SRCCOPY);
}

void cDIB32::LoadDIBBlt(cDIB32& DIB) {
    if (hDIB() == 0 || DIB.hDIB() == 0) return;
    DIB.Stretch(m_hDC, 0, 0, Width(), Height(), 0, 0, DIB.Width(), DIB.Height(), gdi::COLORONCOLOR);
}

int32_t cDIB32::BytesPerScanLine() const {
    return Wrap(static_cast<uint32_t>(m_Header.biWidth) * 4u);
}

int32_t cDIB32::Height() const { return Wrap(0u - static_cast<uint32_t>(m_Header.biHeight)); }

void cDIB32::Paint(gdi::HDC hDstDC, int32_t X, int32_t Y, int32_t ScaleFactor) {
    if (hDIB() == 0) return;
    const uint32_t scale = static_cast<uint32_t>(ScaleFactor);
    gdi::StretchBlt(hDstDC, X, Y, Wrap(static_cast<uint32_t>(Width()) * scale),
                    Wrap(static_cast<uint32_t>(Height()) * scale), m_hDC, 0, 0, Width(), Height(),
                    gdi::SRCCOPY);
}

void cDIB32::PaintRect(gdi::HDC hDstDC, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t xSrc,
                       int32_t ySrc, int32_t /*ScaleFactor: the copy is always 1:1*/) {
    if (hDIB() == 0) return;
    gdi::StretchBlt(hDstDC, X, Y, W, H, m_hDC, xSrc, ySrc, W, H, gdi::SRCCOPY);
}

void cDIB32::Stretch(gdi::HDC hDstDC, int32_t X, int32_t Y, int32_t nWidth, int32_t nHeight,
                     int32_t xSrc, int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight,
                     int32_t StretchColorMode) {
    if (hDIB() == 0) return;
    const int previous = gdi::GetStretchBltMode(hDstDC);
    gdi::SetStretchBltMode(hDstDC, StretchColorMode);
    gdi::StretchBlt(hDstDC, X, Y, nWidth, nHeight, m_hDC, xSrc, ySrc, nSrcWidth, nSrcHeight,
                    gdi::SRCCOPY);
    gdi::SetStretchBltMode(hDstDC, previous);
}

void cDIB32::Destroy() {
    if (m_hDC != 0) {
        if (m_hDIB != 0) {
            gdi::SelectObject(m_hDC, m_hOldBitmap);
            gdi::DeleteObject(m_hDIB);
        }
        gdi::DeleteDC(m_hDC);
    }
    m_hDC = 0;
    m_hDIB = 0;
    m_hOldBitmap = 0;
    m_pBits = nullptr;
}
