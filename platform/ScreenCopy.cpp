#include "platform/ScreenCopy.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <vector>

#include "gdi/Surface.h"
#include "platform/Desktop.h"

namespace {

struct State {
    std::function<QImage()> source;
    std::function<QImage(const QRect&)> platform;
    // The frozen copy: the form's window surface it was taken into, or a copy of its own.
    QImage* frozen = nullptr;
    std::unique_ptr<QImage> frozenOwn;
    // The copies screen DCs read, each kept until its DC is released.
    std::vector<std::shared_ptr<const QImage>> lent;
    int freezes = 0;
    bool installed = false;
};

State& S() {
    static State state;
    return state;
}

// Each screen's own grab, put together at its place on the desktop.
QImage QtScreensCopy() {
    const QRect bounds = Desktop::Bounds();
    if (bounds.isEmpty()) return {};
    QImage desktop(bounds.size(), QImage::Format_RGB32);
    desktop.fill(0);
    QPainter p(&desktop);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Desktop::Part& part : Desktop::Parts()) {
        QImage shot = part.screen->grabWindow(0).toImage();
        shot.setDevicePixelRatio(1.0);
        p.drawImage(part.device, shot);
    }
    p.end();
    return ScreenCopy::Normalised(std::move(desktop));
}

uint32_t* PixelsOf(const QImage& image) {
    // Never detach: the DC writes and reads these very pixels.
    return reinterpret_cast<uint32_t*>(const_cast<uchar*>(image.constBits()));
}

gdi::SurfaceView ScreenForDc() {
    State& s = S();
    if (s.freezes > 0) {
        if (!s.frozen || s.frozen->isNull()) return {};
        return {PixelsOf(*s.frozen), s.frozen->width(), s.frozen->height()};
    }
    auto image = std::make_shared<const QImage>(ScreenCopy::Take());
    if (image->isNull()) return {};
    s.lent.push_back(image);
    // RGB32 rows are 4 × width bytes, so the view is packed.
    return {PixelsOf(*image), image->width(), image->height()};
}

void ScreenDcReleased(const gdi::SurfaceView& view) {
    auto& lent = S().lent;
    for (auto it = lent.begin(); it != lent.end(); ++it)
        if (PixelsOf(**it) == view.pixels) {
            lent.erase(it);
            return;
        }
}

}  // namespace

QImage ScreenCopy::Normalised(QImage image) {
    if (image.isNull()) return image;
    image.setDevicePixelRatio(1.0);
    if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
    // Pixels read as 0x00RRGGBB; one pass over the packed rows (32-bit rows have no padding).
    auto* pixel = reinterpret_cast<uint32_t*>(image.bits());
    for (auto* end = pixel + image.sizeInBytes() / 4; pixel != end; ++pixel) *pixel &= 0x00FFFFFFu;
    return image;
}

QImage ScreenCopy::Take() {
    State& s = S();
    if (s.source) return Normalised(s.source());
    if (!QGuiApplication::instance()) return {};
    if (!s.platform && QGuiApplication::platformName() == "xcb")
        s.platform = [](const QRect& bounds) { return X11RootCopy(bounds); };
    if (s.platform) {
        QImage copy = s.platform(Desktop::Bounds());
        if (!copy.isNull()) return copy;
    }
    return QtScreensCopy();
}

void ScreenCopy::SetSource(std::function<QImage()> source) { S().source = std::move(source); }

void ScreenCopy::SetPlatformSource(std::function<QImage(const QRect&)> source) {
    S().platform = std::move(source);
}

void ScreenCopy::Freeze(QImage* into) {
    State& s = S();
    if (s.freezes++ > 0) return;
    if (into) {
        *into = Take();
        s.frozen = into;
    } else {
        s.frozenOwn = std::make_unique<QImage>(Take());
        s.frozen = s.frozenOwn.get();
    }
}

void ScreenCopy::Thaw() {
    State& s = S();
    if (s.freezes == 0) return;
    if (--s.freezes > 0) return;
    s.frozen = nullptr;
    s.frozenOwn.reset();
}

bool ScreenCopy::Frozen() { return S().freezes > 0; }

QImage ScreenCopy::FrozenImage() { return S().frozen ? *S().frozen : QImage(); }

void ScreenCopy::Install() {
    State& s = S();
    if (s.installed) return;
    s.installed = true;
    gdi::SetScreenSource(ScreenForDc, ScreenDcReleased);
}
