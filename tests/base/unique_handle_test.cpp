// The handle owner: each valid handle it holds is closed exactly once, and
// never one it handed over or one that is no handle.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/unique_handle.h"

using namespace vezuved;

namespace {

std::vector<int> g_closed;

struct TestTraits {
    using Handle = int;
    static Handle Empty() { return -1; }
    static bool IsValid(Handle handle) { return handle > 0; }
    static void Close(Handle handle) { g_closed.push_back(handle); }
};
using Owner = UniqueHandle<TestTraits>;

TEST(UniqueHandle, ClosesEachValidHandleOnce) {
    g_closed.clear();
    {
        Owner none;
        EXPECT_FALSE(none);
        EXPECT_EQ(-1, none.Get());
        Owner zero(0);  // no handle: never closed
        Owner a(3);
        a.Reset(4);  // 3 closed now
        Owner b(std::move(a));
        EXPECT_EQ(-1, a.Get());
        EXPECT_EQ(4, b.Get());
        Owner c(5);
        EXPECT_EQ(5, c.Release());  // handed over: not closed
        EXPECT_FALSE(c.IsValid());
        c = Owner(6);
        c.Close();
        c.Close();         // a second close does nothing
        b = std::move(c);  // 4 closed, b now empty
        EXPECT_FALSE(b);
    }
    EXPECT_EQ((std::vector<int>{3, 6, 4}), g_closed);
}

}  // namespace
