// The format behind "Format...": the drive chosen and checked, the job on
// its worker thread, and the window given back when it has ended.

#include "ui/FormatRunner.h"

#include "ui/ControlIds.h"
#include "ui/DriveOrder.h"
#include "ui/FormatSteps.h"
#include "ui/JobReports.h"
#include "ui/StartChecks.h"

namespace ui {

using namespace platform;
using namespace report;
using namespace disk;

// The window as the format job sees it; called on the job's thread.
class FormatRunner::FormatWindow : public FormatJobWindow {
  public:
    explicit FormatWindow(FormatRunner& runner) : runner_(runner) {}
    void formatStarted() override {
        postToWindow(runner_.view_.thread(), [runner = &runner_] { runner->formatStarted(); });
    }
    void formatEnded(bool formatted, const std::string& mountPoint) override {
        postToWindow(runner_.view_.thread(), [runner = &runner_, formatted, mountPoint] {
            runner->formatEnded(formatted, mountPoint);
        });
    }

  private:
    FormatRunner& runner_;
};

void FormatRunner::onFormat() {
    drives_.readTargetRoot();
    if (const std::string blocker =
            formatBlocker(jobs_.jobs(), !formatCandidates(*services_.drives).empty());
        !blocker.empty()) {
        reports_.boxes().show(blocker);
        return;
    }
    const std::string chosen =
        view_.chooseDrive(driveDialogRows(formatCandidates(*services_.drives)));
    if (chosen.empty())
        return;
    const std::optional<FixedDrive> drive =
        driveToFormat(chosen, formatCandidates(*services_.drives),
                      services_.drives->systemDevices(), reports_.boxes());
    if (!drive)
        return;
    formatDrive_ = drive->device;
    view_.jobProgress().beginJob({"Formatting", "Formatted", drive->device, 0, true});
    jobs_.formatWorker().start(
        [this, target = *drive] {
            JobReports reports(view_, view_.jobProgress(), log_);
            FrontEnd frontEnd = reports.frontEnd();
            FormatWindow window(*this);
            runFormatJob(target, window, *services_.volumes, services_.canWriteDevice, frontEnd,
                         services_.driveCheck);
        },
        [this] { jobs_.closeWhenIdle(); });
}

void FormatRunner::formatStarted() {
    view_.enableControl(control::kFormatButton, false);
    jobs_.setBusy(true);
    jobs_.setInput(false);
}

void FormatRunner::formatEnded(bool formatted, const std::string& mountPoint) {
    view_.enableControl(control::kFormatButton, true);
    jobs_.setBusy(false);
    if (!formatted) {
        jobs_.giveWindowBack();
        return;
    }
    // A formatted drive may come back at another mount point: selected there.
    drives_.fillDrivesAt(mountPoint);
    games_.onDriveChanged();
}

}  // namespace ui
