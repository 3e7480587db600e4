#pragma once
// The Qt window behind a loaded Form: turns Qt's events into the form's handlers.
//
// A full-screen form has one window per screen: this one on the primary screen (it holds the
// controls and the focus) and a ScreenWindow on each other screen. Each presents its part of the
// one surface and reports mouse positions in the surface's (desktop) device pixels.

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <vector>

class Form;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class QWindow;

class FormWindow : public QWidget {
  public:
    explicit FormWindow(Form& form);
    ~FormWindow() override;

    // The form whose window this is.
    Form& OwnerForm() const { return m_form; }

    // The window surface and its persistent DC (forms with their own DC only).
    void CreateSurface();
    // Matches the surface to the client area (a full-screen form: the desktop) in device
    // pixels, keeping what fits.
    void FitSurface();
    void ReleaseSurface();
    // The surface image was replaced from outside (the screen copy taken into it): the DC now
    // draws into it. An image of another size is copied into one of the right size at (0, 0).
    void SurfaceReplaced();
    // While locked, drawing into the DC is not presented; unlocking presents what was drawn.
    void SetUpdateLocked(bool locked);
    uint32_t SurfaceDC() const { return m_hDC; }
    QImage* SurfaceImage() { return m_hDC ? &m_surface : nullptr; }

    // Places this window full-screen on the primary screen and makes one window for each other
    // screen; before the first show.
    void CoverDesktop();
    // Shows the other screens' windows, then this one (which takes the focus).
    void ShowPanes();

    // For the windows of a full-screen form: a part of the surface painted into `pane`, whose
    // top-left is `offset` on the surface; a mouse move or button over `pane`.
    void PaintPane(QWidget& pane, QPoint offset, const QRegion& region);
    void PaneMouseMove(QWidget& pane, QPoint offset, QMouseEvent* e);
    // A key pressed or the wheel turned in any of the form's windows; true when the form kept
    // the key from the control with the focus.
    bool PaneKeyPress(QKeyEvent* e);
    void PaneWheel(QWheelEvent* e);
    // `which`, this window or one of the screens' windows, lost activation.
    void Deactivated(const QWidget& which);

  protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    QPaintEngine* paintEngine() const override;

  private:
    // `window` is this window or one of the other screens' windows.
    bool OwnWindow(const QWindow* window) const;
    void ActivateLater();
    void PaintLater();
    // The window manager took the window away (minimised, another window activated, another
    // desktop): the capture ends and the form hears a move at the last position.
    void LostToWindowManager();
    void Present(const QRect& device);
    // Puts what the windows' paint events asked for (direct presentation).
    void PutPending();

    Form& m_form;
    // Set by a show; the first exposure afterwards activates the form.
    bool m_activatePending = false;
    // Set once the form was activated and then lost activation; the next activation repeats
    // Form_Activate.
    bool m_deactivated = false;
    bool m_filterInstalled = false;
    bool m_updateLocked = false;
    bool m_desktop = false;  // a full-screen form's window: the surface is the desktop
    bool m_direct = false;   // its windows show the surface through the SurfacePresenter
    QPoint m_offset;         // this window's top-left on the surface
    QPointF m_lastMove;      // surface position of the last mouse move
    int m_wheelAngle = 0;    // wheel angle turned short of a whole notch (1/8 degree)
    std::vector<QPointer<QWidget>> m_panes;  // the other screens' windows
    QRect m_lockedDirty;                     // surface pixels drawn while locked
    struct PendingPut {
        QPointer<QWidget> pane;
        QPoint offset;   // the pane's top-left on the surface
        QRegion device;  // the pane's device pixels to put
    };
    std::vector<PendingPut> m_toPut;
    QImage m_surface;
    uint32_t m_hDC = 0;
};
