#pragma once
// A push button whose caption wraps onto further lines when it is wider than the button, as
// a narrow, tall button with a long caption needs ("桌面复原(&R)" on 60 × 44 pixels).

#include <QPushButton>

class CaptionButton : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent* e) override;
};
