// Symbolic links on a drive, planted where the tools write, never lead them
// to change a file outside the drive.

#include <gtest/gtest.h>

#include <filesystem>

#include "FakeDisc.h"
#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "install/InstallCommand.h"
#include "library/GameCopy.h"
#include "library/GameDeletion.h"
#include "library/GameList.h"
#include "library/GameRename.h"

using namespace install;
using namespace library;
using namespace store;
using namespace report;
using namespace platform;

namespace {

const std::string kId = "ABCD_123.45";
const std::vector<std::uint8_t> kSecret(300, 's');

struct NoRows : GameListView {
    void clear() override {}
    void appendRow(const GameRow&) override {}
};

class LinkSafetyTest : public ::testing::Test {
  protected:
    void SetUp() override { writeBytes(secret(), kSecret); }
    std::string secret() const { return outside.file("secret"); }
    void plant(const std::string& path) {
        std::filesystem::remove(path);
        std::filesystem::create_symlink(secret(), path);
    }
    void expectSecretUntouched() {
        EXPECT_EQ(readBytes(secret()), kSecret);
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(secret())));
    }
    int install(const std::string& name = "My Game") {
        FrontEnd frontEnd = ui.frontEnd();
        InstallCommand command(frontEnd, fakeOpener(makeGameDisc(1000)), [](const std::string&) {
            return std::optional<std::uint64_t>(std::uint64_t{1} << 40);
        });
        return command.run({"", "fake", drive.root(), name, "DVD"});
    }

    TempDir outside;
    GameDrive drive;
    ScriptedFrontEnd ui;
};

}  // namespace

TEST_F(LinkSafetyTest, InstallWritesNeitherThroughAPartNorThroughTheTemporaryTable) {
    plant(drive.part("My Game", kId, 0));
    plant(drive.root() + "tepcdfile.tep");
    EXPECT_EQ(install(), 1);
    expectSecretUntouched();
    EXPECT_FALSE(std::filesystem::is_symlink(drive.part("My Game", kId, 0)));
    EXPECT_EQ(std::filesystem::file_size(drive.part("My Game", kId, 0)), 1000u * 2048);
    EXPECT_EQ(drive.names(), (std::vector<std::string>{"My Game"}));
}

TEST_F(LinkSafetyTest, ALinkedTableIsNeitherReadNorWrittenThrough) {
    drive.addGame("My Game", kId, {10});
    plant(drive.table());
    ui.boxes.answers = {true, true, true};
    EXPECT_EQ(install("Other"), 0);  // the table cannot be read: nothing is installed
    EXPECT_TRUE(deleteGame(drive.root(), "My Game", ui.frontEnd()).failedAt(DeleteStep::Failed));
    EXPECT_TRUE(
        renameGame(drive.root(), "My Game", "New", ui.frontEnd()).failedAt(RenameStep::Failed));
    NoRows rows;
    refreshGameList(drive.root(), ui.frontEnd(), rows);
    expectSecretUntouched();
    EXPECT_TRUE(std::filesystem::is_symlink(drive.table()));
}

TEST_F(LinkSafetyTest, DeleteRenameAndCopyLeaveTheLinksTargetAlone) {
    drive.addGame("My Game", kId, {10, 20});
    drive.addGame("Linked", "LINK_000.01", {});
    // A record whose part is a link to the outside file.
    std::vector<GameEntry> records = drive.records();
    records[1].setPartCount(1);
    ASSERT_TRUE(writeTableFile(drive.table(), records));
    plant(drive.part("Linked", "LINK_000.01", 0));

    // Copying never reads through the link.
    GameDrive target;
    EXPECT_TRUE(
        copyGame(drive.root(), "Linked", target.root(), ui.frontEnd()).failedAt(CopyStep::Damaged));
    EXPECT_FALSE(std::filesystem::exists(target.part("Linked", "LINK_000.01", 0)));

    // A link where a renamed part goes is a taken name, and nothing moves.
    plant(drive.part("New", kId, 1));
    plant(drive.root() + "tepcdfile.tep");
    EXPECT_TRUE(
        renameGame(drive.root(), "My Game", "New", ui.frontEnd()).failedAt(RenameStep::FileTaken));
    EXPECT_EQ(std::filesystem::file_size(drive.part("My Game", kId, 0)), 10u);

    // Deleting removes the link itself, never its target.
    EXPECT_TRUE(deleteGame(drive.root(), "Linked", ui.frontEnd()).succeeded());
    EXPECT_FALSE(std::filesystem::is_symlink(drive.part("Linked", "LINK_000.01", 0)));
    expectSecretUntouched();
}
