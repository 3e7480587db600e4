#include "panel/CaptionButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
// Pixels kept free between a line of the caption and the contents area's sides.
constexpr int kSideGap = 2;
}  // namespace

QRect CaptionButton::CaptionArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()
        ->subElementRect(QStyle::SE_PushButtonContents, &option, this)
        .adjusted(kSideGap, 0, -kSideGap, 0);
}

void CaptionButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);

    QRect area = CaptionArea();
    if (isDown()) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
        flags |= Qt::TextHideMnemonic;
    p.drawItemText(area, flags, option.palette, isEnabled(), caption, QPalette::ButtonText);
}
