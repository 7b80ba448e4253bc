// Discs at the 1 GiB part boundary. The disc's content is generated, so only
// the part files take room; they are checked by size and sampled sectors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FakeDisc.h"
#include "GameDrive.h"
#include "LoopDrive.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "install/IdentifyDisc.h"
#include "install/InstallCommand.h"
#include "install/SplitImageWriter.h"
#include "library/DriveCheck.h"
#include "library/GameCopy.h"
#include "store/DriveRoot.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

using namespace install;
using namespace library;
using namespace store;
using namespace report;
using namespace platform;

namespace {

constexpr std::int64_t kPart = 524288;

std::vector<std::uint8_t> sectorOfFile(const std::string& path, std::int64_t index) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(index * 2048);
    std::vector<std::uint8_t> bytes(2048);
    in.read(reinterpret_cast<char*>(bytes.data()), 2048);
    if (in.gcount() != 2048)
        bytes.clear();
    return bytes;
}

class PartBoundaryTest : public ::testing::Test {
  protected:
    std::string part(int index) const {
        return *partFilePath(partPrefix(drive.root(), gameNameHash("Big"), "ABCD_123.45"), index);
    }
    int install(std::shared_ptr<FakeDisc> disc) {
        FrontEnd frontEnd = ui.frontEnd();
        InstallCommand command(frontEnd, fakeOpener(disc));
        return command.run({"", "fake", drive.root(), "Big", "DVD"});
    }
    // Sectors at both ends of every part and the identification sectors.
    void expectSampledContent(const FakeDisc& disc) {
        for (std::int64_t s : {std::int64_t{0}, std::int64_t{16}, std::int64_t{19},
                               std::int64_t{4096}, kPart - 1, kPart, disc.sectors - 1}) {
            if (s >= disc.sectors)
                continue;
            EXPECT_EQ(sectorOfFile(part(static_cast<int>(s / kPart)), s % kPart), disc.sector(s))
                << "sector " << s;
        }
    }

    TempDir drive;
    ScriptedFrontEnd ui;
};

}  // namespace

TEST_F(PartBoundaryTest, ExactlyOneGibibyteMakesOnePart) {
    auto disc = makeGameDisc(kPart);
    ASSERT_EQ(install(disc), 1);
    EXPECT_EQ(std::filesystem::file_size(part(0)), std::uint64_t{1} << 30);
    EXPECT_FALSE(std::filesystem::exists(part(1)));
    expectSampledContent(*disc);
    EXPECT_EQ(readTableFile(tablePath(drive.root())).records.at(0).PartCount(), 1);
    EXPECT_EQ(ui.progress.range, 1024);
}

TEST_F(PartBoundaryTest, OneSectorMoreOpensASecondPart) {
    auto disc = makeGameDisc(kPart + 1);
    ASSERT_EQ(install(disc), 1);
    EXPECT_EQ(std::filesystem::file_size(part(0)), std::uint64_t{1} << 30);
    EXPECT_EQ(std::filesystem::file_size(part(1)), 2048u);
    expectSampledContent(*disc);
    EXPECT_EQ(readTableFile(tablePath(drive.root())).records.at(0).PartCount(), 2);
    EXPECT_EQ(ui.progress.texts,
              (std::vector<std::string>{"Installing " + part(0), "Installing " + part(1)}));
}

TEST_F(PartBoundaryTest, CancelDuringTheSecondPartListsBothParts) {
    auto disc = makeGameDisc(kPart + 1000);
    ScriptedStatus& status = ui.status;
    DiscSource source(status, fakeOpener(disc));
    IdentifyResult identified = identifyDisc(source, "fake", status);
    ASSERT_TRUE(identified);
    const DiscInfo info = identified.value();
    // Position updates come every 256 sectors; the 2049th is at sector 524288,
    // just before the second part is opened.
    ui.progress.cancelAfterUpdates = 2048;
    PartsInProgress parts;
    FrontEnd frontEnd = ui.frontEnd();
    SplitImageWriter writer(frontEnd, parts);
    int partCount = -1;
    EXPECT_FALSE(
        writer.copy(info, partPrefix(drive.root(), gameNameHash("Big"), "ABCD_123.45"), partCount));
    EXPECT_EQ(partCount, 2);
    EXPECT_EQ(parts.createdParts, (std::vector<std::string>{part(0), part(1)}));
    EXPECT_FALSE(parts.currentPartFile.isOpen());
    EXPECT_EQ(std::filesystem::file_size(part(0)), std::uint64_t{1} << 30);
    EXPECT_TRUE(std::filesystem::exists(part(1)));
    parts.removeAll();
    EXPECT_TRUE(std::filesystem::is_empty(drive.path()));
}

TEST_F(PartBoundaryTest, ADiscOfElevenPartsIsRefusedBeforeAnythingIsWritten) {
    EXPECT_EQ(install(makeGameDisc(10 * kPart + 1)), 0);
    EXPECT_EQ(ui.boxes.shown.back(),
              "The disc is too large: its 5242881 sectors need more than 10 part files\n");
    EXPECT_TRUE(std::filesystem::is_empty(drive.path()));
}

TEST(TenPartGameTest, IsCopiedWholeThroughASparseImage) {
    // On XFS the copy shares the source's blocks, so ten sparse parts of
    // 1 GiB cost neither room nor time.
    LoopDrive volume(std::uint64_t{24} << 30, "mkfs.xfs -q -f");
    if (!volume.ready())
        GTEST_SKIP() << volume.why;
    const std::string source = volume.root() + "source/", target = volume.root() + "target/";
    std::filesystem::create_directories(source);
    std::filesystem::create_directories(target);
    const std::string id = "TENP_000.01";
    ASSERT_TRUE(
        writeTableFile(tablePath(source), std::vector<GameEntry>{gameRecord("Ten", id, 10, true)}));
    const std::string prefix = partPrefix(source, gameNameHash("Ten"), id);
    for (int i = 0; i < 10; ++i) {
        GameDrive::writePart(*partFilePath(prefix, i), i < 9 ? std::uint64_t{1} << 30 : 4096);
    }
    ScriptedFrontEnd ui;
    ASSERT_TRUE(copyGame(source, "Ten", target, ui.frontEnd()).succeeded())
        << (ui.boxes.shown.empty() ? "" : ui.boxes.shown.back());
    const std::vector<GameEntry> records = readTableFile(tablePath(target)).records;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].PartCount(), 10);
    const PartFiles parts = partFilesOf(target, records[0]);
    ASSERT_EQ(parts.paths.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(std::filesystem::file_size(parts.paths[i]), i < 9 ? std::uint64_t{1} << 30 : 4096)
            << i;
    EXPECT_TRUE(checkDrive(target).sound());
}
