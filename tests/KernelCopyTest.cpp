// The install copies whole progress steps inside the kernel where the source
// allows it; these tests hold it to the same result as the sector-by-sector copy.
#include <gtest/gtest.h>

#include <filesystem>

#include "FakeDisc.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "install/InstallCommand.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"

using namespace install;
using namespace store;
using namespace report;
using namespace platform;

namespace {

class KernelCopyTest : public ::testing::Test {
  protected:
    std::string part(int index) const {
        return *partFilePath(partPrefix(drive.root(), gameNameHash("Fast"), "ABCD_123.45"), index);
    }
    int install(std::shared_ptr<FakeDisc> disc) {
        FrontEnd frontEnd = ui.frontEnd();
        InstallCommand command(frontEnd, fakeOpener(disc));
        return command.run({"", "fake", drive.root(), "Fast", "DVD"});
    }
    // Every sector of the single part equals the disc's.
    void expectWholeImage(const FakeDisc& disc) {
        std::vector<std::uint8_t> bytes = readBytes(part(0));
        ASSERT_EQ(bytes.size(), static_cast<std::size_t>(disc.sectors) * 2048);
        for (std::int64_t s = 0; s < disc.sectors; ++s) {
            std::vector<std::uint8_t> expected = disc.sector(s);
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin() + s * 2048))
                << "sector " << s;
        }
    }

    TempDir drive;
    ScriptedFrontEnd ui;
};

}  // namespace

TEST_F(KernelCopyTest, CopiesWholeStepsOutsideTheTail) {
    auto disc = makeGameDisc(3000);
    disc->kernelCopy = true;
    ASSERT_EQ(install(disc), 1);
    expectWholeImage(*disc);
    ASSERT_FALSE(disc->sends.empty());
    for (const auto& [offset, length] : disc->sends) {
        EXPECT_EQ(offset % (256 * 2048), 0u);
        EXPECT_EQ(length, 256u * 2048);
        EXPECT_LT((offset + length) / 2048 - 1 + 214, 3000u);  // never the end-of-disc zone
    }
    // Sectors 2560 .. 2999 lie in a step that reaches the tail; they were read.
    EXPECT_EQ(disc->sends.size(), 10u);
}

TEST_F(KernelCopyTest, FailedStepIsCutOffAndReadSectorBySector) {
    auto disc = makeGameDisc(3000);
    disc->kernelCopy = true;
    disc->failingCopy = {700};  // the copy of 512..767 stops after 188 sectors
    ASSERT_EQ(install(disc), 1);
    expectWholeImage(*disc);
    bool blockRead = false;
    for (const auto& [offset, length] : disc->reads)
        blockRead = blockRead || (offset == 640 * 2048u && length == 64 * 2048u);
    EXPECT_TRUE(blockRead);
}

TEST_F(KernelCopyTest, ReadErrorInAStepStillRetriesAndGivesUp) {
    auto disc = makeGameDisc(3000);
    disc->kernelCopy = true;
    disc->failingCopy = {1000};
    disc->failing = {1000};
    EXPECT_EQ(install(disc), 0);
    EXPECT_EQ(std::count(ui.status.texts.begin(), ui.status.texts.end(), "\nREAD ERROR.. Retry"),
              4);
    EXPECT_EQ(ui.boxes.shown.back(), "Read Error!");
    EXPECT_FALSE(std::filesystem::exists(part(0)));
}

TEST_F(KernelCopyTest, DeviceThatCannotIsAskedOnce) {
    auto disc = makeGameDisc(3000);  // kernelCopy off: the device says it cannot
    ASSERT_EQ(install(disc), 1);
    expectWholeImage(*disc);
    EXPECT_EQ(disc->sends.size(), 1u);
}

TEST_F(KernelCopyTest, CancelStopsBetweenSteps) {
    auto disc = makeGameDisc(3000);
    disc->kernelCopy = true;
    ui.progress.cancelAfterUpdates = 3;
    EXPECT_EQ(install(disc), 0);
    EXPECT_FALSE(std::filesystem::exists(part(0)));
    EXPECT_LE(disc->sends.size(), 3u);
}
