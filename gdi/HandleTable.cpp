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
    if (!stock && m_failCount > 0) {
        if (m_failAfter > 0) {
            --m_failAfter;
        } else {
            --m_failCount;
            return 0;
        }
    }
    uint32_t index;
    if (m_free.size() >= kMinFreeBeforeReuse || (m_slots.size() >= kMaxSlots && !m_free.empty())) {
        index = m_free.front();
        m_free.pop_front();
    } else if (m_slots.size() < kMaxSlots) {
        index = static_cast<uint32_t>(m_slots.size());
        m_slots.emplace_back();
    } else {
        return 0;
    }
    Slot& slot = m_slots[index];
    const ObjectKind kind = object->Kind();
    slot.object = std::move(object);
    slot.stock = stock;
    if (!stock) ++m_live;
    return MakeHandle(kind, slot.generation, index);
}

const HandleTable::Slot* HandleTable::SlotOf(uint32_t handle) const {
    const uint32_t index = handle & kIndexMask;
    if (index >= m_slots.size()) return nullptr;
    const Slot& slot = m_slots[index];
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
    Slot& slot = m_slots[index];
    // Take the object out first so that its destructor sees a consistent table.
    std::unique_ptr<GdiObject> doomed = std::move(slot.object);
    if (!slot.stock) --m_live;
    slot.stock = false;
    ++slot.generation;
    m_free.push_back(index);
    return true;
}

}  // namespace gdi
