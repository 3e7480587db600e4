// The system clipboard publisher: in-process under the offscreen platform, and on a real X
// server, where another client (xclip) reads the picture.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QThread>

#include "clipboard/ClipboardPicture.h"
#include "dib/cDIB32.h"
#include "platform/SystemClipboard.h"
#include "platform/gdi/Clipboard.h"
#include "platform/gdi/GdiTesting.h"
#include "support/Xvfb.h"

namespace {

using namespace clipboard_test;

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
    ASSERT_TRUE(MakePicture(dib));
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

// Runs xclip until it answers (the owner may still be taking the selection).
QByteArray ReadClipboard(const test_support::Xvfb& server, const QString& target) {
    QElapsedTimer timer;
    timer.start();
    QByteArray out;
    while (out.isEmpty() && timer.elapsed() < 15000) {
        out = server.Run("xclip", {"-selection", "clipboard", "-t", target, "-o"}, 5000);
        if (out.isEmpty()) QThread::msleep(200);
    }
    return out;
}

TEST(SystemClipboardOnX, AnotherClientReadsThePicture) {
    for (const char* tool : {"Xvfb", "xclip"}) {
        if (!test_support::Xvfb::Installed(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    test_support::Xvfb server(QSize(320, 240));
    ASSERT_TRUE(server.ok()) << "Xvfb reported no display";
    test_support::OwnedProcess owner;
    ASSERT_TRUE(
        server.Start(owner, QStringLiteral(CLIPBOARD_OWNER_PROGRAM), server.ClientEnvironment()));
    ASSERT_EQ(owner.ReadLine(20000), QByteArray("ready")) << "the owner never copied";

    const QByteArray targets = ReadClipboard(server, QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("image/png")) << targets.constData();

    const QByteArray png = ReadClipboard(server, QStringLiteral("image/png"));
    ASSERT_TRUE(png.startsWith("\x89PNG"))
        << "no PNG from the clipboard (" << png.size() << " bytes)";
    EXPECT_EQ(Mismatches(QImage::fromData(png, "PNG")), 0);
}

}  // namespace
