#pragma once
// A 32-bit top-down off-screen surface kept selected into a memory DC of its own, so that its
// pixels can be reached both by block transfers (through hDIBDC) and directly in memory
// (through DIBitsPtr). hDIB() == 0 means the surface does not exist; every copy member then
// does nothing.

#include <cstdint>
#include <functional>

#include "gdi/Gdi.h"

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
    [[nodiscard]] int16_t Create(int32_t NewWidth, int32_t NewHeight, gdi::COLORREF BackColor = 0);
    // -1 when the picture's bitmap was copied into a new surface of its size. 0 otherwise: for
    // a null picture or a handle that is not a bitmap the surface stays as it was; for a bitmap
    // selected into another context it is left Empty; when no temporary context can be made it
    // stays created and black.
    [[nodiscard]] int32_t CreateFromStdPicture(const StdPicture* Picture);
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

    // Mirrors (FlipH left to right, FlipV top to bottom, in the finished picture) and, with
    // Rotate90, turns the picture a quarter turn anticlockwise, exchanging Width and Height;
    // the turn re-creates the surface, so hDIBDC and DIBitsPtr must be fetched again. Any
    // non-zero flag counts as set. On a Created surface raises Progress(y) after each source row
    // of a turn and ProgressEnd once; on an Empty surface does nothing. If the turn's temporary
    // copy cannot be made, nothing changes (no mirror either); if the surface cannot be
    // re-created, it is left Empty. Listeners must not re-create or destroy this surface.
    void Orientation(int16_t Rotate90, int16_t FlipH, int16_t FlipV);
    // Where this surface fits, centred, into a DstW × DstH box: its natural size when it fits
    // and StretchFit is 0, otherwise scaled by the smaller ratio (single precision, ties to even).
    // A surface of width or height 0 that needs scaling gives all four values 0.
    void GetBestFitInfo(int32_t DstW, int32_t DstH, int32_t& bfx, int32_t& bfy, int32_t& bfW,
                        int32_t& bfH, int16_t StretchFit = 0);
    // Puts a Width × Height copy of the pixels on the clipboard as a CF_BITMAP, which the
    // clipboard then owns. Does nothing on an Empty surface or when the clipboard is held open.
    void CopyToClipboard();

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
