// The main window's jobs: the install behind "Start" and the format behind
// "Format...", each on a worker thread, and the close request. What is
// checked and asked is the window core's (StartChecks, JobGate, FormatSteps).

#include "install/InstallCommand.h"
#include "ui/InstallSteps.h"
#include "platform/Drives.h"
#include "ui/ControlIds.h"
#include "ui/FormatSteps.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/SmallDialogs.h"
#include "ui/win32/WindowThread.h"

using namespace control;

namespace {

// The window as the format job sees it; called on the job's thread.
class FormatWindow : public FormatJobWindow {
  public:
    FormatWindow(HWND window, std::function<void(bool started, bool formatted)> change)
        : window_(window), change_(std::move(change)) {}
    void formatStarted() override {
        runOnWindowThread(window_, [this] { change_(true, false); });
    }
    void formatEnded(bool formatted, const std::string&) override {
        runOnWindowThread(window_, [this, formatted] { change_(false, formatted); });
    }

  private:
    HWND window_;
    std::function<void(bool, bool)> change_;
};

}  // namespace

FrontEnd MainWindow::windowFrontEnd() {
    return FrontEnd{*status_, *loggedBoxes_, *progress_, *windowOut_};
}

// Boxes belong in front of the program's frontmost window: the progress
// window while it shows, else the main window.
HWND MainWindow::frontWindow() const {
    if (copyProgress_ && copyProgress_->visible())
        return copyProgress_->window();
    if (progress_ && progress_->visible())
        return progress_->window();
    return window_;
}

JobState MainWindow::jobState() const {
    return JobState{installJob_.running(), formatJob_.running(), copyJob_.running(),
                    busy_.load() != 0};
}

InstallForm MainWindow::installForm() {
    targetRoot_ = selectedDriveRoot();
    return InstallForm{installSource(), targetRoot_, controlText(kGameNameEdit),
                       comboText(kMediaCombo), selectedDriveDevice()};
}

void MainWindow::onStart() {
    const std::optional<std::vector<std::string>> args =
        installToStart(*loggedBoxes_, [this] { return jobState(); },
                       [this] { return installForm(); }, drives_);
    if (!args) {
        // A drive that went away leaves the box; its games leave the list.
        const std::string chosen = selectedDriveRoot();
        fillDriveCombo();
        if (selectedDriveRoot() != chosen)
            onDriveChanged();
        return;
    }
    busy_.store(1);
    setControlsEnabled(false);
    const FixedDrive target{targetRoot_, selectedDriveDevice()};
    progress_->beginJob({"Installing", "Installed", controlText(kGameNameEdit),
                         std::uint64_t{1} << 20, false});
    installJob_.start(
        window_,
        [this, args = *args, target] {
            LoggedBoxes boxes(*boxes_, log_);
            LogStream out(log_);
            FrontEnd frontEnd{*status_, boxes, *progress_, out};
            // A failed or cancelled install removes the part files it wrote
            // itself, before the window may close.
            installResult_ = runInstallJob(args, target, drives_, frontEnd, openDiscDevice, {});
        },
        [this, root = targetRoot_] { installFinished(installResult_, root); });
}

void MainWindow::installFinished(int result, const std::string& root) {
    // After a success the controls stay disabled until "OK" in the progress window.
    busy_.store(0);
    if (result == 0 || !progress_->visible())
        giveWindowBack();
    if (!closing_)
        refreshGameList(root);
    closeWhenIdle();
}

void MainWindow::giveWindowBack() {
    if (busy_.load() != 0)
        return;  // the job still runs: its end gives the controls back
    setControlsEnabled(true);
    SetForegroundWindow(window_);
}

void MainWindow::onFormat() {
    targetRoot_ = selectedDriveRoot();
    if (const std::string blocker = formatBlocker(jobState(), !drives_.fixedDrives().empty());
        !blocker.empty()) {
        windowFrontEnd().boxes.show(blocker);
        return;
    }
    const std::string chosen = chooseDrive(window_, drives_);
    if (chosen.empty())
        return;
    const std::optional<FixedDrive> drive =
        driveToFormat(chosen, drives_.fixedDrives(), drives_.systemDevices(), *loggedBoxes_);
    if (!drive)
        return;
    progress_->beginJob({"Formatting", "Formatted", drive->device, 0, true});
    formatJob_.start(
        window_,
        [this, target = *drive] {
            LoggedBoxes boxes(*boxes_, log_);
            LogStream out(log_);
            FrontEnd frontEnd{*status_, boxes, *progress_, out};
            FormatWindow window(window_, [this](bool started, bool formatted) {
                if (started) {
                    busy_.store(1);
                    setControlsEnabled(false);
                    return;
                }
                busy_.store(0);
                if (!formatted)
                    giveWindowBack();
                fillDriveCombo();
                onDriveChanged();
            });
            runFormatJob(target, window, volumes_, platform::canOpenForWriting, frontEnd);
        },
        [this] { closeWhenIdle(); });
}

void MainWindow::onClose() {
    switch (answerClose(jobState(), closing_, *loggedBoxes_, *status_)) {
        case CloseAnswer::CloseNow:
            endWindow();
            return;
        case CloseAnswer::KeepOpen:
            return;
        case CloseAnswer::CloseWhenJobsEnd:
            break;
    }
    // The install and the copy stop at their next step and remove what they
    // wrote; a format cannot stop half-way and is waited for.
    closing_ = true;
    progress_->closing.store(true);
    copyProgress_->closing.store(true);
    closeWhenIdle();
}

void MainWindow::closeWhenIdle() {
    if (!closing_ || installJob_.running() || formatJob_.running() || copyJob_.running())
        return;
    endWindow();
}
