#pragma once
// Starts the control panel with a replaceable run mode and date, records message boxes and
// the program's end, and leaves no form or window behind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QString>
#include <vector>

#include "panel/MainForm.h"
#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/Interaction.h"
#include "platform/Program.h"

struct RecordedMessage {
    QString text;
    int style;
    QString title;
};

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Program::RunModeHook = [this] { return runMode; };
        Interaction::DateHook = [this] { return today; };
        Interaction::MsgBoxHook = [this](const QString& text, int style, const QString& title) {
            messages.push_back({text, style, title});
            if (onMessage) onMessage();
            return Interaction::vbOK;
        };
        Program::EndHook = [this] { ++ends; };
    }

    void TearDown() override {
        FormInstanceBase::ReleaseAll();
        Program::RunModeHook = nullptr;
        Interaction::DateHook = nullptr;
        Interaction::MsgBoxHook = nullptr;
        Program::EndHook = nullptr;
        EXPECT_EQ(Form::LoadedCount(), 0);
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }

    // Starts the program the way the runtime does: the start-up form is shown.
    MainForm& Start() {
        fMain->Show();
        QApplication::processEvents();
        return *fMain;
    }

    int runMode = 1;
    QDate today{2024, 1, 1};
    std::vector<RecordedMessage> messages;
    std::function<void()> onMessage;
    int ends = 0;
};
