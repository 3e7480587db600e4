#pragma once
// Common base of everything a GDI handle can name. The kind doubles as the handle's type tag.

#include <cstdint>

namespace gdi {

enum class ObjectKind : uint8_t {
    DeviceContext = 1,
    Bitmap = 2,
    Brush = 3,
    Region = 4,
};

class GdiObject {
  public:
    explicit GdiObject(ObjectKind kind) : m_kind(kind) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    ObjectKind Kind() const { return m_kind; }

  private:
    ObjectKind m_kind;
};

}  // namespace gdi
