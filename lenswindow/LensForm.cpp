#include "lenswindow/LensForm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>

#include "gdi/Surface.h"
#include "lens/mLens.h"
#include "lenswindow/LensWindow.h"
#include "platform/Interaction.h"
#include "platform/Screen.h"
#include "platform/WindowServices.h"

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
// Where the settings come from: handed over by whoever opens the window.
LensSettingsSource g_source;
// The settings in use, changes made in the window included.
LensSettings g_settings;
// The clamped pointer position of the last frame, and whether this opening has drawn one.
double g_pointX = 0;
double g_pointY = 0;
bool g_framed = false;

// What the wheel and the arrow keys change, and within which ranges (the panel's bars).
constexpr int32_t kFactorStep = 5;
constexpr int32_t kMinFactor = 5;
constexpr int32_t kMaxFactor = 145;
constexpr int32_t kRadiusStep = 25;
constexpr int32_t kMinRadius = 50;
constexpr int32_t kMaxRadius = 250;

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

int32_t LensForm::DevicePixels(double twips, double twipsPerPixel) {
    const int32_t wholeTwips = N(twips);
    const int32_t wholePerPixel = N(twipsPerPixel);
    if (wholeTwips <= 0 || wholePerPixel <= 0 || !(twipsPerPixel > 0)) return 0;
    // A whole number of twips per pixel divides as integers, truncating. At fractional values
    // (7.5 at scale factor 2) rounding the divisor first would lose pixels (3840 → 3600), so
    // the exact quotient is rounded instead.
    if (wholePerPixel == twipsPerPixel) return wholeTwips / wholePerPixel;
    return N(twips / twipsPerPixel);
}

const LensFrame& LensForm::Frame() { return g_frame; }
int32_t LensForm::LensRadius() { return g_lensRadius; }
int32_t LensForm::LensFactor() { return g_lensFactor; }
int16_t LensForm::LensConvex() { return g_lensConvex; }
int32_t LensForm::MaxX() { return g_maxX; }
int32_t LensForm::MaxY() { return g_maxY; }
LensSettings LensForm::Settings() { return g_settings; }

void LensForm::SetSettingsSource(LensSettingsSource source) { g_source = std::move(source); }

void LensForm::InitializeComponent(QWidget& window) {
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("Lucivane"));
    SetFullScreen(true);
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
    cmdDummy->move(QWIDGETSIZE_MAX / 2, QWIDGETSIZE_MAX / 2);
    window.setFocusProxy(cmdDummy);  // tab index 0: the first control takes the focus

    SetFrozenScreen(true);  // the surface starts as the screen copy, taken before mapping
}

void LensForm::Form_Activate() {
    const gdi::HWND self = hWnd();
    win::SetCapture(self);
    if (win::GetCapture() != self) {
        // Another program holds the pointer (the grab was retried for a while): a lens that
        // cannot follow the mouse would only freeze the screen.
        Unload();
        Interaction::MsgBox(QStringLiteral("另一个程序正占用着鼠标，放大镜无法打开。请稍后再试。"),
                            Interaction::vbExclamation, QStringLiteral("Lucivane"));
        return;
    }
    win::ShowCursor(kFalse);
    ++g_cursorHides;

    // Block the window's painting until the first frame selects a lens square.
    const gdi::HDC formDC = hDC();
    const gdi::HRGN empty = gdi::CreateRectRgn(0, 0, 0, 0);
    const int clipped = empty != 0 ? gdi::SelectClipRgn(formDC, empty) : gdi::ERROR;
    gdi::DeleteObject(empty);
    // Unclipped, the window would paint everywhere: the surfaces stay Empty and nothing draws.
    if (clipped == gdi::ERROR) return;

    const LensSettings settings = g_source.Read ? g_source.Read() : LensSettings{};
    g_settings = settings;
    g_lensConvex = settings.Convex;
    g_lensRadius = settings.Radius;
    g_lensFactor = settings.Convex != 0 ? settings.Factor : 150 - settings.Factor;

    const int32_t W = DevicePixels(Screen::Width(), Screen::TwipsPerPixelX());
    const int32_t H = DevicePixels(Screen::Height(), Screen::TwipsPerPixelY());
    // A failed surface is Empty and draws nothing: the lens shows no picture rather than fail.
    (void)g_frame.DesktopDIB.Create(W, H, 0);

    const gdi::HDC screenDC = gdi::GetDC(0);
    g_frame.DesktopDIB.LoadBlt(screenDC, 0, 0);
    gdi::ReleaseDC(0, screenDC);

    g_frame.CreateLensSurfaces(2 * settings.Radius);

    if (g_source.UpdateLookUpTable && g_source.UpdateLookUpTable() != 0) {
        mLens::BuildLookUpTable(g_lensRadius, g_lensFactor, g_lensConvex);
    }
    mLens::SetColorMask(settings.ColorMask);

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
    g_pointX = x;
    g_pointY = y;
    g_framed = true;
    g_frame.DrawLensFrame(hDC(), N(x - g_lensRadius), N(y - g_lensRadius));
}

void LensForm::Form_KeyDown(int16_t& KeyCode, int16_t) {
    switch (KeyCode) {
        case vbKeyUp:
            ChangeSettings(kFactorStep, 0);
            break;
        case vbKeyDown:
            ChangeSettings(-kFactorStep, 0);
            break;
        case vbKeyRight:
            ChangeSettings(0, kRadiusStep);
            break;
        case vbKeyLeft:
            ChangeSettings(0, -kRadiusStep);
            break;
        default:
            return;
    }
    KeyCode = 0;
}

void LensForm::Form_MouseWheel(int16_t Notches, int16_t Shift) {
    if (Shift & 1) {
        ChangeSettings(0, Notches * kRadiusStep);
    } else {
        ChangeSettings(Notches * kFactorStep, 0);
    }
}

void LensForm::ChangeSettings(int32_t factorStep, int32_t radiusStep) {
    // Not after a click has ended the capture: the lens is on its way out.
    if (!IsLoaded() || win::GetCapture() != hWnd()) return;
    LensSettings next = g_settings;
    next.Factor = std::clamp(next.Factor + factorStep, kMinFactor, kMaxFactor);
    next.Radius = std::clamp(next.Radius + radiusStep, kMinRadius, kMaxRadius);
    if (next.Factor == g_settings.Factor && next.Radius == g_settings.Radius) return;
    g_settings = next;
    // The opener takes the values, then remembers them as the table's, so that its next
    // opening reuses the table built here.
    if (g_source.Changed) g_source.Changed(next);
    if (g_source.UpdateLookUpTable) g_source.UpdateLookUpTable();
    if (!IsLoaded()) return;

    // As an activation with these settings would: the concave table takes 150 - factor.
    g_lensRadius = next.Radius;
    g_lensFactor = g_lensConvex != 0 ? next.Factor : 150 - next.Factor;
    mLens::BuildLookUpTable(g_lensRadius, g_lensFactor, g_lensConvex);
    const int32_t size = 2 * g_lensRadius;
    if (!g_framed) {
        // No lens on the screen yet: the first move draws it.
        if (size != g_frame.LensSize) g_frame.CreateLensSurfaces(size);
        return;
    }
    const int32_t X = N(g_pointX - g_lensRadius);
    const int32_t Y = N(g_pointY - g_lensRadius);
    if (size != g_frame.LensSize) {
        g_frame.DrawResizedFrame(hDC(), size, X, Y);
    } else {
        g_frame.DrawLensFrame(hDC(), X, Y);
    }
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
    g_framed = false;
    for (; g_cursorHides > 0; --g_cursorHides) win::ShowCursor(kTrue);
}

bool LensForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == cmdDummy && e->type() == QEvent::FocusIn) cmdDummy_GotFocus();
    if (watched == cmdDummy && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        // As a click followed by a move: the capture goes, then the window closes.
        win::ReleaseCapture();
        Unload();
        return true;
    }
    return Form::eventFilter(watched, e);
}

void ShowLensWindow(Form& owner, LensSettingsSource source) {
    LensForm::SetSettingsSource(std::move(source));
    fLens->Show(Form::vbModal, &owner);
}

void UnloadLensWindow() {
    if (fLens.Exists()) fLens->Unload();
    fLens.Release();
}
