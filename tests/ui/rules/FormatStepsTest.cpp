// The window's format job step by step, against a volume service double:
// which steps run for each answer of the system, what the window is told,
// and what a person reads.
#include <gtest/gtest.h>

#include <sstream>

#include "DiskImage.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "disk/FormatCommand.h"
#include "disk/ToolFailure.h"
#include "ui/FormatSteps.h"

using namespace disk;
using namespace ui;
using namespace store;
using namespace report;
using namespace platform;

namespace {

struct StepVolumes : VolumeService {
    store::Outcome<UnmountStep> unmount(const std::string&,
                                        const std::string& mountPoint) override {
        steps.push_back("unmount");
        if (unmountError.empty())
            return {};
        return store::Failure<UnmountStep>{UnmountStep::Unmount, mountPoint, unmountError};
    }
    Remount mountAgain(const std::string&) override {
        steps.push_back("mount");
        return remount;
    }
    Remount mountWhereItWas(const std::string&, const MountedAs& was) override {
        steps.push_back("remount " + was.mountPoint + " " + was.fsType + " " + was.options + " " +
                        was.fsOptions);
        return remount;
    }
    PrivilegedFormatResult runPrivilegedFormat(const std::string& device,
                                               std::ostream& out) override {
        steps.push_back("privileged");
        out << "Cannot lock the device\nDisk format failed\n"
            << markedFailure("Cannot lock the device\n");
        return privilegedFormatResult(privilegedStatus, device, privilegedError);
    }
    std::string privilegedFormatProblem() override { return toolProblem; }
    std::string privilegedError;
    std::string toolProblem;
    std::vector<std::string> steps;
    std::string unmountError;
    int privilegedStatus = 0;
    Remount remount = std::string("/media/zt/NEW");
};

struct StepWindow : FormatJobWindow {
    void formatStarted() override { events.push_back("started"); }
    void formatEnded(bool formatted, const std::string& mountPoint) override {
        events.push_back(formatted ? "formatted " + mountPoint : "failed");
    }
    std::vector<std::string> events;
};

// Mounted as the administrator did, without nosuid or nodev: mounted again so.
const FixedDrive kDrive{
    "/media/usb",  "/dev/ztnone1",        true, false, false, true, "ext4", 0, "",
    "rw,relatime", "rw,errors=remount-ro"};

}  // namespace

TEST(FormatStepsTest, EachStepAndWhatThePersonReads) {
    using Steps = std::vector<std::string>;
    const std::string notMounted =
        "The drive was formatted, but it could not be mounted again:\nno UDisks2\n"
        "Unplug the drive and plug it in again, or mount /dev/ztnone1 yourself.";
    const std::string backAt = "The drive is mounted again at /media/zt/NEW.";
    const std::string noPartition =
        "The drive has no partitions?\nRun INIT first to give the disk one partition.\n";
    const Steps warned{formatWarningText("/dev/ztnone1")};
    const std::string inUse =
        "The drive /dev/ztnone1 is in use; nothing was written:\n"
        "  /dev/ztnone2 is in use as swap: turn it off first (swapoff).\n";
    FixedDrive sized = kDrive;
    sized.bytes = 300 << 20;
    sized.model = "WD Elements";
    const Steps initAsked{initQuestionText(sized, noPartition)};
    const struct {
        bool yes;
        std::string unmountError;
        bool writable, denied;
        std::string toolProblem, refusal;
        int privilegedStatus;
        std::string privilegedError, remountError;
        Steps questions, steps, events, shown;
        std::string progressText;
        std::string initReason{};
    } cases[] = {
        // Declined: nothing happens.
        {false, "", true, false, "", "", 0, "", "", warned, {}, {}, {}, ""},
        // Only the administrator may write: the tool formats, the drive comes back.
        {true,
         "",
         false,
         true,
         "",
         "",
         0,
         "",
         "",
         warned,
         {"unmount", "privileged", "mount"},
         {"started", "formatted /media/zt/NEW"},
         {},
         "Formatted. The drive is mounted at /media/zt/NEW"},
        {true,
         "",
         false,
         true,
         "",
         "",
         0,
         "",
         "no UDisks2",
         warned,
         {"unmount", "privileged", "mount"},
         {"started", "formatted "},
         {notMounted},
         "Formatted. The drive is not mounted."},
        // Refused while the drive is still mounted, before the warning: in use
        // besides its mount, a device nobody may write, no format tool to ask with.
        {true, "", true, false, "", inUse, 0, "", "", {}, {}, {}, {inUse}, ""},
        // A whole disk without a partition: one question, whether to initialise
        // it; No changes nothing. Yes unmounts it, and the failed INIT of a
        // device that is not there mounts it back where it was.
        {false, "", true, false, "", "", 0, "", "", initAsked, {}, {}, {}, "", noPartition},
        {true,
         "",
         true,
         false,
         "",
         "",
         0,
         "",
         "",
         initAsked,
         {"unmount", "remount /media/usb ext4 rw,relatime rw,errors=remount-ro"},
         {"started", "failed"},
         {"There is no disk, partition or disk image file at /dev/ztnone1.\n" + backAt,
          "Format Failed!!"},
         "",
         noPartition},
        // The format tool run as administrator formats and does nothing else.
        {true,
         "",
         false,
         true,
         "",
         "",
         0,
         "",
         "",
         {},
         {},
         {},
         {noPartition +
          "Initialising /dev/ztnone1 needs administrator rights, which the window "
          "asks for only to format: run \"zt_format /dev/ztnone1 INIT\" as root first."},
         "",
         noPartition},
        {true,
         "",
         false,
         false,
         "",
         "",
         0,
         "",
         "",
         {},
         {},
         {},
         {"The device /dev/ztnone1 cannot be opened for writing: No such device"},
         ""},
        {true,
         "",
         false,
         true,
         "The format tool /usr/bin/zt_format is not an installed program.",
         "",
         0,
         "",
         "",
         {},
         {},
         {},
         {"Writing to /dev/ztnone1 needs administrator rights (No such device), and they cannot "
          "be asked for: The format tool /usr/bin/zt_format is not an installed program."},
         ""},
        // Failures after the unmount: the drive is mounted again, and the box
        // says why and where before "Format Failed!!".
        {true,
         "target is busy",
         true,
         false,
         "",
         "",
         0,
         "",
         "",
         warned,
         {"unmount"},
         {"started", "failed"},
         {"The drive /media/usb could not be unmounted: target is busy", "Format Failed!!"},
         ""},
        {true,
         "",
         false,
         true,
         "",
         "",
         126,
         "Administrator rights were not granted.",
         "",
         warned,
         {"unmount", "privileged", "remount /media/usb ext4 rw,relatime rw,errors=remount-ro"},
         {"started", "failed"},
         {"Administrator rights were not granted.\n" + backAt, "Format Failed!!"},
         ""},
        {true,
         "",
         false,
         true,
         "",
         "",
         1,
         "",
         "",
         warned,
         {"unmount", "privileged", "remount /media/usb ext4 rw,relatime rw,errors=remount-ro"},
         {"started", "failed"},
         {"Cannot lock the device\n" + backAt, "Format Failed!!"},
         ""},
        // Writable, but the format itself fails (no such device).
        {true,
         "",
         true,
         false,
         "",
         "",
         0,
         "",
         "",
         warned,
         {"unmount", "remount /media/usb ext4 rw,relatime rw,errors=remount-ro"},
         {"started", "failed"},
         {"There is no disk, partition or disk image file at /dev/ztnone1.\n" + backAt,
          "Format Failed!!"},
         ""},
    };
    for (const auto& c : cases) {
        StepVolumes volumes;
        volumes.unmountError = c.unmountError;
        volumes.privilegedStatus = c.privilegedStatus;
        volumes.privilegedError = c.privilegedError;
        volumes.toolProblem = c.toolProblem;
        if (!c.remountError.empty())
            volumes.remount = Failure<MountStep>{MountStep::Mount, "", c.remountError};
        StepWindow window;
        ScriptedFrontEnd ui;
        ui.boxes.answers = {c.yes};
        const CanWriteDevice canWrite = [&](const std::string& device) -> DeviceWriteResult {
            if (c.writable)
                return {};
            return Failure<DeviceWriteStep>{
                c.denied ? DeviceWriteStep::Denied : DeviceWriteStep::Open, device,
                "No such device"};
        };
        FrontEnd frontEnd = ui.frontEnd();
        const bool formatted =
            runFormatJob(sized, window, volumes, canWrite, frontEnd, [&](const FixedDrive&) {
                return DriveFindings{c.refusal, c.initReason};
            });
        EXPECT_EQ(ui.boxes.questions, c.questions);
        EXPECT_EQ(ui.boxes.defaultNoFlags,
                  std::vector<bool>(c.questions.size(), !c.initReason.empty()));
        EXPECT_EQ(volumes.steps, c.steps);
        EXPECT_EQ(window.events, c.events);
        EXPECT_EQ(ui.boxes.shown, c.shown);
        EXPECT_EQ(formatted, c.events.size() == 2 && c.events[1] != "failed");
        if (!c.steps.empty()) {
            EXPECT_EQ(ui.progress.range, 100);
            const Steps shown = formatted ? Steps{"show", "front"} : Steps{"show", "front", "hide"};
            EXPECT_EQ(ui.progress.events, shown);
        }
        if (formatted) {
            EXPECT_EQ(ui.progress.texts, Steps{c.progressText});
            EXPECT_EQ(ui.progress.position, 100);
            EXPECT_EQ(ui.progress.buttonCaption, "OK");
        }
    }
}

// A blank disk image, not mounted: the check finds no partition, the one
// question is asked, and Yes gives it a partition table and FAT32 on its
// partition; a disk so prepared is then formatted without the question.
TEST(FormatStepsTest, ABlankDiskIsInitialisedThenFormatted) {
    TempDir dir;
    const std::string image = dir.file("blank.img");
    makeImage(image, 300ULL << 20);
    const FixedDrive blank{"", image, true, false, false, true, "", 300ULL << 20, "Disk image"};
    const DriveFindings found = checkDriveForFormat(blank);
    EXPECT_EQ(found.refusal, "");
    ASSERT_NE(found.initReason, "");
    const CanWriteDevice writable = [](const std::string&) { return DeviceWriteResult(); };
    for (const bool yes : {false, true}) {
        StepVolumes volumes;
        StepWindow window;
        ScriptedFrontEnd ui;
        ui.boxes.answers = {yes};
        FrontEnd frontEnd = ui.frontEnd();
        EXPECT_EQ(runFormatJob(blank, window, volumes, writable, frontEnd, checkDriveForFormat),
                  yes);
        EXPECT_EQ(ui.boxes.questions,
                  std::vector<std::string>{initQuestionText(blank, found.initReason)});
        EXPECT_EQ(volumes.steps,
                  yes ? std::vector<std::string>{"mount"} : std::vector<std::string>{});
        const std::vector<std::uint8_t> type = readAt(image, 8192 + 82, 8);
        EXPECT_EQ(std::string(type.begin(), type.end()) == "FAT32   ", yes);
    }
    EXPECT_EQ(checkDriveForFormat(blank).initReason, "");
    EXPECT_NE(initQuestionText(blank, found.initReason)
                  .find("Initialise the disk " + image +
                        " (300 MB, Disk image) with a new "
                        "partition table and format it as FAT32?\nThis erases ALL data on the "
                        "disk"),
              std::string::npos);
}

// A disk too small for FAT32 is refused before any question, whether it
// would need INIT first or has its partition already: nothing is erased.
TEST(FormatStepsTest, ADiskTooSmallForFat32IsRefusedBeforeTheQuestion) {
    TempDir dir;
    const CanWriteDevice writable = [](const std::string&) { return DeviceWriteResult(); };
    for (const bool partitioned : {false, true}) {
        const std::string image = dir.file(partitioned ? "table.img" : "blank.img");
        makeImage(image, 16ULL << 20);
        std::ostringstream printed;
        if (partitioned) {
            ASSERT_TRUE(RunDiskCommand({image, kDiskCommandInit}, printed));
        }
        const std::vector<std::uint8_t> before = readAt(image, 0, 1 << 20);
        const FixedDrive small{"", image, true, false, false, true, "", 16ULL << 20, "Disk image"};
        const DriveFindings found = checkDriveForFormat(small);
        EXPECT_EQ(found.refusal,
                  "FormatFAT32 -> Disk is too small for Fat32 - Fat 12/16 format is needed!\n");
        EXPECT_EQ(found.initReason, "");
        StepVolumes volumes;
        StepWindow window;
        ScriptedFrontEnd ui;
        FrontEnd frontEnd = ui.frontEnd();
        EXPECT_FALSE(runFormatJob(small, window, volumes, writable, frontEnd, checkDriveForFormat));
        EXPECT_TRUE(ui.boxes.questions.empty());
        EXPECT_EQ(ui.boxes.shown, std::vector<std::string>{found.refusal});
        EXPECT_TRUE(volumes.steps.empty());
        EXPECT_EQ(readAt(image, 0, 1 << 20), before) << image;
    }
}

// The warning names a drive letter as the person knows it (E), a device by its path.
TEST(FormatStepsTest, TheWarningNamesTheDriveLetterWhereDrivesHaveLetters) {
    FixedDrive lettered = kDrive;
    lettered.mountPoint = "E:\\";
    lettered.device = "\\\\.\\E:";
    EXPECT_EQ(formatDriveName(lettered, true), "E");
    EXPECT_EQ(formatDriveName(kDrive, false), "/dev/ztnone1");
    lettered.device = "\\\\.\\PhysicalDrive1";  // a whole disk without a letter
    EXPECT_EQ(formatDriveName(lettered, true), "\\\\.\\PhysicalDrive1");
}
