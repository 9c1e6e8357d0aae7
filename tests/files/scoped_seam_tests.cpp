// The guard that tests replace seams with: the original comes back when the scope is left,
// also when a failed assertion leaves it early (the same destructor).
#include <gtest/gtest.h>

#include "base/scoped_seam.h"

namespace {

using NumberCall = int (*)();
int Original() { return 1; }
int Fake() { return 2; }
NumberCall g_numberCall = Original;

} // namespace

TEST(ScopedSeam, PutsTheOriginalBackWhenTheScopeIsLeft)
{
    {
        ScopedSeam seam(g_numberCall, Fake);
        EXPECT_EQ(2, g_numberCall());
    }
    EXPECT_EQ(1, g_numberCall());
}
