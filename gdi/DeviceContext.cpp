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
    view_ = view;
}

int DeviceContext::SetClip(const Region* region) {
    if (region == nullptr) {
        clip_.reset();
        return SIMPLEREGION;  // the whole surface
    }
    if (!clip_) {
        clip_.reset(new (std::nothrow) Region());
        if (!clip_) return ERROR;
    }
    if (!clip_->CopyFrom(*region)) {
        clip_.reset();
        return ERROR;
    }
    return clip_->Complexity();
}

}  // namespace gdi
