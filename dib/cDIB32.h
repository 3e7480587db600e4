#pragma once
// A 32-bit top-down off-screen surface kept selected into a memory DC of its own, so that its
// pixels can be reached both by block transfers (through hDIBDC) and directly in memory
// (through DIBitsPtr). hDIB() == 0 means the surface does not exist; every copy member then
// does nothing.

#include <cstdint>
#include <functional>

#include "platform/gdi/Gdi.h"

// A minimal picture object: anything that yields a GDI handle through Handle().
class StdPicture {
public:
    explicit StdPicture(gdi::HGDIOBJ handle = 0) : m_Handle(handle) {}
    gdi::HGDIOBJ Handle() const { return m_Handle; }

private:
    gdi::HGDIOBJ m_Handle;
};

class cDIB32 {
public:
    cDIB32() = default;
    ~cDIB32();
    cDIB32(const cDIB32&) = delete;
    cDIB32& operator=(const cDIB32&) = delete;

    // Booleans are 16-bit: True = -1, False = 0.
    int16_t Create(int32_t NewWidth, int32_t NewHeight, gdi::COLORREF BackColor = 0);
    int32_t CreateFromStdPicture(const StdPicture* Picture);
    void LoadBlt(gdi::HDC hSrcDC, int32_t X = 0, int32_t Y = 0);
    void LoadBltRect(gdi::HDC hSrcDC, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t xSrc,
                     int32_t ySrc);
    void LoadDIBBlt(cDIB32& DIB);

    gdi::HDC hDIBDC() const { return m_hDC; }
    gdi::HBITMAP hDIB() const { return m_hDIB; }
    uint32_t* DIBitsPtr() const { return m_pBits; }
    int32_t Size() const { return static_cast<int32_t>(m_Header.biSizeImage); }
    int32_t BytesPerScanLine() const;
    int32_t Width() const { return m_Header.biWidth; }
    int32_t Height() const;

    void Paint(gdi::HDC hDstDC, int32_t X = 0, int32_t Y = 0, int32_t ScaleFactor = 1);
    void PaintRect(gdi::HDC hDstDC, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t xSrc,
                   int32_t ySrc, int32_t ScaleFactor = 1);
    void Stretch(gdi::HDC hDstDC, int32_t X, int32_t Y, int32_t nWidth, int32_t nHeight,
                 int32_t xSrc, int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight,
                 int32_t StretchColorMode = gdi::COLORONCOLOR);
    void Destroy();

    // Orientation, GetBestFitInfo and CopyToClipboard are declared here when they arrive.

    // Events, delivered synchronously; nothing subscribes by default.
    std::function<void(int32_t p)> Progress;
    std::function<void()> ProgressEnd;

private:
    gdi::BITMAPINFOHEADER m_Header{};
    gdi::HDC m_hDC = 0;
    gdi::HBITMAP m_hDIB = 0;
    gdi::HGDIOBJ m_hOldBitmap = 0;
    uint32_t* m_pBits = nullptr;
};
