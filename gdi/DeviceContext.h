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

    DeviceContext(Type type, uint32_t bitmap) : GdiObject(kKind), m_type(type), m_bitmap(bitmap) {}

    Type GetType() const { return m_type; }

    // Memory DCs: the selected bitmap's handle.
    uint32_t SelectedBitmap() const { return m_bitmap; }
    void SetSelectedBitmap(uint32_t bitmap) { m_bitmap = bitmap; }

    // Surface and screen DCs: the borrowed pixels and who to tell about drawing.
    const SurfaceView& View() const { return m_view; }
    void SetView(SurfaceView view);
    const DirtyHandler& OnDirty() const { return m_onDirty; }
    void SetOnDirty(DirtyHandler onDirty) { m_onDirty = std::move(onDirty); }

    // nullptr when drawing is not clipped.
    const Region* Clip() const { return m_clip.get(); }
    // Copies `region` (nullptr removes clipping and gives SIMPLEREGION). Returns the region's
    // complexity, or ERROR when memory ran short (clipping is then removed).
    int SetClip(const Region* region);

    int StretchMode() const { return m_stretchMode; }
    void SetStretchMode(int mode) { m_stretchMode = mode; }

  private:
    Type m_type;
    uint32_t m_bitmap;
    SurfaceView m_view;
    DirtyHandler m_onDirty;
    std::unique_ptr<Region> m_clip;
    int m_stretchMode = 1;  // BLACKONWHITE
};

}  // namespace gdi
