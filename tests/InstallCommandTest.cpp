#include "install/InstallCommand.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "FakeDisc.h"
#include "GameDrive.h"
#include "ScopedFault.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "report/ShownText.h"
#include "store/DriveRoot.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

using namespace install;
using namespace store;
using namespace report;
using namespace platform;

namespace {

GameEntry entryFor(const std::string& name, const std::string& id, std::uint8_t parts,
                   std::uint32_t media = kMediaDvd) {
    GameEntry entry;
    entry.setDisplayName(name);
    entry.setImageFileName("zt." + id);
    entry.setPartCount(parts);
    entry.setMediaType(media);
    entry.setSectorSize(2048);
    return entry;
}

class InstallCommandTest : public ::testing::Test {
  protected:
    int install(std::shared_ptr<FakeDisc> disc, const std::string& name = "My Game",
                const std::string& media = "DVD") {
        FrontEnd frontEnd = ui.frontEnd();
        InstallCommand command(frontEnd, fakeOpener(disc), [this](const std::string& root) {
            EXPECT_EQ(root, drive.root());
            return std::optional<std::uint64_t>(freeBytes);
        });
        int result = command.run({"", "fake", drive.root(), name, media});
        EXPECT_TRUE(
            command.parts().createdParts.empty());  // never names a finished install's files
        return result;
    }
    std::string part(const std::string& name, const std::string& id, int index) const {
        return *partFilePath(partPrefix(drive.root(), gameNameHash(name), id), index);
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(drive.path())) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<GameEntry> table() const { return readTableFile(tablePath(drive.root())).records; }
    void writeTable(const std::vector<GameEntry>& records) {
        ASSERT_TRUE(writeTableFile(tablePath(drive.root()), records));
    }
    // The first `sectors` sectors of the disc, as the part files must hold them.
    static std::vector<std::uint8_t> image(const FakeDisc& disc, std::int64_t first,
                                           std::int64_t count) {
        std::vector<std::uint8_t> bytes;
        for (std::int64_t s = first; s < first + count; ++s) {
            std::vector<std::uint8_t> sector = disc.sector(s);
            bytes.insert(bytes.end(), sector.begin(), sector.end());
        }
        return bytes;
    }

    TempDir drive;
    ScriptedFrontEnd ui;
    std::uint64_t freeBytes = std::uint64_t{1} << 40;
};

}  // namespace

TEST_F(InstallCommandTest, InstallsADiscAndRecordsIt) {
    auto disc = makeGameDisc(3000);
    ASSERT_EQ(install(disc, "My Game", "dvd"), 1);
    std::string path = part("My Game", "ABCD_123.45", 0);
    EXPECT_EQ(readBytes(path), image(*disc, 0, 3000));
    ASSERT_EQ(table().size(), 1u);
    EXPECT_EQ(table()[0], entryFor("My Game", "ABCD_123.45", 1, kMediaDvd));
    EXPECT_EQ(files(), (std::vector<std::string>{"zt.1C5EB8C8.ABCD_123.45.00", "zt.cfg"}));

    // Progress: every 256 sectors, the total in MB, "OK" at the end.
    EXPECT_EQ(ui.progress.range, 5);
    std::string out = ui.out.str();
    EXPECT_EQ(out.rfind("COPYING: 0.00MB/5.86MB\r", 0), 0u);
    EXPECT_NE(out.find("COPYING: 5.50MB/5.86MB\r\ncopy finished\n"), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\r'), 12);  // sectors 0, 256, ..., 2816
    EXPECT_EQ(ui.progress.texts, (std::vector<std::string>{"Installing " + path}));
    EXPECT_EQ(ui.progress.buttonCaption, "OK");
    EXPECT_TRUE(ui.progress.visible);
    EXPECT_TRUE(ui.boxes.shown.empty());
    // One device read per 64 sectors until the last 214, which are single.
    EXPECT_EQ(disc->reads.size(), (3000u - 214 + 63) / 64 + 214);

    // A CD, with the media word in any case, on a root given without '/'.
    TempDir other;
    auto cd = makeGameDisc(300, "BOOT = cdrom:\\SLUS_000.01;1");
    FrontEnd frontEnd = ui.frontEnd();
    InstallCommand command(frontEnd, fakeOpener(cd));
    ASSERT_EQ(command.run({"", "fake", other.path().string(), "x", "Cd"}), 1);
    EXPECT_EQ(readTableFile(tablePath(other.root())).records.at(0),
              entryFor("x", "SLUS_000.01", 1, kMediaCd));
}

TEST_F(InstallCommandTest, RefusesBadArgumentsBeforeReadingTheDisc) {
    auto disc = makeGameDisc(3000);
    FrontEnd frontEnd = ui.frontEnd();
    InstallCommand command(frontEnd, fakeOpener(disc));
    EXPECT_EQ(command.run({"", "fake", drive.root(), "My Game"}), 0);
    EXPECT_EQ(ui.out.str(), InstallCommand::kUsage);
    ui.out.str("");
    EXPECT_EQ(command.run({"", "fake", drive.root(), "My Game", "BLURAY"}), 0);
    EXPECT_EQ(ui.out.str(), "enter CD or DVD mode\n");
    EXPECT_TRUE(disc->reads.empty());
    EXPECT_TRUE(files().empty());
}

TEST_F(InstallCommandTest, UnusableDiscOrGameChangesNothing) {
    writeTable({entryFor("Other", "XYZ_000.00", 1)});
    const std::vector<std::uint8_t> before = readBytes(tablePath(drive.root()));
    auto expectNothingChanged = [&] {
        EXPECT_EQ(files(), (std::vector<std::string>{"zt.cfg"}));
        EXPECT_EQ(readBytes(tablePath(drive.root())), before);
    };

    auto disc = makeGameDisc(3000);
    disc->content[16][1] = 'X';
    EXPECT_EQ(install(disc), 0);
    // The reason follows the box's first lines: what was found instead of a disc.
    EXPECT_EQ(ui.boxes.shown, (std::vector<std::string>{
                                  "Source drive is invalid\nInvalid disc\nThere is no ISO 9660 "
                                  "volume descriptor at sector 16: this is no image of a game "
                                  "disc.\n"}));
    expectNothingChanged();

    // 31 bytes are allowed; 32 are not, nor 16 two-byte letters; nor an
    // empty name, nor one holding a control byte (shown escaped).
    for (const std::string& name :
         {std::string(32, 'n'), std::string(16 * 2, '\xC3'), std::string(), std::string("A\tB"),
          std::string("A\x7F"), std::string("\x1B[2J")}) {
        ui.boxes.shown.clear();
        EXPECT_EQ(install(makeGameDisc(3000), name), 0);
        ASSERT_EQ(ui.boxes.shown.size(), 1u);
        const std::string& text = ui.boxes.shown[0];
        if (name.size() > 31) {
            EXPECT_NE(text.find("at most 31 bytes"), std::string::npos);
        } else if (name.empty()) {
            EXPECT_NE(text.find("no name"), std::string::npos);
        } else {
            EXPECT_NE(text.find("control character"), std::string::npos);
            EXPECT_FALSE(hasControlByte(text.substr(0, text.size() - 1))) << text;
        }
        expectNothingChanged();
    }

    for (const char* cnf : {"BOOT2 = cdrom0:\\ABCD_123.456;1\n", "BOOT2 = cdrom0:\\..\\..\\x;1\n",
                            "BOOT2 = \n", "BOOT2 = cdrom0:\\A\x01/B;1\n"}) {
        ui.boxes.shown.clear();
        EXPECT_EQ(install(makeGameDisc(3000, cnf)), 0) << cnf;
        ASSERT_EQ(ui.boxes.shown.size(), 1u);
        EXPECT_NE(ui.boxes.shown[0].find("game ID"), std::string::npos);
        EXPECT_EQ(ui.boxes.shown[0].find('\x01'), std::string::npos);  // shown printable
        expectNothingChanged();
    }

    // More than ten parts of 1 GiB cannot be named.
    ui.boxes.shown.clear();
    EXPECT_EQ(install(makeGameDisc(10 * 524288 + 1)), 0);
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("too large"), std::string::npos);
    expectNothingChanged();

    EXPECT_EQ(install(makeGameDisc(3000), std::string(31, 'n')), 1);
}

TEST_F(InstallCommandTest, ReplacesOlderRecordsOfTheSameNameAfterAsking) {
    writeTable({entryFor("My Game", "OLD_000.01", 3), entryFor("Other", "XYZ_000.00", 1),
                entryFor("my game", "LOW_000.01", 1)});
    for (int i = 0; i < 3; ++i)
        writeBytes(part("My Game", "OLD_000.01", i), {1, 2, 3});
    writeBytes(part("my game", "LOW_000.01", 0), {4});
    ui.boxes.answers = {true};

    ASSERT_EQ(install(makeGameDisc(3000)), 1);
    EXPECT_EQ(ui.boxes.questions,
              (std::vector<std::string>{"File My Game already exist,Continue?"}));
    EXPECT_EQ(ui.boxes.defaultNoFlags, std::vector<bool>{false});  // a plain Yes/No box
    EXPECT_EQ(table(), (std::vector<GameEntry>{entryFor("Other", "XYZ_000.00", 1),
                                               entryFor("my game", "LOW_000.01", 1),
                                               entryFor("My Game", "ABCD_123.45", 1)}));
    EXPECT_EQ(files(),
              (std::vector<std::string>{
                  "zt.1C5EB8C8.ABCD_123.45.00",
                  part("my game", "LOW_000.01", 0).substr(drive.root().size()), "zt.cfg"}));
}

TEST_F(InstallCommandTest, SecondNoLeavesEveryOlderRecordAndFileInPlace) {
    writeTable({entryFor("My Game", "OLD_000.01", 2), entryFor("My Game", "OLD_000.02", 1)});
    const std::vector<std::uint8_t> before = readBytes(tablePath(drive.root()));
    for (int i = 0; i < 2; ++i)
        writeBytes(part("My Game", "OLD_000.01", i), {1});
    writeBytes(part("My Game", "OLD_000.02", 0), {2});
    ui.boxes.answers = {true, false};

    EXPECT_EQ(install(makeGameDisc(3000)), 0);
    EXPECT_EQ(ui.boxes.questions.size(), 2u);
    EXPECT_EQ(readBytes(tablePath(drive.root())), before);
    EXPECT_EQ(files().size(), 4u);  // three old parts and the table
    EXPECT_TRUE(std::filesystem::exists(part("My Game", "OLD_000.01", 1)));
}

TEST_F(InstallCommandTest, ReinstallOverTheSameFileNamesKeepsTheOldGameUntilTheNewIsRecorded) {
    // Same name and same game ID: the new parts have the old parts' names.
    writeTable({entryFor("My Game", "ABCD_123.45", 2)});
    const std::vector<std::uint8_t> before = readBytes(tablePath(drive.root()));
    writeBytes(part("My Game", "ABCD_123.45", 0), {9, 9});
    writeBytes(part("My Game", "ABCD_123.45", 1), {8});

    // Cancelled: the old game is untouched.
    ui.boxes.answers = {true};
    ui.progress.cancelAfterUpdates = 3;
    EXPECT_EQ(install(makeGameDisc(3000)), 0);
    EXPECT_EQ(readBytes(tablePath(drive.root())), before);
    EXPECT_EQ(readBytes(part("My Game", "ABCD_123.45", 0)), (std::vector<std::uint8_t>{9, 9}));
    EXPECT_EQ(files().size(), 3u);

    // Completed: the new part 0 replaces the old one, the old part 1 goes.
    ui.boxes.answers = {true};
    ui.progress.cancelAfterUpdates = -1;
    auto disc = makeGameDisc(3000);
    ASSERT_EQ(install(disc), 1);
    EXPECT_EQ(readBytes(part("My Game", "ABCD_123.45", 0)), image(*disc, 0, 3000));
    EXPECT_EQ(files(), (std::vector<std::string>{"zt.1C5EB8C8.ABCD_123.45.00", "zt.cfg"}));
    EXPECT_EQ(table(), (std::vector<GameEntry>{entryFor("My Game", "ABCD_123.45", 1)}));
}

TEST_F(InstallCommandTest, FreeSpaceIsCheckedBeforeAnythingChanges) {
    writeTable({entryFor("My Game", "OLD_000.01", 1)});
    const std::vector<std::uint8_t> before = readBytes(tablePath(drive.root()));
    writeBytes(part("My Game", "OLD_000.01", 0), std::vector<std::uint8_t>(4096, 7));

    // 3000 sectors need 6144000 bytes: the old game's 4096 bytes do not make enough room.
    freeBytes = 6144000 - 4097;
    ui.boxes.answers = {true};
    EXPECT_EQ(install(makeGameDisc(3000)), 0);
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("Not enough free space"), std::string::npos);
    EXPECT_EQ(readBytes(tablePath(drive.root())), before);
    EXPECT_EQ(files().size(), 2u);

    // With them it fits: the old game is removed first, then the new one copied.
    freeBytes = 6144000 - 4096;
    ui.boxes.answers = {true};
    ASSERT_EQ(install(makeGameDisc(3000)), 1);
    EXPECT_EQ(table(), (std::vector<GameEntry>{entryFor("My Game", "ABCD_123.45", 1)}));
    EXPECT_EQ(files(), (std::vector<std::string>{"zt.1C5EB8C8.ABCD_123.45.00", "zt.cfg"}));
}

TEST_F(InstallCommandTest, FailedCopiesRemoveTheirPartsAndLeaveTheTable) {
    writeTable({entryFor("Other", "XYZ_000.00", 1)});
    const std::vector<std::uint8_t> before = readBytes(tablePath(drive.root()));
    auto expectAsBefore = [&] {
        EXPECT_EQ(files(), (std::vector<std::string>{"zt.cfg"}));
        EXPECT_EQ(readBytes(tablePath(drive.root())), before);
    };

    // Cancelled in the middle: no message, window hidden, parts gone.
    ui.progress.cancelAfterUpdates = 4;
    EXPECT_EQ(install(makeGameDisc(3000)), 0);
    EXPECT_TRUE(ui.boxes.shown.empty());
    EXPECT_FALSE(ui.progress.visible);
    expectAsBefore();
    ui.progress.cancelAfterUpdates = -1;

    // A sector that cannot be read in the middle of the disc.
    auto disc = makeGameDisc(3000);
    disc->failing = {1500};
    EXPECT_EQ(install(disc), 0);
    EXPECT_EQ(ui.boxes.shown, (std::vector<std::string>{"Read Error!"}));
    EXPECT_EQ(ui.status.texts.back(), "\nGIVING UP\n");
    EXPECT_FALSE(ui.progress.visible);
    expectAsBefore();

    // A full drive: the part's writes fail.
    ui.boxes.shown.clear();
    ui.status.texts.clear();
    {
        ScopedFault full(failing(platform::FileOp::Write, ".00"));
        EXPECT_EQ(install(makeGameDisc(3000)), 0);
    }
    const std::string partPath = part("My Game", "ABCD_123.45", 0);
    EXPECT_EQ(ui.boxes.shown, (std::vector<std::string>{"Cannot write data!\n" + partPath + ": " +
                                                        std::strerror(EIO)}));
    EXPECT_EQ(ui.status.texts.back(), "Cannot write data");
    expectAsBefore();

    // The same when the last, buffered data fails as the part is closed, and
    // when the part cannot be flushed to the device.
    for (platform::FileOp op : {platform::FileOp::Write, platform::FileOp::Flush}) {
        ui.boxes.shown.clear();
        ScopedFault full(failing(op, ".00"));
        EXPECT_EQ(install(makeGameDisc(300)), 0);
        ASSERT_EQ(ui.boxes.shown.size(), 1u);
        EXPECT_EQ(ui.boxes.shown[0].rfind("Cannot write data!\n" + partPath + ": ", 0), 0u);
        expectAsBefore();
    }
}

TEST_F(InstallCommandTest, UnreadableSectorsAtTheVeryEndAreZeros) {
    auto disc = makeGameDisc(3000);
    disc->failing = {2999};
    ASSERT_EQ(install(disc), 1);
    std::vector<std::uint8_t> expected = image(*disc, 0, 2999);
    expected.resize(3000 * 2048, 0);
    EXPECT_EQ(readBytes(part("My Game", "ABCD_123.45", 0)), expected);
}

TEST_F(InstallCommandTest, GameThatCannotBeRecordedLeavesNoFiles) {
    // A folder in the way of the temporary table: the table cannot be replaced.
    std::filesystem::create_directory(tempTablePath(drive.root()));
    EXPECT_EQ(install(makeGameDisc(3000)), 0);
    EXPECT_EQ(ui.status.texts.back(), "config file error\n");
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_EQ(files(), (std::vector<std::string>{"tepcdfile.tep"}));
}

TEST_F(InstallCommandTest, ImageShorterThanItsVolumeIsRefusedBeyondTheToleratedEnd) {
    // 152 sectors missing: refused before anything changes, with the count.
    auto disc = makeGameDisc(2848);
    putIsoVolume(*disc, 3000, "BOOT2 = cdrom0:\\ABCD_123.45;1\r\n");
    EXPECT_EQ(install(disc), 0);
    EXPECT_EQ(ui.boxes.shown, (std::vector<std::string>{
                                  "Source drive is invalid\nThe image ends 152 sectors before its "
                                  "volume of 3000 sectors: it is incomplete\n"}));
    EXPECT_EQ(files(), std::vector<std::string>{});

    // 151 missing: the end of a disc that cannot be read, copied as zeros.
    disc = makeGameDisc(2849);
    putIsoVolume(*disc, 3000, "BOOT2 = cdrom0:\\ABCD_123.45;1\r\n");
    EXPECT_EQ(install(disc), 1);
    EXPECT_EQ(std::filesystem::file_size(part("My Game", "ABCD_123.45", 0)), 3000u * 2048);
}

TEST_F(InstallCommandTest, MediumLongerThanItsVolumeIsCopiedWhole) {
    // A dual-layer disc: the descriptor covers only the first layer.
    auto disc = makeGameDisc(3500);
    putIsoVolume(*disc, 3000, "BOOT2 = cdrom0:\\ABCD_123.45;1\r\n");
    EXPECT_EQ(install(disc), 1);
    EXPECT_EQ(readBytes(part("My Game", "ABCD_123.45", 0)), image(*disc, 0, 3500));

    // A device that cannot tell its size is copied as its volume says.
    disc->sizeUnknown = true;
    ui.boxes.answers = {true};
    EXPECT_EQ(install(disc), 1);
    EXPECT_EQ(std::filesystem::file_size(part("My Game", "ABCD_123.45", 0)), 3000u * 2048);
}

TEST_F(InstallCommandTest, ImageFileWithAPartialLastSectorIsPaddedWithZeros) {
    auto disc = makeGameDisc(1000);
    std::vector<std::uint8_t> bytes = image(*disc, 0, 1000);
    bytes.insert(bytes.end(), 1000, 0xAB);  // after the volume, not a whole sector
    TempDir images;
    writeBytes(images.file("game.iso"), bytes);
    FrontEnd frontEnd = ui.frontEnd();
    InstallCommand command(frontEnd, openDiscDevice, [this](const std::string&) {
        return std::optional<std::uint64_t>(freeBytes);
    });
    ASSERT_EQ(command.run({"", images.file("game.iso"), drive.root(), "My Game", "CD"}), 1);
    bytes.resize(1001 * 2048, 0);
    EXPECT_EQ(readBytes(part("My Game", "ABCD_123.45", 0)), bytes);
    EXPECT_EQ(table().back().PartCount(), 1);
}

TEST_F(InstallCommandTest, FailuresNameTheFileOrFolderAndTheReason) {
    // A drive that refuses new files.
    {
        ScopedFault readOnly(failing(platform::FileOp::Open, ".00"));
        EXPECT_EQ(install(makeGameDisc(1000)), 0);
    }
    EXPECT_EQ(ui.status.texts.back(), "\nCannot write file\n");
    EXPECT_EQ(ui.boxes.shown.back(), "Cannot write file\n" + part("My Game", "ABCD_123.45", 0) +
                                         ": " + std::strerror(EIO));
    EXPECT_EQ(files(), std::vector<std::string>{});

    // A missing source, and a missing drive folder.
    FrontEnd frontEnd = ui.frontEnd();
    InstallCommand command(frontEnd);
    EXPECT_EQ(command.run({"", drive.file("no.iso"), drive.root(), "My Game", "DVD"}), 0);
    EXPECT_EQ(ui.boxes.shown.back(),
              "Source drive is invalid\n" + drive.file("no.iso") + ": No such file or directory\n");
    InstallCommand elsewhere(frontEnd, fakeOpener(makeGameDisc(1000)));
    EXPECT_EQ(elsewhere.run({"", "fake", drive.file("gone"), "My Game", "DVD"}), 0);
    EXPECT_EQ(ui.boxes.shown.back().rfind("The drive folder " + drive.file("gone") + "/", 0), 0u);

    // A cancel says so, and that the drive is unchanged.
    ui.progress.cancelAfterUpdates = 1;
    EXPECT_EQ(install(makeGameDisc(3000)), 0);
    EXPECT_EQ(ui.status.texts.back(), "The install was cancelled; the drive is unchanged\n");
}

TEST_F(InstallCommandTest, CancelAfterMakingRoomSaysTheFormerGameIsGone) {
    writeTable({entryFor("Other", "XYZ_000.01", 1), entryFor("My Game", "OLD_000.01", 1)});
    writeBytes(part("My Game", "OLD_000.01", 0), std::vector<std::uint8_t>(4096, 7));
    freeBytes = 6144000 - 4096;  // only the former game's room makes it fit
    ui.boxes.answers = {true};
    ui.progress.cancelAfterUpdates = 2;
    EXPECT_EQ(install(makeGameDisc(3000)), 0);
    EXPECT_EQ(ui.boxes.shown,
              (std::vector<std::string>{"The former game My Game was removed to make room; the "
                                        "install was cancelled\n"}));
    EXPECT_EQ(table(), (std::vector<GameEntry>{entryFor("Other", "XYZ_000.01", 1)}));
    EXPECT_EQ(files(), (std::vector<std::string>{"zt.cfg"}));
}

// A file at a part's name that no record owns: what a stopped install of this
// name left (part .00 short of the disc it describes, or an empty file) is
// replaced; a whole game whose record was lost, or a file that is no part of
// ours, stops the install before it writes, and says what is there.
TEST_F(InstallCommandTest, AFileNoRecordOwnsIsReplacedOnlyWhenAStoppedInstallLeftIt) {
    const struct {
        const char* what;
        std::function<void(const std::string& path)> put;
        bool installed;
        const char* said;
    } cases[] = {
        {"a stopped install",
         [](const std::string& p) { GameDrive::writeDiscPart(p, 600 * 2048, 3000); }, true, ""},
        {"an empty file", [](const std::string& p) { writeBytes(p, {}); }, true, ""},
        {"a whole game",
         [](const std::string& p) { GameDrive::writeDiscPart(p, 2000 * 2048, 2000); }, false,
         "a whole game (2000 sectors) that no record names"},
        {"stray text",
         [](const std::string& p) {
             writeBytes(p, {'s', 't', 'r', 'a', 'y'});
         },
         false, "no part that a stopped install or copy of this game left"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(drive.path());
        std::filesystem::create_directory(drive.path());
        const std::string path = part("My Game", "ABCD_123.45", 0);
        c.put(path);
        const std::vector<std::uint8_t> before = readBytes(path);
        ui = ScriptedFrontEnd();
        EXPECT_EQ(install(makeGameDisc(3000)), c.installed ? 1 : 0) << c.what;
        if (c.installed) {
            EXPECT_EQ(table(), (std::vector<GameEntry>{entryFor("My Game", "ABCD_123.45", 1)}))
                << c.what;
            continue;
        }
        EXPECT_EQ(readBytes(path), before) << c.what;
        EXPECT_EQ(files(), std::vector<std::string>{path.substr(drive.root().size())}) << c.what;
        ASSERT_FALSE(ui.boxes.shown.empty()) << c.what;
        EXPECT_NE(ui.boxes.shown.back().find(c.said), std::string::npos) << ui.boxes.shown.back();
        EXPECT_NE(ui.boxes.shown.back().find("\"Check Drive\""), std::string::npos) << c.what;
    }
}

// A table that ends in a torn record is the drive check's to mend: the
// install refuses before it writes, and the table stays as it was.
TEST_F(InstallCommandTest, ATableEndingInATornRecordIsRefused) {
    writeTable({entryFor("First", "FRST_000.01", 1)});
    std::vector<std::uint8_t> bytes = readBytes(tablePath(drive.root()));
    bytes.resize(64 + 40, 'x');
    writeBytes(tablePath(drive.root()), bytes);
    EXPECT_EQ(install(makeGameDisc(3000)), 0);
    ASSERT_FALSE(ui.boxes.shown.empty());
    EXPECT_NE(ui.boxes.shown.back().find("ends in 40 bytes of a torn record"), std::string::npos)
        << ui.boxes.shown.back();
    EXPECT_EQ(readBytes(tablePath(drive.root())), bytes);
    EXPECT_EQ(files(), std::vector<std::string>{"zt.cfg"});
}

// The typed install says at which step it stopped, on what, and why: the
// text of the box the person read.
TEST_F(InstallCommandTest, AFailedInstallNamesItsStepObjectAndTheBoxText) {
    const struct {
        std::string name;
        std::uint64_t free;
        InstallStep step;
        bool onName;  // the object is the game's name, else the drive's root
    } cases[] = {
        {"", std::uint64_t{1} << 40, InstallStep::Game, true},
        {"My Game", 1 << 20, InstallStep::Room, false},
    };
    for (const auto& c : cases) {
        ui.boxes.shown.clear();
        freeBytes = c.free;
        FrontEnd frontEnd = ui.frontEnd();
        InstallCommand command(
            frontEnd, fakeOpener(makeGameDisc(3000)),
            [this](const std::string&) { return std::optional<std::uint64_t>(freeBytes); });
        const InstallResult result =
            command.install(InstallRequest{"fake", drive.root(), c.name, Media::Dvd});
        ASSERT_FALSE(result) << c.name;
        EXPECT_EQ(result.failure().step, c.step);
        EXPECT_EQ(result.failure().object, c.onName ? c.name : normalizeRoot(drive.root()));
        ASSERT_FALSE(ui.boxes.shown.empty());
        EXPECT_EQ(result.failure().reason, ui.boxes.shown.back());
    }
    freeBytes = std::uint64_t{1} << 40;
    FrontEnd frontEnd = ui.frontEnd();
    InstallCommand command(frontEnd, fakeOpener(makeGameDisc(3000)));
    EXPECT_TRUE(command.install(InstallRequest{"fake", drive.root(), "My Game", Media::Cd}));
    EXPECT_EQ(table().back().MediaType(), kMediaCd);
}
