// The window's format job step by step, against a volume service double:
// which steps run for each answer of the system, what the window is told,
// and what a person reads.
#include <gtest/gtest.h>

#include "ScriptedFrontEnd.h"
#include "disk/FormatCommand.h"
#include "ui/FormatSteps.h"

namespace {

struct StepVolumes : VolumeService {
    bool unmount(const std::string&, const std::string&, std::string& error) override {
        steps.push_back("unmount");
        error = unmountError;
        return unmountError.empty();
    }
    Remount mountAgain(const std::string&) override {
        steps.push_back("mount");
        return remount;
    }
    int runPrivilegedFormat(const std::string&, std::ostream& out, std::string& error) override {
        steps.push_back("privileged");
        out << "Cannot lock the device\nDisk format failed\n";
        error = privilegedError;
        return privilegedStatus;
    }
    std::string privilegedFormatProblem() override { return toolProblem; }
    std::string privilegedError;
    std::string toolProblem;
    std::vector<std::string> steps;
    std::string unmountError;
    int privilegedStatus = 0;
    Remount remount{true, "/media/zt/NEW", ""};
};

struct StepWindow : FormatJobWindow {
    void formatStarted() override { events.push_back("started"); }
    void formatEnded(bool formatted, const std::string& mountPoint) override {
        events.push_back(formatted ? "formatted " + mountPoint : "failed");
    }
    std::vector<std::string> events;
};

const FixedDrive kDrive{"/media/usb", "/dev/ztnone1", true};

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
    const struct {
        bool yes;
        std::string unmountError;
        bool writable, denied;
        std::string toolProblem, layoutProblem;
        int privilegedStatus;
        std::string privilegedError, remountError;
        Steps questions, steps, events, shown;
        std::string progressText;
    } cases[] = {
        // Declined: nothing happens.
        {false, "", true, false, "", "", 0, "", "", warned, {}, {}, {}, ""},
        // Only the administrator may write: the tool formats, the drive comes back.
        {true, "", false, true, "", "", 0, "", "", warned, {"unmount", "privileged", "mount"},
         {"started", "formatted /media/zt/NEW"}, {}, "Formatted. The drive is mounted at /media/zt/NEW"},
        {true, "", false, true, "", "", 0, "", "no UDisks2", warned,
         {"unmount", "privileged", "mount"}, {"started", "formatted "}, {notMounted},
         "Formatted. The drive is not mounted."},
        // Refused while the drive is still mounted, before the warning: no
        // partition, a device nobody may write, no format tool to ask with.
        {true, "", true, false, "", noPartition, 0, "", "", {}, {}, {}, {noPartition}, ""},
        {true, "", false, false, "", "", 0, "", "", {}, {}, {},
         {"The device /dev/ztnone1 cannot be opened for writing: No such device"}, ""},
        {true, "", false, true, "The format tool /usr/bin/zt_format is not an installed program.",
         "", 0, "", "", {}, {}, {},
         {"Writing to /dev/ztnone1 needs administrator rights (No such device), and they cannot "
          "be asked for: The format tool /usr/bin/zt_format is not an installed program."},
         ""},
        // Failures after the unmount: the drive is mounted again, and the box
        // says why and where before "Format Failed!!".
        {true, "target is busy", true, false, "", "", 0, "", "", warned, {"unmount"},
         {"started", "failed"},
         {"The drive /media/usb could not be unmounted: target is busy", "Format Failed!!"}, ""},
        {true, "", false, true, "", "", 126, "Administrator rights were not granted.", "", warned,
         {"unmount", "privileged", "mount"}, {"started", "failed"},
         {"Administrator rights were not granted.\n" + backAt, "Format Failed!!"}, ""},
        {true, "", false, true, "", "", 1, "", "", warned, {"unmount", "privileged", "mount"},
         {"started", "failed"}, {"Cannot lock the device\n" + backAt, "Format Failed!!"}, ""},
        // Writable, but the format itself fails (no such device).
        {true, "", true, false, "", "", 0, "", "", warned, {"unmount", "mount"},
         {"started", "failed"}, {"There is no disk, partition or disk image file at /dev/ztnone1.\n" + backAt,
          "Format Failed!!"}, ""},
    };
    for (const auto& c : cases) {
        StepVolumes volumes;
        volumes.unmountError = c.unmountError;
        volumes.privilegedStatus = c.privilegedStatus;
        volumes.privilegedError = c.privilegedError;
        volumes.toolProblem = c.toolProblem;
        if (!c.remountError.empty())
            volumes.remount = {false, "", c.remountError};
        StepWindow window;
        ScriptedFrontEnd ui;
        ui.boxes.answers = {c.yes};
        const CanWriteDevice canWrite = [&](const std::string&, bool& denied, std::string& error) {
            denied = c.denied;
            error = "No such device";
            return c.writable;
        };
        FrontEnd frontEnd = ui.frontEnd();
        const bool formatted = runFormatJob(kDrive, window, volumes, canWrite, frontEnd,
                                            [&](const std::string&) { return c.layoutProblem; });
        EXPECT_EQ(ui.boxes.questions, c.questions);
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
