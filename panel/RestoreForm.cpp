#include "panel/RestoreForm.h"

#include <QWidget>

FormInstance<RestoreForm> fRestore;

void RestoreForm::InitializeComponent(QWidget& window) {
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("Lucivane"));
    SetFullScreen(true);
}
