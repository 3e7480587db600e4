#pragma once
// The program's window icon: a round lens with a handle, drawn at start-up.

#include <QIcon>
#include <QImage>

// The icon drawn at `size` × `size` pixels (32-bit with alpha).
QImage LensIconImage(int size);

// The window icon, at 24 × 24 and 48 × 48 for high-density screens.
QIcon LensIcon();
