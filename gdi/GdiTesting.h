#pragma once
// Test seams of the GDI layer: failure injection and a look at the in-process clipboard.
// The program itself never calls these.

#include <cstdint>

#include "gdi/Clipboard.h"
#include "gdi/Gdi.h"

namespace gdi::testing {

// After `after` more objects have been created successfully, the next `count` creations of any
// kind (DC, bitmap, brush, region) fail as if memory were short. Count 0 cancels.
void FailNextCreations(uint32_t count, uint32_t after = 0);

// How many of the injected failures have not happened yet.
uint32_t PendingCreationFailures();

// The bitmap on the in-process clipboard, or 0.
HBITMAP ClipboardBitmap();

// True while the clipboard is open.
bool ClipboardIsOpen();

// Holds the clipboard open as another program would (OpenClipboard then fails), or lets go.
void HoldClipboardOpen(bool held);

// Back to the start: closed, empty (the held bitmap deleted), no publisher.
void ResetClipboard();

}  // namespace gdi::testing
