// The main window's core: the install behind "Start", the format behind
// "Format...", the copy of the list's menu, each on its own worker thread,
// and the close sequence.

#include "library/GameCopy.h"
#include "store/DriveRoot.h"
#include "ui/ControlIds.h"
#include "ui/DriveOrder.h"
#include "ui/FormatSteps.h"
#include "ui/InstallSteps.h"
#include "ui/JobReports.h"
#include "ui/MainWindowCore.h"

namespace ui {

using namespace library;
using namespace store;
using namespace platform;
using namespace report;
using namespace install;
using namespace disk;

namespace {

// The install's progress window as its routine drives it, noting when it
// offers "OK": the install succeeded, and a dismissal then is no Cancel.
class OutcomeWatch : public ProgressRelay {
  public:
    OutcomeWatch(ProgressWindow& window, std::atomic<bool>& succeeded)
        : ProgressRelay(window), succeeded_(succeeded) {}
    void setButtonCaption(const std::string& caption) override {
        if (caption == "OK")
            succeeded_.store(true);
        window_.setButtonCaption(caption);
    }

  private:
    std::atomic<bool>& succeeded_;
};

}  // namespace

// The window as the format job sees it; called on the job's thread.
class MainWindowCore::FormatWindow : public FormatJobWindow {
  public:
    explicit FormatWindow(MainWindowCore& core) : core_(core) {}
    void formatStarted() override {
        postToWindow(core_.view_.thread(), [core = &core_] { core->formatStarted(); });
    }
    void formatEnded(bool formatted, const std::string& mountPoint) override {
        postToWindow(core_.view_.thread(), [core = &core_, formatted, mountPoint] {
            core->formatEnded(formatted, mountPoint);
        });
    }

  private:
    MainWindowCore& core_;
};

void MainWindowCore::onCommand(int id) {
    const RoutineDepth::Scope routine(routines_);
    switch (id) {
        case control::kStartButton:
            onStart();
            break;
        case control::kFormatButton:
            onFormat();
            break;
        case control::kDeleteCommand:
            games_.onDeleteGame();
            break;
        case control::kRenameCommand:
            games_.onRenameGame();
            break;
        case control::kCopyCommand:
            games_.onCopyGame();
            break;
        case control::kVerifyCommand:
            checks_.onVerifyGame();
            break;
        case control::kExportCommand:
            checks_.onExportGame();
            break;
        case control::kCheckDriveCommand:
            checks_.onCheckDrive();
            break;
        default:
            break;
    }
}

InstallForm MainWindowCore::installForm() {
    const WindowInput input = view_.input();
    drives_.readTargetRoot();
    // "Image file..." is no source; neither is an empty box.
    const std::string chosen = sources_.sourceAt(input.source);
    const std::vector<std::string>& media = mediaTypes();
    const std::string type = input.media >= 0 && input.media < static_cast<int>(media.size())
                                 ? media[static_cast<std::size_t>(input.media)]
                                 : media.front();
    return InstallForm{chosen, drives_.targetRoot(), input.gameName, type,
                       drives_.selectedDrive().device};
}

void MainWindowCore::onStart() {
    if (sources_.queueSelected()) {
        onStartQueue();
        return;
    }
    const std::optional<InstallRequest> request = installToStart(
        reports_.boxes(), [this] { return jobs(); }, [this] { return installForm(); },
        *services_.drives);
    if (!request) {
        startRefused();
        return;
    }
    installStarting();
    const FixedDrive target{drives_.targetRoot(), drives_.selectedDrive().device};
    view_.jobProgress().beginJob(
        {"Installing", "Installed", request->name, std::uint64_t{1} << 20, false});
    jobs_.installWorker().start([this, request = *request, target] { installJob(request, target); },
                                [this] { installFinished(installResult_); });
}

void MainWindowCore::startRefused() {
    // A drive that went away leaves the box; its games leave the list.
    const std::string chosen = drives_.selectedDriveRoot();
    drives_.fillDrives();
    if (drives_.selectedDriveRoot() != chosen)
        games_.onDriveChanged();
}

void MainWindowCore::installStarting() {
    view_.enableControl(control::kStartButton, false);
    view_.enableControl(control::kGameList, false);
    jobs_.setBusy(true);
    jobs_.setInput(false);
    installSucceeded_.store(false);
    cancelling_ = false;
}

void MainWindowCore::installJob(const InstallRequest& request, const FixedDrive& target) {
    OutcomeWatch watch(view_.jobProgress().window(), installSucceeded_);
    JobReports reports(view_, watch, log_);
    FrontEnd frontEnd = reports.frontEnd();
    const InstallResult result = services_.install
                                     ? services_.install(request, target, frontEnd)
                                     : runInstallJob(request, target, *services_.drives, frontEnd,
                                                     services_.discOpener, services_.freeSpace);
    installResult_ = result ? 1 : 0;
}

void MainWindowCore::installFinished(int result) {
    // After a success the window stays disabled until "OK" in the progress
    // window; when that window is not shown, it is given back at once.
    jobs_.setBusy(false);
    if (cancelling_)
        reports_.out() << "The cancelled install has ended." << std::endl;
    cancelling_ = false;
    if (result == 0 || !view_.jobProgress().shown())
        jobs_.giveWindowBack();
    view_.enableControl(control::kGameList, true);
    view_.enableControl(control::kStartButton, true);
    // A drive unmounted meanwhile leaves the box; the list shows the drive now selected.
    if (!jobs_.closing()) {
        drives_.fillDrives();
        games_.onDriveChanged();
    }
    jobs_.closeWhenIdle();
}

void MainWindowCore::onFormat() {
    drives_.readTargetRoot();
    if (const std::string blocker =
            formatBlocker(jobs(), !formatCandidates(*services_.drives).empty());
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

void MainWindowCore::formatStarted() {
    view_.enableControl(control::kFormatButton, false);
    jobs_.setBusy(true);
    jobs_.setInput(false);
}

void MainWindowCore::formatEnded(bool formatted, const std::string& mountPoint) {
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

void MainWindowCore::onStatusLineClicked() {
    jobs_.onStatusLineClicked();
}

void MainWindowCore::OnClose() {
    jobs_.OnClose();
}

void MainWindowCore::onProgressDismissed() {
    jobs_.giveWindowBack();
    // Cancel during the install: it removes what it wrote before it ends,
    // which may take a while; the window says so until then.
    if (jobs_.installWorker().running() && !installSucceeded_.load() && !jobs_.closing() &&
        !cancelling_) {
        cancelling_ = true;
        view_.statusLine().setText(kCancellingText);
        reports_.out() << kCancellingText << std::endl;
    }
}

}  // namespace ui
