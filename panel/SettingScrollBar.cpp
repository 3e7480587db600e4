#include "panel/SettingScrollBar.h"

#include <QStyleOptionFocusRect>
#include <QStylePainter>

SettingScrollBar::SettingScrollBar(int min, int max, int pageStep, QWidget* parent)
    : QScrollBar(Qt::Horizontal, parent) {
    setRange(min, max);
    setSingleStep(1);
    setPageStep(pageStep);
    setTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setInvertedControls(false);
}

void SettingScrollBar::paintEvent(QPaintEvent* e) {
    QScrollBar::paintEvent(e);
    if (!hasFocus()) return;
    // Scroll-bar styles draw no focus of their own.
    QStylePainter p(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = palette().color(QPalette::Window);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
