#pragma once
// The Qt window behind a loaded Form: turns Qt's events into the form's handlers.

#include <QImage>
#include <QWidget>
#include <cstdint>

class Form;

class FormWindow : public QWidget {
  public:
    explicit FormWindow(Form& form);
    ~FormWindow() override;

    // The form whose window this is.
    Form& OwnerForm() const { return m_form; }

    // The window surface and its persistent DC (forms with their own DC only).
    void CreateSurface();
    // Matches the surface to the client area in device pixels, keeping what fits.
    void FitSurface();
    void ReleaseSurface();
    // Copies `image` into the surface at device pixel (0, 0), as far as both reach.
    void FillSurface(const QImage& image);
    // While locked, drawing into the DC is not presented; unlocking presents what was drawn.
    void SetUpdateLocked(bool locked);
    uint32_t SurfaceDC() const { return m_hDC; }
    QImage* SurfaceImage() { return m_hDC ? &m_surface : nullptr; }

  protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void ActivateLater();
    void PaintLater();
    void Present(int left, int top, int right, int bottom);

    Form& m_form;
    // Set by a show; the first exposure afterwards activates the form.
    bool m_activatePending = false;
    // Set once the form was activated and then lost activation; the next activation repeats
    // Form_Activate.
    bool m_deactivated = false;
    bool m_filterInstalled = false;
    bool m_updateLocked = false;
    QRect m_lockedDirty;  // logical pixels drawn while locked
    QImage m_surface;
    uint32_t m_hDC = 0;
};
