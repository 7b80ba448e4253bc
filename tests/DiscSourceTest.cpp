#include "install/DiscSource.h"

#include <gtest/gtest.h>

#include "FakeDisc.h"
#include "ScriptedFrontEnd.h"

using namespace install;
using namespace report;
using namespace platform;

namespace {

using Read = std::pair<std::uint64_t, std::size_t>;

class DiscSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        disc->sectors = 1000;
        ASSERT_TRUE(source.open("fake").succeeded());
    }
    bool holdsSector(const std::uint8_t* data, std::int64_t n) const {
        return data != nullptr && std::vector<std::uint8_t>(data, data + 2048) == disc->sector(n);
    }

    std::shared_ptr<FakeDisc> disc = std::make_shared<FakeDisc>();
    ScriptedStatus status;
    DiscSource source{status, fakeOpener(disc)};
};

}  // namespace

TEST_F(DiscSourceTest, ReadsAlignedBlocksAndServesThemFromTheBuffer) {
    EXPECT_TRUE(holdsSector(source.readSector(700, 1000), 700));
    EXPECT_EQ(disc->reads, (std::vector<Read>{{640 * 2048, 64 * 2048}}));
    EXPECT_TRUE(holdsSector(source.readSector(703, 1000), 703));
    EXPECT_TRUE(holdsSector(source.readSector(640, 1000), 640));
    EXPECT_EQ(disc->reads.size(), 1u);  // both from the block already read

    // 786 + 214 = 1000: the last 214 sectors are read one at a time, never cached.
    EXPECT_TRUE(holdsSector(source.readSector(786, 1000), 786));
    EXPECT_TRUE(holdsSector(source.readSector(786, 1000), 786));
    EXPECT_EQ(disc->reads,
              (std::vector<Read>{{640 * 2048, 64 * 2048}, {786 * 2048, 2048}, {786 * 2048, 2048}}));
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(DiscSourceTest, SectorSixteenLoadsTheFirstBlockForTheCopy) {
    EXPECT_TRUE(holdsSector(source.readSector(16, 999), 16));
    EXPECT_TRUE(holdsSector(source.readSector(0, 5000), 0));
    EXPECT_EQ(disc->reads, (std::vector<Read>{{0, 64 * 2048}}));
}

TEST_F(DiscSourceTest, SmallDiscIsReadOneSectorAtATime) {
    disc->sectors = 100;
    EXPECT_TRUE(holdsSector(source.readSector(0, 100), 0));
    EXPECT_TRUE(holdsSector(source.readSector(1, 100), 1));
    EXPECT_EQ(disc->reads, (std::vector<Read>{{0, 2048}, {2048, 2048}}));
}

TEST_F(DiscSourceTest, RetriesFourTimesThenGivesUp) {
    disc->failing = {848};
    int gaveUp = 0;
    source.setGiveUpAction([&] { ++gaveUp; });
    EXPECT_EQ(source.readSector(848, 1000), nullptr);
    EXPECT_EQ(disc->reads, std::vector<Read>(4, Read{848 * 2048, 2048}));
    std::vector<std::string> expected(4, "\nREAD ERROR.. Retry");
    expected.push_back("\nGIVING UP\n");
    EXPECT_EQ(status.texts, expected);
    EXPECT_EQ(gaveUp, 1);
}

TEST_F(DiscSourceTest, FailureAmongTheLastSectorsGivesZerosNotEarlierData) {
    disc->failing = {849, 999};
    ASSERT_NE(source.readSector(848, 1000), nullptr);  // leaves sector 848 in the buffer
    for (std::int32_t lba : {849, 999}) {
        const std::uint8_t* data = source.readSector(lba, 1000);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::vector<std::uint8_t>(data, data + 2048), std::vector<std::uint8_t>(2048, 0));
    }
    EXPECT_EQ(disc->reads.size(), 3u);  // tolerated at once, no retries
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(DiscSourceTest, FailedBlockIsNotServedFromTheBufferLater) {
    disc->failing = {650};
    EXPECT_EQ(source.readSector(700, 1000), nullptr);
    disc->failing.clear();  // the drive recovers
    EXPECT_TRUE(holdsSector(source.readSector(703, 1000), 703));
    EXPECT_EQ(disc->reads.size(), 5u);
}

TEST_F(DiscSourceTest, ShortReadAtTheEndOfTheMediumIsZeroFilled) {
    disc->sectors = 650;  // the medium ends inside the block of 640..703
    ASSERT_NE(source.readSector(100, 5000), nullptr);  // fills the buffer with data
    const std::uint8_t* data = source.readSector(660, 5000);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(data, data + 2048), std::vector<std::uint8_t>(2048, 0));
    EXPECT_TRUE(holdsSector(source.readSector(649, 5000), 649));
}

TEST_F(DiscSourceTest, UnopenedSourceAndNegativeSectorGiveNothing) {
    EXPECT_EQ(source.readSector(-1, 1000), nullptr);
    source.close();
    EXPECT_EQ(source.readSector(0, 1000), nullptr);
    disc->opens = false;
    EXPECT_FALSE(source.open("fake").succeeded());
}
