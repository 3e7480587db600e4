#include "platform/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "gdi/Clipboard.h"

namespace {

void Publish(gdi::HBITMAP bitmap) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
    const QImage image = SystemClipboard::ToImage(bitmap);
    if (!image.isNull()) QGuiApplication::clipboard()->setImage(image);
}

}  // namespace

void SystemClipboard::Install() { gdi::SetClipboardPublisher(&Publish); }

QImage SystemClipboard::ToImage(gdi::HBITMAP bitmap) {
    gdi::BITMAP record{};
    if (gdi::GetObjectA(bitmap, sizeof record, &record) != static_cast<int>(sizeof record)) {
        return QImage();
    }
    if (record.bmBits == nullptr || record.bmBitsPixel != 32) return QImage();
    // The clipboard may delete the bitmap later: the image gets pixels of its own.
    const QImage view(static_cast<const uchar*>(record.bmBits), record.bmWidth, record.bmHeight,
                      record.bmWidthBytes, QImage::Format_RGB32);
    return view.copy();
}
