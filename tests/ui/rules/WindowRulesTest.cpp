// What the window decides, without a window: which drives it offers first,
// what it makes of a chosen image, and the boxes it writes to its log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "ui/DriveList.h"
#include "ui/DriveOrder.h"
#include "ui/GameRows.h"
#include "ui/ImageChoice.h"
#include "ui/ListRefresh.h"
#include "ui/LoggedBoxes.h"

using namespace ui;
using namespace report;
using namespace library;
using namespace install;
using namespace platform;
using namespace store;

namespace {

std::vector<std::string> mountPoints(const std::vector<FixedDrive>& drives) {
    std::vector<std::string> points;
    for (const FixedDrive& drive : drives)
        points.push_back(drive.mountPoint);
    return points;
}

struct ListedDrives : DriveList {
    std::vector<std::string> opticalDrives() override { return {}; }
    std::vector<FixedDrive> fixedDrives() override { return fixed; }
    std::vector<FixedDrive> unmountedDisks() override { return disks; }
    std::vector<std::string> systemDevices() override { return {}; }
    std::vector<FixedDrive> fixed, disks;
};

}  // namespace

// The format dialog: the mounted drives in offer order, then the disks that
// are not mounted, each row with what tells it apart, and the row's key
// leading back to the drive only while it is still so.
TEST(DriveRowsTest, MountedDrivesThenDisksNotMountedWithSizeAndModel) {
    ListedDrives drives;
    drives.fixed = {{"/data", "/dev/sda3", false, false, false, true, "ext4", 5ULL << 40, ""},
                    {"/media/usb", "/dev/sdb1", true, false, false, true, "vfat", 16'000'000'000ULL,
                     "WD Elements"}};
    drives.disks = {{"", "/dev/sdc", true, false, false, true, "", 2'000'398'934'016ULL,
                     "Seagate\x1b[2J Expansion"},
                    {"", "/dev/loop3", false, false, false, true, "", 300 << 20, ""}};
    const std::vector<FixedDrive> candidates = formatCandidates(drives);
    const std::vector<DriveRow> rows = driveDialogRows(candidates);
    const std::vector<std::vector<std::string>> expected = {
        {"usb", "/media/usb  (/dev/sdb1, 14.9 GB, WD Elements)", "/media/usb/"},
        {"/data", "/data  (/dev/sda3, 5.0 TB)", "/data/"},
        {"sdc 1.8 TB", "/dev/sdc, 1.8 TB, Seagate\\x1B[2J Expansion, not mounted", "/dev/sdc"},
        {"loop3 300 MB", "/dev/loop3, 300 MB, not mounted", "/dev/loop3"}};
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ((std::vector<std::string>{rows[i].text, rows[i].tooltip, rows[i].key}),
                  expected[i]);
        ASSERT_NE(candidateFor(rows[i].key, candidates), nullptr);
        EXPECT_EQ(candidateFor(rows[i].key, candidates)->device, candidates[i].device);
    }
    // A disk mounted meanwhile is no longer the disk the row named.
    EXPECT_EQ(candidateFor("/dev/sdc", drivesInOfferOrder(drives.fixed)), nullptr);
    EXPECT_EQ(sizeText(1023), "0.9 KB");
    EXPECT_EQ(sizeText(~0ULL), "16383 PB");
}

TEST(DriveOrderTest, UsbFirstSystemLastOtherwiseAsGiven) {
    const FixedDrive root{"/", "/dev/sda2", false, true};
    const FixedDrive data{"/data", "/dev/sda3"};
    const FixedDrive other{"/mnt/b", "/dev/sdb1"};
    const FixedDrive usbA{"/media/a", "/dev/sdc1", true};
    const FixedDrive usbB{"/media/b", "/dev/sdd1", true};
    const FixedDrive usbSystem{"/", "/dev/sde1", true, true};  // a system started from USB
    const struct {
        std::vector<FixedDrive> given;
        std::vector<std::string> offered;
    } cases[] = {
        {{root, data, usbB, other, usbA}, {"/media/b", "/media/a", "/data", "/mnt/b", "/"}},
        {{root, data}, {"/data", "/"}},
        {{usbSystem, usbA}, {"/media/a", "/"}},
        {{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mountPoints(drivesInOfferOrder(c.given)), c.offered);
    EXPECT_EQ(systemDriveQuestion(root),
              "The drive / is not a USB drive: it holds the running system.\nInstall anyway?");
    EXPECT_EQ(systemDriveQuestion(usbA), "");
    EXPECT_EQ(systemDriveQuestion(data), "");
}

TEST(ImageChoiceTest, TheImageNamesTheGameUntilTheUserTypesOne) {
    const std::string longName(40, 'n');
    const std::string accented = std::string(30, 'a') + "\xC3\xA9";  // 32 bytes, é at the end
    const struct {
        const char* current;
        std::string lastFilled;
        std::string image;
        std::string expected;
    } cases[] = {
        {"Game1", "", "/images/Space Race.iso", "Space Race"},
        {"Space Race", "Space Race", "/images/Moon.v2.img", "Moon.v2"},  // filled before
        {"My Game", "Space Race", "/images/Moon.iso", "My Game"},        // typed by the user
        {"", "", "/images/Moon.iso", ""},                                // emptied by the user
        {"Game1", "", "/images/" + longName + ".iso", std::string(31, 'n')},
        {"Game1", "", "/images/" + accented + ".iso", std::string(30, 'a')},
        {"Game1", "", "/images/", "Game1"},  // no file name
    };
    for (const auto& c : cases)
        EXPECT_EQ(gameNameForImage(c.current, c.lastFilled, c.image), c.expected) << c.image;
    EXPECT_EQ(folderOfImage("/images/discs/Moon.iso"), "/images/discs");
    // Drives and images once each, sorted: an image chosen twice is offered once.
    EXPECT_EQ(sourceItems({"/dev/sr1", "/dev/sr0"}, {"/images/b.iso", "/dev/sr0", "/images/b.iso"}),
              (std::vector<std::string>{"/dev/sr0", "/dev/sr1", "/images/b.iso"}));
}

TEST(ImageChoiceTest, BothWindowsShowADriveByItsNameAndAnImageByItsFile) {
    const struct {
        std::string item;
        bool image;
        std::string text, tooltip;
    } cases[] = {
        {"\\\\.\\D:", false, "D:", "\\\\.\\D:"},
        {"/dev/sr0", false, "/dev/sr0", ""},
        {"/images/Space Race.iso", true, "Space Race.iso", "/images/Space Race.iso"},
        {"C:\\Images\\Moon.iso", true, "Moon.iso", "C:\\Images\\Moon.iso"},
        {"3 images", false, "3 images", ""},
        {"Image file...", false, "Image file...", ""},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> images =
            c.image ? std::vector<std::string>{c.item} : std::vector<std::string>{};
        const std::vector<SourceRow> rows = sourceRows({c.item}, images);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].item, c.item);
        EXPECT_EQ(rows[0].text, c.text) << c.item;
        EXPECT_EQ(rows[0].tooltip, c.tooltip) << c.item;
    }
}

TEST(LoggedBoxesTest, EveryBoxAndAnswerGoesToTheLog) {
    TempDir dir;
    const std::string path = dir.file("window.log");
    {
        WindowLog log(path, false);
        ScriptedBoxes shown;
        shown.answers = {true};
        LoggedBoxes boxes(shown, log);
        boxes.show("Format Failed!!");
        EXPECT_TRUE(boxes.ask("\nThe job is not complete,Exit?\n", true));
        EXPECT_FALSE(boxes.ask("Two lines,\n\nthe second here", true));
        EXPECT_EQ(shown.shown, std::vector<std::string>{"Format Failed!!"});
        EXPECT_EQ(shown.questions.size(), 2u);
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "Box: Format Failed!!\n"
              "Question: The job is not complete,Exit?\n"
              "Answer: Yes\n"
              "Question: Two lines,\n"
              "\n"
              "          the second here\n"
              "Answer: No\n");
}

TEST(GameRowsTest, DamagedAndIncompleteGamesSayItInTheirRows) {
    GameRow sound{"My Game", 1024, 1, "SLUS_209.46", 0x14, true, false};
    GameRow incomplete = sound;
    incomplete.complete = false;
    GameRow damaged = incomplete;
    damaged.damaged = true;
    EXPECT_EQ(gameRowText(sound), "My Game");
    EXPECT_EQ(gameStateTip(sound), "");
    EXPECT_EQ(gameRowText(incomplete), "My Game  (incomplete)");
    EXPECT_EQ(gameRowText(damaged), "My Game  (damaged)");
    EXPECT_NE(gameStateTip(damaged).find("\"Check Drive\" in this list's menu"), std::string::npos);
}

TEST(ListRefreshTest, ABusyDriveKeepsItsListAndIsReadAgain) {
    const struct {
        std::string listed, root;
        bool busy, clear, retry;
    } cases[] = {
        {"/media/usb/", "/media/usb/", true, false, true},  // the same drive: its list stays
        {"/media/old/", "/media/usb/", true, true, true},   // another drive's rows go
        {"/media/usb/", "/media/usb/", false, false, false},
    };
    for (const auto& c : cases) {
        const ListAfterRefresh after = listAfterRefresh(c.listed, c.root, c.busy);
        EXPECT_EQ(after.clear, c.clear) << c.listed;
        EXPECT_EQ(after.retry, c.retry) << c.listed;
    }
}

TEST(DriveOrderTest, TheWindowOpensOnTheFirstDriveThisUserMayUse) {
    FixedDrive locked{"/media/a", "/dev/sdb1", true};
    locked.usable = false;
    const FixedDrive open{"/media/b", "/dev/sdc1", true};
    EXPECT_EQ(driveToOpenOn({locked, open}), 1);
    EXPECT_EQ(driveToOpenOn({open, locked}), 0);
    EXPECT_EQ(driveToOpenOn({locked}), 0);
    EXPECT_EQ(driveToOpenOn({}), -1);
}

TEST(ImageChoiceTest, AnImageTooLargeForACdIsADvd) {
    EXPECT_FALSE(imageNeedsDvd(0));
    EXPECT_FALSE(imageNeedsDvd(kCdBytes));
    EXPECT_TRUE(imageNeedsDvd(kCdBytes + 1));
    EXPECT_TRUE(imageNeedsDvd(1400ULL << 20));  // 1.4 GB
}

TEST(ImageChoiceTest, ADropCarriesItsFilesAndNoFolder) {
    TempDir dir;
    const std::string file = dir.file("game.iso");
    const std::string other = dir.file("other.iso");
    std::ofstream(file) << "x";
    std::ofstream(other) << "y";
    EXPECT_EQ(droppedImages({file}), std::vector<std::string>{file});
    EXPECT_EQ(droppedImages({file, dir.root(), other}), (std::vector<std::string>{file, other}));
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{}, {dir.root()}, {dir.file("gone.iso")}, {""}})
        EXPECT_TRUE(droppedImages(refused).empty()) << refused.size();
}
