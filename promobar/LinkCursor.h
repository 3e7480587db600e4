#pragma once
// The link cursor of the link bar's labels: a 32 x 32 monochrome pointing hand drawn here, with
// its hot spot on the fingertip.

#include <QCursor>
#include <QPoint>

namespace LinkCursor {

inline constexpr int kSize = 32;
inline constexpr QPoint kHotSpot{6, 0};

// A new cursor each call (bitmap and mask built from the pattern in LinkCursor.cpp).
QCursor Make();

}  // namespace LinkCursor
