#include "gdi/DeviceContext.h"

#include <new>

#include "gdi/Bitmap.h"
#include "gdi/Gdi.h"

namespace gdi {

void DeviceContext::SetView(SurfaceView view) {
    // Anything unusable becomes an empty surface, so drawing never needs to look twice.
    if (view.pixels == nullptr || !Bitmap::SizeAllowed(view.width, view.height)) {
        view = SurfaceView{};
    }
    m_view = view;
}

int DeviceContext::SetClip(const Region* region) {
    if (region == nullptr) {
        m_clip.reset();
        return SIMPLEREGION;  // the whole surface
    }
    // On failure the old clip stays: losing it would let drawing spread over the whole surface.
    std::unique_ptr<Region> copy(new (std::nothrow) Region());
    if (!copy || !copy->CopyFrom(*region)) return ERROR;
    m_clip = std::move(copy);
    return m_clip->Complexity();
}

}  // namespace gdi
