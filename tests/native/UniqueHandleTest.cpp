#include "core/UniqueHandle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace brisel {
namespace {

// Handles are small numbers, 0 is none; every close is recorded.
std::vector<int> closed;

struct CountedTraits {
    using Handle = int;
    static Handle Invalid() { return 0; }
    static bool Close(Handle handle) {
        closed.push_back(handle);
        return handle != 13; // 13 is a handle the system fails to close
    }
};
using Counted = UniqueHandle<CountedTraits>;

class UniqueHandleTest : public ::testing::Test {
protected:
    void SetUp() override { closed.clear(); }
};

TEST_F(UniqueHandleTest, ClosesEachHandleExactlyOnceWhateverHappensToItsOwner) {
    {
        Counted none;
        Counted one(1);
        Counted two(2);
        two = std::move(one); // 2 closed now, 1 moves over
        Counted three(std::move(two));
        EXPECT_FALSE(one.Valid());
        EXPECT_FALSE(two.Valid());
        EXPECT_EQ(three.Get(), 1);
        EXPECT_EQ(closed, std::vector<int>{2});
    }
    EXPECT_EQ(closed, (std::vector<int>{2, 1}));

    closed.clear();
    Counted held(4);
    *held.Receive() = 5; // the old handle goes before the slot is filled
    held.Reset(6);
    EXPECT_EQ(held.Release(), 6); // given up: not closed
    EXPECT_FALSE(held);
    EXPECT_EQ(closed, (std::vector<int>{4, 5}));
}

TEST_F(UniqueHandleTest, CloseReportsTheSystemsAnswerAndLeavesTheOwnerEmpty) {
    Counted good(7);
    Counted bad(13);
    Counted none;
    EXPECT_TRUE(good.Close());
    EXPECT_FALSE(bad.Close());
    EXPECT_TRUE(none.Close());
    EXPECT_FALSE(good.Valid());
    EXPECT_FALSE(bad.Valid());
    EXPECT_TRUE(good.Close()); // nothing left to close
    EXPECT_EQ(closed, (std::vector<int>{7, 13}));
}

} // namespace
} // namespace brisel
