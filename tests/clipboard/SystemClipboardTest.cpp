// The system clipboard publisher: in-process under the offscreen platform, and on a real X
// server, where another client (xclip) reads the picture.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QThread>

#include "clipboard/ClipboardPicture.h"
#include "gdi/GdiTesting.h"
#include "platform/SystemClipboard.h"
#include "support/Xvfb.h"

namespace {

using namespace clipboard_test;

// Whether the image is the picture, colour channels only.
bool IsPicture(const QImage& image) {
    bool same = image.size() == QSize(kWidth, kHeight);
    for (int k = 0; same && k < kWidth * kHeight; ++k)
        same = (image.pixel(k % kWidth, k / kWidth) & 0xFFFFFFu) == PixelAt(k % kWidth, k / kWidth);
    return same;
}

TEST(SystemClipboard, PublishesADeepCopyOfTheClipboardBitmap) {
    gdi::testing::ResetClipboard();
    SystemClipboard::Install();
    cDIB32 dib;
    ASSERT_TRUE(MakePicture(dib));
    dib.CopyToClipboard();
    const gdi::HBITMAP held = gdi::testing::ClipboardBitmap();
    const QImage direct = SystemClipboard::ToImage(held);
    // The published picture outlives the clipboard's bitmap; a released bitmap, or something
    // that is no bitmap, gives no image.
    gdi::testing::ResetClipboard();
    EXPECT_TRUE(direct.format() == QImage::Format_RGB32 && IsPicture(direct) &&
                IsPicture(QGuiApplication::clipboard()->image()));
    EXPECT_TRUE(gdi::GetObjectType(held) == 0 && SystemClipboard::ToImage(held).isNull() &&
                SystemClipboard::ToImage(dib.hDIBDC()).isNull());
}

TEST(SystemClipboardOnX, AnotherClientReadsThePicture) {
    test_support::Xvfb server(QSize(320, 240));
    ASSERT_TRUE(server.ok()) << "Xvfb reported no display";
    test_support::OwnedProcess owner;
    ASSERT_TRUE(
        server.Start(owner, QStringLiteral(CLIPBOARD_OWNER_PROGRAM), server.ClientEnvironment()));
    ASSERT_EQ(owner.ReadLine(20000), QByteArray("ready")) << "the owner never copied";
    // xclip is asked again until it answers: the owner may still be taking the selection.
    QByteArray png;
    for (QDeadlineTimer end(15000); png.isEmpty() && !end.hasExpired(); QThread::msleep(200))
        png = server.Run("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"}, 5000);
    EXPECT_TRUE(IsPicture(QImage::fromData(png, "PNG"))) << png.size() << " bytes read";
}

}  // namespace
