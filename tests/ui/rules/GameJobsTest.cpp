// The window's check, verify and export jobs on a folder standing for a
// drive: what the window is told, what a person reads and answers, and what
// the drive holds afterwards.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "ui/GameJobs.h"

using namespace ui;
using namespace store;
using namespace report;

namespace {

struct JobWindow : GameJobWindow {
    void gameJobStarted(const ProgressJob& job) override {
        events.push_back("started " + job.doing + " " + job.name);
    }
    void gameJobEnded(bool changed, const std::optional<std::string>& outcome) override {
        events.push_back(std::string(changed ? "changed" : "unchanged") +
                         (outcome ? " [" + *outcome + "]" : ""));
    }
    std::vector<std::string> events;
};

const std::string kId = "SLUS_123.45";

}  // namespace

TEST(GameJobsTest, TheCheckAsksWithWhatItFoundAndRecordsLostGamesAgain) {
    for (const bool yes : {true, false}) {
        GameDrive drive;
        drive.addGame("Kept", "KEPT_000.01", {100});
        drive.addDiscGame("Lost", kId, 40);
        drive.addDiscGame("Gone", "GONE_000.01", 40);
        std::filesystem::remove(drive.part("Gone", "GONE_000.01", 0));
        // A record that names no files, and a game whose record was lost.
        std::vector<GameEntry> records = drive.records();
        records.erase(records.begin() + 1);
        ASSERT_TRUE(writeTableFile(drive.table(), records));
        ScriptedFrontEnd ui;
        ui.boxes.answers = {yes};
        JobWindow window;
        EXPECT_EQ(runCheckJob(drive.root(), window, ui.frontEnd()), yes);
        ASSERT_EQ(ui.boxes.questions.size(), 1u);
        const std::string& question = ui.boxes.questions[0];
        EXPECT_NE(question.find("a whole game (40 sectors)"), std::string::npos) << question;
        EXPECT_NE(question.find("Game \"Gone\": parts .00 are missing"), std::string::npos);
        EXPECT_EQ(question.substr(question.size() - 19), "\n\nRepair the drive?");
        EXPECT_TRUE(ui.boxes.defaultNoFlags[0]);
        EXPECT_NE(ui.out.str().find("a whole game"), std::string::npos);  // the log has it all
        const std::vector<std::string> expected{
            "started Checking the drive " + drive.root(),
            yes ? "changed [" + drive.root() + ": The drive was repaired.]" : "unchanged"};
        EXPECT_EQ(window.events, expected);
        EXPECT_EQ(ui.progress.visible, yes);
        EXPECT_EQ(drive.names(), yes ? std::vector<std::string>({"Kept", "Recovered " + kId})
                                     : std::vector<std::string>({"Kept", "Gone"}));
    }
}

TEST(GameJobsTest, ASoundDriveSaysSoInTheProgressWindow) {
    GameDrive drive;
    drive.addGame("Kept", "KEPT_000.01", {100});
    ScriptedFrontEnd ui;
    JobWindow window;
    EXPECT_FALSE(runCheckJob(drive.root(), window, ui.frontEnd()));
    EXPECT_TRUE(ui.boxes.questions.empty());
    EXPECT_EQ(window.events.back(), "unchanged [" + drive.root() + ": The drive is sound.]");
}

TEST(GameJobsTest, VerifyGivesTheDigestsAndExportWritesTheImage) {
    GameDrive drive;
    drive.addGame("My Game", kId, {2048}, 'a');
    ScriptedFrontEnd ui;
    JobWindow window;
    runVerifyJob(drive.root(), "My Game", window, ui.frontEnd());
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_EQ(ui.boxes.shown[0].substr(0, 42), "Game My Game: 2048 bytes in 1 part\nCRC32: ");
    EXPECT_NE(ui.boxes.shown[0].find("\nSHA1: "), std::string::npos);
    EXPECT_EQ(window.events, std::vector<std::string>({"started Verifying My Game", "unchanged"}));

    TempDir elsewhere;
    const std::string file = elsewhere.root() + exportFileName("My Game");
    runExportJob(drive.root(), "My Game", file, window, ui.frontEnd());
    EXPECT_EQ(window.events.back(), "unchanged []");  // the progress window's own account
    EXPECT_EQ(std::filesystem::file_size(file), 2048u);
    std::filesystem::remove(file);

    runExportJob(drive.root(), "No Game", file, window, ui.frontEnd());
    EXPECT_EQ(window.events.back(), "unchanged");
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(GameJobsTest, TheOfferedExportNameIsAFileName) {
    EXPECT_EQ(exportFileName("My Game"), "My Game.iso");
    EXPECT_EQ(exportFileName("a/b\\c:d*\x01"), "a_b_c_d__.iso");
    EXPECT_EQ(exportFileName(".."), "game.iso");
}
