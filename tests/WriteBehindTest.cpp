// When a part file hands its bytes to the device: a window at a time, the
// window before waited for, so that the copy's progress goes at the device's
// speed and leaves little to the flush at its end.
#include "install/WriteBehind.h"

#include <gtest/gtest.h>

using namespace install;

TEST(WriteBehindTest, StartsEachWindowAndWaitsForTheOneBefore) {
    constexpr std::uint64_t M = 1 << 20;
    const struct {
        std::uint64_t written;
        bool step;
        std::uint64_t startFrom, startLength, waitFrom, waitLength;
    } cases[] = {
        {4 * M, false, 0, 0, 0, 0},
        {8 * M, true, 0, 8 * M, 0, 0},  // the first window: nothing to wait for yet
        {12 * M, false, 0, 0, 0, 0},
        {17 * M, true, 8 * M, 9 * M, 0, 8 * M},
        {30 * M, true, 17 * M, 13 * M, 8 * M, 9 * M},
        {20 * M, false, 0, 0, 0, 0},  // cut back: nothing until it passes a window again
    };
    WriteBehind behind(8 * M);
    for (const auto& c : cases) {
        const std::optional<WriteBehindStep> step = behind.advance(c.written);
        ASSERT_EQ(step.has_value(), c.step) << c.written;
        if (!step)
            continue;
        EXPECT_EQ(step->startFrom, c.startFrom) << c.written;
        EXPECT_EQ(step->startLength, c.startLength) << c.written;
        EXPECT_EQ(step->waitFrom, c.waitFrom) << c.written;
        EXPECT_EQ(step->waitLength, c.waitLength) << c.written;
    }
    behind.reset();
    EXPECT_FALSE(behind.advance(4 * M));
    EXPECT_EQ(behind.advance(8 * M)->startFrom, 0u);
}
