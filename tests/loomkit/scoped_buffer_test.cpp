#include "loomkit/scoped_buffer.h"

#include "allocation_limit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

using loomkit::scoped_buffer_base;

TEST(ScopedBuffer, SizeZeroGivesNoBlock) {
    scoped_buffer_base buffer;
    EXPECT_FALSE(buffer.Allocate(nullptr, 0));
    EXPECT_EQ(nullptr, buffer.data);
    EXPECT_EQ(0u, buffer.size);
}

TEST(ScopedBuffer, AllocateGivesExactSize) {
    scoped_buffer_base buffer;
    ASSERT_TRUE(buffer.Allocate(nullptr, 1));
    ASSERT_NE(nullptr, buffer.data);
    EXPECT_EQ(1u, buffer.size);
    buffer.data[0] = 'x';  // the sanitizers check the block is really there
}

TEST(ScopedBuffer, GrowingKeepsTheOldBytes) {
    scoped_buffer_base buffer;
    ASSERT_TRUE(buffer.Allocate(nullptr, 4));
    std::memcpy(buffer.data, "abcd", 4);
    ASSERT_TRUE(buffer.Allocate(buffer.data, 4096));
    EXPECT_EQ(4096u, buffer.size);
    EXPECT_EQ(0, std::memcmp(buffer.data, "abcd", 4));
}

using zentrail::test::LargeAllocationsRefused;

// A request the heap does not meet: the message names the size, unsigned.
TEST(ScopedBuffer, ExhaustionThrowsWithSize) {
    scoped_buffer_base buffer;
    const LargeAllocationsRefused full;
    const int refusals = LargeAllocationsRefused::Refusals();
    try {
        buffer.Allocate(nullptr, 4294967295u);
        FAIL() << "an impossible request succeeded";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ("scoped_buffer_base::Allocate() Output Memory4294967295byte", e.what());
    }
    EXPECT_EQ(nullptr, buffer.data);
    EXPECT_EQ(0u, buffer.size);
    EXPECT_EQ(refusals + 1, LargeAllocationsRefused::Refusals()) << "the heap was not asked";
}

TEST(ScopedBuffer, FailedGrowthLeavesOldBlockToCaller) {
    scoped_buffer_base buffer;
    void* old = std::malloc(16);
    ASSERT_NE(nullptr, old);
    {
        const LargeAllocationsRefused full;
        EXPECT_THROW(buffer.Allocate(old, 4294967295u), std::logic_error);
    }
    EXPECT_EQ(nullptr, buffer.data);
    std::free(old);  // still ours: the sanitizers flag a double free if not
}

}  // namespace
