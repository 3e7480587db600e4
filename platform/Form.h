#pragma once
// A form: one top-level window of the program with its event handlers.
//
// The form object lives as long as its program-wide instance holds it (see FormInstance); its
// window exists only while the form is loaded. Load() builds the window from the form's design
// data (InitializeComponent) and runs Form_Load; Unload() runs Form_Unload and destroys the
// window, so the next reference loads it afresh while member state of the object survives.
//
// Events reach the handlers on the user-interface thread:
//   Form_Load      once per load, before the window is shown;
//   Form_Activate  when the shown window has been mapped and exposed, and again whenever it is
//                  activated after having lost activation;
//   Form_Paint     when the window needs painting, and from Refresh();
//   Form_MouseMove for every mouse move over the window (mouse tracking is on), with buttons
//                  (1 left, 2 right, 4 middle), shift state (1 Shift, 2 Ctrl, 4 Alt) and the
//                  position in device pixels of the client area;
//   Form_KeyDown   for a key pressed in any of the form's windows, before the control with the
//                  focus sees it: the key's code (vbKey… below; keys without one are not told)
//                  and the shift state; setting KeyCode to 0 keeps the key from the control;
//   Form_MouseWheel for whole wheel notches over any of the form's windows (positive: turned
//                  away from the user), with the shift state. Finer wheels and touchpads add up
//                  their angle until a notch is whole; a horizontal turn counts as a vertical one
//                  (some set-ups turn Shift with the wheel into one);
//   Form_Unload    before the window is destroyed; setting Cancel non-zero keeps it loaded.
//
// A form with its own device context (SetOwnDC(true) in InitializeComponent) is drawn only
// through hDC(): a persistent DC over a window surface, a 32-bit image of the client area in
// device pixels, whose clip region stays selected across events. Each drawing call schedules a
// repaint of the rectangles it changed, and the window's paint copies just those from the
// surface. Such a form gets Form_Paint after each activation, after a resize and from
// Refresh(), never for the presentation of its own drawing.
//
// A full-screen form (SetFullScreen(true)) covers the whole desktop (platform/Desktop.h): its
// window goes full-screen on the primary screen, and one more full-screen window is made on each
// other screen. Full-screen state, never maximised, so docks and panels are covered; out of task
// lists and pagers; transient for the owner. Its surface is desktop-sized, each window presents
// its part, and Form_MouseMove positions from any of them are desktop device pixels. Once
// activated, a window-manager action (minimise, another window activated, a desktop switch)
// ends the capture and sends a move at the last position, so the form sees the loss at once.
//
// A form that covers the screen and must not see itself in it (the lens window) also calls
// SetFrozenScreen(true) in InitializeComponent: Show then takes a copy of the desktop before
// the windows map (ScreenCopy::Freeze), the screen DC (GetDC(0)) reads that copy while the
// form is loaded, and the window surface starts as that copy, so mapping the windows changes
// nothing on screen. The copy is dropped when the form unloads. Where the copy comes
// asynchronously (the desktop portal on Wayland; platform/DesktopCopier.h) Show waits for it in
// a nested event loop, and a Show meanwhile does nothing; where none can be had, Show tells the
// user in a message box and unloads the form instead of showing it.
//
// Mouse capture (see platform/WindowServices.h): a button pressed over a form window captures
// the mouse for it, a release ends the capture, and so do a lost activation and the window's
// destruction; an unloading form always gives the pointer back.

#include <QObject>
#include <QPointer>
#include <cstdint>

class QEventLoop;
class QImage;
class QWidget;
class FormWindow;

class Form : public QObject {
  public:
    Form();
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Window states as the design data gives them.
    static constexpr int vbNormal = 0;
    static constexpr int vbMaximized = 2;
    static constexpr int vbModal = 1;

    // Key codes for Form_KeyDown; letters and digits are their upper-case ASCII codes.
    static constexpr int16_t vbKeyReturn = 13;
    static constexpr int16_t vbKeyEscape = 27;
    static constexpr int16_t vbKeySpace = 32;
    static constexpr int16_t vbKeyLeft = 37;
    static constexpr int16_t vbKeyUp = 38;
    static constexpr int16_t vbKeyRight = 39;
    static constexpr int16_t vbKeyDown = 40;

    // Creates the window and runs Form_Load; does nothing when already loaded. The handler may
    // unload the form again, in which case IsLoaded() is false afterwards.
    void Load();

    // Loads if needed and shows the window. Modal (mode 1) blocks the rest of the program's
    // windows, runs a nested event loop and returns only when this form has been hidden or
    // unloaded; the owner, when given and loaded, becomes the window's transient parent and
    // is activated again when the modal display ends.
    void Show(int Modal = 0, Form* OwnerForm = nullptr);

    // Hides without unloading; ends a modal Show of this form.
    void Hide();

    // Runs Form_Unload and destroys the window; ends a modal Show of this form. Does nothing
    // when the form is not loaded. When the last loaded form goes, the program ends.
    void Unload();

    bool IsLoaded() const { return m_window != nullptr; }
    bool Visible() const;

    // The window's 32-bit handle; loads the form when needed. Never 0 for a loaded form.
    uint32_t hWnd();

    // Repaints at once through Form_Paint (nothing when not loaded).
    void Refresh();

    // The window while loaded, else nullptr.
    QWidget* Window() const;

    // The window's persistent device context; loads the form when needed. 0 for a form
    // without its own DC. The handle goes stale when the form unloads.
    uint32_t hDC();

    // The window surface behind hDC() (Format_RGB32, device pixels), while loaded; nullptr
    // for a form without its own DC. Writing into it directly schedules no repaint.
    QImage* Surface() const;

    // Moves a control to (left, top) in pixels, keeping its size.
    static void Move(QWidget* control, int left, int top);

    // The loaded form owning a window handle; nullptr for 0, stale or unknown handles.
    static Form* FromHandle(uint32_t handle);

    // Number of loaded forms in the program.
    static int LoadedCount();

  protected:
    // Builds the controls on a fresh window and sets its design properties (caption, frame,
    // size, font, icon); runs at every load, before Form_Load.
    virtual void InitializeComponent(QWidget& window) = 0;

    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Paint() {}
    virtual void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    virtual void Form_KeyDown(int16_t& KeyCode, int16_t Shift);
    virtual void Form_MouseWheel(int16_t Notches, int16_t Shift);
    virtual void Form_Unload(int16_t& Cancel);

    // Design property: vbMaximized makes the shown window cover the primary screen.
    void SetWindowState(int state) { m_windowState = state; }
    int WindowState() const { return m_windowState; }

    // Design property: the form covers every screen, one full-screen window per screen.
    void SetFullScreen(bool fullScreen) { m_fullScreen = fullScreen; }
    bool FullScreen() const { return m_fullScreen; }

    // Design property: the form draws through its own persistent device context.
    void SetOwnDC(bool ownDC) { m_ownDC = ownDC; }
    bool OwnDC() const { return m_ownDC; }

    // Design property: the screen is copied before the window maps and the surface starts as
    // that copy (needs SetOwnDC(true) for the surface part).
    void SetFrozenScreen(bool frozen) { m_frozenScreen = frozen; }
    bool FrozenScreen() const { return m_frozenScreen; }

  private:
    friend class FormWindow;

    void EndModalLoop();
    void DestroyWindow();
    // Gets the screen copy ready (ScreenCopy::Take returns it); false after telling the user
    // why there is none, or when the form went meanwhile.
    bool PrepareDesktopCopy();
    void ThawScreen();

    FormWindow* m_window = nullptr;
    uint32_t m_hWnd = 0;
    int m_windowState = vbNormal;
    bool m_ownDC = false;
    bool m_fullScreen = false;
    bool m_frozenScreen = false;
    bool m_screenFrozen = false;  // this form holds a ScreenCopy::Freeze
    QPointer<QEventLoop> m_modalLoop;
    QPointer<QEventLoop> m_copyLoop;  // waiting for the screen copy
};
