// The drive check, a game's verification and export from the list's menu,
// through the window's core on a view without a toolkit.
#include <gtest/gtest.h>

#include <filesystem>

#include "FakeWindowView.h"
#include "GameDrive.h"
#include "ui/ControlIds.h"
#include "ui/MainWindowCore.h"

using namespace ui;
using namespace store;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace platform;

namespace {

class MainWindowChecksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        usb.addGame("Alpha", "SLUS_000.01", {2048});
        // A whole game whose record was lost.
        usb.addDiscGame("Lost", "SLUS_000.02", 40);
        std::vector<GameEntry> records = usb.records();
        records.pop_back();
        ASSERT_TRUE(writeTableFile(usb.table(), records));
        drives.fixed = {{usb.root(), "/dev/sdb1", true}};
        CoreServices services;
        services.drives = &drives;
        core = std::make_unique<MainWindowCore>(view, services, log);
        core->init();
    }
    void choose(int command) {
        view.menuChoice = command;
        core->onContextMenu(false);
        ASSERT_TRUE(view.queue.runUntil([&] { return !core->jobRunning() && !core->busy(); }));
    }

    GameDrive usb;
    FakeDriveList drives;
    FakeWindowView view;
    WindowLog log{"", false};
    std::unique_ptr<MainWindowCore> core;
};

}  // namespace

TEST_F(MainWindowChecksTest, TheMenuOffersThemAfterASeparator) {
    choose(0);
    std::vector<int> commands;
    for (const MenuRow& row : view.menu)
        commands.push_back(row.command);
    EXPECT_EQ(commands,
              std::vector<int>({control::kDeleteCommand, control::kRenameCommand,
                                control::kCopyCommand, 0, control::kVerifyCommand,
                                control::kExportCommand, 0, control::kCheckDriveCommand}));
}

TEST_F(MainWindowChecksTest, TheCheckRecordsTheLostGameAndWaitsForOK) {
    view.boxesShown.answers = {true};
    choose(control::kCheckDriveCommand);
    ASSERT_EQ(view.boxesShown.questions.size(), 1u);
    EXPECT_NE(view.boxesShown.questions[0].find("a whole game (40 sectors)"), std::string::npos);
    EXPECT_EQ(view.progress.jobs, std::vector<std::string>{"Checking the drive " + usb.root()});
    EXPECT_EQ(view.progress.outcomes,
              std::vector<std::string>{usb.root() + ": The drive was repaired."});
    EXPECT_EQ(view.listed(), std::vector<std::string>({"Alpha", "Recovered SLUS_000.02"}));
    EXPECT_FALSE(view.inputOn);  // until the progress window's "OK"
    core->onProgressDismissed();
    EXPECT_TRUE(view.inputOn);
}

TEST_F(MainWindowChecksTest, VerifyAndExportWorkOnTheSelectedGame) {
    choose(control::kVerifyCommand);
    EXPECT_EQ(view.boxesShown.shown, std::vector<std::string>{"Please select game"});

    view.select("Alpha");
    choose(control::kVerifyCommand);
    EXPECT_EQ(view.boxesShown.shown.back().substr(0, 32), "Game Alpha: 2048 bytes in 1 part");
    EXPECT_TRUE(view.inputOn);

    TempDir elsewhere;
    view.exportFile = elsewhere.root() + "alpha.iso";
    view.select("Alpha");
    choose(control::kExportCommand);
    EXPECT_EQ(view.exportSuggestions, std::vector<std::string>{"Alpha.iso"});
    EXPECT_EQ(std::filesystem::file_size(view.exportFile), 2048u);
    EXPECT_EQ(view.progress.jobs.back(), "Exporting Alpha to " + view.exportFile);
    EXPECT_EQ(view.progress.outcomes, std::vector<std::string>{""});
}
