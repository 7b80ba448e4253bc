// Space figures as every text shows them: free space cut down, needed space
// rounded up, both in whole MB, so that a refusal never names more free
// space than the status line.
#include <gtest/gtest.h>

#include "report/SpaceText.h"

using namespace report;

TEST(SpaceTextTest, FreeIsCutDownAndNeededRoundedUp) {
    constexpr std::uint64_t kMiB = 1 << 20;
    const struct {
        std::uint64_t bytes;
        const char* free;
        const char* needed;
    } cases[] = {
        {0, "0MB", "0MB"},
        {1, "0MB", "1MB"},
        {kMiB, "1MB", "1MB"},
        {kMiB + 1, "1MB", "2MB"},
        {81 * kMiB + kMiB / 5, "81MB", "82MB"},  // 81.2 MB
        {5ULL << 40, "5242880MB", "5242880MB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(freeMegabytes(c.bytes), c.free) << c.bytes;
        EXPECT_EQ(neededMegabytes(c.bytes), c.needed) << c.bytes;
    }
}
