#include "gdi/Surface.h"

#include <new>

#include "gdi/DeviceContext.h"
#include "gdi/GdiState.h"

namespace gdi {

namespace {

HandleTable& Objects() { return GdiState::Instance().Objects(); }

std::function<void(const SurfaceView&)>& ScreenReleased() {
    static std::function<void(const SurfaceView&)> released;
    return released;
}

DeviceContext* DcOfType(HDC hdc, DeviceContext::Type type) {
    DeviceContext* dc = Objects().Get<DeviceContext>(hdc);
    return dc != nullptr && dc->GetType() == type ? dc : nullptr;
}

HDC MakeViewDc(DeviceContext::Type type, SurfaceView view, DirtyHandler onDirty) {
    DeviceContext* dc = new (std::nothrow) DeviceContext(type, 0);
    if (dc == nullptr) return 0;
    dc->SetView(view);
    dc->SetOnDirty(std::move(onDirty));
    return Objects().Insert(std::unique_ptr<GdiObject>(dc));
}

}  // namespace

HDC CreateSurfaceDC(SurfaceView view, DirtyHandler onDirty) {
    return MakeViewDc(DeviceContext::Type::Surface, view, std::move(onDirty));
}

BOOL UpdateSurfaceDC(HDC hdc, SurfaceView view) {
    DeviceContext* dc = DcOfType(hdc, DeviceContext::Type::Surface);
    if (dc == nullptr) return 0;
    dc->SetView(view);
    return 1;
}

BOOL ReleaseSurfaceDC(HDC hdc) {
    if (DcOfType(hdc, DeviceContext::Type::Surface) == nullptr) return 0;
    return Objects().Erase(hdc) ? 1 : 0;
}

void SetScreenSource(ScreenSource source, std::function<void(const SurfaceView&)> released) {
    GdiState::Instance().SetScreen(std::move(source));
    ScreenReleased() = std::move(released);
}

HWND GetDesktopWindow() { return kDesktopWindow; }

HDC GetDC(HWND hWnd) {
    if (hWnd != 0 && hWnd != kDesktopWindow) return 0;
    const ScreenSource& source = GdiState::Instance().Screen();
    if (!source) return 0;
    return MakeViewDc(DeviceContext::Type::Screen, source(), nullptr);
}

int ReleaseDC(HWND /*hWnd*/, HDC hdc) {
    DeviceContext* dc = DcOfType(hdc, DeviceContext::Type::Screen);
    if (dc == nullptr) return 0;
    const SurfaceView view = dc->View();
    if (!Objects().Erase(hdc)) return 0;
    if (ScreenReleased()) ScreenReleased()(view);
    return 1;
}

}  // namespace gdi
