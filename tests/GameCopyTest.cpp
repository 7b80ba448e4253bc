#include "library/GameCopy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "Symlink.h"

using namespace library;
using namespace platform;
using namespace report;
using namespace store;

namespace {

using Names = std::vector<std::string>;
const std::string kId = "ABCD_123.45";
const std::vector<std::uint64_t> kSizes{1000, 2000, 500};

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// Everything on a drive, for "nothing changed" checks.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> snapshot(const GameDrive& drive) {
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> all;
    for (const std::string& name : drive.files()) {
        all.emplace_back(name, readBytes(drive.root() + name));
    }
    return all;
}

class GameCopyTest : public ::testing::Test {
  protected:
    void SetUp() override { source.addGame("My Game", kId, kSizes, 'n'); }

    CopyGameResult copy(const std::string& name = "My Game") {
        return copyGame(source.root(), name, target.root(), ui.frontEnd(), services);
    }
    // The three parts of the source game on the target, with the source's bytes.
    bool copiedParts() const {
        for (int i = 0; i < 3; ++i) {
            if (readBytes(target.part("My Game", kId, i)) !=
                readBytes(source.part("My Game", kId, i))) {
                return false;
            }
        }
        return true;
    }

    GameDrive source;
    GameDrive target;
    ScriptedFrontEnd ui;
    CopyServices services = systemCopyServices();
};

}  // namespace

TEST_F(GameCopyTest, IntoAnEmptyTarget) {
    EXPECT_TRUE(copy().succeeded());
    EXPECT_TRUE(copiedParts());
    const GameEntry record = source.records()[0];
    EXPECT_EQ(readBytes(target.table()),
              std::vector<std::uint8_t>(record.bytes.begin(), record.bytes.end()));
    EXPECT_TRUE(ui.boxes.shown.empty());
    EXPECT_EQ(ui.progress.range, 3);
    EXPECT_FALSE(ui.progress.visible);
}

TEST_F(GameCopyTest, AfterTheTargetsOtherGamesInOrder) {
    target.addGame("A", "AAAA_000.01", {10});
    target.addGame("B", "BBBB_000.01", {10});
    EXPECT_TRUE(copy().succeeded());
    EXPECT_EQ(target.names(), (Names{"A", "B", "My Game"}));
    EXPECT_EQ(std::filesystem::file_size(target.table()), 192u);
    EXPECT_TRUE(ui.boxes.questions.empty());
}

TEST_F(GameCopyTest, ReplacementAnsweredYesDropsTheOlderGameAndItsFiles) {
    target.addGame("A", "AAAA_000.01", {10});
    target.addGame("My Game", "OLDI_000.01", {10, 10});
    target.addGame("B", "BBBB_000.01", {10});
    ui.boxes.answers = {true};
    EXPECT_TRUE(copy().succeeded());
    EXPECT_EQ(ui.boxes.questions, (Names{"The folder already have game My Game ,Continue?"}));
    EXPECT_EQ(ui.boxes.defaultNoFlags, (std::vector<bool>{false}));  // Yes is the default
    EXPECT_EQ(target.names(), (Names{"A", "B", "My Game"}));
    EXPECT_EQ(target.records()[2], source.records()[0]);
    EXPECT_FALSE(exists(target.part("My Game", "OLDI_000.01", 0)));
    EXPECT_FALSE(exists(target.part("My Game", "OLDI_000.01", 1)));
    EXPECT_TRUE(copiedParts());
    EXPECT_FALSE(exists(tempTablePath(target.root())));
}

TEST_F(GameCopyTest, ReplacementOfTheSameGameKeepsTheNewFiles) {
    // Same name and ID: the older game's part files have the very names of the copy.
    target.addGame("My Game", kId, {7, 7, 7, 7}, 'o');
    ui.boxes.answers = {true};
    EXPECT_TRUE(copy().succeeded());
    EXPECT_TRUE(copiedParts());
    EXPECT_FALSE(exists(target.part("My Game", kId, 3)));  // the older game's fourth part
    EXPECT_EQ(target.names(), (Names{"My Game"}));
    for (const std::string& name : target.files())
        EXPECT_EQ(name.find("new"), std::string::npos);  // no staged part is left
}

TEST_F(GameCopyTest, AnyNoChangesNothing) {
    target.addGame("My Game", "OLDI_000.01", {10, 10});
    target.addGame("B", "BBBB_000.01", {10});
    target.addGame("My Game", "OLDJ_000.01", {10});
    const auto before = snapshot(target);
    for (std::deque<bool> answers : {std::deque<bool>{false}, std::deque<bool>{true, false}}) {
        ui.boxes.answers = answers;
        EXPECT_TRUE(copy().failedAt(CopyStep::Declined));
        EXPECT_EQ(snapshot(target), before);
    }
    EXPECT_EQ(ui.boxes.questions.size(), 3u);  // one, then two
}

TEST_F(GameCopyTest, SameFolderHoweverSpelledIsRefused) {
    const auto before = snapshot(source);
    std::string plain = source.root().substr(0, source.root().size() - 1);
    EXPECT_TRUE(
        copyGame(source.root(), "My Game", plain, ui.frontEnd()).failedAt(CopyStep::SameDrive));
    ZT_MAKE_SYMLINK(plain, target.root() + "link");
    EXPECT_TRUE(copyGame(source.root(), "My Game", target.root() + "link/", ui.frontEnd())
                    .failedAt(CopyStep::SameDrive));
    // Also for a game the source does not hold (any more).
    EXPECT_TRUE(
        copyGame(source.root(), "Gone", plain, ui.frontEnd()).failedAt(CopyStep::SameDrive));
    EXPECT_EQ(ui.boxes.shown, (Names{"Cannot copy to it's drive!", "Cannot copy to it's drive!",
                                     "Cannot copy to it's drive!"}));
    EXPECT_EQ(snapshot(source), before);
}

TEST_F(GameCopyTest, UnknownGameOrMissingSourcePartCopiesNothing) {
    EXPECT_TRUE(copy("my game").failedAt(CopyStep::NotFound));
    EXPECT_EQ(ui.boxes.shown, (Names{"The game my game was not found."}));
    std::filesystem::remove(source.part("My Game", kId, 2));
    EXPECT_TRUE(copy().failedAt(CopyStep::Damaged));
    EXPECT_TRUE(target.files().empty());
}

TEST_F(GameCopyTest, UnreadableTablesAreNamedWithTheirReason) {
    for (GameDrive* drive : {&source, &target}) {
        const std::vector<GameEntry> records = drive->records();
        std::filesystem::remove(drive->table());
        std::filesystem::create_directory(drive->table());
        ui.boxes.shown.clear();
        EXPECT_TRUE(copy().failedAt(CopyStep::Failed));
        EXPECT_EQ(ui.boxes.shown, (Names{"The game table " + drive->table() +
                                         " cannot be read (it is a folder); nothing was copied."}));
        std::filesystem::remove(drive->table());
        if (!records.empty())
            writeTableFile(drive->table(), records);
    }
    EXPECT_TRUE(target.files().empty());
}

TEST_F(GameCopyTest, FailingPartCopyLeavesTheTargetAsItWas) {
    // The older game shares the copy's file names: it must survive whole.
    target.addGame("My Game", kId, {7, 7}, 'o');
    target.addGame("B", "BBBB_000.01", {10});
    const auto before = snapshot(target);
    int calls = 0;
    services.copyFile = [&](const std::string& from, const std::string& to,
                            const platform::CopyProgress& progress) {
        if (++calls == 2) {
            platform::CopyOutcome failed;
            failed.error = "Input/output error";
            return failed;
        }
        return platform::copyFileNoReplace(from, to, progress);
    };
    ui.boxes.answers = {true};
    EXPECT_TRUE(copy().failedAt(CopyStep::Failed));
    EXPECT_EQ(snapshot(target), before);
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("Input/output error"), std::string::npos);
}

TEST_F(GameCopyTest, CancelLeavesTheTargetAsItWas) {
    target.addGame("A", "AAAA_000.01", {10});
    const auto before = snapshot(target);
    ui.progress.cancelAfterUpdates = 2;  // the start, then part .00; cancelled in part .01
    EXPECT_TRUE(copy().failedAt(CopyStep::Cancelled));
    EXPECT_EQ(snapshot(target), before);
    EXPECT_FALSE(ui.progress.visible);
}

TEST_F(GameCopyTest, RoomIsCheckedCountingLeftoverFilesItReplaces) {
    const auto before = snapshot(target);
    services.availableBytes = [](const std::string&) { return std::optional<std::uint64_t>(3499); };
    EXPECT_TRUE(copy().failedAt(CopyStep::NoRoom));
    EXPECT_EQ(snapshot(target), before);
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("not enough free space"), std::string::npos);

    // A part file that no record owns is left over from a failed copy (it
    // holds the start of the part): it is replaced, and its room counts as free.
    writeBytes(target.part("My Game", kId, 1), std::vector<std::uint8_t>(600, 'n'));
    services.availableBytes = [](const std::string&) { return std::optional<std::uint64_t>(2900); };
    EXPECT_TRUE(copy().succeeded());
    EXPECT_TRUE(copiedParts());
}

TEST_F(GameCopyTest, LeftoverFilesGoBeforeTheFirstPartIsWritten) {
    // A copy stopped before its record left every part: the leftover of the
    // last part, with the others, frees the room that the first part needs.
    const std::string leftover = target.part("My Game", kId, 2);
    for (int i = 0; i < 3; ++i)
        writeBytes(target.part("My Game", kId, i), readBytes(source.part("My Game", kId, i)));
    services.availableBytes = [](const std::string&) { return std::optional<std::uint64_t>(0); };
    std::vector<bool> leftoverThere;
    services.copyFile = [&](const std::string& from, const std::string& to,
                            const platform::CopyProgress& progress) {
        leftoverThere.push_back(exists(leftover));
        return platform::copyFileNoReplace(from, to, progress);
    };
    EXPECT_TRUE(copy().succeeded());
    EXPECT_EQ(leftoverThere, (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(copiedParts());
}

TEST_F(GameCopyTest, ReplacedGameMakesRoomWhenNothingElseDoes) {
    // 3500 bytes to copy, 1000 free: only the older copy's 2600 bytes make it fit.
    target.addGame("A", "AAAA_000.01", {10});
    target.addGame("My Game", kId, {1300, 1300}, 'o');
    services.availableBytes = [](const std::string&) { return std::optional<std::uint64_t>(1000); };
    ui.boxes.answers = {true};
    EXPECT_TRUE(copy().succeeded());
    EXPECT_TRUE(copiedParts());
    EXPECT_EQ(target.names(), (Names{"A", "My Game"}));
}

TEST_F(GameCopyTest, TooLittleRoomEvenWithoutTheReplacedGameChangesNothing) {
    target.addGame("My Game", "OLDI_000.01", {10});
    const auto before = snapshot(target);
    ui.boxes.answers = {true};
    services.availableBytes = [](const std::string&) { return std::optional<std::uint64_t>(3000); };
    EXPECT_TRUE(copy().failedAt(CopyStep::NoRoom));
    EXPECT_EQ(snapshot(target), before);
}

TEST_F(GameCopyTest, FailureAfterMakingRoomLeavesNoHalfGame) {
    target.addGame("My Game", kId, {1300, 1300}, 'o');
    services.availableBytes = [](const std::string&) { return std::optional<std::uint64_t>(1000); };
    int calls = 0;
    services.copyFile = [&](const std::string& from, const std::string& to,
                            const platform::CopyProgress& progress) {
        if (++calls == 3)
            return platform::CopyOutcome{};  // fails without a word
        return platform::copyFileNoReplace(from, to, progress);
    };
    ui.boxes.answers = {true};
    EXPECT_TRUE(copy().failedAt(CopyStep::Failed));
    // The user agreed to lose the older copy; the new one is not half there.
    EXPECT_TRUE(target.names().empty());
    EXPECT_EQ(target.files(), (Names{"zt.cfg"}));
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("removed to make room"), std::string::npos);
}

TEST_F(GameCopyTest, TableFailureAfterMakingRoomSaysTheFormerGameIsGone) {
    target.addGame("My Game", kId, {1300, 1300}, 'o');
    services.availableBytes = [](const std::string&) { return std::optional<std::uint64_t>(1000); };
    int calls = 0;
    services.copyFile = [&](const std::string& from, const std::string& to,
                            const platform::CopyProgress& progress) {
        if (++calls == 3)  // the new table cannot be written where a folder holds its name
            std::filesystem::create_directory(tempTablePath(target.root()));
        return platform::copyFileNoReplace(from, to, progress);
    };
    ui.boxes.answers = {true};
    EXPECT_TRUE(copy().failedAt(CopyStep::Failed));
    EXPECT_TRUE(target.names().empty());
    EXPECT_EQ(target.files(), (Names{"tepcdfile.tep", "zt.cfg"}));
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("cannot be written"), std::string::npos);
    EXPECT_NE(ui.boxes.shown[0].find("removed to make room"), std::string::npos);
}

TEST_F(GameCopyTest, FileOfAKeptGameStopsTheCopy) {
    // "{~\xBBg\xCD" has the hash of "zzzzz"; with the same ID its files have the same names.
    GameDrive from;
    from.addGame("zzzzz", kId, {10});
    target.addGame("{~\xBBg\xCD", kId, {20});
    const auto before = snapshot(target);
    EXPECT_TRUE(
        copyGame(from.root(), "zzzzz", target.root(), ui.frontEnd()).failedAt(CopyStep::FileOwned));
    EXPECT_EQ(snapshot(target), before);
}

TEST_F(GameCopyTest, ZeroPartsIsADamagedRecordAndIsNotCopied) {
    source.appendRecord(gameRecord("Empty", "EMPT_000.01", 0));
    EXPECT_TRUE(copy("Empty").failedAt(CopyStep::Damaged));
    EXPECT_TRUE(target.files().empty());
}

// A file at a part's name that no record owns is written over only where a
// stopped copy of this game left it (the start of the part). A file that is
// no part of ours, or a whole game whose record was lost, stops the copy
// before it writes, with what is there and how the check records it again.
TEST_F(GameCopyTest, AFileNoRecordOwnsIsReplacedOnlyWhenACopyOfThisGameLeftIt) {
    const struct {
        const char* what;
        int part;
        std::function<void(const std::string& path)> put;
        bool copied;
        const char* said;
    } cases[] = {
        {"stray text", 0,
         [](const std::string& p) {
             writeBytes(p, {'s', 't', 'r', 'a', 'y'});
         },
         false, "no part that a stopped install or copy of this game left"},
        {"a whole game", 0,
         [](const std::string& p) { GameDrive::writeDiscPart(p, 40 * 2048, 40); }, false,
         "a whole game (40 sectors) that no record names"},
        {"a folder", 1, [](const std::string& p) { std::filesystem::create_directory(p); }, false,
         "is taken by a folder"},
        {"a stopped copy", 1,
         [](const std::string& p) { writeBytes(p, std::vector<std::uint8_t>(700, 'n')); }, true,
         ""},
        {"an empty file", 2, [](const std::string& p) { writeBytes(p, {}); }, true, ""},
    };
    for (const auto& c : cases) {
        GameDrive drive;
        const std::string path = drive.part("My Game", kId, c.part);
        c.put(path);
        ScriptedFrontEnd shown;
        const CopyGameResult result =
            copyGame(source.root(), "My Game", drive.root(), shown.frontEnd(), services);
        EXPECT_EQ(result.succeeded(), c.copied) << c.what;
        if (c.copied) {
            EXPECT_EQ(readBytes(path), readBytes(source.part("My Game", kId, c.part))) << c.what;
            continue;
        }
        EXPECT_FALSE(exists(drive.table())) << c.what;
        EXPECT_EQ(drive.files(), Names{path.substr(drive.root().size())}) << c.what;
        ASSERT_EQ(shown.boxes.shown.size(), 1u) << c.what;
        EXPECT_NE(shown.boxes.shown[0].find(c.said), std::string::npos) << shown.boxes.shown[0];
        EXPECT_NE(shown.boxes.shown[0].find("zt_games check --yes"), std::string::npos) << c.what;
        EXPECT_TRUE(shown.boxes.questions.empty()) << c.what;
    }
}
