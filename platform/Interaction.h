#pragma once
// The message box and the local date, each behind one hook that tests may replace.

#include <QDate>
#include <QString>
#include <functional>

class Interaction {
  public:
    // Message box styles and answers used by the program.
    static constexpr int vbOKOnly = 0;
    static constexpr int vbExclamation = 48;
    static constexpr int vbOK = 1;

    // Shows a modal message box (style: buttons + icon, e.g. 48 = warning icon and OK) and
    // returns the button pressed.
    static int MsgBox(const QString& Prompt, int Buttons = vbOKOnly, const QString& Title = {});
    static std::function<int(const QString& Prompt, int Buttons, const QString& Title)> MsgBoxHook;

    // Today's local calendar date.
    static QDate Date();
    static std::function<QDate()> DateHook;

    // A date as an OLE Automation date: days since 30 December 1899.
    static double OleDate(const QDate& date);
};
