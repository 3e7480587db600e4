#pragma once
// An independent, plain transcription of the lens table arithmetic, and a per-pixel model of
// the lens transfer, for differential tests.

#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

#include "lens/LookUpTableType.h"

namespace mLens {
inline void PrintTo(const tLensOffset& o, std::ostream* os) {
    *os << "(" << o.OffsetX << ", " << o.OffsetY << ")";
}
}  // namespace mLens

namespace lens_test {

// Round to nearest, ties to even (the default rounding mode), through the hardware conversion.
inline int32_t N(double x) { return static_cast<int32_t>(std::lrint(x)); }

struct LensShape {
    float d;
    int32_t b;
};

inline LensShape ReferenceShape(int32_t R, int32_t Factor) {
    const int32_t F = Factor < 0 ? -Factor : Factor;
    const float d = static_cast<float>(static_cast<double>((150 - F) * R) / 150.0);
    const float h = static_cast<float>(
        std::sqrt(static_cast<double>(R * R) - static_cast<double>(d) * static_cast<double>(d)));
    return {d, N(static_cast<double>(h) * static_cast<double>(h))};
}

inline float ReferenceS(int32_t R, int32_t j, int32_t i) {
    return static_cast<float>(std::sqrt(static_cast<double>(R * R - j * j - i * i)));
}

inline mLens::tLensOffset ReferenceEntry(int32_t R, const LensShape& shape, bool convex, int32_t j,
                                         int32_t i, float s) {
    if (!(j * j + i * i < shape.b)) return {-R, -R};
    const double d = shape.d;
    if (convex) return {N((d * j) / s), N((d * i) / s)};
    return {N(j - (d * j) / s), N(i - (d * i) / s)};
}

// The whole table, row after row, exactly as the steps describe it.
inline std::vector<mLens::tLensOffset> ReferenceTable(int32_t R, int32_t Factor, bool convex) {
    const LensShape shape = ReferenceShape(R, Factor);
    std::vector<mLens::tLensOffset> table;
    table.reserve(static_cast<size_t>(2 * R + 1) * static_cast<size_t>(2 * R + 1));
    for (int32_t i = -R; i <= R; ++i) {
        for (int32_t j = -R; j <= R; ++j) {
            const bool inside = j * j + i * i < shape.b;
            table.push_back(
                ReferenceEntry(R, shape, convex, j, i, inside ? ReferenceS(R, j, i) : 0));
        }
    }
    return table;
}

}  // namespace lens_test
