#include "gdi/GdiState.h"

#include "gdi/Bitmap.h"

namespace gdi {

GdiState& GdiState::Instance() {
    // Never destroyed: surfaces held in other static objects may release their handles during
    // exit, after function-local statics made later would already be gone.
    static GdiState* state = new GdiState();
    return *state;
}

uint32_t GdiState::StockBitmap() {
    if (objects_.Get<Bitmap>(stockBitmap_) == nullptr) {
        stockBitmap_ = objects_.Insert(Bitmap::Create(1, 1), /*stock=*/true);
    }
    return stockBitmap_;
}

}  // namespace gdi
