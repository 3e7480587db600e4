#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lens/LensReference.h"
#include "lens/mLens.h"

namespace {

using lens_test::ReferenceTable;
using mLens::LookUpTable;
using mLens::tLensOffset;

std::vector<tLensOffset> Row(int32_t i) {
    const int32_t R = LookUpTable().Radius();
    std::vector<tLensOffset> row;
    for (int32_t j = -R; j <= R; ++j) row.push_back(LookUpTable()(j, i));
    return row;
}

std::vector<tLensOffset> Table() {
    return {LookUpTable().Data(), LookUpTable().Data() + LookUpTable().Count()};
}

bool SameAsReference(int32_t R, int32_t Factor, bool convex) {
    const std::vector<tLensOffset> expected = ReferenceTable(R, Factor, convex);
    const auto& table = LookUpTable();
    return table.Radius() == R && table.Count() == expected.size() &&
           std::memcmp(table.Data(), expected.data(), expected.size() * sizeof(tLensOffset)) == 0;
}

TEST(LookUpTable, WorkedExampleRadius4Factor75) {
    const tLensOffset M{-4, -4};
    mLens::BuildLookUpTable(4, 75, -1);
    ASSERT_EQ(LookUpTable().Radius(), 4);
    EXPECT_EQ(Row(0), (std::vector<tLensOffset>{
                          M, {-2, 0}, {-1, 0}, {-1, 0}, {0, 0}, {1, 0}, {1, 0}, {2, 0}, M}));
    EXPECT_EQ(Row(3), (std::vector<tLensOffset>{M, M, M, {-1, 2}, {0, 2}, {1, 2}, M, M, M}));
    EXPECT_EQ(Row(4), std::vector<tLensOffset>(9, M));
    EXPECT_EQ(LookUpTable()(1, 0), (tLensOffset{1, 0}));
    // b = 12: (3, 1) with 10 is inside, (2, 3) and (3, 2) with 13 are not.
    EXPECT_FALSE(LookUpTable()(3, 1) == M);
    EXPECT_EQ(LookUpTable()(3, 2), M);

    mLens::BuildLookUpTable(4, 75, 0);
    EXPECT_EQ(Row(0), (std::vector<tLensOffset>{
                          M, {-1, 0}, {-1, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}, {1, 0}, M}));
    EXPECT_EQ(Row(3), (std::vector<tLensOffset>{M, M, M, {0, 1}, {0, 1}, {0, 1}, M, M, M}));
    EXPECT_EQ(LookUpTable()(1, 0), (tLensOffset{0, 0}));
    // Any non-zero value means convex.
    mLens::BuildLookUpTable(4, 75, 7);
    EXPECT_EQ(LookUpTable()(1, 0), (tLensOffset{1, 0}));
}

TEST(LookUpTable, RadiusZeroAndRefusedInput) {
    mLens::BuildLookUpTable(0, 75, -1);
    EXPECT_EQ(LookUpTable().Radius(), 0);
    ASSERT_EQ(LookUpTable().Count(), 1u);
    EXPECT_EQ(LookUpTable()(0, 0), (tLensOffset{0, 0}));

    // A negative or absurd radius leaves an empty table, which the transfer ignores.
    for (int32_t R : {-1, -250, INT_MIN, mLens::LookUpTableType::kMaxRadius + 1, INT_MAX}) {
        mLens::BuildLookUpTable(R, 75, -1);
        EXPECT_EQ(LookUpTable().Radius(), -1) << R;
        EXPECT_EQ(LookUpTable().Count(), 0u);
        EXPECT_EQ(LookUpTable().TapCount(), 0u);
        EXPECT_EQ(LookUpTable()(0, 0), (tLensOffset{0, 0}));
        EXPECT_EQ(LookUpTable().SpanHalfWidth(0), -1);
    }

    // Factors beyond the full scale act as the full scale, also where |Factor| overflows.
    mLens::BuildLookUpTable(40, 150, 0);
    const std::vector<tLensOffset> full = Table();
    for (int32_t F : {151, -151, 100000, INT_MAX, INT_MIN}) {
        mLens::BuildLookUpTable(40, F, 0);
        EXPECT_EQ(Table(), full) << F;
    }
}

TEST(LookUpTable, OutOfRangeIndicesReadAsOutside) {
    mLens::BuildLookUpTable(10, 75, -1);
    for (auto [j, i] : {std::pair{11, 0}, {0, -11}, {INT_MIN, 0}, {0, INT_MAX}, {-11, 11}}) {
        EXPECT_EQ(LookUpTable()(j, i), (tLensOffset{-10, -10}));
        EXPECT_EQ(LookUpTable().SpanHalfWidth(i), i == 0 ? LookUpTable().SpanHalfWidth(0) : -1);
    }
}

TEST(LookUpTable, SmallerRebuildLeavesNothingBehind) {
    mLens::BuildLookUpTable(250, 75, -1);
    mLens::BuildLookUpTable(10, 120, 0);
    EXPECT_TRUE(SameAsReference(10, 120, false));
    EXPECT_EQ(LookUpTable()(11, 0), (tLensOffset{-10, -10}));
    EXPECT_EQ(LookUpTable().SpanHalfWidth(11), -1);
    mLens::BuildLookUpTable(250, 30, -1);
    EXPECT_TRUE(SameAsReference(250, 30, true));
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
                const tLensOffset M{-R, -R};
                const mLens::tLensTap* tap = t.Taps();
                size_t taps = 0;
                for (int32_t i = -R; i <= R; ++i) {
                    const int32_t w = t.SpanHalfWidth(i);
                    for (int32_t j = -R; j <= R; ++j) {
                        const tLensOffset e = t(j, i);
                        const bool inside = -w <= j && j <= w;
                        ASSERT_EQ(!(e == M), inside) << j << "," << i;
                        if (R > 0 && (j == -R || j == R || i == -R || i == R)) {
                            ASSERT_EQ(e, M);
                        }
                        // Factor 0 puts nothing inside; factor 150 the whole disc, where convex
                        // shows the centre and concave each pixel itself.
                        if (F == 0 || F == 150) {
                            ASSERT_EQ(inside, F == 150 && j * j + i * i < R * R) << j << "," << i;
                        }
                        if (!inside) continue;
                        if (F == 150) {
                            ASSERT_EQ(e, (convex ? tLensOffset{0, 0} : tLensOffset{j, i}));
                        }
                        ASSERT_LE(std::abs(e.OffsetX), std::abs(j));
                        ASSERT_LE(std::abs(e.OffsetY), std::abs(i));
                        ASSERT_LE(std::abs(j), R - 1);
                        ASSERT_LE(std::abs(i), R - 1);
                        ASSERT_EQ(t(-j, i), (tLensOffset{-e.OffsetX, e.OffsetY}));
                        ASSERT_EQ(t(j, -i), (tLensOffset{e.OffsetX, -e.OffsetY}));
                        ASSERT_EQ(tap->OffsetX, e.OffsetX);
                        ASSERT_EQ(tap->OffsetY, e.OffsetY);
                        ++tap;
                        ++taps;
                    }
                }
                EXPECT_EQ(taps, t.TapCount());
            }
        }
    }
}

}  // namespace
