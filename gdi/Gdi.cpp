// The Windows-named façade: argument checks and handle resolution, then the object classes and
// the block-transfer engine do the work.

#include "gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "gdi/Bitmap.h"
#include "gdi/BlockTransfer.h"
#include "gdi/Brush.h"
#include "gdi/DeviceContext.h"
#include "gdi/GdiState.h"
#include "gdi/Region.h"

namespace gdi {

namespace {

HandleTable& Objects() { return GdiState::Instance().Objects(); }

DeviceContext* Dc(HDC hdc) { return Objects().Get<DeviceContext>(hdc); }

// A DC argument that may be 0 (meaning the screen) but must otherwise be live.
bool NullOrLiveDc(HDC hdc) { return hdc == 0 || Dc(hdc) != nullptr; }

// The pixels that drawing into (or reading from) a DC reaches.
SurfaceView TargetOf(const DeviceContext& dc) {
    if (dc.GetType() != DeviceContext::Type::Memory) return dc.View();
    const Bitmap* bitmap = Objects().Get<Bitmap>(dc.SelectedBitmap());
    return bitmap != nullptr ? bitmap->View() : SurfaceView{};
}

const DirtyHandler* DirtyOf(const DeviceContext& dc) {
    return dc.GetType() == DeviceContext::Type::Memory ? nullptr : &dc.OnDirty();
}

template <class T, class... Args>
uint32_t Make(Args&&... args) {
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (object == nullptr) return 0;
    return Objects().Insert(std::unique_ptr<GdiObject>(object));
}

HBITMAP MakeBitmap(int64_t width, int64_t height, void** ppvBits) {
    std::unique_ptr<Bitmap> bitmap = Bitmap::Create(width, height);
    if (!bitmap) return 0;
    void* pixels = bitmap->Pixels();
    const HBITMAP handle = Objects().Insert(std::move(bitmap));
    if (handle != 0 && ppvBits != nullptr) *ppvBits = pixels;
    return handle;
}

}  // namespace

HDC CreateCompatibleDC(HDC hdc) {
    if (!NullOrLiveDc(hdc)) return 0;
    const uint32_t stock = GdiState::Instance().StockBitmap();
    if (stock == 0) return 0;
    return Make<DeviceContext>(DeviceContext::Type::Memory, stock);
}

BOOL DeleteDC(HDC hdc) {
    DeviceContext* dc = Dc(hdc);
    if (dc == nullptr || dc->GetType() != DeviceContext::Type::Memory) return 0;
    if (!Objects().IsStock(dc->SelectedBitmap())) {
        if (Bitmap* bitmap = Objects().Get<Bitmap>(dc->SelectedBitmap())) {
            bitmap->SetSelectedInto(0);
        }
    }
    return Objects().Erase(hdc) ? 1 : 0;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DeviceContext* dc = Dc(hdc);
    if (dc == nullptr) return 0;
    if (Objects().Get<Region>(h) != nullptr) {
        // As on Windows: selecting a region sets the clip and answers its complexity.
        const int complexity = SelectClipRgn(hdc, h);
        return complexity == ERROR ? 0 : static_cast<HGDIOBJ>(complexity);
    }
    Bitmap* bitmap = Objects().Get<Bitmap>(h);
    if (bitmap == nullptr || dc->GetType() != DeviceContext::Type::Memory) return 0;
    const HBITMAP previous = dc->SelectedBitmap();
    if (previous == h) return h;
    const bool stock = Objects().IsStock(h);
    // A bitmap can be selected into one DC at a time (the stock bitmap into any number).
    if (!stock && bitmap->SelectedInto() != 0) return 0;
    if (!Objects().IsStock(previous)) {
        if (Bitmap* old = Objects().Get<Bitmap>(previous)) old->SetSelectedInto(0);
    }
    dc->SetSelectedBitmap(h);
    if (!stock) bitmap->SetSelectedInto(hdc);
    return previous;
}

BOOL DeleteObject(HGDIOBJ h) {
    GdiObject* object = Objects().Find(h);
    if (object == nullptr || Objects().IsStock(h)) return 0;
    switch (object->Kind()) {
        case ObjectKind::DeviceContext:
            return 0;
        case ObjectKind::Bitmap:
            if (static_cast<Bitmap*>(object)->SelectedInto() != 0) return 0;
            break;
        case ObjectKind::Brush:
        case ObjectKind::Region:
            break;
    }
    return Objects().Erase(h) ? 1 : 0;
}

DWORD GetObjectType(HGDIOBJ h) {
    const GdiObject* object = Objects().Find(h);
    if (object == nullptr) return 0;
    switch (object->Kind()) {
        case ObjectKind::DeviceContext:
            return static_cast<const DeviceContext*>(object)->GetType() ==
                           DeviceContext::Type::Memory
                       ? OBJ_MEMDC
                       : OBJ_DC;
        case ObjectKind::Bitmap:
            return OBJ_BITMAP;
        case ObjectKind::Brush:
            return OBJ_BRUSH;
        case ObjectKind::Region:
            return OBJ_REGION;
    }
    return 0;
}

int GetObjectA(HGDIOBJ h, int cbBuffer, void* lpvObject) {
    const Bitmap* bitmap = Objects().Get<Bitmap>(h);
    if (bitmap == nullptr) return 0;
    if (lpvObject == nullptr) return static_cast<int>(sizeof(BITMAP));
    if (cbBuffer <= 0) return 0;
    BITMAP record{};
    record.bmType = 0;
    record.bmWidth = bitmap->Width();
    record.bmHeight = bitmap->Height();
    record.bmWidthBytes = bitmap->Width() * 4;
    record.bmPlanes = 1;
    record.bmBitsPixel = 32;
    record.bmReserved = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(bitmap->Pixels()));
    record.bmBits = bitmap->Pixels();
    const size_t n = std::min(static_cast<size_t>(cbBuffer), sizeof(BITMAP));
    std::memcpy(lpvObject, &record, n);
    return static_cast<int>(n);
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         uint32_t hSection, DWORD /*offset: only meaningful with a section*/) {
    if (ppvBits != nullptr) *ppvBits = nullptr;
    if (!NullOrLiveDc(hdc) || pbmi == nullptr) return 0;
    if (usage != DIB_RGB_COLORS || hSection != 0) return 0;
    const BITMAPINFOHEADER& header = pbmi->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 ||
        header.biBitCount != 32 || header.biCompression != BI_RGB) {
        return 0;
    }
    // Only top-down sections (negative height) are made; biSizeImage is never consulted.
    const int64_t height = -int64_t{header.biHeight};
    return MakeBitmap(header.biWidth, height, ppvBits);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    if (!NullOrLiveDc(hdc)) return 0;
    return MakeBitmap(cx, cy, nullptr);
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop) {
    if (rop != SRCCOPY) return 0;
    const DeviceContext* dst = Dc(hdcDest);
    const DeviceContext* src = Dc(hdcSrc);
    if (dst == nullptr || src == nullptr) return 0;
    const StretchParams params{xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc};
    return BlockTransfer::Stretch(TargetOf(*dst), dst->Clip(), TargetOf(*src), params,
                                  DirtyOf(*dst))
               ? 1
               : 0;
}

int GetStretchBltMode(HDC hdc) {
    const DeviceContext* dc = Dc(hdc);
    return dc != nullptr ? dc->StretchMode() : 0;
}

int SetStretchBltMode(HDC hdc, int mode) {
    DeviceContext* dc = Dc(hdc);
    if (dc == nullptr || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    const int previous = dc->StretchMode();
    dc->SetStretchMode(mode);
    return previous;
}

BOOL SetRect(RECT* lprc, int xLeft, int yTop, int xRight, int yBottom) {
    if (lprc == nullptr) return 0;
    *lprc = RECT{xLeft, yTop, xRight, yBottom};
    return 1;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    const DeviceContext* dc = Dc(hDC);
    const Brush* brush = Objects().Get<Brush>(hbr);
    if (dc == nullptr || brush == nullptr || lprc == nullptr) return 0;
    BlockTransfer::Fill(TargetOf(*dc), dc->Clip(), *lprc, brush->Pixel(), DirtyOf(*dc));
    return 1;
}

HBRUSH CreateSolidBrush(COLORREF color) { return Make<Brush>(color); }

HRGN CreateRectRgn(int x1, int y1, int x2, int y2) {
    Region* region = new (std::nothrow) Region();
    if (region == nullptr) return 0;
    region->SetRect(x1, y1, x2, y2);
    return Objects().Insert(std::unique_ptr<GdiObject>(region));
}

int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
    Region* dst = Objects().Get<Region>(hrgnDst);
    const Region* a = Objects().Get<Region>(hrgnSrc1);
    if (dst == nullptr || a == nullptr) return ERROR;
    if (iMode == RGN_COPY) return dst->CopyFrom(*a) ? dst->Complexity() : ERROR;
    const Region* b = Objects().Get<Region>(hrgnSrc2);
    if (b == nullptr || iMode < RGN_AND || iMode > RGN_DIFF) return ERROR;
    return dst->Combine(*a, *b, iMode) ? dst->Complexity() : ERROR;
}

int SelectClipRgn(HDC hdc, HRGN hrgn) {
    DeviceContext* dc = Dc(hdc);
    if (dc == nullptr) return ERROR;
    if (hrgn == 0) return dc->SetClip(nullptr);
    const Region* region = Objects().Get<Region>(hrgn);
    if (region == nullptr) return ERROR;
    return dc->SetClip(region);
}

uint32_t LiveObjectCount() { return Objects().LiveCount(); }

}  // namespace gdi
