#include "panel/LensStandIn.h"

#include <QEvent>
#include <QWidget>

#include "panel/LensWindow.h"

FormInstance<LensStandIn> fLens;

void LensStandIn::InitializeComponent(QWidget& window) {
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("Lucivane"));
    SetWindowState(vbMaximized);
    window.installEventFilter(this);
}

bool LensStandIn::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Window() && e->type() == QEvent::MouseButtonRelease) {
        Unload();
        return true;
    }
    return Form::eventFilter(watched, e);
}

void ShowLensWindow(Form& owner) { fLens->Show(Form::vbModal, &owner); }

void UnloadLensWindow() {
    if (fLens.Exists()) fLens->Unload();
    fLens.Release();
}
