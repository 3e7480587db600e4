#include "lenswindow/LensForm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <limits>

#include "lens/mLens.h"
#include "panel/LensWindow.h"
#include "panel/MainForm.h"
#include "platform/Screen.h"
#include "platform/WindowServices.h"
#include "gdi/Surface.h"

FormInstance<LensForm> fLens;

namespace {

// Module state: kept for the whole run, overwritten by each activation except LastX and LastY
// (inside the frame), which later openings start from.
LensFrame g_frame;
int32_t g_lensRadius = 0;
int32_t g_lensFactor = 0;
int16_t g_lensConvex = 0;
int32_t g_maxX = 0;
int32_t g_maxY = 0;
// Cursor hides of the current opening: a re-activation hides once more, and the unload shows
// as often, so the cursor never stays hidden after the lens closes.
int g_cursorHides = 0;

constexpr int16_t kFalse = 0;
constexpr int16_t kTrue = -1;

// Nearest 32-bit integer, ties to even; saturates, and NaN gives 0.
int32_t N(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v);
    if (r <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (r >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

}  // namespace

int32_t LensForm::DevicePixels(double Twips, double TwipsPerPixel) {
    const int32_t twips = N(Twips);
    const int32_t perPixel = N(TwipsPerPixel);
    if (twips <= 0 || perPixel <= 0 || !(TwipsPerPixel > 0)) return 0;
    // A whole number of twips per pixel divides as integers, truncating. At fractional values
    // (7.5 at scale factor 2) rounding the divisor first would lose pixels (3840 → 3600), so
    // the exact quotient is rounded instead.
    if (perPixel == TwipsPerPixel) return twips / perPixel;
    return N(Twips / TwipsPerPixel);
}

const LensFrame& LensForm::Frame() { return g_frame; }
int32_t LensForm::LensRadius() { return g_lensRadius; }
int32_t LensForm::LensFactor() { return g_lensFactor; }
int16_t LensForm::LensConvex() { return g_lensConvex; }
int32_t LensForm::MaxX() { return g_maxX; }
int32_t LensForm::MaxY() { return g_maxY; }

void LensForm::InitializeComponent(QWidget& window) {
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setWindowTitle(QString());
    SetWindowState(vbMaximized);
    SetOwnDC(true);
    // Nothing shows text; the font is part of the design all the same.
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    window.setFont(font);

    cmdDummy = new QPushButton(&window);
    cmdDummy->setText(QString());
    cmdDummy->setFocusPolicy(Qt::StrongFocus);
    cmdDummy->installEventFilter(this);
    // Out of sight from the start: the window maps showing the screen copy, and a button drawn
    // at the origin before activation moves it away would be a visible change.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        cmdDummy->move(area.width(), area.height());
    }
    window.setFocusProxy(cmdDummy);  // tab index 0: the first control takes the focus

    SetFrozenScreen(true);  // the surface starts as the screen copy, taken before mapping
}

void LensForm::Form_Activate() {
    const gdi::HWND self = hWnd();
    win::SetCapture(self);
    win::ShowCursor(kFalse);
    ++g_cursorHides;

    // Block the window's painting until the first frame selects a lens square.
    const gdi::HDC formDC = hDC();
    const gdi::HRGN empty = gdi::CreateRectRgn(0, 0, 0, 0);
    const int clipped = empty != 0 ? gdi::SelectClipRgn(formDC, empty) : gdi::ERROR;
    gdi::DeleteObject(empty);
    // Unclipped, the window would paint everywhere: the surfaces stay Empty and nothing draws.
    if (clipped == gdi::ERROR) return;

    MainForm& panel = *fMain;
    g_lensConvex = panel.Lens_Convex();
    g_lensRadius = panel.Lens_Radius();
    g_frame.LensSize = 2 * panel.Lens_Radius();
    g_lensFactor = panel.Lens_Convex() != 0 ? panel.Lens_Factor() : 150 - panel.Lens_Factor();

    const int32_t W = DevicePixels(Screen::Width(), Screen::TwipsPerPixelX());
    const int32_t H = DevicePixels(Screen::Height(), Screen::TwipsPerPixelY());
    g_frame.DesktopDIB.Create(W, H, 0);

    const gdi::HDC screenDC = gdi::GetDC(0);
    g_frame.DesktopDIB.LoadBlt(screenDC, 0, 0);
    gdi::ReleaseDC(0, screenDC);

    g_frame.LensDstDIB.Create(g_frame.LensSize, g_frame.LensSize, 0);
    g_frame.LensSrcDIB.Create(g_frame.LensSize, g_frame.LensSize, 0);

    if (panel.Lens_UpdateLookUpTable() != 0) {
        mLens::BuildLookUpTable(g_lensRadius, g_lensFactor, g_lensConvex);
    }
    mLens::SetColorMask(panel.Lens_ColorMask());

    g_maxX = g_frame.DesktopDIB.Width() - 1;
    g_maxY = g_frame.DesktopDIB.Height() - 1;

    Move(cmdDummy, g_frame.DesktopDIB.Width(), g_frame.DesktopDIB.Height());
}

void LensForm::Form_MouseMove(int16_t, int16_t, float X, float Y) {
    // A move still queued for the window of an unloaded form must not load it again.
    if (!IsLoaded()) return;
    if (win::GetCapture() != hWnd()) {
        Unload();
        return;
    }
    double x = X;
    double y = Y;
    if (std::isnan(x) || x < 0) x = 0;
    if (x > g_maxX) x = g_maxX;
    if (std::isnan(y) || y < 0) y = 0;
    if (y > g_maxY) y = g_maxY;
    g_frame.DrawLensFrame(hDC(), N(x - g_lensRadius), N(y - g_lensRadius));
}

void LensForm::Form_Paint() {
    if (IsLoaded()) g_frame.DesktopDIB.Paint(hDC(), 0, 0, 1);
}

void LensForm::cmdDummy_GotFocus() { Refresh(); }

void LensForm::Form_Unload(int16_t&) {
    Form_Paint();
    win::LockWindowUpdate(hWnd());
    g_frame.DesktopDIB.Destroy();
    g_frame.LensDstDIB.Destroy();
    g_frame.LensSrcDIB.Destroy();
    for (; g_cursorHides > 0; --g_cursorHides) win::ShowCursor(kTrue);
}

bool LensForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == cmdDummy && e->type() == QEvent::FocusIn) cmdDummy_GotFocus();
    return Form::eventFilter(watched, e);
}

void ShowLensWindow(Form& owner) { fLens->Show(Form::vbModal, &owner); }

void UnloadLensWindow() {
    if (fLens.Exists()) fLens->Unload();
    fLens.Release();
}
