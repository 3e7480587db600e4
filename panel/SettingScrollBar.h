#pragma once
// A horizontal scroll bar that sets a value from the keyboard as well as with the mouse: it
// takes the focus by Tab and by click, shows it with a focus frame, and its keys run the natural
// way (Right and End raise the value, Left and Home lower it, Page Up and Page Down move by the
// page step) instead of Qt's inverted scroll-bar keys.

#include <QScrollBar>

class SettingScrollBar : public QScrollBar {
  public:
    SettingScrollBar(int min, int max, int pageStep, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* e) override;
};
