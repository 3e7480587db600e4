#include <gtest/gtest.h>

#include <vector>

#include "lens/LensReference.h"
#include "lens/mLens.h"

namespace {

using mLens::tLensOffset;

// Every radius 0..250, every factor -150..150, both lens types, entry by entry against the
// plain transcription. The square roots depend on the radius only, so the reference computes
// them once per radius; the rest is evaluated afresh for every build.
void SweepRadii(int32_t first, int32_t last) {
#ifdef LUCIVANE_SANITIZER_BUILD
    GTEST_SKIP() << "exhaustive sweep skipped under the sanitizers";
#endif
    std::vector<float> s;
    for (int32_t R = first; R <= last; ++R) {
        const int32_t side = 2 * R + 1;
        s.assign(static_cast<size_t>(side) * side, 0.0f);
        for (int32_t i = -R; i <= R; ++i) {
            for (int32_t j = -R; j <= R; ++j) {
                if (j * j + i * i < R * R)
                    s[(i + R) * side + (j + R)] = lens_test::ReferenceS(R, j, i);
            }
        }
        for (int32_t F = -150; F <= 150; ++F) {
            const lens_test::LensShape shape = lens_test::ReferenceShape(R, F);
            for (bool convex : {true, false}) {
                mLens::BuildLookUpTable(R, F, convex ? -1 : 0);
                const auto& table = mLens::LookUpTable();
                ASSERT_EQ(table.Count(), static_cast<size_t>(side) * side);
                const tLensOffset* e = table.Data();
                for (int32_t i = -R; i <= R; ++i) {
                    for (int32_t j = -R; j <= R; ++j, ++e) {
                        const tLensOffset want = lens_test::ReferenceEntry(
                            R, shape, convex, j, i, s[(i + R) * side + (j + R)]);
                        if (!(*e == want)) {
                            ASSERT_EQ(*e, want) << "R " << R << " F " << F << " convex " << convex
                                                << " j " << j << " i " << i;
                        }
                    }
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
