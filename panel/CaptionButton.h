#pragma once
// A push button whose caption wraps onto further lines when it is wider than the button, as
// a narrow, tall button with a long caption needs ("桌面复原(&R)" on 60 × 44 pixels).

#include <QPushButton>

class CaptionButton : public QPushButton {
  public:
    using QPushButton::QPushButton;

    // The area the caption is laid out and wrapped in (when the button is up): the style's
    // contents area, kept a little further from the frame so that no line touches it.
    QRect CaptionArea() const;

  protected:
    void paintEvent(QPaintEvent* e) override;
};
