#include "library/DriveCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "ToolRun.h"
#include "library/GameList.h"

using namespace library;
using namespace report;
using namespace store;
using namespace platform;

namespace {

using Names = std::vector<std::string>;
using Kind = DriveFinding::Kind;
using Bytes = std::vector<std::uint8_t>;

struct NoRows : GameListView {
    void clear() override {}
    void appendRow(const GameRow&) override {}
};
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
    EXPECT_TRUE(endedAs(check(), DriveCheckKind::Sound));
    EXPECT_EQ(ui.out.str(), "The drive is sound.\n");
    EXPECT_TRUE(ui.boxes.questions.empty());

    GameDrive empty;
    EXPECT_TRUE(checkDrive(empty.root()).sound());
    EXPECT_FALSE(std::filesystem::exists(empty.table()));
}

TEST_F(DriveCheckTest, StoppedRenameIsMovedBackNotDeleted) {
    // The parts under the other name make, with the record's, the disc that part .00 describes.
    std::filesystem::remove(drive.table());
    std::filesystem::remove(drive.part("My Game", kId, 2));
    drive.addGame("Sound", "SOUN_000.01", {10, 20});
    drive.addDiscGame("My Game", kId, 524288 + 10);
    std::filesystem::rename(drive.part("My Game", kId, 1), drive.part("Other", kId, 1));
    EXPECT_EQ(kindsOf(checkDrive(drive.root())), (std::vector<Kind>{Kind::SplitGame}));

    // Answered No: reported, nothing changes.
    EXPECT_TRUE(endedAs(check(), DriveCheckKind::Found));
    EXPECT_NE(ui.out.str().find("\"My Game\": parts .01 lie under another name"),
              std::string::npos);
    EXPECT_EQ(ui.boxes.questions, (Names{"Repair the drive?"}));
    EXPECT_TRUE(std::filesystem::exists(drive.part("Other", kId, 1)));

    ui.boxes.answers = {true};
    EXPECT_TRUE(endedAs(check(), DriveCheckKind::Repaired));
    EXPECT_EQ(std::filesystem::file_size(drive.part("My Game", kId, 1)), 10u * 2048);
    EXPECT_TRUE(checkDrive(drive.root()).sound());
}

// Game G lost its part .01; beside it lies a game of the same ID under
// another name that no record names. Its parts are its own: G's gap is
// never filled from them, G goes as a game with a missing part, and the other
// is recorded again, whole.
TEST(DriveCheckLostGameTest, APartOfAnotherGameNeverFillsAGap) {
    const struct {
        const char* what;
        std::uint64_t otherSectors;
    } cases[] = {{"another disc", 524288 + 400}, {"the same disc", 524288 + 300}};
    for (const auto& c : cases) {
        GameDrive drive;
        drive.addDiscGame("G", kId, 524288 + 300);
        std::filesystem::remove(drive.part("G", kId, 1));
        drive.addDiscGame("U", kId, c.otherSectors);
        const Bytes other = readBytes(drive.part("U", kId, 1));
        const std::vector<GameEntry> onlyG{drive.records()[0]};
        ASSERT_TRUE(writeTableFile(drive.table(), onlyG));

        ScriptedFrontEnd ui;
        NoRows rows;
        refreshGameList(drive.root(), ui.frontEnd(), rows);  // answered No
        EXPECT_EQ(ui.boxes.questions, (Names{"Game G destroyed,Delete ?"})) << c.what;
        const DriveReport report = checkDrive(drive.root());
        EXPECT_EQ(kindsOf(report), (std::vector<Kind>{Kind::MissingParts, Kind::LostGame}))
            << c.what;
        EXPECT_TRUE(repairDrive(drive.root(), report).empty()) << c.what;
        EXPECT_EQ(drive.names(), (Names{"Recovered " + kId})) << c.what;
        EXPECT_EQ(readBytes(drive.part("Recovered " + kId, kId, 1)), other) << c.what;
        EXPECT_FALSE(std::filesystem::exists(drive.part("G", kId, 1))) << c.what;
        EXPECT_TRUE(checkDrive(drive.root()).sound()) << c.what;
    }
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
    constexpr std::uint32_t kDamaged = 1;  // recorded with an unknown media type
    const Case cases[] = {
        {"one part", {700}, 700, "", kMediaCd},
        {"staged by an install", {700}, 700, "~new", kMediaCd},
        {"staged by a copy", {700}, 700, ".new", kMediaCd},
        {"lacking the 151 sectors a disc may lack", {549}, 700, "", kMediaCd},
        {"a DVD in five parts", {kPart, kPart, kPart, kPart, 197952}, 2295104, "", kMediaDvd},
        {"lacking 152 sectors", {548}, 700, "", 0},
        {"too short for a volume descriptor", {16}, 0, "", 0},
        {"without a volume descriptor: kept, as damaged", {700}, 0, "", kDamaged},
        {"staged, without a volume descriptor", {700}, 0, ".new", 0},
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
        EXPECT_TRUE(
            endedAs(checkAndRepairDrive(drive.root(), ui.frontEnd()), DriveCheckKind::Repaired))
            << c.what;
        const std::vector<GameEntry> records = drive.records();
        std::set<std::string> expectedFiles{
            "zt.cfg", drive.part("Sound", "SOUN_000.01", 0).substr(drive.root().size())};
        if (c.media != 0) {
            ASSERT_EQ(records.size(), 2u) << c.what;
            GameEntry expected = gameRecord(recovered, kId, static_cast<int>(c.sectors.size()),
                                            c.media == kMediaDvd);
            if (c.media == kDamaged)
                expected.setMediaType(0);
            EXPECT_EQ(records[1], expected) << c.what;
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
        // A damaged game stays: the next check only offers its media type.
        const DriveReport after = checkDrive(drive.root());
        EXPECT_EQ(kindsOf(after), (c.media == kDamaged ? std::vector<Kind>{Kind::UnknownMedia}
                                                       : std::vector<Kind>{}))
            << c.what;
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
        // Without a table (missing or empty) no record can name the short game's
        // part: it goes at once. One that cannot be read may: the part stays
        // until the rebuilt table shows that it names none.
        const bool noTable = how == "is missing" || how == "is empty";
        EXPECT_NE(std::filesystem::exists(drive.part("Short", "SHRT_000.01", 0)), noTable) << how;
        EXPECT_EQ(runTool("zt_games", "check --yes " + drive.root()).status, noTable ? 0 : 1)
            << how;
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
    EXPECT_TRUE(endedAs(check(), DriveCheckKind::Sound));
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

// A recorded game whose parts are all there but cannot hold it: list shows it
// damaged, check names it and leaves its files to the user.
TEST(DriveCheckShortPartsTest, EmptyOrCutShortPartsAreDamaged) {
    const struct {
        const char* what;
        std::uint64_t sectors;     // of the disc
        int part;                  // the part cut
        std::uint64_t cutToBytes;  // its size afterwards
        const char* problem;
    } cases[] = {
        {"an only part of 0 bytes", 700, 0, 0, "part .00 is empty"},
        {"a last part of 0 bytes", 524288 + 300, 1, 0, "part .01 is empty"},
        {"a last part cut short", 524288 + 300, 1, 100 * 2048, "524388 of the 524588 sectors"},
        {"a first part cut short", 524288 + 300, 0, 600 * 2048, "900 of the 524588 sectors"},
    };
    for (const auto& c : cases) {
        GameDrive drive;
        drive.addDiscGame("Cut", kId, c.sectors);
        std::filesystem::resize_file(drive.part("Cut", kId, c.part), c.cutToBytes);
        ScriptedFrontEnd ui;
        struct Rows : GameListView {
            void clear() override {}
            void appendRow(const GameRow& row) override { rows.push_back(row); }
            std::vector<GameRow> rows;
        } list;
        refreshGameList(drive.root(), ui.frontEnd(), list);
        ASSERT_EQ(list.rows.size(), 1u) << c.what;
        EXPECT_TRUE(list.rows[0].damaged) << c.what;
        ui.boxes.answers = {true};
        EXPECT_TRUE(
            endedAs(checkAndRepairDrive(drive.root(), ui.frontEnd()), DriveCheckKind::Repaired))
            << c.what;
        EXPECT_NE(ui.out.str().find("Game \"Cut\" is damaged: "), std::string::npos)
            << c.what << ": " << ui.out.str();
        EXPECT_NE(ui.out.str().find(c.problem), std::string::npos)
            << c.what << ": " << ui.out.str();
        EXPECT_EQ(drive.names(), (Names{"Cut"})) << c.what;
        EXPECT_EQ(std::filesystem::file_size(drive.part("Cut", kId, c.part)), c.cutToBytes);
    }
}

// A game recovered without its record gets a guessed name and media type,
// and the check says so; a disc too large for a CD is a DVD even when it
// lacks its last sectors.
TEST(DriveCheckLostGameTest, ARecoveredGamesNameAndMediaAreGuessed) {
    GameDrive drive;
    drive.addGame("Sound", "SOUN_000.01", {10});
    GameDrive::writeDiscPart(drive.part("Lost", kId, 0), 449990 * 2048, 450100);
    ScriptedFrontEnd ui;
    ui.boxes.answers = {true};
    EXPECT_TRUE(
        endedAs(checkAndRepairDrive(drive.root(), ui.frontEnd()), DriveCheckKind::Repaired));
    EXPECT_NE(ui.out.str().find("recorded again as \"Recovered " + kId +
                                "\", DVD (the name and the media type are guessed"),
              std::string::npos)
        << ui.out.str();
    EXPECT_EQ(drive.records().at(1).MediaType(), kMediaDvd);
}

// A folder named like a part is no part: check names it as a note, never
// tries to remove it, and once the rest is repaired the drive is sound.
TEST_F(DriveCheckTest, AFolderNamedLikeAPartIsNamedAndLeftAlone) {
    const std::string unowned = drive.part("Gone", "GONE_000.01", 0);
    const std::string owned = drive.part("My Game", kId, 1);
    std::filesystem::remove(owned);
    for (const std::string& folder : {unowned, owned}) {
        std::filesystem::create_directory(folder);
        writeBytes(folder + "/notes", {1});
    }
    for (int run = 0; run < 2; ++run) {
        ui.out.str("");
        ui.boxes.answers = {true};
        EXPECT_TRUE(endedAs(check(), run == 0 ? DriveCheckKind::Repaired : DriveCheckKind::Sound))
            << run;
        EXPECT_NE(ui.out.str().find(unowned + ": a folder named like a part file"),
                  std::string::npos)
            << ui.out.str();
        EXPECT_TRUE(ui.boxes.shown.empty()) << ui.boxes.shown.at(0);
    }
    EXPECT_NE(ui.out.str().find(owned + ": a folder named like a part file"), std::string::npos);
    EXPECT_EQ(drive.names(), (Names{"Sound"}));
    for (const std::string& folder : {unowned, owned})
        EXPECT_TRUE(std::filesystem::exists(folder + "/notes")) << folder;
}

// With the table lost, parts whose part .00 holds no volume descriptor cannot
// be judged: however often check runs, they are recorded (as a damaged game,
// which list shows and delete removes), never deleted; parts whose part .00
// is gone are named and kept.
TEST(ZtGamesCheckTest, PartsThatCannotBeJudgedAreNeverDeleted) {
    for (const std::string how : {"is missing", "is a symbolic link"}) {
        GameDrive drive;
        drive.addGame("Odd", "ODDG_000.01", {40 * 2048}, 'x');
        drive.addDiscGame("Disc", kId, 700);
        const std::string orphan = drive.part("Gone", "GONE_000.01", 1);
        GameDrive::writePart(orphan, 300, 'z');
        const Bytes odd = readBytes(drive.part("Odd", "ODDG_000.01", 0));
        std::filesystem::remove(drive.table());
        if (how == "is a symbolic link")
            std::filesystem::create_symlink("elsewhere", drive.table());

        EXPECT_EQ(runTool("zt_games", "check --yes " + drive.root()).status, 1) << how;
        const std::string recovered = "Recovered ODDG_000.01";
        ToolRun list = runTool("zt_games", "list " + drive.root());
        EXPECT_NE(list.out.find(recovered + "\t80\t1\tODDG_000.01\t"), std::string::npos)
            << how << ": " << list.out;
        EXPECT_NE(list.out.find("\tdamaged\n"), std::string::npos) << how << ": " << list.out;
        for (int run = 0; run < 3; ++run) {
            ToolRun check = runTool("zt_games", "check --yes " + drive.root());
            EXPECT_NE(check.out.find(orphan + ": a part file that no record names, of a game "
                                              "whose part .00 is gone"),
                      std::string::npos)
                << how << ": " << check.out;
        }
        EXPECT_EQ(readBytes(drive.part(recovered, "ODDG_000.01", 0)), odd) << how;
        EXPECT_EQ(readBytes(orphan), Bytes(300, 'z')) << how;
        EXPECT_EQ(drive.names(), (Names{"Recovered " + kId, recovered})) << how;

        EXPECT_EQ(
            runTool("zt_games", "delete --yes " + drive.root() + " '" + recovered + "'").status, 0)
            << how;
        EXPECT_FALSE(std::filesystem::exists(drive.part(recovered, "ODDG_000.01", 0))) << how;
    }
}

// The same record twice is no sound table: one delete of the name removes
// the game with both. Check says so and drops the second; the game stays.
TEST_F(DriveCheckTest, TheSameRecordTwiceIsFoundAndTheSecondDropped) {
    std::vector<GameEntry> records = drive.records();
    records.push_back(records[1]);
    ASSERT_TRUE(writeTableFile(drive.table(), records));
    const DriveReport report = checkDrive(drive.root());
    EXPECT_EQ(kindsOf(report), (std::vector<Kind>{Kind::DuplicateRecord}));
    ui.boxes.answers = {true};
    EXPECT_TRUE(endedAs(check(), DriveCheckKind::Repaired));
    EXPECT_NE(ui.out.str().find("Game \"My Game\" is recorded twice, byte for byte (records 2 "
                                "and 3)"),
              std::string::npos)
        << ui.out.str();
    EXPECT_EQ(drive.names(), (Names{"Sound", "My Game"}));
    EXPECT_TRUE(std::filesystem::exists(drive.part("My Game", kId, 2)));
    EXPECT_TRUE(checkDrive(drive.root()).sound());
}

// Two lost games of one ID: A is whole on its own, B lacks part .01, which
// only A has. A keeps its part; B borrows nothing A took, and what is left
// of it goes as what a stopped command left.
TEST(DriveCheckLostGameTest, APartOfOneRecoveredGameIsNeverGivenToAnother) {
    GameDrive drive;
    drive.addGame("Sound", "SOUN_000.01", {10});
    drive.addDiscGame("A", kId, 524288 + 300);
    drive.addDiscGame("B", kId, 524288 + 300);
    std::filesystem::remove(drive.part("B", kId, 1));
    ASSERT_TRUE(writeTableFile(drive.table(), std::vector<GameEntry>{drive.records()[0]}));
    const DriveReport report = checkDrive(drive.root());
    ASSERT_EQ(report.lostGames.size(), 1u) << report.findings.back().text;
    EXPECT_EQ(report.lostGames[0].parts, (Names{drive.part("A", kId, 0), drive.part("A", kId, 1)}));
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    EXPECT_EQ(drive.names(), (Names{"Sound", "Recovered " + kId}));
    EXPECT_FALSE(std::filesystem::exists(drive.part("B", kId, 0)));
    EXPECT_TRUE(checkDrive(drive.root()).sound());
}
