#include "panel/MainForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "panel/CaptionButton.h"
#include "panel/LensIcon.h"
#include "panel/LensWindow.h"
#include "panel/RestoreForm.h"
#include "panel/SettingScrollBar.h"
#include "platform/Interaction.h"
#include "platform/Program.h"
#include "promobar/PromoBar.h"

FormInstance<MainForm> fMain;

namespace {

// The link bar appears from this date on (20 April 2012).
constexpr double kPromoBarFrom = 41019.0;

template <class W>
W* Place(W* control, int left, int top, int width, int height) {
    control->setGeometry(left, top, width, height);
    return control;
}

QLabel* NewLabel(QWidget& parent, const QString& caption, Qt::Alignment align) {
    auto* label = new QLabel(caption, &parent);
    label->setAlignment(align | Qt::AlignTop);
    return label;
}

}  // namespace

void MainForm::InitializeComponent(QWidget& window) {
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window.setWindowTitle(QStringLiteral("Lucivane"));
    window.setWindowIcon(LensIcon());
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    window.setFont(font);
    window.setFixedSize(kClientWidth, kClientHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.x() + (area.width() - kClientWidth) / 2,
                    area.y() + (area.height() - kClientHeight) / 2);
    }

    cmdStart = Place(new QPushButton(QStringLiteral("开始(&S)"), &window), 224, 16, 60, 41);
    cmdExit = Place(new QPushButton(QStringLiteral("退出(&E)"), &window), 224, 80, 60, 25);
    chkConvex = Place(new QCheckBox(QStringLiteral("凸起"), &window), 48, 16, 130, 16);
    lblColorMask = Place(NewLabel(window, QStringLiteral("颜色"), Qt::AlignLeft), 17, 41, 68, 15);
    cbColorMask = Place(new QComboBox(&window), 16, 57, 169, 21);
    cbColorMask->setEditable(false);
    cbColorMask->addItems({QStringLiteral("<无>"), QStringLiteral("红色"), QStringLiteral("绿色"),
                           QStringLiteral("蓝色"), QStringLiteral("黄色"), QStringLiteral("洋红"),
                           QStringLiteral("青色")});
    cbColorMask->setCurrentIndex(-1);  // nothing selected until the defaults are set
    lblRadius = Place(NewLabel(window, QStringLiteral("半径"), Qt::AlignLeft), 17, 87, 46, 15);
    lblRadiusV = Place(NewLabel(window, QString(), Qt::AlignRight), 136, 87, 46, 15);
    sbRadius = Place(new SettingScrollBar(50, 250, 25, &window), 15, 102, 169, 14);
    lblFactor = Place(NewLabel(window, QStringLiteral("倍数"), Qt::AlignLeft), 17, 125, 46, 15);
    lblFactorV = Place(NewLabel(window, QString(), Qt::AlignRight), 136, 125, 46, 15);
    sbFactor = Place(new SettingScrollBar(5, 145, 5, &window), 15, 140, 169, 14);
    cmdRestoreDeskTop =
        Place(new CaptionButton(QStringLiteral("桌面复原(&R)"), &window), 224, 128, 60, 44);
    // The bar keeps its own fixed inner layout at any size it is given.
    PromoBar1 = Place(new PromoBar(&window), 8, 184, 281, 49);
    PromoBar1->setVisible(false);

    QWidget* order[] = {cmdStart,  cmdExit,           chkConvex, lblColorMask, cbColorMask,
                        lblRadius, lblRadiusV,        sbRadius,  lblFactor,    lblFactorV,
                        sbFactor,  cmdRestoreDeskTop, PromoBar1};
    for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);

    QObject::connect(cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
    QObject::connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    QObject::connect(cmdRestoreDeskTop, &QPushButton::clicked, this,
                     [this] { cmdRestoreDeskTop_Click(); });
    // Change runs on every value change (tracking is on, so also while the thumb is dragged);
    // Scroll runs for the drag itself.
    QObject::connect(sbRadius, &QScrollBar::valueChanged, this, [this] { sbRadius_Change(); });
    QObject::connect(sbRadius, &QScrollBar::sliderMoved, this, [this] { sbRadius_Scroll(); });
    QObject::connect(sbFactor, &QScrollBar::valueChanged, this, [this] { sbFactor_Change(); });
    QObject::connect(sbFactor, &QScrollBar::sliderMoved, this, [this] { sbFactor_Scroll(); });
}

void MainForm::Form_Load() {
    if (Interaction::OleDate(Interaction::Date()) >= kPromoBarFrom) PromoBar1->setVisible(true);

    if (Program::RunMode() == 1) {
        sbRadius->setValue(150);
        sbFactor->setValue(75);
        chkConvex->setCheckState(Qt::Checked);
        cbColorMask->setCurrentIndex(0);
    } else {
        Interaction::MsgBox(QStringLiteral("要想看到特效，请先编译后运行．"),
                            Interaction::vbExclamation, QStringLiteral("提示"));
        Unload();
    }
}

void MainForm::Form_Unload(int16_t&) {
    UnloadLensWindow();
    fRestore->Unload();
    fRestore.Release();
    fMain.Release();
}

void MainForm::cmdStart_Click() { ShowLensWindow(*this); }

void MainForm::cmdExit_Click() { Unload(); }

void MainForm::cmdRestoreDeskTop_Click() {
    fRestore->Show();
    fRestore->Hide();
}

void MainForm::sbRadius_Change() { lblRadiusV->setText(QString::number(sbRadius->value())); }

void MainForm::sbRadius_Scroll() { sbRadius_Change(); }

void MainForm::sbFactor_Change() { lblFactorV->setText(QString::number(sbFactor->value())); }

void MainForm::sbFactor_Scroll() { sbFactor_Change(); }

int16_t MainForm::chkConvexValue() const {
    if (!chkConvex) return 0;
    switch (chkConvex->checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        default:
            return 0;
    }
}

int16_t MainForm::Lens_Convex() const { return chkConvexValue() != 0 ? -1 : 0; }

int32_t MainForm::Lens_Radius() const {
    return sbRadius ? static_cast<int16_t>(sbRadius->value()) : 0;
}

int32_t MainForm::Lens_Factor() const {
    return sbFactor ? static_cast<int16_t>(sbFactor->value()) : 0;
}

uint32_t MainForm::Lens_ColorMask() const {
    const int index = cbColorMask ? cbColorMask->currentIndex() : -1;
    return index >= 0 && index < static_cast<int>(kColorMasks.size()) ? kColorMasks[index] : 0;
}

int16_t MainForm::Lens_UpdateLookUpTable() {
    const int16_t radius = static_cast<int16_t>(Lens_Radius());
    const int16_t factor = static_cast<int16_t>(Lens_Factor());
    const int16_t convex = chkConvexValue();
    if (LastFactor != factor || LastRadius != radius || LastConvex != convex) {
        LastConvex = convex;
        LastRadius = radius;
        LastFactor = factor;
        return -1;
    }
    return 0;
}
