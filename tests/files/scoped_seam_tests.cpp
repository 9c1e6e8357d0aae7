// The guard that tests replace seams with: the original comes back however the scope is
// left, also when a failed assertion leaves it early.
#include <gtest/gtest.h>

#include "base/scoped_seam.h"

namespace {

using NumberCall = int (*)();
int Original() { return 1; }
int Fake() { return 2; }
NumberCall g_numberCall = Original;

void ReplaceAndLeave(bool early, int& seen)
{
    ScopedSeam seam(g_numberCall, Fake);
    seen = g_numberCall();
    if (early)
        return;  // as ASSERT_* does
    seen += 10;
}

} // namespace

TEST(ScopedSeam, PutsTheOriginalBackHoweverTheScopeIsLeft)
{
    const struct { const char* what; bool early; int seen; } cases[] = {
        {"to its end", false, 12},
        {"early", true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int seen = 0;
        ReplaceAndLeave(c.early, seen);
        EXPECT_EQ(c.seen, seen);
        EXPECT_EQ(1, g_numberCall());
    }
}
