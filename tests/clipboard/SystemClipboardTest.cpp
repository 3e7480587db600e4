// The system clipboard publisher: in-process under the offscreen platform, and on a real X
// server, where another client (xclip) reads the picture.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "clipboard/ClipboardPicture.h"
#include "dib/cDIB32.h"
#include "platform/SystemClipboard.h"
#include "platform/gdi/Clipboard.h"
#include "platform/gdi/GdiTesting.h"

namespace {

using namespace clipboard_test;

void MakePicture(cDIB32& dib) {
    ASSERT_EQ(dib.Create(kWidth, kHeight), -1);
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) dib.DIBitsPtr()[y * kWidth + x] = PixelAt(x, y);
    }
}

// Number of pixels that differ from the picture (colour channels only), or -1 for a wrong size.
int Mismatches(const QImage& image) {
    if (image.width() != kWidth || image.height() != kHeight) return -1;
    int bad = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if ((image.pixel(x, y) & 0xFFFFFFu) != PixelAt(x, y)) ++bad;
        }
    }
    return bad;
}

TEST(SystemClipboard, PublishesADeepCopyOfTheClipboardBitmap) {
    gdi::testing::ResetClipboard();
    SystemClipboard::Install();
    cDIB32 dib;
    MakePicture(dib);
    dib.CopyToClipboard();

    const gdi::HBITMAP held = gdi::testing::ClipboardBitmap();
    const QImage direct = SystemClipboard::ToImage(held);
    EXPECT_EQ(direct.format(), QImage::Format_RGB32);
    EXPECT_EQ(Mismatches(direct), 0);
    EXPECT_EQ(Mismatches(QGuiApplication::clipboard()->image()), 0);

    // Once the clipboard lets go of its bitmap, the published picture is still whole.
    gdi::testing::ResetClipboard();
    EXPECT_EQ(gdi::GetObjectType(held), 0u);
    EXPECT_EQ(Mismatches(direct), 0);
    EXPECT_EQ(Mismatches(QGuiApplication::clipboard()->image()), 0);
    EXPECT_TRUE(SystemClipboard::ToImage(held).isNull());
    EXPECT_TRUE(SystemClipboard::ToImage(dib.hDIBDC()).isNull());  // not a bitmap
}

// Kills a started process and waits for it, whatever the test's outcome.
struct OwnedProcess {
    ~OwnedProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QByteArray ReadLine(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < timeoutMs &&
               process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(100);
        }
        return process.canReadLine() ? process.readLine().trimmed() : QByteArray();
    }
    QProcess process;
};

// Runs xclip against `display` until it answers (the owner may still be taking the selection).
QByteArray ReadClipboard(const QString& display, const QString& target) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 15000) {
        OwnedProcess xclip;
        xclip.process.setProcessEnvironment(env);
        xclip.process.start(QStringLiteral("xclip"),
                            {"-selection", "clipboard", "-t", target, "-o"});
        if (xclip.process.waitForFinished(5000) && xclip.process.exitCode() == 0) {
            const QByteArray out = xclip.process.readAllStandardOutput();
            if (!out.isEmpty()) return out;
        }
        QProcess::execute(QStringLiteral("sleep"), {QStringLiteral("0.2")});
    }
    return QByteArray();
}

TEST(SystemClipboardOnX, AnotherClientReadsThePicture) {
    for (const char* tool : {"Xvfb", "xclip"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            GTEST_SKIP() << tool << " is not installed";
        }
    }
    // Xvfb picks a free display itself and tells us its number.
    OwnedProcess xvfb;
    xvfb.process.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "320x240x24",
                                                "-nolisten", "tcp", "-noreset"});
    ASSERT_TRUE(xvfb.process.waitForStarted(5000));
    const QByteArray number = xvfb.ReadLine(15000);
    ASSERT_FALSE(number.isEmpty()) << "Xvfb reported no display";
    const QString display = QStringLiteral(":") + QString::fromLatin1(number);

    OwnedProcess owner;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    owner.process.setProcessEnvironment(env);
    owner.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    owner.process.start(QStringLiteral(CLIPBOARD_OWNER_PROGRAM), QStringList());
    ASSERT_TRUE(owner.process.waitForStarted(5000));
    ASSERT_EQ(owner.ReadLine(20000), QByteArray("ready")) << "the owner never copied";

    const QByteArray targets = ReadClipboard(display, QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("image/png")) << targets.constData();

    const QByteArray png = ReadClipboard(display, QStringLiteral("image/png"));
    ASSERT_TRUE(png.startsWith("\x89PNG"))
        << "no PNG from the clipboard (" << png.size() << " bytes)";
    const QImage image = QImage::fromData(png, "PNG");
    EXPECT_EQ(image.width(), kWidth);
    EXPECT_EQ(image.height(), kHeight);
    EXPECT_EQ(Mismatches(image), 0);
}

}  // namespace
