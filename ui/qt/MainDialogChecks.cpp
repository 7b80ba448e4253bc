// The main window's jobs on the drive shown and its games: the drive check,
// and the verification and export of the selected game. Their steps are the
// toolkit-free routines of GameJobs; these handlers read the controls and show.

#include <QDir>
#include <QPushButton>
#include <QTreeWidget>

#include "ui/qt/DropDownList.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/MainDialog.h"
#include "ui/qt/MainDialogFrontage.h"
#include "ui/StartChecks.h"

// The window as the game jobs see it; called on the job's thread. Such a
// job runs alone, the window disabled behind the progress window, as an install.
class MainDialog::GameJobsWindow : public GameJobWindow {
  public:
    GameJobsWindow(MainDialog& window, ProgressDialog& progress)
        : window_(window), progress_(progress) {}
    void gameJobStarted(const ProgressJob& job) override {
        progress_.beginJob(job);
        postToGuiThread(&window_, [w = &window_] {
            w->busy.store(1);
            w->enableWindow(false);
        });
    }
    void gameJobEnded(bool, const std::optional<std::string>& outcome) override {
        if (outcome)
            progress_.finishJob(*outcome);
        postToGuiThread(&window_, [w = &window_, shown = outcome.has_value()] {
            // With an outcome shown the window waits for the progress window's "OK".
            if (!shown)
                w->giveWindowBack();
            w->busy.store(0);
            // Listed again whether the games changed or not: the status line
            // shows the drive's figures again instead of the job's.
            w->onDriveChanged();
        });
    }

  private:
    MainDialog& window_;
    ProgressDialog& progress_;
};

void MainDialog::startGameJob(std::function<void(GameJobWindow&, const FrontEnd&)> job) {
    if (const std::string blocker = jobInTheWay(jobState(), false); !blocker.empty()) {
        windowFrontEnd().boxes.show(blocker);
        return;
    }
    // Set now, so that nothing else starts before the job says it began.
    busy.store(1);
    const bool started = gameJob_.start(
        [this, job = std::move(job)] {
            JobFrontEnd frontEnd(frontage_->status, frontage_->boxes, progressDialog_, log_);
            GameJobsWindow window(*this, progressDialog_);
            job(window, frontEnd.frontEnd());
        },
        [this] { closeWhenIdle(); });
    if (!started)
        busy.store(0);
}

void MainDialog::onVerifyGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    startGameJob([root = targetRoot, name = *name](GameJobWindow& window, const FrontEnd& ui) {
        runVerifyJob(root, name, window, ui);
    });
}

void MainDialog::onExportGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    if (const std::string blocker = jobInTheWay(jobState(), false); !blocker.empty()) {
        windowFrontEnd().boxes.show(blocker);
        return;
    }
    const QString suggested =
        QDir::home().filePath(QString::fromStdString(exportFileName(*name)));
    const QString file =
        services_.chooseExportFile ? services_.chooseExportFile(this, suggested) : QString();
    if (file.isEmpty())
        return;
    startGameJob([root = targetRoot, name = *name, file = file.toStdString()](
                     GameJobWindow& window, const FrontEnd& ui) {
        runExportJob(root, name, file, window, ui);
    });
}

void MainDialog::onCheckDrive() {
    takeControlValues();
    targetRoot = selectedDriveRoot();
    if (targetRoot.empty()) {
        windowFrontEnd().boxes.show(kNoHardDrive);
        return;
    }
    startGameJob([root = targetRoot](GameJobWindow& window, const FrontEnd& ui) {
        runCheckJob(root, window, ui);
    });
}
