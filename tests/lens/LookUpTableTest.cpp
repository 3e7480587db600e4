#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "lens/mLens.h"

namespace mLens {
inline void PrintTo(const tLensOffset& o, std::ostream* os) {
    *os << "(" << o.OffsetX << ", " << o.OffsetY << ")";
}
}  // namespace mLens

namespace {

using mLens::LookUpTable;
using mLens::tLensOffset;
using Offsets = std::vector<tLensOffset>;

// A plain transcription of the table arithmetic, for the exhaustive sweep.
// Round to nearest, ties to even (the default rounding mode), through the hardware conversion.
inline int32_t N(double x) { return static_cast<int32_t>(std::lrint(x)); }

// The lens depth d and the squared radius b of the circle that is drawn.
struct LensShape {
    float d;
    int32_t b;
};

inline LensShape ReferenceShape(int32_t R, int32_t Factor) {
    const int32_t F = Factor < 0 ? -Factor : Factor;
    const float d = static_cast<float>(static_cast<double>((150 - F) * R) / 150.0);
    const float h = static_cast<float>(std::sqrt(double(R * R) - double(d) * double(d)));
    return {d, N(double(h) * double(h))};
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

Offsets Row(int32_t i) {
    Offsets row;
    for (int32_t j = -LookUpTable().Radius(); j <= LookUpTable().Radius(); ++j)
        row.push_back(LookUpTable()(j, i));
    return row;
}

Offsets Table() { return {LookUpTable().Data(), LookUpTable().Data() + LookUpTable().Count()}; }

TEST(LookUpTable, WorkedExampleRadius4Factor75) {
    const tLensOffset M{-4, -4};
    mLens::BuildLookUpTable(4, 75, -1);
    EXPECT_EQ(Row(0), (Offsets{M, {-2, 0}, {-1, 0}, {-1, 0}, {0, 0}, {1, 0}, {1, 0}, {2, 0}, M}));
    EXPECT_EQ(Row(3), (Offsets{M, M, M, {-1, 2}, {0, 2}, {1, 2}, M, M, M}));
    EXPECT_EQ(Row(4), Offsets(9, M));
    // b = 12: (3, 1) with 10 is inside, (2, 3) and (3, 2) with 13 are not.
    EXPECT_FALSE(LookUpTable()(3, 1) == M);
    EXPECT_EQ(LookUpTable()(3, 2), M);
    mLens::BuildLookUpTable(4, 75, 0);
    EXPECT_EQ(Row(0), (Offsets{M, {-1, 0}, {-1, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}, {1, 0}, M}));
    EXPECT_EQ(Row(3), (Offsets{M, M, M, {0, 1}, {0, 1}, {0, 1}, M, M, M}));
    mLens::BuildLookUpTable(4, 75, 7);  // any non-zero value means convex
    EXPECT_EQ(LookUpTable()(1, 0), (tLensOffset{1, 0}));
}

TEST(LookUpTable, RadiusZeroRefusedInputAndSmallerRebuilds) {
    mLens::BuildLookUpTable(0, 75, -1);
    EXPECT_EQ(Table(), (Offsets{{0, 0}}));
    EXPECT_EQ(LookUpTable().Radius(), 0);
    // A negative or absurd radius leaves an empty table, which the transfer ignores.
    for (int32_t R : {-1, -250, INT_MIN, mLens::LookUpTableType::kMaxRadius + 1, INT_MAX}) {
        mLens::BuildLookUpTable(R, 75, -1);
        EXPECT_EQ((std::vector<int64_t>{LookUpTable().Radius(), int64_t(LookUpTable().Count()),
                                        int64_t(LookUpTable().TapCount()),
                                        LookUpTable().SpanHalfWidth(0)}),
                  (std::vector<int64_t>{-1, 0, 0, -1}))
            << R;
        EXPECT_EQ(LookUpTable()(0, 0), (tLensOffset{0, 0}));
    }
    // Factors beyond the full scale act as the full scale, also where |Factor| overflows.
    mLens::BuildLookUpTable(40, 150, 0);
    const Offsets full = Table();
    for (int32_t F : {151, -151, 100000, INT_MAX, INT_MIN}) {
        mLens::BuildLookUpTable(40, F, 0);
        EXPECT_EQ(Table(), full) << F;
    }
    // After a bigger table, a smaller one is as if built afresh: indices beyond it (also
    // extreme ones) read as outside.
    mLens::BuildLookUpTable(10, 120, 0);
    const Offsets fresh = Table();
    const int32_t inside = LookUpTable().SpanHalfWidth(0);
    mLens::BuildLookUpTable(250, 75, -1);
    mLens::BuildLookUpTable(10, 120, 0);
    EXPECT_EQ(Table(), fresh);
    for (auto [j, i] : {std::pair{11, 0}, {0, -11}, {INT_MIN, 0}, {0, INT_MAX}, {-11, 11}}) {
        EXPECT_EQ(LookUpTable()(j, i), (tLensOffset{-10, -10}));
        EXPECT_EQ(LookUpTable().SpanHalfWidth(i), i == 0 ? inside : -1);
    }
}

// Border, bound and symmetry properties, the special factors 0 and 150, and agreement of the
// derived transfer form (row runs and packed taps) with the table itself, over a spread of radii
// and factors.
TEST(LookUpTable, InvariantsAndDerivedForm) {
    for (int32_t R = 0; R <= 250; R += (R < 20 ? 1 : 23)) {
        for (int32_t F : {0, 1, 5, 40, 75, 110, 145, 149, 150}) {
            for (int16_t convex : {int16_t{-1}, int16_t{0}}) {
                SCOPED_TRACE(testing::Message() << "R " << R << " F " << F << " convex " << convex);
                mLens::BuildLookUpTable(R, F, convex);
                const auto& t = LookUpTable();
                const mLens::tLensTap* tap = t.Taps();
                for (int32_t i = -R; i <= R; ++i) {
                    const int32_t w = t.SpanHalfWidth(i);
                    for (int32_t j = -R; j <= R; ++j) {
                        const tLensOffset e = t(j, i);
                        const bool inside = -w <= j && j <= w, disc = j * j + i * i < R * R;
                        ASSERT_EQ(!(e == tLensOffset{-R, -R}), inside) << j << "," << i;
                        // Nothing on the border; factor 0 puts nothing inside, factor 150 the
                        // whole disc, where convex shows the centre and concave each pixel.
                        ASSERT_FALSE(R > 0 && inside && (std::abs(j) == R || std::abs(i) == R));
                        ASSERT_TRUE((F != 0 && F != 150) || inside == (F == 150 && disc)) << j;
                        if (!inside) continue;
                        ASSERT_TRUE(F != 150 ||
                                    e == (convex ? tLensOffset{0, 0} : tLensOffset{j, i}));
                        ASSERT_TRUE(std::abs(e.OffsetX) <= std::abs(j) &&
                                    std::abs(e.OffsetY) <= std::abs(i));
                        ASSERT_EQ(t(-j, i), (tLensOffset{-e.OffsetX, e.OffsetY}));
                        ASSERT_EQ(t(j, -i), (tLensOffset{e.OffsetX, -e.OffsetY}));
                        ASSERT_EQ((tLensOffset{tap->OffsetX, tap->OffsetY}), e);
                        ++tap;
                    }
                }
                EXPECT_EQ(size_t(tap - t.Taps()), t.TapCount());
            }
        }
    }
}

// Every radius 0..250, every factor -150..150, both lens types, entry by entry against the
// plain transcription. The square roots depend on the radius only, so they are computed once
// per radius; the rest is evaluated afresh for every build.
void SweepRadii(int32_t first, int32_t last) {
#ifdef LUCIVANE_SANITIZER_BUILD
    GTEST_SKIP() << "exhaustive sweep skipped under the sanitizers";
#endif
    std::vector<float> s;
    for (int32_t R = first; R <= last; ++R) {
        const int32_t side = 2 * R + 1;
        s.assign(static_cast<size_t>(side) * side, 0.0f);
        for (int32_t k = 0; k < side * side; ++k) {
            const int32_t j = k % side - R, i = k / side - R;
            if (j * j + i * i < R * R) s[k] = ReferenceS(R, j, i);
        }
        for (int32_t F = -150; F <= 150; ++F) {
            const LensShape shape = ReferenceShape(R, F);
            for (bool convex : {true, false}) {
                mLens::BuildLookUpTable(R, F, convex ? -1 : 0);
                const auto& table = mLens::LookUpTable();
                ASSERT_EQ(table.Count(), static_cast<size_t>(side) * side);
                const tLensOffset* e = table.Data();
                const float* root = s.data();
                for (int32_t i = -R; i <= R; ++i)
                    for (int32_t j = -R; j <= R; ++j, ++e, ++root) {
                        const tLensOffset want = ReferenceEntry(R, shape, convex, j, i, *root);
                        ASSERT_TRUE(*e == want)
                            << "R " << R << " F " << F << " convex " << convex << " j " << j
                            << " i " << i << ": " << testing::PrintToString(*e) << " instead of "
                            << testing::PrintToString(want);
                    }
            }
        }
    }
}

// Split so that ctest can run the parts side by side; the cost grows with R^3.
TEST(LookUpTableSweep, Radii0To119) { SweepRadii(0, 119); }
TEST(LookUpTableSweep, Radii120To159) { SweepRadii(120, 159); }
TEST(LookUpTableSweep, Radii160To189) { SweepRadii(160, 189); }
TEST(LookUpTableSweep, Radii190To212) { SweepRadii(190, 212); }
TEST(LookUpTableSweep, Radii213To233) { SweepRadii(213, 233); }
TEST(LookUpTableSweep, Radii234To250) { SweepRadii(234, 250); }

}  // namespace
