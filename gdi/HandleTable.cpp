#include "gdi/HandleTable.h"

namespace gdi {

namespace {
constexpr uint32_t kIndexBits = 20;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr uint32_t kGenerationShift = 20;
constexpr uint32_t kKindShift = 28;

uint32_t MakeHandle(ObjectKind kind, uint8_t generation, uint32_t index) {
    return (static_cast<uint32_t>(kind) << kKindShift) |
           (static_cast<uint32_t>(generation) << kGenerationShift) | index;
}
}  // namespace

uint32_t HandleTable::Insert(std::unique_ptr<GdiObject> object, bool stock) {
    if (!object) return 0;
    if (!stock && failCount_ > 0) {
        if (failAfter_ > 0) {
            --failAfter_;
        } else {
            --failCount_;
            return 0;
        }
    }
    uint32_t index;
    if (free_.size() >= kMinFreeBeforeReuse || (slots_.size() >= kMaxSlots && !free_.empty())) {
        index = free_.front();
        free_.pop_front();
    } else if (slots_.size() < kMaxSlots) {
        index = static_cast<uint32_t>(slots_.size());
        slots_.emplace_back();
    } else {
        return 0;
    }
    Slot& slot = slots_[index];
    const ObjectKind kind = object->Kind();
    slot.object = std::move(object);
    slot.stock = stock;
    if (!stock) ++live_;
    return MakeHandle(kind, slot.generation, index);
}

const HandleTable::Slot* HandleTable::SlotOf(uint32_t handle) const {
    const uint32_t index = handle & kIndexMask;
    if (index >= slots_.size()) return nullptr;
    const Slot& slot = slots_[index];
    if (!slot.object) return nullptr;
    if (MakeHandle(slot.object->Kind(), slot.generation, index) != handle) return nullptr;
    return &slot;
}

GdiObject* HandleTable::Find(uint32_t handle) const {
    const Slot* slot = SlotOf(handle);
    return slot != nullptr ? slot->object.get() : nullptr;
}

bool HandleTable::IsStock(uint32_t handle) const {
    const Slot* slot = SlotOf(handle);
    return slot != nullptr && slot->stock;
}

bool HandleTable::Erase(uint32_t handle) {
    if (SlotOf(handle) == nullptr) return false;
    const uint32_t index = handle & kIndexMask;
    Slot& slot = slots_[index];
    // Take the object out first so that its destructor sees a consistent table.
    std::unique_ptr<GdiObject> doomed = std::move(slot.object);
    if (!slot.stock) --live_;
    slot.stock = false;
    ++slot.generation;
    free_.push_back(index);
    return true;
}

}  // namespace gdi
