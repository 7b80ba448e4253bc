// The main window's jobs: the install behind "Start" and the format behind
// "Format...", each on its own worker thread. What is checked and asked
// before a job, and the format's steps, are the toolkit-free routines of
// StartChecks and FormatSteps; these handlers read the controls and show.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "disk/FormatCommand.h"
#include "ui/DriveList.h"
#include "ui/qt/DriveSelectDialog.h"
#include "ui/FormatSteps.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/MainDialog.h"
#include "ui/qt/MainDialogFrontage.h"
#include "ui/InstallSteps.h"
#include "ui/StartChecks.h"

// The window as the format job sees it; called on the job's thread.
class MainDialog::FormatWindow : public FormatJobWindow {
  public:
    explicit FormatWindow(MainDialog& window) : window_(window) {}
    void formatStarted() override {
        postToGuiThread(&window_, [w = &window_] {
            w->formatButton->setEnabled(false);
            w->busy.store(1);
            w->enableWindow(false);
        });
    }
    void formatEnded(bool formatted, const std::string& mountPoint) override {
        postToGuiThread(&window_, [w = &window_, formatted, mountPoint] {
            w->formatButton->setEnabled(true);
            if (!formatted)
                w->giveWindowBack();
            w->busy.store(0);
            if (formatted)
                w->showDrivesAfterFormat(mountPoint);
        });
    }

  private:
    MainDialog& window_;
};

JobState MainDialog::jobState() const {
    return JobState{installJob_.running(), formatJob_.running(), copyJob_.running(),
                    busy.load() != 0};
}

InstallForm MainDialog::installForm() {
    takeControlValues();
    targetRoot = selectedDriveRoot();
    return InstallForm{installSource(), targetRoot, gameName,
                       mediaCombo->currentText().toStdString(),
                       driveCombo->currentData().toString().toStdString()};
}

void MainDialog::onStart() {
    const std::optional<std::vector<std::string>> args =
        installToStart(windowFrontEnd().boxes, [this] { return jobState(); },
                       [this] { return installForm(); }, *services_.drives);
    if (!args) {
        // A drive that went away leaves the box; its games leave the list.
        const std::string chosen = selectedDriveRoot();
        fillDriveCombo();
        if (selectedDriveRoot() != chosen)
            onDriveChanged();
        return;
    }
    // The job gets the boxes' values here: no widget is touched from its thread.
    startButton->setEnabled(false);
    gameList->setEnabled(false);
    busy.store(1);
    enableWindow(false);
    const FixedDrive target{targetRoot, driveCombo->currentData().toString().toStdString()};
    progressDialog_.beginJob({"Installing", "Installed", gameName, std::uint64_t{1} << 20, false});
    installJob_.start([this, args = *args, target] { installResult_ = installJob(args, target); },
                      [this] { installFinished(installResult_); });
}

int MainDialog::installJob(std::vector<std::string> args, FixedDrive target) {
    JobFrontEnd frontEnd(frontage_->status, frontage_->boxes, progressDialog_, log_);
    FrontEnd ui = frontEnd.frontEnd();
    return runInstallJob(args, target, *services_.drives, ui, services_.discOpener,
                         services_.freeSpace);
}

void MainDialog::installFinished(int result) {
    // After a success the window stays disabled until "OK" in the progress window.
    if (result == 0)
        giveWindowBack();
    busy.store(0);
    gameList->setEnabled(true);
    startButton->setEnabled(true);
    // A drive unmounted meanwhile leaves the box; the list shows the drive now selected.
    if (!closing_) {
        fillDriveCombo();
        onDriveChanged();
    }
    closeWhenIdle();
}

void MainDialog::onStatusLineClicked() {
    if (busy.load() == 1)
        progressDialog_.showNormal();
}

void MainDialog::onFormat() {
    takeControlValues();
    targetRoot = selectedDriveRoot();
    if (const std::string blocker =
            formatBlocker(jobState(), !services_.drives->fixedDrives().empty());
        !blocker.empty()) {
        windowFrontEnd().boxes.show(blocker);
        return;
    }
    DriveSelectDialog dialog(*services_.drives, this);
    if (runDialog(dialog) != QDialog::Accepted)
        return;
    const std::optional<FixedDrive> drive =
        driveToFormat(dialog.selectedDrive, services_.drives->fixedDrives(),
                      services_.drives->systemDevices(), windowFrontEnd().boxes);
    if (!drive)
        return;
    formatDrive = drive->device;
    progressDialog_.beginJob({"Formatting", "Formatted", drive->device, 0, true});
    formatJob_.start([this, target = *drive] { formatJob(target); }, [this] { closeWhenIdle(); });
}

void MainDialog::formatJob(FixedDrive drive) {
    JobFrontEnd job(frontage_->status, frontage_->boxes, progressDialog_, log_);
    FrontEnd frontEnd = job.frontEnd();
    FormatWindow window(*this);
    runFormatJob(drive, window, *services_.volumes, services_.canWriteDevice, frontEnd,
                 formatLayoutProblem);
}
