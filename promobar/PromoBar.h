#pragma once
// The link bar: a search box with a search button and a row of five shopping links, each of
// which opens pages in the default browser through the shell's open action.
//
// Children (objectName, geometry in pixels at the design size 287 x 50):
//   "Text1"     search box, 8, 8, 161 x 18, starts with "减肥" — the only child taking focus
//   "Label2"    search button "淘宝+更多搜索", 176, 8, 101 x 18
//   "Label1_0" … "Label1_4"  links, 8 + 56 * index, 32, 49 x 17
// The layout is fixed: a host that gives the bar another size moves no child.
//
// Behaviour: a click on a link opens its address; a click on the search button, a double-click
// in the box or Enter in the box (any modifiers) opens two searches, the shopping guide first,
// each built from the box's text read anew and percent-encoded (UTF-8). A link turns red while
// the pointer moves over it; only a move over the bar's own background turns all five back to
// blue (moves over the box or the button do not reach the bar). When an address cannot be
// opened (no opener, or it cannot start), one message box per click says so; the opener is
// never waited for.

#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QMouseEvent;

class PromoBar : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("RegisteredName", "Lucivane.PromoBar")

  public:
    static constexpr const char* kRegisteredName = "Lucivane.PromoBar";
    static constexpr int kDesignWidth = 287;
    static constexpr int kDesignHeight = 50;
    static constexpr int kLinkCount = 5;
    // Colours in 0x00BBGGRR order.
    static constexpr uint32_t kLinkColor = 0x00C00000;   // blue 192
    static constexpr uint32_t kHoverColor = 0x000000FF;  // pure red
    static constexpr uint32_t kButtonBackColor = 0x00FFC0C0;
    static constexpr uint32_t kButtonForeColor = 0x00000000;

    explicit PromoBar(QWidget* parent = nullptr);

    // ForeColor of link `index` (0..4) in 0x00BBGGRR order; 0 for any other index.
    uint32_t LinkForeColor(int index) const;

    QSize sizeHint() const override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void Label1_Click(int Index);
    void Label1_MouseMove(int Index, int Button, int Shift, float X, float Y);
    void UserControl_MouseMove(int Button, int Shift, float X, float Y);
    void Label2_Click();
    void Text1_DblClick();
    void Text1_KeyDown(int KeyCode, int Shift);

    void Search();
    // The shell's result: > 32 when the opener was started.
    int32_t OpenLink(const QString& Address);
    // One message box for a failed result (<= 32); nothing otherwise.
    void ReportOpenFailure(int32_t result);
    void SetLinkForeColor(int index, uint32_t color);
    // Label mouse handling shared by the search button (index -1) and the links.
    bool LabelMouseEvent(int index, QEvent* event);

    QLineEdit* Text1_ = nullptr;
    QLabel* Label2_ = nullptr;
    std::array<QLabel*, kLinkCount> Label1_{};
    std::array<uint32_t, kLinkCount> m_linkForeColor{};
    // The label (-1 search button, 0..4 links) that took the last left press, or kNoPress; a
    // press that completed a double-click makes no click on its release.
    static constexpr int kNoPress = -2;
    int m_pressedLabel = kNoPress;
};
