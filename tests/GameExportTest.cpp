// Export of an installed game to one image file: byte for byte, never a
// partial file under the final name, and nothing replaced without a Yes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "GameDrive.h"
#include "KernelFlushes.h"
#include "ScopedFault.h"
#include "ScriptedFrontEnd.h"
#include "ToolRun.h"
#include "library/DriveCheck.h"
#include "library/GameExport.h"
#include "platform/StagedFile.h"

using namespace library;
using namespace platform;
using namespace store;
using namespace report;

namespace {

// Writes `text` at `offset` of an existing file.
void putAt(const std::string& path, std::uint64_t offset, const std::string& text) {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(static_cast<std::streamoff>(offset));
    f << text;
}

constexpr std::size_t kWindow = 8 << 20;

// Whether the file holds data (not a hole) within [from, from + length).
bool hasData(int fd, std::uint64_t from, std::size_t length) {
    off_t data = ::lseek(fd, static_cast<off_t>(from), SEEK_DATA);
    return data >= 0 ? static_cast<std::uint64_t>(data) < from + length : errno != ENXIO;
}

// Files in a folder other than the drive's own.
std::vector<std::string> filesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(dir.path()))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class GameExportTest : public ::testing::Test {
  protected:
    void SetUp() override { drive.addGame("Small", "SMAL_000.01", {5000}, 's'); }
    GameDrive drive;
    TempDir out;
    ScriptedFrontEnd ui;
};

}  // namespace

TEST_F(GameExportTest, AGameOfThreePartsBecomesItsImageByteForByte) {
    const std::uint64_t gib = std::uint64_t{1} << 30;
    drive.addGame("Big Game", "BIGG_000.01", {gib, gib, 3 * 2048 + 1});
    std::vector<std::string> parts;
    for (int i = 0; i < 3; ++i) {
        parts.push_back(drive.part("Big Game", "BIGG_000.01", i));
        putAt(parts.back(), 0, "start of part " + std::to_string(i));
    }
    putAt(parts[0], gib - 5, "end-0");
    putAt(parts[1], gib / 2, "middle of part 1");

    const std::string image = out.file("Big Game.iso");
    ASSERT_TRUE(exportGame(drive.root(), "Big Game", image, ui.frontEnd()).succeeded())
        << (ui.boxes.shown.empty() ? "" : ui.boxes.shown.back());
    EXPECT_EQ(ui.out.str(), "Exported Big Game to " + image + " (2147489793 bytes)\n");
    ASSERT_EQ(std::filesystem::file_size(image), 2 * gib + 3 * 2048 + 1);
    // Compared window by window; windows that are holes in both files hold
    // zeros in both and are passed over, so that the test reads little.
    int exported = ::open(image.c_str(), O_RDONLY);
    ASSERT_GE(exported, 0);
    std::vector<char> a(kWindow), b(kWindow);
    std::uint64_t base = 0;
    for (const std::string& part : parts) {
        int in = ::open(part.c_str(), O_RDONLY);
        ASSERT_GE(in, 0);
        const std::uint64_t size = std::filesystem::file_size(part);
        for (std::uint64_t at = 0; at < size; at += kWindow) {
            const std::size_t length =
                static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size - at));
            if (!hasData(in, at, length) && !hasData(exported, base + at, length))
                continue;
            ASSERT_EQ(::pread(in, a.data(), length, static_cast<off_t>(at)),
                      static_cast<ssize_t>(length));
            ASSERT_EQ(::pread(exported, b.data(), length, static_cast<off_t>(base + at)),
                      static_cast<ssize_t>(length));
            ASSERT_EQ(std::memcmp(a.data(), b.data(), length), 0) << part << " at " << at;
        }
        ::close(in);
        base += size;
    }
    ::close(exported);
    EXPECT_EQ(filesIn(out), std::vector<std::string>{"Big Game.iso"});
    EXPECT_FALSE(ui.progress.visible);
}

TEST_F(GameExportTest, AnExistingFileIsReplacedOnlyAfterYes) {
    const std::string image = out.file("small.iso");
    writeBytes(image, {'o', 'l', 'd'});
    ui.boxes.answers = {false};
    EXPECT_TRUE(
        exportGame(drive.root(), "Small", image, ui.frontEnd()).failedAt(ExportStep::Declined));
    EXPECT_EQ(ui.boxes.questions.back(), "The file " + image + " already exists. Replace it?");
    EXPECT_TRUE(ui.boxes.defaultNoFlags.back());
    EXPECT_EQ(readBytes(image), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    ui.boxes.answers = {true};
    EXPECT_TRUE(exportGame(drive.root(), "Small", image, ui.frontEnd()).succeeded());
    EXPECT_EQ(readBytes(image), std::vector<std::uint8_t>(5000, 's'));
    EXPECT_EQ(filesIn(out), std::vector<std::string>{"small.iso"});
}

TEST_F(GameExportTest, ACancelledExportLeavesNoFileAndTheOldOneAsItWas) {
    drive.addGame("Two", "TWOO_000.01", {std::uint64_t{1} << 30, 100});
    const std::string image = out.file("two.iso");
    writeBytes(image, {'o', 'l', 'd'});
    ui.boxes.answers = {true};
    ui.progress.cancelAfterUpdates = 1;  // after the first part
    EXPECT_TRUE(
        exportGame(drive.root(), "Two", image, ui.frontEnd()).failedAt(ExportStep::Cancelled));
    EXPECT_EQ(ui.boxes.shown.back(),
              "The export of game Two was cancelled; " + image + " was not written.");
    EXPECT_EQ(readBytes(image), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(filesIn(out), std::vector<std::string>{"two.iso"});
    EXPECT_FALSE(ui.progress.visible);
}

TEST_F(GameExportTest, RefusesIncompleteGamesAndTargetsThatMustNotBeReplaced) {
    drive.addGame("Holes", "HOLE_000.01", {std::uint64_t{1} << 30, 10});
    std::filesystem::remove(drive.part("Holes", "HOLE_000.01", 0));
    EXPECT_TRUE(exportGame(drive.root(), "Holes", out.file("h.iso"), ui.frontEnd())
                    .failedAt(ExportStep::Refused));
    EXPECT_EQ(ui.boxes.shown.back(), "The part file " + drive.part("Holes", "HOLE_000.01", 0) +
                                         " of game Holes is missing; the game cannot be exported.");
    drive.addGame("Short", "SHOR_000.01", {4096, 10});
    EXPECT_TRUE(exportGame(drive.root(), "Short", out.file("h.iso"), ui.frontEnd())
                    .failedAt(ExportStep::Refused));
    EXPECT_TRUE(exportGame(drive.root(), "Nobody", out.file("h.iso"), ui.frontEnd())
                    .failedAt(ExportStep::Refused));
    EXPECT_TRUE(filesIn(out).empty());

    // Not even --yes lets the image replace a part of the game or the table.
    ui.boxes.answers = {true, true, true};
    const std::string part = drive.part("Small", "SMAL_000.01", 0);
    EXPECT_TRUE(
        exportGame(drive.root(), "Small", part, ui.frontEnd()).failedAt(ExportStep::Refused));
    EXPECT_TRUE(exportGame(drive.root(), "Small", drive.table(), ui.frontEnd())
                    .failedAt(ExportStep::Refused));
    EXPECT_EQ(readBytes(part), std::vector<std::uint8_t>(5000, 's'));
    EXPECT_TRUE(exportGame(drive.root(), "Small", out.path().string(), ui.frontEnd())
                    .failedAt(ExportStep::Refused));
    EXPECT_EQ(ui.boxes.questions.size(), 0u);
}

TEST_F(GameExportTest, TheCommandLine) {
    const std::string image = out.file("small.iso");
    ToolRun run =
        runTool("zt_games", "export " + shellQuoted(drive.root()) + " Small " + shellQuoted(image));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readBytes(image), std::vector<std::uint8_t>(5000, 's'));
    // Again without --yes and without a terminal: the answer is No.
    run =
        runTool("zt_games", "export " + shellQuoted(drive.root()) + " Small " + shellQuoted(image));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("already exists. Replace it?"), std::string::npos);
    run = runTool("zt_games",
                  "--yes export " + shellQuoted(drive.root()) + " Small " + shellQuoted(image));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(runTool("zt_games", "export " + shellQuoted(drive.root()) + " Small").status, 2);
}

TEST_F(GameExportTest, AnImageWhoseFolderCannotBeFlushedIsAFailure) {
    const std::string image = out.file("small.iso");
    {
        ScopedFault fault([&](platform::FileOp op, const std::string& path, const std::string&) {
            return !(op == platform::FileOp::Flush && std::filesystem::is_directory(path));
        });
        EXPECT_TRUE(
            exportGame(drive.root(), "Small", image, ui.frontEnd()).failedAt(ExportStep::Failed));
    }
    EXPECT_EQ(ui.boxes.shown.back(), "The image " + image +
                                         " was written, but it may not be on the device (" +
                                         std::strerror(EIO) + ").");
}

// The image takes its name, new or over an older file, only once the kernel
// has flushed its bytes: a crash never leaves a name on a file without them.
TEST_F(GameExportTest, TheImageIsFlushedBeforeItTakesItsName) {
    const std::string image = out.file("small.iso");
    for (bool replacing : {false, true}) {
        ui.boxes.answers = {true};
        std::set<std::string> flushed;
        int renames = 0, renamesFlushed = 0;
        {
            KernelFlushes kernel;
            ScopedFault fault(
                [&](platform::FileOp op, const std::string& path, const std::string& other) {
                    for (const std::string& done : kernel.take())
                        flushed.insert(done);
                    if (op == platform::FileOp::Rename && other == image) {
                        ++renames;
                        renamesFlushed += flushed.count(path) != 0 ? 1 : 0;
                    }
                    return true;
                });
            EXPECT_TRUE(exportGame(drive.root(), "Small", image, ui.frontEnd()).succeeded())
                << replacing;
        }
        EXPECT_EQ(renames, 1) << replacing;
        EXPECT_EQ(renamesFlushed, 1) << replacing;
    }
}

// Another game's part on this drive, a part or table of another drive, by
// their names or by another name of the same file: none is ever replaced.
TEST_F(GameExportTest, NoPartOrTableOfAnyDriveIsReplaced) {
    drive.addGame("Other", "OTHE_000.01", {300}, 'o');
    GameDrive second;
    second.addGame("Far", "FARG_000.01", {200}, 'f');
    const std::string otherPart = drive.part("Other", "OTHE_000.01", 0);
    std::filesystem::create_hard_link(otherPart, out.file("linked.iso"));
    const std::string targets[] = {
        otherPart,
        drive.root() + "zt.0123ABCD.OTHE_000.01.01",  // a part no record names yet
        drive.root() + "tepcdfile.tep",
        drive.root() + "zt.intent",
        second.part("Far", "FARG_000.01", 0),
        second.table(),
        out.file("zt.cfg"),
        out.file("linked.iso"),
    };
    for (const std::string& target : targets) {
        ui.boxes.answers = {true};
        EXPECT_TRUE(
            exportGame(drive.root(), "Small", target, ui.frontEnd()).failedAt(ExportStep::Refused))
            << target;
        EXPECT_NE(ui.boxes.shown.back().find("would replace a part file or the game table"),
                  std::string::npos)
            << target;
    }
    EXPECT_EQ(readBytes(otherPart), std::vector<std::uint8_t>(300, 'o'));
    EXPECT_EQ(readBytes(second.part("Far", "FARG_000.01", 0)), std::vector<std::uint8_t>(200, 'f'));
    EXPECT_FALSE(std::filesystem::exists(drive.root() + "tepcdfile.tep"));
    EXPECT_FALSE(std::filesystem::exists(out.file("zt.cfg")));
    EXPECT_EQ(drive.names(), (std::vector<std::string>{"Small", "Other"}));
}

// A killed export leaves its staged image beside the file: the next export
// to that file removes it, and the check of a drive it lies on names it.
TEST_F(GameExportTest, WhatAKilledExportLeftIsRemovedOrNamed) {
    const std::string leftovers[] = {out.file("s.iso.zt-Ab12Cd"), drive.root() + "s.iso.zt-Xy34Ef"};
    for (const std::string& path : leftovers)
        writeBytes(path, {'s', 's', 's'});        // the start of the image
    writeBytes(out.file("s.iso.zt-notes"), {1});  // not six characters after the mark
    const DriveReport report = checkDrive(drive.root());
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].text, leftovers[1] + ": an image that an export to " +
                                           drive.root() +
                                           "s.iso was writing when it stopped; it can be removed");
    EXPECT_TRUE(exportGame(drive.root(), "Small", out.file("s.iso"), ui.frontEnd()).succeeded());
    EXPECT_EQ(filesIn(out), (std::vector<std::string>{"s.iso", "s.iso.zt-notes"}));
    EXPECT_TRUE(repairDrive(drive.root(), report).empty());
    EXPECT_TRUE(checkDrive(drive.root()).sound());
}

// A game whose last part was cut short, or that lacks a part: verify and
// export both name the part, export writes nothing, and both exit 1.
TEST_F(GameExportTest, AShortOrMissingPartIsNamedByVerifyAndExport) {
    const struct {
        const char* what;
        std::uint64_t sectors;
        int part;
        std::uint64_t cutTo;  // bytes; 0: the part is removed
        const char* said;
    } cases[] = {
        {"last part cut short", 5000, 0, 3000 * 2048, "ends short of the disc"},
        {"a part missing", 524288 + 100, 1, 0, "is missing"},
    };
    for (const auto& c : cases) {
        GameDrive games;
        games.addDiscGame("Big One", "SLUS_209.46", c.sectors);
        const std::string part = games.part("Big One", "SLUS_209.46", c.part);
        if (c.cutTo == 0)
            std::filesystem::remove(part);
        else
            std::filesystem::resize_file(part, c.cutTo);
        const std::string image = out.file("big.iso");
        for (const std::string& command :
             {"verify " + shellQuoted(games.root()) + " 'Big One'",
              "export " + shellQuoted(games.root()) + " 'Big One' " + shellQuoted(image)}) {
            ToolRun run = runTool("zt_games", command);
            EXPECT_EQ(run.status, 1) << c.what << command;
            EXPECT_NE(run.err.find(part.substr(games.root().size())), std::string::npos)
                << c.what << run.err;
            EXPECT_NE(run.err.find(c.said), std::string::npos) << c.what << run.err;
        }
        EXPECT_TRUE(filesIn(out).empty()) << c.what;
    }
}

// Files named like an export's temporary file that it did not make stay: a
// user's file, a leftover of an export of another game, and the temporary
// file of an export to the same file that still runs, which then completes.
TEST_F(GameExportTest, OnlyItsOwnStaleTemporaryFileIsRemoved) {
    const std::string image = out.file("game.iso");
    const std::string backup = out.file("game.iso.zt-backup");
    const std::string other = out.file("game.iso.zt-ABCDEF");
    const std::string stale = out.file("game.iso.zt-Ab12Cd");
    const std::vector<std::uint8_t> longer(6000, 's');  // longer than the image
    writeBytes(backup, longer);
    writeBytes(other, {'x', 'y'});
    writeBytes(stale, {'s', 's', 's'});  // the image's start: a killed export's
    platform::StagedFile running;
    std::string error;
    ASSERT_TRUE(running.create(image, error)) << error;
    ASSERT_EQ(running.append(drive.part("Small", "SMAL_000.01", 0), {}).result,
              platform::CopyResult::Copied);

    ASSERT_TRUE(exportGame(drive.root(), "Small", image, ui.frontEnd()).succeeded());
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(readBytes(backup), longer);
    EXPECT_EQ(readBytes(other), (std::vector<std::uint8_t>{'x', 'y'}));
    ASSERT_TRUE(std::filesystem::exists(running.tempPath()));
    EXPECT_EQ(running.commit(true, error), platform::CommitResult::Committed) << error;
    EXPECT_EQ(readBytes(image), std::vector<std::uint8_t>(5000, 's'));
}

// A killed export's leftover takes room that the next export needs: it goes
// before the free space is counted, so that the export fits.
TEST_F(GameExportTest, ItsOwnLeftoverGoesBeforeTheSpaceIsCounted) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a small file system";
    TempDir small;
    const std::string folder = small.path().string();
    ASSERT_EQ(runShell("mount -t tmpfs -o size=1m tmpfs " + shellQuoted(folder)).status, 0);
    drive.addGame("Mid", "MIDG_000.01", {640 * 1024});
    writeBytes(folder + "/mid.iso.zt-Ab12Cd", std::vector<std::uint8_t>(600 * 1024, 0));
    const ExportResult result = exportGame(drive.root(), "Mid", folder + "/mid.iso", ui.frontEnd());
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(folder + "/mid.iso", error);
    const bool leftoverGone = !std::filesystem::exists(folder + "/mid.iso.zt-Ab12Cd");
    runShell("umount " + shellQuoted(folder));
    EXPECT_TRUE(result.succeeded()) << (ui.boxes.shown.empty() ? "" : ui.boxes.shown[0]);
    EXPECT_EQ(size, 640u * 1024);
    EXPECT_TRUE(leftoverGone);
}
