#include "library/DriveCheck.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "ToolRun.h"

namespace {

using Names = std::vector<std::string>;
using Kind = DriveFinding::Kind;
const std::string kId = "ABCD_123.45";

std::vector<Kind> kindsOf(const DriveReport& report) {
    std::vector<Kind> kinds;
    for (const DriveFinding& finding : report.findings)
        kinds.push_back(finding.kind);
    return kinds;
}

class DriveCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        drive.addGame("Sound", "SOUN_000.01", {10, 20});
        drive.addGame("My Game", kId, {10, 20, 30});
    }
    DriveCheckResult check() { return checkAndRepairDrive(drive.root(), ui.frontEnd()); }
    void setRecord(std::size_t index, const std::function<void(GameEntry&)>& change) {
        std::vector<GameEntry> records = drive.records();
        change(records[index]);
        ASSERT_TRUE(writeTableFile(drive.table(), records));
    }

    GameDrive drive;
    ScriptedFrontEnd ui;
};

}  // namespace

TEST_F(DriveCheckTest, SoundDriveAndDriveWithoutGames) {
    EXPECT_EQ(check(), DriveCheckResult::Sound);
    EXPECT_EQ(ui.out.str(), "The drive is sound.\n");
    EXPECT_TRUE(ui.boxes.questions.empty());

    GameDrive empty;
    EXPECT_TRUE(checkDrive(empty.root()).sound());
    EXPECT_FALSE(std::filesystem::exists(empty.table()));
}

TEST_F(DriveCheckTest, StoppedRenameIsMovedBackNotDeleted) {
    std::filesystem::rename(drive.part("My Game", kId, 1), drive.part("Other", kId, 1));
    EXPECT_EQ(kindsOf(checkDrive(drive.root())), (std::vector<Kind>{Kind::SplitGame}));

    // Answered No: reported, nothing changes.
    EXPECT_EQ(check(), DriveCheckResult::Found);
    EXPECT_NE(ui.out.str().find("\"My Game\": parts .01 lie under another name"),
              std::string::npos);
    EXPECT_EQ(ui.boxes.questions, (Names{"Repair the drive?"}));
    EXPECT_TRUE(std::filesystem::exists(drive.part("Other", kId, 1)));

    ui.boxes.answers = {true};
    EXPECT_EQ(check(), DriveCheckResult::Repaired);
    EXPECT_EQ(std::filesystem::file_size(drive.part("My Game", kId, 1)), 20u);
    EXPECT_TRUE(checkDrive(drive.root()).sound());
}

TEST_F(DriveCheckTest, LeftoversOfStoppedCommandsAreRemoved) {
    const std::string staged = drive.root() + "zt.1C5EB8C8." + kId + "~new.00";
    const std::string pending = drive.part("Sound", "SOUN_000.01", 0) + ".new";
    const std::string orphan = drive.part("Gone", "GONE_000.01", 0);
    for (const std::string& path : {staged, pending, orphan, drive.root() + "tepcdfile.tep"})
        writeBytes(path, {1, 2, 3});
    writeBytes(drive.root() + "notes.txt", {1});  // not a part file: left alone
    const DriveReport report = checkDrive(drive.root());
    EXPECT_EQ(kindsOf(report), (std::vector<Kind>{Kind::LeftoverTemp, Kind::UnownedFile,
                                                  Kind::UnownedFile, Kind::UnownedFile}));
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    for (const std::string& path : {staged, pending, orphan, drive.root() + "tepcdfile.tep"})
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
    EXPECT_TRUE(std::filesystem::exists(drive.root() + "notes.txt"));
    EXPECT_EQ(drive.names(), (Names{"Sound", "My Game"}));
}

TEST_F(DriveCheckTest, MissingPartsFoundNowhereRemoveTheGame) {
    std::filesystem::remove(drive.part("My Game", kId, 2));
    const DriveReport report = checkDrive(drive.root());
    EXPECT_EQ(kindsOf(report), (std::vector<Kind>{Kind::MissingParts}));
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    EXPECT_EQ(drive.names(), (Names{"Sound"}));
    EXPECT_FALSE(std::filesystem::exists(drive.part("My Game", kId, 0)));
}

TEST_F(DriveCheckTest, DamagedRecordsGetTheirCountBackOrGo) {
    setRecord(1, [](GameEntry& entry) { entry.setPartCount(0x80); });  // three parts lie there
    drive.appendRecord(gameRecord("No files", "NOFI_000.01", 0));
    drive.appendRecord(gameRecord("Escaping", "../x", 1));
    drive.appendRecord(gameRecord("Odd media", "ODDM_000.01", 1));
    GameDrive::writePart(drive.part("Odd media", "ODDM_000.01", 0), 100);
    setRecord(4, [](GameEntry& entry) { entry.setMediaType(0x13); });

    const DriveReport report = checkDrive(drive.root());
    EXPECT_EQ(kindsOf(report), (std::vector<Kind>{Kind::DamagedRecord, Kind::DamagedRecord,
                                                  Kind::DamagedRecord, Kind::UnknownMedia}));
    EXPECT_NE(report.findings[0].text.find("part count 128"), std::string::npos);
    EXPECT_EQ(report.findings[0].restoredCount, 3);
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    EXPECT_EQ(drive.names(), (Names{"Sound", "My Game", "Odd media"}));
    EXPECT_EQ(drive.records()[1].PartCount(), 3);
    EXPECT_EQ(drive.records()[2].MediaType(), kMediaCd);
    EXPECT_TRUE(checkDrive(drive.root()).sound());
}

TEST_F(DriveCheckTest, LinkedTableIsReportedAndTakenAway) {
    TempDir outside;
    writeBytes(outside.file("secret"), {9, 9});
    std::filesystem::remove(drive.table());
    std::filesystem::create_symlink(outside.file("secret"), drive.table());
    const DriveReport report = checkDrive(drive.root());
    EXPECT_EQ(kindsOf(report), (std::vector<Kind>{Kind::TableUnreadable}));
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(drive.table())));
    EXPECT_EQ(readBytes(outside.file("secret")), (std::vector<std::uint8_t>{9, 9}));
}

TEST_F(DriveCheckTest, ControlBytesInNamesAreShownEscaped) {
    drive.addGame("Bad\x1B[2J", "BADN_000.01", {10});
    std::filesystem::remove(drive.part("Bad\x1B[2J", "BADN_000.01", 0));
    check();
    EXPECT_NE(ui.out.str().find("Bad\\x1B[2J"), std::string::npos);
    EXPECT_EQ(ui.out.str().find('\x1B'), std::string::npos);
}

TEST(ZtGamesCheckTest, ExitStatusSaysWhetherSomethingWasFound) {
    GameDrive drive;
    drive.addGame("My Game", kId, {10});
    EXPECT_EQ(runTool("zt_games", "check " + drive.root()).status, 0);

    writeBytes(drive.root() + "tepcdfile.tep", {1});
    ToolRun found = runTool("zt_games", "check " + drive.root());
    EXPECT_EQ(found.status, 1);
    EXPECT_NE(found.out.find("tepcdfile.tep"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(drive.root() + "tepcdfile.tep"));  // no terminal: No

    EXPECT_EQ(runTool("zt_games", "check --yes " + drive.root()).status, 1);
    EXPECT_FALSE(std::filesystem::exists(drive.root() + "tepcdfile.tep"));
    EXPECT_EQ(runTool("zt_games", "check " + drive.root()).status, 0);
}

TEST_F(DriveCheckTest, LookAlikeNamesBesideThePartsAreNoParts) {
    const std::string hash = "1C5EB8C8";  // My Game's
    const std::vector<std::string> lookAlikes = {
        "zt." + hash + ".NOTES_003",      "zt." + hash + ".ABCDx00",
        "zt." + hash + "." + kId + ".0:", "zt." + hash + "." + kId + ".000",
        "zt." + hash + "." + kId + "_01", "zt." + hash + "." + kId + ".01.bak",
        "zt.1c5eb8c8." + kId + ".00",     "zt.1C5EB8C." + kId + ".00",
        "ZT." + hash + "." + kId + ".00", "zt_" + hash + "." + kId + ".00",
        "zt." + hash + "_" + kId + ".00"};
    for (const std::string& name : lookAlikes)
        writeBytes(drive.root() + name, {7});
    ui.boxes.answers = {true};
    EXPECT_EQ(check(), DriveCheckResult::Sound);
    for (const std::string& name : lookAlikes)
        EXPECT_TRUE(std::filesystem::exists(drive.root() + name)) << name;
}

TEST_F(DriveCheckTest, GameSharingAGameIdKeepsItsPartsWhenTheOtherLacksOne) {
    drive.addGame("Twin", kId, {40, 50, 60}, 't');
    std::filesystem::remove(drive.part("Twin", kId, 1));
    ui.boxes.answers = {true};
    check();
    EXPECT_EQ(drive.names().at(1), "My Game");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readBytes(drive.part("My Game", kId, i)),
                  std::vector<std::uint8_t>(10u * (i + 1), 'g'))
            << i;
}
