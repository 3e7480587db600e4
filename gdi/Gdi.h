#pragma once
// The handful of Windows graphics calls the program is written against, with their Windows
// names, argument orders and failure values, provided by our own software implementation.
//
// Handles are 32-bit, never 0 for a live object, and carry a type tag and a generation: a stale,
// foreign or wrong-type handle makes a call fail with its failure value and touches no memory.
// Colours passed in (COLORREF) are 0x00BBGGRR; pixels in memory are 0x00RRGGBB.
//
// Everything is called from one thread (the user-interface thread); nothing locks. No call
// throws. Window and screen DCs come from gdi/Surface.h.

#include <cstdint>

namespace gdi {

using BOOL = int32_t;
using UINT = uint32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using WORD = uint16_t;
using COLORREF = uint32_t;

using HGDIOBJ = uint32_t;
using HDC = uint32_t;
using HBITMAP = uint32_t;
using HBRUSH = uint32_t;
using HRGN = uint32_t;
using HWND = uint32_t;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// A BITMAPINFO without colour table: the header alone describes a 32-bit surface.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
};

// The first 24 bytes match the classic record (type, width, height, row bytes, planes, bits per
// pixel, and 4 bytes where the pixel address began); the full pointer follows in bmBits.
struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    uint32_t bmReserved;
    void* bmBits;
};

inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr DWORD BI_RGB = 0;

// GetObjectType results.
inline constexpr DWORD OBJ_PEN = 1;
inline constexpr DWORD OBJ_BRUSH = 2;
inline constexpr DWORD OBJ_DC = 3;
inline constexpr DWORD OBJ_REGION = 6;
inline constexpr DWORD OBJ_BITMAP = 7;
inline constexpr DWORD OBJ_MEMDC = 10;

// Stretch modes.
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;

// CombineRgn modes and region complexity results.
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;
inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

// Device contexts and objects. Every Create* result is [[nodiscard]]: dropping it leaks the
// object or hides a failure.
//
// CreateCompatibleDC(0 or a live DC): a memory DC holding the shared stock 1 × 1 bitmap, which
// the first SelectObject of a bitmap returns; the stock bitmap is never deleted (DeleteObject on
// it fails) and never counted. SelectObject(dc, bitmap) returns the bitmap it replaced, or 0 when
// the DC is not a memory DC or the bitmap is selected into another DC; selecting a region sets
// the clip like SelectClipRgn and returns its complexity; brushes are not selected (0).
// DeleteObject fails for a bitmap still selected into a DC and for DCs; DeleteDC deletes memory
// DCs only and frees their selected bitmap for deletion. GetObjectType: OBJ_MEMDC, OBJ_DC (window
// and screen DCs), OBJ_BITMAP, OBJ_BRUSH, OBJ_REGION, or 0 for a bad handle. GetObjectA describes
// bitmaps only: it copies min(cbBuffer, sizeof(BITMAP)) bytes and returns that count, returns
// sizeof(BITMAP) for a null buffer, and 0 otherwise.
[[nodiscard]] HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
BOOL DeleteObject(HGDIOBJ h);
DWORD GetObjectType(HGDIOBJ h);
int GetObjectA(HGDIOBJ h, int cbBuffer, void* lpvObject);

// Bitmaps. ppvBits receives the address of the first pixel (top row first for a negative height).
// Only 32-bit BI_RGB, one plane, DIB_RGB_COLORS, no section and a negative (top-down) height are
// accepted; bottom-up sections are refused. Pixels are zero-filled. Width and height must be
// 1..32768 and the buffer at most 1 GiB (checked in 64 bits; biSizeImage is never read);
// otherwise the result is 0 and *ppvBits is null. hdc may be 0 or a live DC. A compatible bitmap
// is always 32-bit, with the same limits.
[[nodiscard]] HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                                       uint32_t hSection, DWORD offset);
[[nodiscard]] HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);

// Block transfers. Only SRCCOPY is supported (other rops give FALSE). The destination is
// clipped to its surface and to the DC's clip region; destination pixels whose source pixel lies
// off the source surface keep their value. A negative extent mirrors: the span starts at the
// origin pixel and runs |extent| pixels towards smaller coordinates, so
// StretchBlt(dc, W-1, 0, -W, H, dc, 0, 0, W, H) mirrors in place. BitBlt is StretchBlt with equal
// extents. Scaling is nearest-neighbour at pixel centres (exact for integer ratios) in every
// stretch mode. Source and destination on the same memory behave as if the source were read
// first. Zero extents draw nothing and return TRUE. Bad DCs give FALSE. A new DC's stretch mode is
// BLACKONWHITE; SetStretchBltMode returns the previous mode, 0 for a bad DC or mode.
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop);
int GetStretchBltMode(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);

// Rectangles and brushes. FillRect paints right/bottom-exclusive rectangles (empty or inverted:
// nothing, still nonzero), clipped to the surface and the clip region; 0 for a bad DC, brush or
// rectangle pointer.
BOOL SetRect(RECT* lprc, int xLeft, int yTop, int xRight, int yBottom);
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
[[nodiscard]] HBRUSH CreateSolidBrush(COLORREF color);

// Regions and clipping. CreateRectRgn normalises inverted corners. CombineRgn returns the
// complexity of the result (NULLREGION, SIMPLEREGION, COMPLEXREGION) or ERROR for a bad handle or
// mode; the destination may be a source; RGN_COPY ignores hrgnSrc2. SelectClipRgn copies the
// region into the DC (the caller still owns and deletes its own) and returns its complexity;
// a null region removes clipping and returns SIMPLEREGION.
[[nodiscard]] HRGN CreateRectRgn(int x1, int y1, int x2, int y2);
int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode);
int SelectClipRgn(HDC hdc, HRGN hrgn);

// Number of live GDI objects this process created (DCs, bitmaps, brushes, regions; stock
// objects excluded): the analogue of a GUI-resource count, for leak checks.
uint32_t LiveObjectCount();

}  // namespace gdi
