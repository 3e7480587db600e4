#pragma once
// fMain: the control panel and the program's start-up window. It holds the lens settings
// (radius, factor, convex or concave, colour mask), hands them to the lens window through the
// five read-only Lens_ properties (LensSource), opens the lens window, repaints the desktop on
// request through fRestore, hosts the link bar and ends the program when it is closed.
//
// Layout (client 300 × 232 pixels, Tahoma 8.25 pt), in tab order:
//   cmdStart 224,16,60,41   cmdExit 224,80,60,25   chkConvex 48,16,130,16
//   lblColorMask 17,41,68,15   cbColorMask 16,57,169,21
//   lblRadius 17,87,46,15   lblRadiusV 136,87,46,15   sbRadius 15,102,169,14 (50..250)
//   lblFactor 17,125,46,15  lblFactorV 136,125,46,15  sbFactor 15,140,169,14 (5..145)
//   cmdRestoreDeskTop 224,128,60,44   PromoBar1 8,184,281,49 (hidden until 20 April 2012)

#include <QPointer>
#include <array>
#include <cstdint>

#include "lenswindow/LensWindow.h"
#include "platform/Form.h"
#include "platform/FormInstance.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollBar;
class PromoBar;

class MainForm : public Form {
  public:
    static constexpr int kClientWidth = 300;
    static constexpr int kClientHeight = 232;
    // Masks of the colour entries in list order, in pixel order 0x00RRGGBB.
    static constexpr std::array<uint32_t, 7> kColorMasks = {
        0x00FFFFFF, 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFF00, 0x00FF00FF, 0x0000FFFF};

    // The settings for the lens window. Booleans are 16-bit: True = -1, False = 0.
    int16_t Lens_Convex() const;
    int32_t Lens_Radius() const;
    int32_t Lens_Factor() const;
    // The mask of the selected colour; 0 with no selection.
    uint32_t Lens_ColorMask() const;
    // True when radius, factor or convex state differ from the values remembered at the
    // previous True answer (all 0 at first); a True answer remembers the current values.
    int16_t Lens_UpdateLookUpTable();

    // The settings as the lens window reads them: through the Lens_ properties, in their order;
    // changes made in the lens window come back to the bars.
    LensSettingsSource LensSource();

    // The controls, while the form is loaded.
    QPointer<QPushButton> cmdStart;
    QPointer<QPushButton> cmdExit;
    QPointer<QCheckBox> chkConvex;
    QPointer<QLabel> lblColorMask;
    QPointer<QComboBox> cbColorMask;
    QPointer<QLabel> lblRadius;
    QPointer<QLabel> lblRadiusV;
    QPointer<QScrollBar> sbRadius;
    QPointer<QLabel> lblFactor;
    QPointer<QLabel> lblFactorV;
    QPointer<QScrollBar> sbFactor;
    QPointer<QPushButton> cmdRestoreDeskTop;
    QPointer<PromoBar> PromoBar1;

  protected:
    void InitializeComponent(QWidget& window) override;
    void Form_Load() override;
    void Form_Unload(int16_t& Cancel) override;

  private:
    void cmdStart_Click();
    void cmdExit_Click();
    void cmdRestoreDeskTop_Click();
    void sbRadius_Change();
    void sbRadius_Scroll();
    void sbFactor_Change();
    void sbFactor_Scroll();

    // chkConvex's value: 0 not ticked, 1 ticked, 2 greyed.
    int16_t chkConvexValue() const;

    int16_t LastConvex = 0;
    int16_t LastRadius = 0;
    int16_t LastFactor = 0;
};

extern FormInstance<MainForm> fMain;
