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
    int runPrivilegedFormat(const std::string&, std::ostream&, std::string& error) override {
        steps.push_back("privileged");
        error = "pkexec is not installed";
        return privilegedStatus;
    }
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
    const struct {
        bool yes;
        std::string unmountError;
        bool writable, denied;
        int privilegedStatus;
        std::string remountError;
        Steps steps, events, shown;
        std::string progressText;
    } cases[] = {
        // Declined: nothing happens.
        {false, "", true, false, 0, "", {}, {}, {}, ""},
        // Only the administrator may write: the tool formats, the drive comes back.
        {true, "", false, true, 0, "", {"unmount", "privileged", "mount"},
         {"started", "formatted /media/zt/NEW"}, {}, "Formatted. The drive is mounted at /media/zt/NEW"},
        {true, "", false, true, 0, "no UDisks2", {"unmount", "privileged", "mount"},
         {"started", "formatted "}, {notMounted}, "Formatted. The drive is not mounted."},
        {true, "target is busy", true, false, 0, "", {"unmount"}, {"started", "failed"},
         {"The drive /media/usb could not be unmounted: target is busy", "Format Failed!!"}, ""},
        {true, "", false, false, 0, "", {"unmount"}, {"started", "failed"},
         {"The device /dev/ztnone1 cannot be opened for writing: No such device",
          "Format Failed!!"}, ""},
        {true, "", false, true, -1, "", {"unmount", "privileged"}, {"started", "failed"},
         {"Writing to /dev/ztnone1 needs administrator rights (No such device), and they could "
          "not be asked for: pkexec is not installed",
          "Format Failed!!"}, ""},
        {true, "", false, true, 1, "", {"unmount", "privileged"}, {"started", "failed"},
         {"Format Failed!!"}, ""},  // the tool said why in the log
        // Writable, but the format itself fails (no such device): its lines went to the log.
        {true, "", true, false, 0, "", {"unmount"}, {"started", "failed"}, {"Format Failed!!"}, ""},
    };
    for (const auto& c : cases) {
        StepVolumes volumes;
        volumes.unmountError = c.unmountError;
        volumes.privilegedStatus = c.privilegedStatus;
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
        const bool formatted = runFormatJob(kDrive, window, volumes, canWrite, frontEnd);
        EXPECT_EQ(ui.boxes.questions, Steps{formatWarningText("/dev/ztnone1")});
        EXPECT_EQ(volumes.steps, c.steps);
        EXPECT_EQ(window.events, c.events);
        EXPECT_EQ(ui.boxes.shown, c.shown);
        EXPECT_EQ(formatted, c.events.size() == 2 && c.events[1] != "failed");
        if (c.yes) {
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
