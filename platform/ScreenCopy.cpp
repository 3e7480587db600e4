#include "platform/ScreenCopy.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <array>

#include "gdi/Surface.h"

namespace {

struct State {
    std::function<QImage()> source;
    QImage frozen;
    int freezes = 0;
    // Fresh copies handed to screen DCs. A DC reads its pixels until ReleaseDC, which the
    // copy does not hear about, so the last few stay alive; the program holds one screen DC
    // at a time.
    std::array<QImage, 4> fresh;
    size_t next = 0;
    bool installed = false;
};

State& S() {
    static State state;
    return state;
}

QImage Normalised(QImage image) {
    if (image.isNull()) return image;
    image.setDevicePixelRatio(1.0);
    if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
    // Pixels read as 0x00RRGGBB.
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) row[x] &= 0x00FFFFFFu;
    }
    return image;
}

gdi::SurfaceView ViewOf(const QImage& image) {
    if (image.isNull()) return {};
    // Never detach: DCs already handed out keep pointing at these pixels. RGB32 rows are
    // 4 × width bytes, so the view is packed.
    auto* pixels = const_cast<uchar*>(image.constBits());
    return {reinterpret_cast<uint32_t*>(pixels), image.width(), image.height()};
}

gdi::SurfaceView ScreenForDc() {
    State& s = S();
    if (s.freezes > 0) return ViewOf(s.frozen);
    QImage& slot = s.fresh[s.next];
    s.next = (s.next + 1) % s.fresh.size();
    slot = ScreenCopy::Take();
    return ViewOf(slot);
}

}  // namespace

QImage ScreenCopy::Take() {
    State& s = S();
    if (s.source) return Normalised(s.source());
    if (!QGuiApplication::instance()) return {};
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    // On xcb this reads the root window in device pixels.
    return Normalised(screen->grabWindow(0).toImage());
}

void ScreenCopy::SetSource(std::function<QImage()> source) { S().source = std::move(source); }

void ScreenCopy::Freeze() {
    State& s = S();
    if (s.freezes++ == 0) s.frozen = Take();
}

void ScreenCopy::Thaw() {
    State& s = S();
    if (s.freezes == 0) return;
    if (--s.freezes == 0) s.frozen = QImage();
}

bool ScreenCopy::Frozen() { return S().freezes > 0; }

QImage ScreenCopy::FrozenImage() { return S().freezes > 0 ? S().frozen : QImage(); }

void ScreenCopy::Install() {
    State& s = S();
    if (s.installed) return;
    s.installed = true;
    gdi::SetScreenSource(ScreenForDc);
}
