// cDIB32 clipboard export: a copy of the surface handed to the clipboard as a bitmap.

#include "dib/cDIB32.h"
#include "gdi/Clipboard.h"
#include "gdi/Surface.h"

void cDIB32::CopyToClipboard() {
    if (hDIB() == 0) return;
    if (gdi::OpenClipboard(0) == 0) return;

    const gdi::HWND desktop = gdi::GetDesktopWindow();
    const gdi::HDC screen = gdi::GetDC(desktop);
    const gdi::HDC memory = gdi::CreateCompatibleDC(screen);
    if (memory != 0) {
        const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(screen, Width(), Height());
        if (bitmap != 0) {
            const gdi::HGDIOBJ previous = gdi::SelectObject(memory, bitmap);
            Paint(memory, 0, 0, 1);
            gdi::SelectObject(memory, previous);
            gdi::EmptyClipboard();
            // The clipboard owns the bitmap once it takes it; one it refused is still ours.
            if (gdi::SetClipboardData(gdi::CF_BITMAP, bitmap) == 0) gdi::DeleteObject(bitmap);
        }
    }
    gdi::CloseClipboard();
    if (memory != 0) gdi::DeleteDC(memory);
    gdi::ReleaseDC(desktop, screen);
}
