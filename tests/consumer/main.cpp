// Builds a small lens through the libraries as a consumer sees them; exit status 0 when the
// worked example's entry comes out right.
#include "lens/mLens.h"

int main() {
    mLens::BuildLookUpTable(4, 75, -1);
    return mLens::LookUpTable()(1, 0).OffsetX == 1 ? 0 : 1;
}
