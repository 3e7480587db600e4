#include "platform/Interaction.h"

#include <QApplication>
#include <QMessageBox>

std::function<int(const QString&, int, const QString&)> Interaction::MsgBoxHook;
std::function<QDate()> Interaction::DateHook;

int Interaction::MsgBox(const QString& Prompt, int Buttons, const QString& Title) {
    if (MsgBoxHook) return MsgBoxHook(Prompt, Buttons, Title);
    QMessageBox box;
    box.setText(Prompt);
    box.setWindowTitle(Title.isEmpty() ? QApplication::applicationName() : Title);
    switch (Buttons & 0x70) {
        case 16:
            box.setIcon(QMessageBox::Critical);
            break;
        case 32:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case 64:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    // Only the OK button is offered; the program asks nothing else.
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return vbOK;
}

QDate Interaction::Date() { return DateHook ? DateHook() : QDate::currentDate(); }

double Interaction::OleDate(const QDate& date) {
    static const QDate epoch(1899, 12, 30);
    return static_cast<double>(epoch.daysTo(date));
}
