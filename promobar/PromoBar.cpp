#include "promobar/PromoBar.h"

#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QUrl>

#include "platform/Interaction.h"
#include "platform/ShellExecute.h"
#include "promobar/LinkCursor.h"
#include "promobar/PromoAddresses.h"

static_assert(PromoBar::kLinkCount == PromoAddresses::kLinkCount);

namespace {

constexpr int kVbKeyReturn = 13;
constexpr int kVbShiftMask = 1;
constexpr int kVbCtrlMask = 2;
constexpr int kVbAltMask = 4;

const char* const kLinkCaptions[PromoBar::kLinkCount] = {"淘宝特卖", "商城导航", "淘宝排行",
                                                         "皇冠店铺", "实惠抢购"};

QColor FromColorRef(uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

// "宋体" where installed; otherwise fontconfig picks any font with the Chinese glyphs.
QFont SongFont(qreal points, bool underline) {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun")});
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setUnderline(underline);
    return font;
}

// Children would take the bar's button background role and its contrasting button text role;
// the labels paint with their own window and text colours instead.
void UseOwnColorRoles(QWidget* widget) {
    widget->setBackgroundRole(QPalette::Window);
    widget->setForegroundRole(QPalette::WindowText);
}

void SetTextColor(QWidget* widget, uint32_t bgr) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, FromColorRef(bgr));
    widget->setPalette(palette);
}

int KeyCodeOf(const QKeyEvent* event) {
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter ? kVbKeyReturn : key;
}

int ShiftOf(Qt::KeyboardModifiers modifiers) {
    return ((modifiers & Qt::ShiftModifier) ? kVbShiftMask : 0) |
           ((modifiers & Qt::ControlModifier) ? kVbCtrlMask : 0) |
           ((modifiers & Qt::AltModifier) ? kVbAltMask : 0);
}

}  // namespace

PromoBar::PromoBar(QWidget* parent) : QWidget(parent) {
    setProperty("registeredName", QString::fromLatin1(kRegisteredName));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    // Moves without a button must reach the bar: they restore the link colours.
    setMouseTracking(true);
    resize(kDesignWidth, kDesignHeight);

    const QCursor linkCursor = LinkCursor::Make();

    // Children are created in tab order; that is their focus-chain order.
    Text1_ = new QLineEdit(QStringLiteral("减肥"), this);
    Text1_->setObjectName(QStringLiteral("Text1"));
    Text1_->setGeometry(8, 8, 161, 18);
    Text1_->installEventFilter(this);

    Label2_ = new QLabel(QStringLiteral("淘宝+更多搜索"), this);
    Label2_->setObjectName(QStringLiteral("Label2"));
    Label2_->setGeometry(176, 8, 101, 18);
    Label2_->setAlignment(Qt::AlignCenter);
    Label2_->setFont(SongFont(10.5, false));
    UseOwnColorRoles(Label2_);
    Label2_->setAutoFillBackground(true);
    {
        QPalette palette = Label2_->palette();
        palette.setColor(QPalette::Window, FromColorRef(kButtonBackColor));
        palette.setColor(QPalette::WindowText, FromColorRef(kButtonForeColor));
        Label2_->setPalette(palette);
    }
    Label2_->setCursor(linkCursor);
    Label2_->installEventFilter(this);

    for (int i = 0; i < kLinkCount; ++i) {
        auto* link = new QLabel(QString::fromUtf8(kLinkCaptions[i]), this);
        link->setObjectName(QStringLiteral("Label1_%1").arg(i));
        link->setGeometry(8 + 56 * i, 32, 49, 17);
        link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        link->setFont(SongFont(9, true));
        link->setCursor(linkCursor);
        UseOwnColorRoles(link);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        Label1_[i] = link;
        SetLinkForeColor(i, kLinkColor);
    }
}

QSize PromoBar::sizeHint() const { return QSize(kDesignWidth, kDesignHeight); }

uint32_t PromoBar::LinkForeColor(int index) const {
    if (index < 0 || index >= kLinkCount) return 0;
    return m_linkForeColor[index];
}

void PromoBar::SetLinkForeColor(int index, uint32_t color) {
    // Every move repeats the colour; repaint only on a change.
    if (m_linkForeColor[index] == color) return;
    m_linkForeColor[index] = color;
    SetTextColor(Label1_[index], color);
}

bool PromoBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1_) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            Text1_KeyDown(KeyCodeOf(key), ShiftOf(key->modifiers()));
        } else if (event->type() == QEvent::MouseButtonDblClick &&
                   static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            Text1_DblClick();
        }
        // The box keeps its ordinary handling (editing, word selection).
        return false;
    }
    if (watched == Label2_) return LabelMouseEvent(-1, event);
    for (int i = 0; i < kLinkCount; ++i) {
        if (watched == Label1_[i]) return LabelMouseEvent(i, event);
    }
    return QWidget::eventFilter(watched, event);
}

bool PromoBar::LabelMouseEvent(int index, QEvent* event) {
    QLabel* label = index < 0 ? Label2_ : Label1_[index];
    switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (index >= 0) {
                Label1_MouseMove(index, static_cast<int>(mouse->buttons()),
                                 ShiftOf(mouse->modifiers()),
                                 static_cast<float>(mouse->position().x()),
                                 static_cast<float>(mouse->position().y()));
            }
            // Consumed: a label's move must not fall through to the bar's background.
            return true;
        }
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) m_pressedLabel = index;
            return true;
        }
        case QEvent::MouseButtonDblClick:
            // The second press of a double-click: its release is no second click.
            m_pressedLabel = kNoPress;
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return true;
            const bool click =
                m_pressedLabel == index && label->rect().contains(mouse->position().toPoint());
            m_pressedLabel = kNoPress;
            if (click) {
                if (index < 0) {
                    Label2_Click();
                } else {
                    Label1_Click(index);
                }
            }
            return true;
        }
        default:
            return false;
    }
}

void PromoBar::mouseMoveEvent(QMouseEvent* event) {
    UserControl_MouseMove(static_cast<int>(event->buttons()), ShiftOf(event->modifiers()),
                          static_cast<float>(event->position().x()),
                          static_cast<float>(event->position().y()));
}

void PromoBar::Label1_Click(int Index) {
    if (Index < 0 || Index >= kLinkCount) return;
    QString address;
    address = QString::fromLatin1(PromoAddresses::kLinks[Index]);
    ReportOpenFailure(OpenLink(address));
}

void PromoBar::Label1_MouseMove(int Index, int /*Button*/, int /*Shift*/, float /*X*/,
                                float /*Y*/) {
    SetLinkForeColor(Index, kHoverColor);
}

void PromoBar::UserControl_MouseMove(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) {
    for (int i = 0; i < kLinkCount; ++i) SetLinkForeColor(i, kLinkColor);
}

void PromoBar::Label2_Click() { Search(); }

void PromoBar::Text1_DblClick() { Search(); }

void PromoBar::Text1_KeyDown(int KeyCode, int /*Shift*/) {
    if (KeyCode == kVbKeyReturn) Search();
}

namespace {

// The text as UTF-8 with every byte but the unreserved ones (letters, digits, - . _ ~)
// percent-encoded, so that "C++", "AT&T", "C#" or "a/b" search for exactly themselves.
QString SearchTerm(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

}  // namespace

void PromoBar::Search() {
    // The text is read again for the second page, which is tried even when the first failed.
    const int32_t first = OpenLink(QString::fromLatin1(PromoAddresses::kGuideSearchPrefix) +
                                   SearchTerm(Text1_->text()) +
                                   QString::fromLatin1(PromoAddresses::kGuideSearchSuffix));
    const int32_t second = OpenLink(QString::fromLatin1(PromoAddresses::kMarketSearchPrefix) +
                                    SearchTerm(Text1_->text()) +
                                    QString::fromLatin1(PromoAddresses::kMarketSearchSuffix));
    ReportOpenFailure(first > 32 ? second : first);
}

int32_t PromoBar::OpenLink(const QString& Address) {
    const QByteArray narrow = Address.toLocal8Bit();
    return platform::ShellExecuteA(0, nullptr, narrow.constData(), nullptr, nullptr, 1);
}

void PromoBar::ReportOpenFailure(int32_t result) {
    if (result > 32) return;
    Interaction::MsgBox(platform::ShellErrorText(result), Interaction::vbExclamation,
                        QStringLiteral("提示"));
}
