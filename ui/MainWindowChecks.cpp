// The main window's core: the drive check, and the verification and export
// of the selected game, each a job with the progress window that runs alone,
// the window disabled behind it, as an install does. The steps are GameJobs'.

#include "platform/SystemPlaces.h"
#include "ui/ControlIds.h"
#include "ui/MainWindowCore.h"

namespace ui {

using namespace platform;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace store;

// The window as a game job sees it; called on the job's thread.
class MainWindowCore::GameJobsWindow : public GameJobWindow {
  public:
    explicit GameJobsWindow(MainWindowCore& core) : core_(core) {}
    void gameJobStarted(const ProgressJob& job) override {
        core_.view_.jobProgress().beginJob(job);
    }
    void gameJobEnded(bool, const std::optional<std::string>& outcome) override {
        if (outcome)
            core_.view_.jobProgress().finishJob(*outcome);
        postToWindow(core_.view_.thread(),
                     [core = &core_, shown = outcome.has_value()] { core->gameJobEnded(shown); });
    }

  private:
    MainWindowCore& core_;
};

void MainWindowCore::startGameJob(std::function<void(GameJobWindow&, const FrontEnd&)> job) {
    if (const std::string blocker = jobInTheWay(jobs(), false); !blocker.empty()) {
        reports_.boxes().show(blocker);
        return;
    }
    jobs_.setBusy(true);
    jobs_.setInput(false);
    jobs_.gameWorker().start(
        [this, job = std::move(job)] {
            LoggedBoxes boxes(view_.boxes(), log_);
            LogStream out(log_);
            GameJobsWindow window(*this);
            job(window, FrontEnd{view_.statusLine(), boxes, view_.jobProgress().window(), out});
        },
        [this] { jobs_.closeWhenIdle(); });
}

void MainWindowCore::gameJobEnded(bool outcomeShown) {
    jobs_.setBusy(false);
    // With an outcome shown the window waits for the progress window's "OK".
    if (!outcomeShown)
        jobs_.giveWindowBack();
    // Listed again, whether the games changed or not: the status line shows
    // the drive's figures again instead of the job's.
    if (!jobs_.closing())
        games_.onDriveChanged();
}

void MainWindowCore::onVerifyGame() {
    if (const std::optional<std::string> name = games_.gameForCommand()) {
        startGameJob(
            [root = drives_.targetRoot(), name = *name](GameJobWindow& window, const FrontEnd& ui) {
                runVerifyJob(root, name, window, ui);
            });
    }
}

void MainWindowCore::onExportGame() {
    const std::optional<std::string> name = games_.gameForCommand();
    if (!name)
        return;
    if (const std::string blocker = jobInTheWay(jobs(), false); !blocker.empty()) {
        reports_.boxes().show(blocker);
        return;
    }
    const std::vector<std::string> chosen =
        view_.chooseFiles(exportDialog(exportFileName(*name), platform::homeFolder()));
    if (chosen.empty() || chosen.front().empty())
        return;
    const std::string file = chosen.front();
    startGameJob([root = drives_.targetRoot(), name = *name, file](GameJobWindow& window,
                                                                   const FrontEnd& ui) {
        runExportJob(root, name, file, window, ui);
    });
}

void MainWindowCore::onCheckDrive() {
    drives_.readTargetRoot();
    if (drives_.targetRoot().empty()) {
        reports_.boxes().show(kNoHardDrive);
        return;
    }
    startGameJob([root = drives_.targetRoot()](GameJobWindow& window, const FrontEnd& ui) {
        runCheckJob(root, window, ui);
    });
}

}  // namespace ui
