// Global services: screen metrics in twips, run mode, message box and local date.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "platform/Interaction.h"
#include "platform/Program.h"
#include "platform/Screen.h"

namespace {

TEST(ScreenTest, TwipsGiveTheScreenInDevicePixels) {
    QScreen* s = QGuiApplication::primaryScreen();
    ASSERT_NE(s, nullptr);
    const double dpi = s->logicalDotsPerInchX() * s->devicePixelRatio();
    EXPECT_DOUBLE_EQ(Screen::TwipsPerPixelX(), 1440.0 / dpi);
    if (dpi == 96.0) {
        EXPECT_DOUBLE_EQ(Screen::TwipsPerPixelX(), 15.0);
    }
    // The lens window's formula: rounded twips divided by rounded twips per pixel.
    const auto w = std::lrint(Screen::Width()) / std::lrint(Screen::TwipsPerPixelX());
    const auto h = std::lrint(Screen::Height()) / std::lrint(Screen::TwipsPerPixelY());
    if (std::lrint(Screen::TwipsPerPixelX()) == Screen::TwipsPerPixelX()) {
        EXPECT_EQ(w, std::lrint(s->geometry().width() * s->devicePixelRatio()));
        EXPECT_EQ(h, std::lrint(s->geometry().height() * s->devicePixelRatio()));
    }
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
}

TEST(InteractionTest, OleDatesCountDaysFromTheEpoch) {
    EXPECT_EQ(Interaction::OleDate(QDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(Interaction::OleDate(QDate(1900, 1, 1)), 2.0);
    EXPECT_EQ(Interaction::OleDate(QDate(2012, 4, 19)), 41018.0);
    EXPECT_EQ(Interaction::OleDate(QDate(2012, 4, 20)), 41019.0);
    EXPECT_EQ(Interaction::OleDate(QDate(1899, 12, 29)), -1.0);
}

}  // namespace
