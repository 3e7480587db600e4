#pragma once
// A device context: where drawing lands (the bitmap selected into a memory DC, or a borrowed
// surface), its clip region and its stretch mode.

#include <cstdint>
#include <memory>

#include "gdi/GdiObject.h"
#include "gdi/Region.h"
#include "gdi/Surface.h"

namespace gdi {

class DeviceContext : public GdiObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::DeviceContext;

    enum class Type {
        Memory,   // draws into its selected bitmap
        Surface,  // draws into a window surface (CreateSurfaceDC)
        Screen,   // reads and draws the screen source (GetDC)
    };

    DeviceContext(Type type, uint32_t bitmap) : GdiObject(kKind), type_(type), bitmap_(bitmap) {}

    Type GetType() const { return type_; }

    // Memory DCs: the selected bitmap's handle.
    uint32_t SelectedBitmap() const { return bitmap_; }
    void SetSelectedBitmap(uint32_t bitmap) { bitmap_ = bitmap; }

    // Surface and screen DCs: the borrowed pixels and who to tell about drawing.
    const SurfaceView& View() const { return view_; }
    void SetView(SurfaceView view);
    const DirtyHandler& OnDirty() const { return onDirty_; }
    void SetOnDirty(DirtyHandler onDirty) { onDirty_ = std::move(onDirty); }

    // nullptr when drawing is not clipped.
    const Region* Clip() const { return clip_.get(); }
    // Copies `region` (nullptr removes clipping and gives SIMPLEREGION). Returns the region's
    // complexity, or ERROR when memory ran short (clipping is then removed).
    int SetClip(const Region* region);

    int StretchMode() const { return stretchMode_; }
    void SetStretchMode(int mode) { stretchMode_ = mode; }

  private:
    Type type_;
    uint32_t bitmap_;
    SurfaceView view_;
    DirtyHandler onDirty_;
    std::unique_ptr<Region> clip_;
    int stretchMode_ = 1;  // BLACKONWHITE
};

}  // namespace gdi
