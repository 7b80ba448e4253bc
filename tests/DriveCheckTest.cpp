#include "library/DriveCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

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
    // A count larger than its game: the one part there holds the whole disc.
    drive.appendRecord(gameRecord("Whole", "WHOL_000.01", 2));
    GameDrive::writeDiscPart(drive.part("Whole", "WHOL_000.01", 0), 700 * 2048, 700);
    const DriveReport report = checkDrive(drive.root());
    EXPECT_EQ(kindsOf(report), (std::vector<Kind>{Kind::MissingParts, Kind::DamagedRecord}));
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    EXPECT_EQ(drive.names(), (Names{"Sound", "Whole"}));
    EXPECT_EQ(drive.records()[1].PartCount(), 1);
    EXPECT_FALSE(std::filesystem::exists(drive.part("My Game", kId, 0)));
    EXPECT_TRUE(checkDrive(drive.root()).sound());
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

// Part files that no record names are judged by what they hold: a whole game
// is recorded again as "Recovered <ID>", anything less is removed.
TEST(DriveCheckLostGameTest, UnownedPartsAreJudgedByWhatTheyHold) {
    constexpr std::uint64_t kPart = 524288;  // sectors of a full part
    struct Case {
        const char* what;
        std::vector<std::uint64_t> sectors;  // of each part; 0: the part is missing
        std::uint32_t volume;                // sectors its descriptor names; 0: no descriptor
        const char* staging;                 // a staged name's suffix
        std::uint32_t media;                 // of the recovered game; 0: removed
    };
    const Case cases[] = {
        {"one part", {700}, 700, "", kMediaCd},
        {"staged by an install", {700}, 700, "~new", kMediaCd},
        {"staged by a copy", {700}, 700, ".new", kMediaCd},
        {"lacking the 151 sectors a disc may lack", {549}, 700, "", kMediaCd},
        {"a DVD in five parts", {kPart, kPart, kPart, kPart, 197952}, 2295104, "", kMediaDvd},
        {"lacking 152 sectors", {548}, 700, "", 0},
        {"without a volume descriptor", {700}, 0, "", 0},
        {"with a short part before the last", {kPart - 1, 300}, kPart + 299, "", 0},
        {"with part .01 missing", {kPart, 0, 300}, 2 * kPart + 300, "", 0},
    };
    const std::string recovered = "Recovered " + kId;
    for (const Case& c : cases) {
        GameDrive drive;
        drive.addGame("Sound", "SOUN_000.01", {10});
        const std::string prefix = partPrefix(drive.root(), gameNameHash("Lost"), kId);
        const bool onId = c.staging[0] == '~';  // staged on the game ID: "zt.H.ID~new.00"
        for (std::size_t i = 0; i < c.sectors.size(); ++i) {
            const std::string path =
                *partFilePath(prefix + (onId ? c.staging : ""), static_cast<int>(i)) +
                (onId ? "" : c.staging);
            if (i == 0 && c.volume != 0) {
                GameDrive::writeDiscPart(path, c.sectors[i] * 2048, c.volume);
            } else if (c.sectors[i] != 0) {
                GameDrive::writePart(path, c.sectors[i] * 2048);
            }
        }
        ScriptedFrontEnd ui;
        ui.boxes.answers = {true};
        EXPECT_EQ(checkAndRepairDrive(drive.root(), ui.frontEnd()), DriveCheckResult::Repaired)
            << c.what;
        const std::vector<GameEntry> records = drive.records();
        std::set<std::string> expectedFiles{
            "zt.cfg", drive.part("Sound", "SOUN_000.01", 0).substr(drive.root().size())};
        if (c.media != 0) {
            ASSERT_EQ(records.size(), 2u) << c.what;
            EXPECT_EQ(records[1], gameRecord(recovered, kId, static_cast<int>(c.sectors.size()),
                                             c.media == kMediaDvd))
                << c.what;
            for (std::size_t i = 0; i < c.sectors.size(); ++i) {
                const std::string path = drive.part(recovered, kId, static_cast<int>(i));
                EXPECT_EQ(std::filesystem::file_size(path), c.sectors[i] * 2048) << c.what;
                expectedFiles.insert(path.substr(drive.root().size()));
            }
        } else {
            EXPECT_EQ(drive.names(), (Names{"Sound"})) << c.what;
        }
        const Names files = drive.files();
        EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), expectedFiles) << c.what;
        EXPECT_TRUE(checkDrive(drive.root()).sound()) << c.what;
    }
}

// Games split across names: a recovery stopped after renaming part .00 (the
// name it gave is taken by a record meanwhile), and a replacement stopped
// after the old record left (the old game's part .00 beside the new one's,
// staged; the new part .01 in place). The next check finishes both, losing
// neither the old game nor the new.
TEST(DriveCheckLostGameTest, GamesSplitByAStoppedRecoveryOrReplacementAreKept) {
    const std::uint64_t kFull = std::uint64_t{1} << 30;
    const std::string kRepl = "REPL_000.01", recovered = "Recovered " + kId + " 2";
    GameDrive drive;
    drive.addGame("Recovered " + kId, "OTHE_000.01", {10});
    GameDrive::writeDiscPart(drive.part(recovered, kId, 0), kFull, 524288 + 300);
    GameDrive::writePart(drive.part("Lost", kId, 1), 300 * 2048);
    GameDrive::writeDiscPart(drive.part("Lost", kRepl, 0), 700 * 2048, 700);
    GameDrive::writeDiscPart(drive.part("Lost", kRepl, 0) + ".new", kFull, 524288 + 300);
    GameDrive::writePart(drive.part("Lost", kRepl, 1), 300 * 2048);

    const DriveReport report = checkDrive(drive.root());
    EXPECT_EQ(kindsOf(report), (std::vector<Kind>(3, Kind::LostGame)));
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    EXPECT_EQ(drive.names(), (Names{"Recovered " + kId, "Recovered " + kRepl, recovered,
                                    "Recovered " + kRepl + " 2"}));
    for (const auto& [name, id] :
         {std::pair{recovered, kId}, {"Recovered " + kRepl + " 2", kRepl}}) {
        EXPECT_EQ(std::filesystem::file_size(drive.part(name, id, 0)), kFull) << name;
        EXPECT_EQ(std::filesystem::file_size(drive.part(name, id, 1)), 300u * 2048) << name;
    }
    EXPECT_EQ(std::filesystem::file_size(drive.part("Recovered " + kRepl, kRepl, 0)), 700u * 2048);
    EXPECT_TRUE(checkDrive(drive.root()).sound());
}

// zt.cfg that is a link, a folder, too large to be a table, missing or empty: the
// first check says so, touches no part and rebuilds the table from the whole
// games; later checks tidy the rest. No game is lost however often it runs.
TEST(ZtGamesCheckTest, ATableThatCannotBeReadLosesNoGame) {
    for (const std::string how :
         {"is a symbolic link", "is a folder", "cannot be read", "is missing", "is empty"}) {
        GameDrive drive;
        drive.addGame("Short", "SHRT_000.01", {10});
        GameDrive::writeDiscPart(drive.part("My Game", kId, 0), 700 * 2048, 700);
        drive.appendRecord(gameRecord("My Game", kId, 1));
        const std::vector<std::uint8_t> table = readBytes(drive.table()),
                                        image = readBytes(drive.part("My Game", kId, 0));
        TempDir outside;
        std::filesystem::rename(drive.table(), outside.file("zt.cfg"));
        if (how == "is a symbolic link") {
            std::filesystem::create_symlink(outside.file("zt.cfg"), drive.table());
        } else if (how == "is a folder") {
            std::filesystem::create_directory(drive.table());
            writeBytes(drive.table() + "/notes", {1});
        } else if (how == "cannot be read") {
            writeBytes(drive.table(), table);
            std::filesystem::resize_file(drive.table(), (kMaxTableRecords + 1) * 64);
        } else if (how == "is empty") {
            writeBytes(drive.table(), {});
        }
        const ToolRun first = runTool("zt_games", "check --yes " + drive.root());
        EXPECT_EQ(first.status, 1) << how;
        EXPECT_NE(first.out.find("zt.cfg " + how), std::string::npos) << how << ": " << first.out;
        EXPECT_TRUE(std::filesystem::exists(drive.part("Short", "SHRT_000.01", 0))) << how;
        EXPECT_EQ(runTool("zt_games", "check --yes " + drive.root()).status, 1) << how;
        for (int run = 0; run < 2; ++run)
            EXPECT_EQ(runTool("zt_games", "check --yes " + drive.root()).status, 0) << how;
        EXPECT_EQ(drive.names(), (Names{"Recovered " + kId})) << how;
        EXPECT_EQ(readBytes(drive.part("Recovered " + kId, kId, 0)), image) << how;
        EXPECT_FALSE(std::filesystem::exists(drive.part("Short", "SHRT_000.01", 0))) << how;
        EXPECT_EQ(readBytes(outside.file("zt.cfg")), table) << how;
        if (how == "is a folder") {
            EXPECT_TRUE(std::filesystem::exists(drive.root() + "zt.cfg.unreadable/notes"));
        }
    }
}

// What a stopped rewrite of a fragmented part left: frag without --yes names
// it and changes nothing; the check puts the part back and removes the copies.
TEST(ZtGamesCheckTest, WhatAStoppedRewriteLeftIsFoundByCheckAndFrag) {
    GameDrive drive;
    drive.addGame("My Game", kId, {10, 20});
    drive.addGame("Other", "OTHE_000.01", {30});
    const std::string aside = drive.part("My Game", kId, 0) + ".zt-old";
    const std::string copies[] = {drive.part("My Game", kId, 0) + ".zt-Ab12Cd",
                                  drive.part("Other", "OTHE_000.01", 0) + ".zt-Xy34Ef"};
    std::filesystem::rename(drive.part("My Game", kId, 0), aside);
    for (const std::string& copy : copies)
        GameDrive::writePart(copy, 30);
    const Names before = drive.files();

    const ToolRun frag = runTool("zt_games", "frag " + drive.root());
    EXPECT_EQ(frag.status, 1);
    for (const std::string& path : {aside, copies[0], copies[1]})
        EXPECT_NE(frag.out.find(path), std::string::npos) << frag.out;
    EXPECT_EQ(drive.files(), before);

    const DriveReport report = checkDrive(drive.root());
    EXPECT_EQ(kindsOf(report), (std::vector<Kind>(3, Kind::RewriteLeftover)));
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    EXPECT_EQ(std::filesystem::file_size(drive.part("My Game", kId, 0)), 10u);
    EXPECT_EQ(drive.files().size(), 4u);
    EXPECT_TRUE(checkDrive(drive.root()).sound());
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
