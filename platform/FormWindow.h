#pragma once
// The Qt window behind a loaded Form: turns Qt's events into the form's handlers.

#include <QWidget>

class Form;

class FormWindow : public QWidget {
public:
    explicit FormWindow(Form& form);

    // The form whose window this is.
    Form& OwnerForm() const { return m_form; }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void ActivateLater();

    Form& m_form;
    // Set by a show; the first exposure afterwards activates the form.
    bool m_activatePending = false;
    // Set once the form was activated and then lost activation; the next activation repeats
    // Form_Activate.
    bool m_deactivated = false;
    bool m_filterInstalled = false;
};
