#include "platform/gdi/GdiState.h"

#include "platform/gdi/Bitmap.h"

namespace gdi {

GdiState& GdiState::Instance() {
    static GdiState state;
    return state;
}

uint32_t GdiState::StockBitmap() {
    if (objects_.Get<Bitmap>(stockBitmap_) == nullptr) {
        stockBitmap_ = objects_.Insert(Bitmap::Create(1, 1), /*stock=*/true);
    }
    return stockBitmap_;
}

}  // namespace gdi
