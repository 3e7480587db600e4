#pragma once
// Publishes what the program puts on its clipboard to the desktop's clipboard, so the picture
// can be pasted into other programs.

#include <QImage>

#include "gdi/Gdi.h"

class SystemClipboard {
  public:
    // Registers the publisher with the GDI clipboard. Each CloseClipboard that follows a
    // SetClipboardData then sets the bitmap on QGuiApplication's clipboard as an image; without
    // a running QGuiApplication nothing is published. Idempotent.
    static void Install();

    // A deep copy of a bitmap's pixels as an RGB32 image (0x00RRGGBB pixels map directly), or a
    // null image when the handle is not a live bitmap.
    static QImage ToImage(gdi::HBITMAP bitmap);
};
