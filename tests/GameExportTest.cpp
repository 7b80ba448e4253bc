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
#include "library/GameExport.h"

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
    ASSERT_EQ(exportGame(drive.root(), "Big Game", image, ui.frontEnd()), ExportResult::Exported)
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
    EXPECT_EQ(exportGame(drive.root(), "Small", image, ui.frontEnd()), ExportResult::Declined);
    EXPECT_EQ(ui.boxes.questions.back(), "The file " + image + " already exists. Replace it?");
    EXPECT_TRUE(ui.boxes.defaultNoFlags.back());
    EXPECT_EQ(readBytes(image), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    ui.boxes.answers = {true};
    EXPECT_EQ(exportGame(drive.root(), "Small", image, ui.frontEnd()), ExportResult::Exported);
    EXPECT_EQ(readBytes(image), std::vector<std::uint8_t>(5000, 's'));
    EXPECT_EQ(filesIn(out), std::vector<std::string>{"small.iso"});
}

TEST_F(GameExportTest, ACancelledExportLeavesNoFileAndTheOldOneAsItWas) {
    drive.addGame("Two", "TWOO_000.01", {std::uint64_t{1} << 30, 100});
    const std::string image = out.file("two.iso");
    writeBytes(image, {'o', 'l', 'd'});
    ui.boxes.answers = {true};
    ui.progress.cancelAfterUpdates = 1;  // after the first part
    EXPECT_EQ(exportGame(drive.root(), "Two", image, ui.frontEnd()), ExportResult::Cancelled);
    EXPECT_EQ(ui.boxes.shown.back(),
              "The export of game Two was cancelled; " + image + " was not written.");
    EXPECT_EQ(readBytes(image), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(filesIn(out), std::vector<std::string>{"two.iso"});
    EXPECT_FALSE(ui.progress.visible);
}

TEST_F(GameExportTest, RefusesIncompleteGamesAndTargetsThatMustNotBeReplaced) {
    drive.addGame("Holes", "HOLE_000.01", {std::uint64_t{1} << 30, 10});
    std::filesystem::remove(drive.part("Holes", "HOLE_000.01", 0));
    EXPECT_EQ(exportGame(drive.root(), "Holes", out.file("h.iso"), ui.frontEnd()),
              ExportResult::Refused);
    EXPECT_EQ(ui.boxes.shown.back(), "The part file " + drive.part("Holes", "HOLE_000.01", 0) +
                                         " of game Holes is missing; the game cannot be exported.");
    drive.addGame("Short", "SHOR_000.01", {4096, 10});
    EXPECT_EQ(exportGame(drive.root(), "Short", out.file("h.iso"), ui.frontEnd()),
              ExportResult::Refused);
    EXPECT_EQ(exportGame(drive.root(), "Nobody", out.file("h.iso"), ui.frontEnd()),
              ExportResult::Refused);
    EXPECT_TRUE(filesIn(out).empty());

    // Not even --yes lets the image replace a part of the game or the table.
    ui.boxes.answers = {true, true, true};
    const std::string part = drive.part("Small", "SMAL_000.01", 0);
    EXPECT_EQ(exportGame(drive.root(), "Small", part, ui.frontEnd()), ExportResult::Refused);
    EXPECT_EQ(exportGame(drive.root(), "Small", drive.table(), ui.frontEnd()),
              ExportResult::Refused);
    EXPECT_EQ(readBytes(part), std::vector<std::uint8_t>(5000, 's'));
    EXPECT_EQ(exportGame(drive.root(), "Small", out.path().string(), ui.frontEnd()),
              ExportResult::Refused);
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
        EXPECT_EQ(exportGame(drive.root(), "Small", image, ui.frontEnd()), ExportResult::Failed);
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
            EXPECT_EQ(exportGame(drive.root(), "Small", image, ui.frontEnd()),
                      ExportResult::Exported)
                << replacing;
        }
        EXPECT_EQ(renames, 1) << replacing;
        EXPECT_EQ(renamesFlushed, 1) << replacing;
    }
}
