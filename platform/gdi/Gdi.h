#pragma once
// The handful of Windows graphics calls the program is written against, with their Windows
// names, argument orders and failure values, provided by our own software implementation.
//
// Handles are 32-bit, never 0 for a live object, and carry a type tag and a generation: a stale,
// foreign or wrong-type handle makes a call fail with its failure value and touches no memory.
// Colours passed in (COLORREF) are 0x00BBGGRR; pixels in memory are 0x00RRGGBB.

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

// Device contexts and objects.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
BOOL DeleteObject(HGDIOBJ h);
DWORD GetObjectType(HGDIOBJ h);
int GetObjectA(HGDIOBJ h, int cbBuffer, void* lpvObject);

// Bitmaps. ppvBits receives the address of the first pixel (top row first for a negative height).
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         uint32_t hSection, DWORD offset);
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);

// Block transfers.
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop);
int GetStretchBltMode(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);

// Rectangles and brushes.
BOOL SetRect(RECT* lprc, int xLeft, int yTop, int xRight, int yBottom);
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
HBRUSH CreateSolidBrush(COLORREF color);

// Regions and clipping.
HRGN CreateRectRgn(int x1, int y1, int x2, int y2);
int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode);
int SelectClipRgn(HDC hdc, HRGN hrgn);

// Number of live GDI objects this process created (DCs, bitmaps, brushes, regions; stock
// objects excluded): the analogue of a GUI-resource count, for leak checks.
uint32_t LiveObjectCount();

}  // namespace gdi
