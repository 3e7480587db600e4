#include "platform/Form.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <unordered_map>

#include "gdi/Surface.h"
#include "platform/DesktopCopier.h"
#include "platform/FormWindow.h"
#include "platform/Interaction.h"
#include "platform/Program.h"
#include "platform/ScreenCopy.h"
#include "platform/WindowServices.h"

namespace {

std::unordered_map<uint32_t, Form*>& HandleTable() {
    static std::unordered_map<uint32_t, Form*> table;
    return table;
}

int g_loadedCount = 0;
uint32_t g_nextHandle = 0x00020000;

uint32_t NewHandle(Form* form) {
    auto& table = HandleTable();
    uint32_t h;
    do {
        h = g_nextHandle++;
    } while (h == 0 || h == gdi::kDesktopWindow || table.count(h) != 0);
    table.emplace(h, form);
    return h;
}

}  // namespace

Form::Form() = default;

Form::~Form() {
    // Dropped while loaded: the window goes without Form_Unload.
    ThawScreen();  // the copy may live in the window's surface
    if (m_window) {
        win::WindowDestroyed(m_hWnd);
        HandleTable().erase(m_hWnd);
        --g_loadedCount;
        m_window->ReleaseSurface();
        delete m_window;
        m_window = nullptr;
    }
    ThawScreen();
    EndModalLoop();
}

void Form::Load() {
    if (m_window) return;
    ScreenCopy::Install();
    m_window = new FormWindow(*this);
    m_hWnd = NewHandle(this);
    ++g_loadedCount;
    InitializeComponent(*m_window);
    if (m_ownDC) m_window->CreateSurface();
    Form_Load();
}

void Form::Show(int Modal, Form* OwnerForm) {
    Load();
    if (!m_window) return;
    const bool modal = Modal == vbModal;
    if (modal && m_modalLoop) return;  // already shown modally
    if (m_copyLoop) return;            // still waiting for the screen copy
    const bool mapping = !m_window->isVisible();
    // The full-screen windows are made (not shown) while the copy is under way.
    if (m_fullScreen && mapping) m_window->CoverDesktop();
    if (m_frozenScreen && mapping && !PrepareDesktopCopy()) return;

    if (modal && mapping) m_window->setWindowModality(Qt::ApplicationModal);
    if (!(m_fullScreen && mapping) && m_windowState == vbMaximized) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            m_window->setGeometry(screen->geometry());
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
    }
    if (m_frozenScreen && mapping) {
        // The screen as it is before this window maps, taken straight into the surface: the
        // window starts out showing it. The copy is the surface (no other one made first).
        ThawScreen();  // a copy from an earlier showing is out of date
        ScreenCopy::Freeze(m_window->SurfaceImage());
        m_screenFrozen = true;
        m_window->SurfaceReplaced();
    } else {
        m_window->FitSurface();
    }
    QPointer<Form> self(this);
    QPointer<Form> owner(OwnerForm);
    if (OwnerForm && OwnerForm != this && OwnerForm->m_window && mapping) {
        m_window->winId();
        OwnerForm->m_window->winId();
        m_window->windowHandle()->setTransientParent(OwnerForm->m_window->windowHandle());
    }
    m_window->ShowPanes();
    if (!modal) return;
    // Show may already have run handlers that hid or unloaded the form.
    if (!self || !m_window || !m_window->isVisible()) return;

    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    // The owner takes the focus back itself: there may be no window manager to hand it over.
    if (owner && owner != self && owner->Visible()) {
        owner->m_window->raise();
        owner->m_window->activateWindow();
    }
    if (!self) return;
    m_modalLoop = nullptr;
    if (m_window && !m_window->isVisible()) m_window->setWindowModality(Qt::NonModal);
}

void Form::Hide() {
    if (m_window) m_window->hide();
    ThawScreen();  // hidden, it no longer stands over the screen
    EndModalLoop();
}

void Form::Unload() {
    if (!m_window) return;
    QPointer<Form> self(this);
    int16_t cancel = 0;
    Form_Unload(cancel);
    if (!self || cancel != 0) return;
    DestroyWindow();
}

void Form::DestroyWindow() {
    if (!m_window) return;
    FormWindow* window = m_window;
    m_window = nullptr;
    // The pointer is always given back, and the lock goes with the window.
    win::WindowDestroyed(m_hWnd);
    HandleTable().erase(m_hWnd);
    m_hWnd = 0;
    window->ReleaseSurface();
    ThawScreen();
    // The window may be in the middle of delivering the event that led here.
    window->hide();
    window->deleteLater();
    EndModalLoop();
    if (--g_loadedCount == 0) Program::LastFormUnloaded();
}

bool Form::PrepareDesktopCopy() {
    // The copy may come later (a portal asks the compositor, perhaps the user): wait for it in
    // a loop of its own, so the rest of the program stays usable meanwhile.
    struct Wait {
        bool done = false;
        QString error;
        QPointer<QEventLoop> loop;
    };
    auto wait = std::make_shared<Wait>();
    const bool started = DesktopCopier::Current().Prepare([wait](QString error) {
        wait->done = true;
        wait->error = std::move(error);
        if (wait->loop) wait->loop->quit();
    });
    if (!started) return false;
    QPointer<Form> self(this);
    if (!wait->done) {
        QEventLoop loop;
        wait->loop = m_copyLoop = &loop;
        loop.exec();
        if (!self) return false;
        m_copyLoop = nullptr;
    }
    if (!wait->done || !m_window) return false;  // unloaded meanwhile
    if (wait->error.isEmpty()) return true;
    // No copy, no lens: a black or stale one would mislead.
    Interaction::MsgBox(wait->error, Interaction::vbExclamation,
                        QGuiApplication::applicationName());
    if (self) Unload();
    return false;
}

void Form::ThawScreen() {
    if (!m_screenFrozen) return;
    m_screenFrozen = false;
    ScreenCopy::Thaw();
}

void Form::EndModalLoop() {
    if (m_modalLoop) m_modalLoop->quit();
    if (m_copyLoop) m_copyLoop->quit();
}

bool Form::Visible() const { return m_window && m_window->isVisible(); }

uint32_t Form::hWnd() {
    Load();
    return m_hWnd;
}

void Form::Refresh() {
    if (!m_window) return;
    if (m_ownDC) {
        Form_Paint();  // its drawing schedules the repaint of what it changed
    } else {
        m_window->repaint();
    }
}

uint32_t Form::hDC() {
    Load();
    return m_window ? m_window->SurfaceDC() : 0;
}

QImage* Form::Surface() const { return m_window ? m_window->SurfaceImage() : nullptr; }

QWidget* Form::Window() const { return m_window; }

void Form::Move(QWidget* control, int left, int top) {
    if (control) control->move(left, top);
}

Form* Form::FromHandle(uint32_t handle) {
    auto& table = HandleTable();
    auto it = table.find(handle);
    return it == table.end() ? nullptr : it->second;
}

int Form::LoadedCount() { return g_loadedCount; }

void Form::Form_MouseMove(int16_t, int16_t, float, float) {}

void Form::Form_KeyDown(int16_t&, int16_t) {}

void Form::Form_MouseWheel(int16_t, int16_t) {}

void Form::Form_Unload(int16_t&) {}
