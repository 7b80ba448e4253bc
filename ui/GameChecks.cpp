// The drive check, and the verification and export of the selected game,
// each started on the game jobs' worker.

#include "ui/GameChecks.h"

#include "platform/SystemPlaces.h"
#include "ui/StartChecks.h"

namespace ui {

using namespace platform;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace store;

// The window as a game job sees it; called on the job's thread.
class GameChecks::JobsWindow : public GameJobWindow {
  public:
    explicit JobsWindow(GameChecks& checks) : checks_(checks) {}
    void gameJobStarted(const ProgressJob& job) override {
        checks_.view_.jobProgress().beginJob(job);
    }
    void gameJobEnded(bool, const std::optional<std::string>& outcome) override {
        if (outcome)
            checks_.view_.jobProgress().finishJob(*outcome);
        postToWindow(checks_.view_.thread(), [checks = &checks_, shown = outcome.has_value()] {
            checks->gameJobEnded(shown);
        });
    }

  private:
    GameChecks& checks_;
};

void GameChecks::startGameJob(std::function<void(GameJobWindow&, const FrontEnd&)> job) {
    if (const std::string blocker = jobInTheWay(jobs_.jobs(), false); !blocker.empty()) {
        reports_.boxes().show(blocker);
        return;
    }
    jobs_.setBusy(true);
    jobs_.setInput(false);
    jobs_.gameWorker().start(
        [this, job = std::move(job)] {
            LoggedBoxes boxes(view_.boxes(), log_);
            LogStream out(log_);
            JobsWindow window(*this);
            job(window, FrontEnd{view_.statusLine(), boxes, view_.jobProgress().window(), out});
        },
        [this] { jobs_.closeWhenIdle(); });
}

void GameChecks::gameJobEnded(bool outcomeShown) {
    jobs_.setBusy(false);
    // With an outcome shown the window waits for the progress window's "OK".
    if (!outcomeShown)
        jobs_.giveWindowBack();
    // Listed again, whether the games changed or not: the status line shows
    // the drive's figures again instead of the job's.
    if (!jobs_.closing())
        games_.onDriveChanged();
}

void GameChecks::onVerifyGame() {
    if (const std::optional<std::string> name = games_.gameForCommand()) {
        startGameJob(
            [root = drives_.targetRoot(), name = *name](GameJobWindow& window, const FrontEnd& ui) {
                runVerifyJob(root, name, window, ui);
            });
    }
}

void GameChecks::onExportGame() {
    const std::optional<std::string> name = games_.gameForCommand();
    if (!name)
        return;
    if (const std::string blocker = jobInTheWay(jobs_.jobs(), false); !blocker.empty()) {
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

void GameChecks::onCheckDrive() {
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
