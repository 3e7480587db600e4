#pragma once
// fLens: the full-screen lens window. Shown modally by the control panel's Start; on activation
// it takes the mouse capture, hides the cursor, blocks its own painting with an empty clip
// region, reads the lens settings from its opener, copies the screen, prepares the lens surfaces,
// rebuilds the look-up table when the settings changed and stores the colour mask. Each mouse
// move then draws one lens frame centred on the (clamped) mouse position; the first move
// without the capture unloads the window, which paints the screen copy over the last lens,
// releases its surfaces and shows the cursor again.
//
// The window has no border and no caption, covers every screen in full-screen state, and draws
// only through its own persistent device context, whose surface starts as the screen copy:
// until the first move the screen keeps showing what it showed. Coordinates are device pixels
// of the desktop (the bounding box of all screens). A grab that cannot be had closes the window
// again with a message; Escape closes it as a click followed by a move does.
//
// While the lens is open the wheel and the arrow keys change the settings on the spot: a wheel
// notch or Up/Down the factor by 5 (5..145), Shift with the wheel or Right/Left the radius by
// 25 (50..250). A change builds the table and redraws the lens around the pointer's last
// position as a fresh opening with those settings would, and is reported to the opener
// (Changed, then UpdateLookUpTable, so it remembers the table as built). A change at a range
// end, or before the first move of an opening, draws nothing.

#include <QPointer>
#include <cstdint>

#include "lens/LensFrame.h"
#include "lenswindow/LensWindow.h"
#include "platform/Form.h"
#include "platform/FormInstance.h"

class QPushButton;

class LensForm : public Form {
  public:
    // The lens state of the run: the three surfaces, the lens size and the corner of the
    // square drawn last, which later openings start from.
    static const LensFrame& Frame();

    // The settings of the current opening, as read at the last activation.
    static int32_t LensRadius();
    static int32_t LensFactor();
    static int16_t LensConvex();
    static int32_t MaxX();
    static int32_t MaxY();
    // The settings as they stand, changes made in the window included (factor uncomplemented).
    static LensSettings Settings();

    // The screen's size in device pixels from its size in twips and the twips per pixel: both
    // rounded to integers (ties to even) and divided, truncating. A fractional twips-per-pixel
    // value (scale factor 2 gives 7.5) divides exactly instead, rounded. 0 when either is not
    // positive.
    static int32_t DevicePixels(double twips, double twipsPerPixel);

    // Where the next activations read the settings (ShowLensWindow hands it over).
    static void SetSettingsSource(LensSettingsSource source);

    // The focus holder, moved just beyond the bottom-right corner of the screen; while loaded.
    QPointer<QPushButton> cmdDummy;

  protected:
    void InitializeComponent(QWidget& window) override;
    void Form_Activate() override;
    void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) override;
    void Form_Paint() override;
    void Form_KeyDown(int16_t& KeyCode, int16_t Shift) override;
    void Form_MouseWheel(int16_t Notches, int16_t Shift) override;
    void Form_Unload(int16_t& Cancel) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void cmdDummy_GotFocus();
    // Moves the factor and the radius by the given steps within their ranges and redraws.
    void ChangeSettings(int32_t factorStep, int32_t radiusStep);
};

extern FormInstance<LensForm> fLens;
