// The main window's jobs: the install behind "Start" and the format behind
// "Format...", each on its own worker thread.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

#include "disk/DriveRefusal.h"
#include "disk/FormatCommand.h"
#include "install/InstallCommand.h"
#include "ui/DriveList.h"
#include "ui/DriveOrder.h"
#include "ui/DriveSelectDialog.h"
#include "ui/GuiThread.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogFrontage.h"
#include "ui/VolumeService.h"

namespace {

// What the progress window says where the formatted drive is now.
std::string remountText(const VolumeService::Remount& remount) {
    if (!remount.mounted)
        return "Formatted. The drive is not mounted.";
    if (remount.mountPoint.empty())
        return "Formatted. The drive is mounted again.";
    return "Formatted. The drive is mounted at " + remount.mountPoint;
}

}  // namespace

std::string MainDialog::jobInTheWay(bool forCopy) const {
    // A copy writes to a second drive that the window does not show: an
    // install or a format beside it could write to that drive too.
    if (copyJob_.running())
        return forCopy ? "A copy is still running; start the next one when it has finished."
                       : "A game is being copied; wait until the copy has finished.";
    if (installJob_.running() || formatJob_.running() || busy.load() != 0)
        return "The job is not complete; wait until it has finished.";
    return {};
}

void MainDialog::onStart() {
    FrontEnd frontEnd = windowFrontEnd();
    if (const std::string blocker = jobInTheWay(false); !blocker.empty()) {
        frontEnd.boxes.show(blocker);
        return;
    }
    if (!frontEnd.boxes.ask("Start Install?", false))
        return;
    takeControlValues();
    targetRoot = selectedDriveRoot();
    if (!requireHardDrive())
        return;
    if (gameName.empty()) {
        frontEnd.boxes.show("Please intput file name.");
        return;
    }
    if (installSource().empty()) {
        frontEnd.boxes.show(
            "Please choose a CD/DVD drive, or an image file through \"Image file...\".");
        return;
    }
    if (std::optional<FixedDrive> drive = fixedDriveAt(targetRoot); drive) {
        const std::string question = systemDriveQuestion(*drive);
        if (!question.empty() && !frontEnd.boxes.ask(question, true))
            return;
    }
    if (!jobInTheWay(false).empty())
        return;  // started while a question was open
    startButton->setEnabled(false);
    // The job reads the boxes here: no widget is touched from its thread.
    std::vector<std::string> args{"", installSource(), targetRoot, gameName,
                                  mediaCombo->currentText().toStdString()};
    gameList->setEnabled(false);
    busy.store(1);
    enableWindow(false);
    installJob_.start([this, args] { installResult_ = installJob(args); },
                      [this, root = targetRoot] { installFinished(installResult_, root); });
}

int MainDialog::installJob(std::vector<std::string> args) {
    JobFrontEnd frontEnd(frontage_->status, frontage_->boxes, progressDialog_, log_);
    FrontEnd ui = frontEnd.frontEnd();
    InstallCommand command(ui, services_.discOpener, services_.freeSpace);
    // A failed or cancelled install removes the part files it wrote itself,
    // before the window may close.
    return command.run(args);
}

void MainDialog::installFinished(int result, std::string root) {
    // After a success the window stays disabled until "OK" in the progress window.
    if (result == 0)
        giveWindowBack();
    busy.store(0);
    gameList->setEnabled(true);
    startButton->setEnabled(true);
    if (!closing_)
        refreshGameList(root);
    closeWhenIdle();
}

void MainDialog::onStatusLineClicked() {
    if (busy.load() == 1)
        progressDialog_.showNormal();
}

void MainDialog::onFormat() {
    takeControlValues();
    targetRoot = selectedDriveRoot();
    if (services_.drives->fixedDrives().empty()) {
        windowFrontEnd().boxes.show(kNoHardDrive);
        return;
    }
    if (const std::string blocker = jobInTheWay(false); !blocker.empty()) {
        windowFrontEnd().boxes.show(blocker);
        return;
    }
    DriveSelectDialog dialog(*services_.drives, this);
    if (runDialog(dialog) != QDialog::Accepted)
        return;
    std::optional<FixedDrive> drive = fixedDriveAt(dialog.selectedDrive);
    if (!drive) {
        windowFrontEnd().boxes.show("The drive " + dialog.selectedDrive +
                                    " is no longer mounted; nothing was formatted.");
        return;
    }
    if (std::string refusal =
            systemDriveRefusal(drive->device, drive->mountPoint, services_.drives->systemDevices());
        !refusal.empty()) {
        windowFrontEnd().boxes.show(refusal);
        return;
    }
    formatDrive = drive->device;
    formatJob_.start([this, target = *drive] { formatJob(target); }, [this] { closeWhenIdle(); });
}

void MainDialog::formatJob(FixedDrive drive) {
    JobFrontEnd job(frontage_->status, frontage_->boxes, progressDialog_, log_);
    FrontEnd frontEnd = job.frontEnd();
    if (!frontEnd.boxes.ask(formatWarningText(drive.device), false))
        return;
    postToGuiThread(this, [this] {
        formatButton->setEnabled(false);
        busy.store(1);
    });
    frontEnd.progress.show();
    frontEnd.progress.setRange(100);
    postToGuiThread(this, [this] { enableWindow(false); });
    frontEnd.progress.bringToFront();

    std::string problem;
    bool formatted = false;
    if (!services_.volumes->unmount(drive.device, drive.mountPoint, problem)) {
        problem = "The drive " + drive.mountPoint + " could not be unmounted: " + problem;
    } else {
        bool denied = false;
        std::string reason;
        if (services_.canWriteDevice(drive.device, denied, reason)) {
            const char* argv[3] = {"", drive.device.c_str(), "FORMAT"};
            formatted = FormatCommand(3, argv, frontEnd.out) == 1;
        } else if (denied) {
            // Only the administrator may write the device: the installed
            // format tool runs with the rights that polkit grants.
            std::string startError;
            const int status =
                services_.volumes->runPrivilegedFormat(drive.device, frontEnd.out, startError);
            formatted = status == 0;
            if (status < 0)
                problem = "Writing to " + drive.device + " needs administrator rights (" + reason +
                          "), and they could not be asked for: " + startError;
        } else {
            problem = "The device " + drive.device + " cannot be opened for writing: " + reason;
        }
    }

    if (formatted) {
        const VolumeService::Remount remount = services_.volumes->mountAgain(drive.device);
        postToGuiThread(this, [this, remount] {
            formatButton->setEnabled(true);
            busy.store(0);
            showDrivesAfterFormat(remount.mountPoint);
        });
        frontEnd.progress.setText(remountText(remount));
        frontEnd.progress.setPosition(100);
        frontEnd.progress.setButtonCaption("OK");
        if (!remount.mounted)
            frontEnd.boxes.show(
                "The drive was formatted, but it could not be mounted again:\n" + remount.error +
                "\nUnplug the drive and plug it in again, or mount " + drive.device + " yourself.");
        return;
    }
    postToGuiThread(this, [this] {
        formatButton->setEnabled(true);
        giveWindowBack();
        busy.store(0);
    });
    frontEnd.progress.hide();
    if (!problem.empty())
        frontEnd.boxes.show(problem);
    frontEnd.boxes.show("Format Failed!!");
}
