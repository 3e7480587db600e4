#include "lens/LookUpTableType.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace mLens {

namespace {

// Rounds to the nearest integer, ties to even. Adding and removing 1.5 * 2^52 lets the default
// nearest-even rounding mode do the work without a library call; exact for |x| < 2^51. Every
// value the table produces is far inside that range; anything else saturates.
int32_t RoundNearestEven(double x) {
    if (!(x > -2147483648.5 && x < 2147483647.5)) {
        return x > 0 ? INT32_MAX : (x < 0 ? INT32_MIN : 0);
    }
    constexpr double kShift = 6755399441055744.0;
    return static_cast<int32_t>((x + kShift) - kShift);
}

}  // namespace

template <class T>
bool LookUpTableType::Buffer<T>::Resize(size_t n, size_t atLeast) {
    if (n > m_Capacity) {
        const size_t capacity = std::max(n, atLeast);
        m_Data.reset();
        m_Capacity = 0;
        m_Data.reset(new (std::nothrow) T[capacity]);
        if (!m_Data) return false;
        m_Capacity = capacity;
    }
    m_Size = n;
    return true;
}

void LookUpTableType::Clear() {
    m_Radius = -1;
    m_Entries.Clear();
    m_HalfWidth.Clear();
    m_Taps.Clear();
}

void LookUpTableType::Build(int32_t Radius, int32_t Factor, int16_t Convex) {
    Clear();
    if (Radius < 0 || Radius > kMaxRadius) return;
    const int32_t R = Radius;
    const size_t side = 2 * static_cast<size_t>(R) + 1;
    constexpr size_t kUsual = kUsualMaxRadius;
    constexpr size_t kUsualSide = 2 * kUsual + 1;
    if (!m_HalfWidth.Resize(static_cast<size_t>(R) + 1, kUsual + 1) ||
        !m_Quadrant.Resize(static_cast<size_t>(R) * static_cast<size_t>(R), kUsual * kUsual) ||
        !m_Entries.Resize(side * side, kUsualSide * kUsualSide)) {
        Clear();
        return;
    }
    const int32_t F = std::abs(std::clamp(Factor, -150, 150));

    // Single-precision steps, each rounded from a double-precision value.
    const float d = static_cast<float>(static_cast<double>((150 - F) * R) / 150.0);
    const double dd = static_cast<double>(d);
    const float h = static_cast<float>(std::sqrt(static_cast<double>(R * R) - dd * dd));
    const int32_t b = RoundNearestEven(static_cast<double>(h) * static_cast<double>(h));

    // Row |i| holds the inside run j = -w..w: the disc j^2 + i^2 < b cut by the row. b <= R^2,
    // so inside offsets stay within R - 1 and the border rows and columns are never inside.
    int32_t* const halfWidth = m_HalfWidth.Data();
    int32_t tapCount = 0;
    for (int32_t a = 0, w = R; a <= R; ++a) {
        while (w >= 0 && w * w + a * a >= b) --w;
        halfWidth[a] = w;
        if (w >= 0) tapCount += (a == 0 ? 1 : 2) * (2 * w + 1);
    }

    // One octant is computed; the quadrant follows by swapping j and i (s depends on j^2 + i^2
    // only), the rest by the sign symmetry of the rounding.
    tLensOffset* const q = m_Quadrant.Data();
    for (int32_t i = 0; i < R; ++i) {
        const int32_t w = halfWidth[i];
        if (w < i) break;
        for (int32_t j = i; j <= w; ++j) {
            const double s =
                static_cast<float>(std::sqrt(static_cast<double>(R * R - j * j - i * i)));
            const double qj = (dd * j) / s;
            const double qi = (dd * i) / s;
            int32_t ox, oy;
            if (Convex != 0) {
                ox = RoundNearestEven(qj);
                oy = RoundNearestEven(qi);
            } else {
                ox = RoundNearestEven(j - qj);
                oy = RoundNearestEven(i - qi);
            }
            q[i * R + j] = {ox, oy};
            q[j * R + i] = {oy, ox};
        }
    }

    if (!m_Taps.Resize(static_cast<size_t>(tapCount), kUsualSide * kUsualSide)) {
        Clear();
        return;
    }
    const tLensOffset marker{-R, -R};
    tLensOffset* e = m_Entries.Data();
    tLensTap* t = m_Taps.Data();
    for (int32_t i = -R; i <= R; ++i) {
        const int32_t a = i < 0 ? -i : i;
        const int32_t w = halfWidth[a];
        if (w < 0) {
            e = std::fill_n(e, side, marker);
            continue;
        }
        const tLensOffset* row = q + static_cast<ptrdiff_t>(a) * R;
        e = std::fill_n(e, R - w, marker);
        for (int32_t j = -w; j <= w; ++j) {
            const tLensOffset v = row[j < 0 ? -j : j];
            const tLensOffset o{j < 0 ? -v.OffsetX : v.OffsetX, i < 0 ? -v.OffsetY : v.OffsetY};
            *e++ = o;
            *t++ = {static_cast<int16_t>(o.OffsetX), static_cast<int16_t>(o.OffsetY)};
        }
        e = std::fill_n(e, R - w, marker);
    }
    m_Radius = R;
}

tLensOffset LookUpTableType::operator()(int32_t j, int32_t i) const {
    const int32_t R = m_Radius;
    if (R < 0) return {0, 0};
    if (j < -R || j > R || i < -R || i > R) return {-R, -R};
    const size_t side = 2 * static_cast<size_t>(R) + 1;
    return m_Entries.Data()[static_cast<size_t>(i + R) * side + static_cast<size_t>(j + R)];
}

int32_t LookUpTableType::SpanHalfWidth(int32_t i) const {
    const int32_t R = m_Radius;
    if (R < 0 || i < -R || i > R) return -1;
    return m_HalfWidth.Data()[i < 0 ? -i : i];
}

}  // namespace mLens
