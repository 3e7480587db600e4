#pragma once
// An in-process clipboard with the Windows calls the program uses to put a bitmap on it.
//
// One clipboard per process, opened by one caller at a time. It holds at most one CF_BITMAP
// bitmap and owns it: SetClipboardData takes the bitmap out of the caller's hands, and
// EmptyClipboard (or a later SetClipboardData) deletes the one held before. The held bitmap is
// a live GDI object and counts in LiveObjectCount for as long as it is held.
//
// A publisher (say, the form runtime's system clipboard) can be registered; CloseClipboard
// hands it the bitmap set during that open/close session, so it can take its own copy of the
// pixels. Single-threaded, like the rest of the GDI layer; nothing throws.

#include <cstdint>
#include <functional>

#include "gdi/Gdi.h"

namespace gdi {

using HANDLE = uint32_t;

inline constexpr UINT CF_BITMAP = 2;

// Opens the clipboard for hWnd (0: no owner window). FALSE while it is already open, by this
// caller or anyone else.
BOOL OpenClipboard(HWND hWnd);

// Deletes the bitmap held, leaving the clipboard empty. FALSE when the clipboard is not open.
BOOL EmptyClipboard();

// Puts `hMem` on the clipboard and returns it; the clipboard owns it from then on and deletes
// the bitmap it held before. 0 (and the caller keeps the handle) when the clipboard is not open,
// the format is not CF_BITMAP, or the handle is not a live bitmap, a stock bitmap or a bitmap
// still selected into a DC.
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);

// Closes the clipboard; when SetClipboardData succeeded since it was opened, the publisher is
// called with the bitmap now held. FALSE when the clipboard is not open.
BOOL CloseClipboard();

// Called by CloseClipboard as above. The bitmap stays owned by the clipboard: read it, do not
// delete it or select it into a DC. An empty function removes the publisher.
using ClipboardPublisher = std::function<void(HBITMAP)>;
void SetClipboardPublisher(ClipboardPublisher publisher);

}  // namespace gdi
