// What the window checks and asks before a job, and when it may close, as
// tables: the boxes a person meets, in order, and what starts.
#include <gtest/gtest.h>

#include <optional>

#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "ui/DriveOrder.h"
#include "ui/InstallSteps.h"
#include "ui/JobGate.h"
#include "ui/StartChecks.h"

using namespace ui;
using namespace report;
using namespace install;
using namespace platform;
using namespace library;
using namespace store;

namespace {

const JobState kIdle{};
const JobState kInstalling{true, false, false, true};
const JobState kFormatting{false, true, false, true};
const JobState kCopying{false, false, true, false};
const char* const kWaitForJob = "The job is not complete; wait until it has finished.";
const char* const kWaitForCopy = "A game is being copied; wait until the copy has finished.";

const FixedDrive kUsb{"/media/usb", "/dev/sdb1", true};
const FixedDrive kSystem{"/", "/dev/sda2", false, true};

// The drives as a test sets them: listed, and whether each is still mounted.
class FakeDrives : public DriveList {
  public:
    std::vector<FixedDrive> fixed;
    bool stillMounted = true;
    std::vector<std::string> opticalDrives() override { return {}; }
    std::vector<FixedDrive> fixedDrives() override { return fixed; }
    std::vector<std::string> systemDevices() override { return {}; }
    bool mountedAt(const FixedDrive&) override { return stillMounted; }
};

}  // namespace

TEST(JobGateTest, OneInstallOrFormatAtATimeAndACopyAlone) {
    const struct {
        JobState jobs;
        bool forCopy;
        std::string expected;
    } cases[] = {
        {kIdle, false, ""},
        {kIdle, true, ""},
        {kInstalling, false, kWaitForJob},
        {kInstalling, true, kWaitForJob},
        {kFormatting, false, kWaitForJob},
        {JobState{false, false, false, true}, false, kWaitForJob},  // the busy flag alone
        {kCopying, false, kWaitForCopy},
        {kCopying, true, "A copy is still running; start the next one when it has finished."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jobInTheWay(c.jobs, c.forCopy), c.expected);
}

TEST(JobGateTest, ClosingDuringAJobAsksWithNoAsTheDefault) {
    const struct {
        JobState jobs;
        bool agreed;
        std::deque<bool> answers;
        CloseAnswer expected;
        std::size_t questions;
        std::string status;
    } cases[] = {
        {kIdle, false, {}, CloseAnswer::CloseNow, 0, ""},
        {kInstalling, false, {false}, CloseAnswer::KeepOpen, 1, ""},
        {kInstalling, false, {true}, CloseAnswer::CloseWhenJobsEnd, 1, ""},
        {kCopying, false, {true}, CloseAnswer::CloseWhenJobsEnd, 1, ""},
        {kFormatting,
         false,
         {true},
         CloseAnswer::CloseWhenJobsEnd,
         1,
         "The window closes when the format has finished."},
        {kInstalling, true, {true}, CloseAnswer::KeepOpen, 0, ""},  // already waiting
    };
    for (const auto& c : cases) {
        ScriptedBoxes boxes;
        ScriptedStatus status;
        boxes.answers = c.answers;
        EXPECT_EQ(answerClose(c.jobs, c.agreed, boxes, status), c.expected);
        ASSERT_EQ(boxes.questions.size(), c.questions);
        if (c.questions > 0) {
            EXPECT_EQ(boxes.questions[0], "The job is not complete,Exit?");
            EXPECT_TRUE(boxes.defaultNoFlags[0]);
        }
        EXPECT_EQ(status.texts, c.status.empty() ? std::vector<std::string>{}
                                                 : std::vector<std::string>{c.status});
    }
}

TEST(StartChecksTest, InstallAsksFirstThenChecksInOrder) {
    TempDir images;
    const std::string image = images.file("game.iso");
    writeBytes(image, {0});
    const InstallForm ready{image, "/media/usb/", "My Game", "DVD", "/dev/sdb1"};
    InstallForm noDrive = ready;
    noDrive.targetRoot.clear();
    InstallForm noName = ready;
    noName.gameName.clear();
    InstallForm noNameNoDrive = noDrive;
    noNameNoDrive.gameName.clear();
    InstallForm longName = ready;
    longName.gameName = std::string(32, 'n');
    InstallForm noSource = ready;
    noSource.source.clear();
    InstallForm goneImage = ready;
    goneImage.source = images.file("moved.iso");
    InstallForm system = ready;
    system.targetRoot = "/";
    system.targetDevice = kSystem.device;
    const std::string start = "Start Install?";
    const std::string systemQuestion = systemDriveQuestion(kSystem);
    const std::string gone = driveGoneText("/media/usb/");
    const std::string noSourceText =
        "Please choose a CD/DVD drive, or an image file through \"Image file...\".";
    const FixedDrive otherDevice{"/media/usb", "/dev/sdc1", true};
    const FixedDrive readOnly{"/media/usb", "/dev/sdb1", true, false, true};
    const FixedDrive locked{"/media/usb", "/dev/sdb1", true, false, false, false};
    const std::vector<FixedDrive> both{kUsb, kSystem};
    const struct {
        JobState before, after;  // the jobs when first looked at, and after the last box
        InstallForm form;
        std::vector<FixedDrive> listed;  // the drives listed once the form is read
        bool stillMounted;               // the chosen drive after the last box
        std::deque<bool> answers;
        std::vector<std::string> questions;
        std::vector<std::string> shown;
        bool starts;
    } cases[] = {
        {kIdle, kIdle, ready, both, true, {true}, {start}, {}, true},
        // A No reads nothing, whatever the form holds.
        {kIdle, kIdle, ready, both, true, {false}, {start}, {}, false},
        {kIdle, kIdle, noNameNoDrive, both, true, {false}, {start}, {}, false},
        // After the Yes: the empty name first, then what this system adds.
        {kIdle, kIdle, noName, both, true, {true}, {start}, {"Please intput file name."}, false},
        {kIdle,
         kIdle,
         noNameNoDrive,
         both,
         true,
         {true},
         {start},
         {"Please intput file name."},
         false},
        {kIdle, kIdle, noDrive, both, true, {true}, {start}, {kNoHardDrive}, false},
        {kIdle, kIdle, longName, both, true, {true}, {start}, {kNameTooLongText}, false},
        {kIdle, kIdle, noSource, both, true, {true}, {start}, {noSourceText}, false},
        {kIdle,
         kIdle,
         goneImage,
         both,
         true,
         {true},
         {start},
         {sourceMissingText(goneImage.source)},
         false},
        {kCopying, kIdle, ready, both, true, {true}, {start}, {kWaitForCopy}, false},
        {kCopying, kIdle, noName, both, true, {true}, {start}, {"Please intput file name."}, false},
        {kCopying, kIdle, noSource, both, true, {true}, {start}, {kWaitForCopy}, false},
        // The chosen drive was unmounted before "Start", another took its
        // place, or it went while the boxes were open: nothing is written.
        {kIdle, kIdle, ready, {kSystem}, true, {true}, {start}, {gone}, false},
        {kIdle, kIdle, ready, {otherDevice}, true, {true}, {start}, {gone}, false},
        {kIdle, kIdle, ready, both, false, {true}, {start}, {gone}, false},
        // A drive mounted read-only is listed, and refused with the reason.
        {kIdle,
         kIdle,
         ready,
         {readOnly},
         true,
         {true},
         {start},
         {readOnlyDriveText("/media/usb/")},
         false},
        // One this user may not write is listed too, and refused with the reason.
        {kIdle,
         kIdle,
         ready,
         {locked},
         true,
         {true},
         {start},
         {notWritableDriveText("/media/usb/")},
         false},
        // The system's drive is asked about last, No by default.
        {kIdle, kIdle, system, both, true, {true}, {start, systemQuestion}, {}, false},
        {kIdle, kIdle, system, both, true, {true, true}, {start, systemQuestion}, {}, true},
        {kIdle, kCopying, ready, both, true, {true}, {start}, {}, false},
    };
    for (const auto& c : cases) {
        ScriptedBoxes boxes;
        boxes.answers = c.answers;
        FakeDrives drives;
        drives.fixed = c.listed;
        drives.stillMounted = c.stillMounted;
        int looks = 0;
        int reads = 0;
        const auto args = installToStart(
            boxes, [&] { return looks++ == 0 ? c.before : c.after; },
            [&] {
                ++reads;
                return c.form;
            },
            drives);
        EXPECT_EQ(boxes.questions, c.questions) << c.form.targetRoot;
        EXPECT_EQ(boxes.shown, c.shown) << c.form.gameName;
        EXPECT_EQ(reads, c.answers.front() ? 1 : 0);  // only after the Yes, once
        ASSERT_EQ(args.has_value(), c.starts) << c.form.gameName;
        if (c.starts) {
            const std::vector<std::string> given{"", args->source, args->root, args->name,
                                                 args->media == Media::Dvd ? "DVD" : "CD"};
            EXPECT_EQ(given, std::vector<std::string>(
                                 {"", c.form.source, c.form.targetRoot, "My Game", "DVD"}));
        }
        if (c.questions.size() == 2) {
            EXPECT_TRUE(boxes.defaultNoFlags[1]);  // the system's drive: No by default
        }
    }
}

TEST(StartChecksTest, FormatNeedsAMountedDriveThatIsNotTheSystems) {
    EXPECT_EQ(formatBlocker(kIdle, false), kNoHardDrive);
    EXPECT_EQ(formatBlocker(kCopying, false), kNoHardDrive);
    EXPECT_EQ(formatBlocker(kCopying, true), kWaitForCopy);
    EXPECT_EQ(formatBlocker(kIdle, true), "");

    TempDir mounted;
    const FixedDrive usb{mounted.path().string(), "/dev/ztusb1", true};
    const std::vector<FixedDrive> fixed{usb};
    const struct {
        std::string chosen;
        std::vector<std::string> system;
        bool formats;
        std::string says;
    } cases[] = {
        {mounted.root(), {}, true, ""},
        {mounted.root(), {"/dev/ztsda2"}, true, ""},
        {"/media/gone/", {}, false, "The drive /media/gone/ is no longer mounted"},
        {mounted.root(), {"/dev/ztusb1"}, false, "holds the running system"},
    };
    for (const auto& c : cases) {
        ScriptedBoxes boxes;
        const std::optional<FixedDrive> drive = driveToFormat(c.chosen, fixed, c.system, boxes);
        EXPECT_EQ(drive.has_value(), c.formats) << c.chosen;
        if (c.formats) {
            EXPECT_EQ(drive->device, "/dev/ztusb1");
            EXPECT_TRUE(boxes.shown.empty());
        } else {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_NE(boxes.shown[0].find(c.says), std::string::npos) << boxes.shown[0];
        }
    }
}

TEST(StartChecksTest, ListCommandsNeedADriveAndASelectedGame) {
    const struct {
        std::string root;
        std::optional<std::string> selected;
        std::vector<std::string> shown;
    } cases[] = {
        {"/media/usb/", "Alpha", {}},
        {"", "Alpha", {kNoHardDrive}},
        {"/media/usb/", std::nullopt, {"Please select game"}},
    };
    for (const auto& c : cases) {
        ScriptedFrontEnd ui;
        EXPECT_EQ(gameForCommand(c.root, c.selected, ui.frontEnd()),
                  c.shown.empty() ? c.selected : std::nullopt);
        EXPECT_EQ(ui.boxes.shown, c.shown);
    }
    for (RenameStep step : {RenameStep::NameTooLong, RenameStep::NameTaken, RenameStep::FileTaken})
        EXPECT_FALSE(listAfterRename(store::Failure<RenameStep>{step, {}, {}}));
    EXPECT_TRUE(listAfterRename(RenameGameResult{}));
    for (RenameStep step : {RenameStep::NotFound, RenameStep::Failed})
        EXPECT_TRUE(listAfterRename(store::Failure<RenameStep>{step, {}, {}}));
}

// A vanished drive is said in the words of the system: on Windows by its
// letter, to be plugged in again; elsewhere by its folder, to be mounted.
TEST(StartChecksTest, AVanishedDriveIsSaidInTheSystemsWords) {
    const struct {
        std::string text;
        std::string says;
    } cases[] = {
        {driveGoneText("H:\\", true),
         "The drive H: is gone: nothing was written to it.\n"
         "Plug the drive in again and choose it again in \"Hard Drive\"."},
        {driveGoneText("/media/usb/", false),
         "The drive /media/usb/ is no longer mounted there: nothing was written to it.\n"
         "Connect the drive, mount it and choose it again in \"Hard Drive\"."},
        {formatGoneText("H:\\", true),
         "The drive H: is gone; nothing was formatted. Plug the drive in again."},
        {formatGoneText("/media/usb/", false),
         "The drive /media/usb/ is no longer mounted; nothing was formatted."},
        {driveLostText("H:\\", {}, true),
         "The drive H: was removed during the install: the install stopped, and nothing more "
         "was written.\nPlug the drive in again, choose it in \"Hard Drive\" and use \"Check "
         "Drive\" in the list's menu: it removes what an install left."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, c.says);
    for (const std::string& text : {driveGoneText("H:\\", true), formatGoneText("H:\\", true),
                                    driveLostText("H:\\", {}, true)})
        EXPECT_EQ(text.find("mount"), std::string::npos) << text;
}
