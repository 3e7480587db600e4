#pragma once
// The screen in twips (1440 per logical inch of the primary screen); its size is the desktop's,
// the bounding box of all screens (platform/Desktop.h). Twips per pixel count device pixels:
// 1440 / (logical dpi × device pixel ratio), so 15 at 96 dpi and scale 1, and Width() ÷
// TwipsPerPixelX() is the desktop's width in device pixels at any scale. Without a screen all
// four answer 0.

class Screen {
  public:
    static double TwipsPerPixelX();
    static double TwipsPerPixelY();
    static double Width();
    static double Height();
};
