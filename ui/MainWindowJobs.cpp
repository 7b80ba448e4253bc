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
    const InRoutine routine(routines_);
    switch (id) {
        case control::kStartButton:
            onStart();
            break;
        case control::kFormatButton:
            onFormat();
            break;
        case control::kDeleteCommand:
            onDeleteGame();
            break;
        case control::kRenameCommand:
            onRenameGame();
            break;
        case control::kCopyCommand:
            onCopyGame();
            break;
        case control::kVerifyCommand:
            onVerifyGame();
            break;
        case control::kExportCommand:
            onExportGame();
            break;
        case control::kCheckDriveCommand:
            onCheckDrive();
            break;
        default:
            break;
    }
}

bool MainWindowCore::jobRunning() const {
    return installWorker_.running() || formatWorker_.running() || copyWorker_.running() ||
           gameWorker_.running();
}

JobState MainWindowCore::jobs() const {
    return JobState{installWorker_.running(), formatWorker_.running(), copyWorker_.running(),
                    busy_.load()};
}

InstallForm MainWindowCore::installForm() {
    const WindowInput input = view_.input();
    targetRoot_ = selectedDriveRoot();
    const std::size_t source = static_cast<std::size_t>(input.source);
    // "Image file..." is no source; neither is an empty box.
    const std::string chosen =
        input.source >= 0 && source + 1 < sourceItems_.size() ? sourceItems_[source] : "";
    const std::vector<std::string>& media = mediaTypes();
    const std::string type = input.media >= 0 && input.media < static_cast<int>(media.size())
                                 ? media[static_cast<std::size_t>(input.media)]
                                 : media.front();
    return InstallForm{chosen, targetRoot_, input.gameName, type, selectedDrive().device};
}

void MainWindowCore::onStart() {
    if (queueSelected()) {
        onStartQueue();
        return;
    }
    const std::optional<InstallRequest> request = installToStart(
        boxes_, [this] { return jobs(); }, [this] { return installForm(); }, *services_.drives);
    if (!request) {
        startRefused();
        return;
    }
    installStarting();
    const FixedDrive target{targetRoot_, selectedDrive().device};
    view_.jobProgress().beginJob(
        {"Installing", "Installed", request->name, std::uint64_t{1} << 20, false});
    installWorker_.start([this, request = *request, target] { installJob(request, target); },
                         [this] { installFinished(installResult_); });
}

void MainWindowCore::startRefused() {
    // A drive that went away leaves the box; its games leave the list.
    const std::string chosen = selectedDriveRoot();
    fillDrives();
    if (selectedDriveRoot() != chosen)
        onDriveChanged();
}

void MainWindowCore::installStarting() {
    view_.enableControl(control::kStartButton, false);
    view_.enableControl(control::kGameList, false);
    busy_.store(true);
    setInput(false);
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
    busy_.store(false);
    if (cancelling_)
        out_ << "The cancelled install has ended." << std::endl;
    cancelling_ = false;
    if (result == 0 || !view_.jobProgress().shown())
        giveWindowBack();
    view_.enableControl(control::kGameList, true);
    view_.enableControl(control::kStartButton, true);
    // A drive unmounted meanwhile leaves the box; the list shows the drive now selected.
    if (!closing_) {
        fillDrives();
        onDriveChanged();
    }
    closeWhenIdle();
}

void MainWindowCore::onFormat() {
    targetRoot_ = selectedDriveRoot();
    if (const std::string blocker =
            formatBlocker(jobs(), !formatCandidates(*services_.drives).empty());
        !blocker.empty()) {
        boxes_.show(blocker);
        return;
    }
    const std::string chosen =
        view_.chooseDrive(driveDialogRows(formatCandidates(*services_.drives)));
    if (chosen.empty())
        return;
    const std::optional<FixedDrive> drive = driveToFormat(
        chosen, formatCandidates(*services_.drives), services_.drives->systemDevices(), boxes_);
    if (!drive)
        return;
    formatDrive_ = drive->device;
    view_.jobProgress().beginJob({"Formatting", "Formatted", drive->device, 0, true});
    formatWorker_.start(
        [this, target = *drive] {
            JobReports reports(view_, view_.jobProgress(), log_);
            FrontEnd frontEnd = reports.frontEnd();
            FormatWindow window(*this);
            runFormatJob(target, window, *services_.volumes, services_.canWriteDevice, frontEnd,
                         services_.driveCheck);
        },
        [this] { closeWhenIdle(); });
}

void MainWindowCore::formatStarted() {
    view_.enableControl(control::kFormatButton, false);
    busy_.store(true);
    setInput(false);
}

void MainWindowCore::formatEnded(bool formatted, const std::string& mountPoint) {
    view_.enableControl(control::kFormatButton, true);
    busy_.store(false);
    if (!formatted) {
        giveWindowBack();
        return;
    }
    // A formatted drive may come back at another mount point: selected there.
    const int index = view_.input().drive;
    const std::string before = index >= 0 && index < static_cast<int>(offered_.size())
                                   ? offered_[static_cast<std::size_t>(index)].mountPoint
                                   : "";
    offered_ = drivesInOfferOrder(services_.drives->fixedDrives());
    selectDriveAt(mountPoint.empty() ? before : mountPoint);
    onDriveChanged();
}

void MainWindowCore::onCopyGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    if (const std::string blocker = jobInTheWay(jobs(), true); !blocker.empty()) {
        boxes_.show(blocker);
        return;
    }
    // The copy counts as running from here: the drive dialog is its first
    // step, asked of the window thread while the worker waits.
    copyGameName_ = *name;
    copyWorker_.start([this, source = targetRoot_] { copyGameJob(source); },
                      [this] {
                          view_.enableControl(control::kGameList, true);
                          view_.enableControl(control::kDriveCombo, true);
                          closeWhenIdle();
                      });
}

void MainWindowCore::copyGameJob(const std::string& source) {
    const std::string game = copyGameName_;
    const std::string target = callOnWindow(view_.thread(), [this] {
        return normalizeRoot(view_.chooseDrive(
            driveDialogRows(drivesInOfferOrder(services_.drives->fixedDrives()))));
    });
    if (target.empty())
        return;
    // The copy leaves the rest of the window alone: it writes to a drive the
    // window does not show.
    callOnWindow(view_.thread(), [this] {
        view_.enableControl(control::kGameList, false);
        view_.enableControl(control::kDriveCombo, false);
    });
    view_.copyProgress().beginJob({"Copying", "Copied", game + " to " + target, 1024, false});
    JobReports reports(view_, view_.copyProgress(), log_);
    if (copyGame(source, game, target, reports.frontEnd(), services_.copyServices) ==
        CopyGameResult::Copied)
        view_.statusLine().setText(copiedText(game, target));
}

void MainWindowCore::onStatusLineClicked() {
    if (busy_.load())
        view_.jobProgress().restore();
}

void MainWindowCore::onProgressDismissed() {
    giveWindowBack();
    // Cancel during the install: it removes what it wrote before it ends,
    // which may take a while; the window says so until then.
    if (installWorker_.running() && !installSucceeded_.load() && !closing_ && !cancelling_) {
        cancelling_ = true;
        view_.statusLine().setText(kCancellingText);
        out_ << kCancellingText << std::endl;
    }
}

void MainWindowCore::setInput(bool enable) {
    inputEnabled_ = enable;
    view_.enableInput(enable);
}

void MainWindowCore::giveWindowBack() {
    setInput(true);
    view_.bringToFront();
}

void MainWindowCore::OnClose() {
    switch (answerClose(jobs(), closing_, boxes_, view_.statusLine())) {
        case CloseAnswer::CloseNow:
            view_.closeWindow();
            return;
        case CloseAnswer::KeepOpen:
            return;
        case CloseAnswer::CloseWhenJobsEnd:
            break;
    }
    // The install and the copy stop at their next step and remove what they
    // wrote; a format cannot stop half-way and is waited for. A job that
    // ended while the question was open stays as it ended: a finished game
    // is whole and recorded, and nothing of it is removed.
    closing_ = true;
    view_.jobProgress().stopForClose();
    view_.copyProgress().stopForClose();
    closeWhenIdle();
}

void MainWindowCore::closeWhenIdle() {
    if (!closing_ || jobRunning())
        return;
    view_.jobProgress().hideWindow();
    view_.copyProgress().hideWindow();
    view_.closeWindow();
}

}  // namespace ui
