// The main window's core: a queue of images installed one after another,
// every question asked before the first game, one progress window for the
// whole queue and one box with each image's outcome at its end.

#include "platform/Volume.h"
#include "ui/ControlIds.h"
#include "ui/InstallSteps.h"
#include "ui/JobReports.h"
#include "ui/MainWindowCore.h"

namespace ui {

using namespace platform;
using namespace install;
using namespace report;
using namespace disk;
using namespace library;
using namespace store;

namespace {

// The progress window as the queue's installs drive it: one window for the
// whole queue, so a game's end neither hides it nor offers "OK", and a
// Cancel, once given, holds for the rest of the queue.
class QueueProgress : public ProgressRelay {
  public:
    using ProgressRelay::ProgressRelay;
    void hide() override {}
    void setButtonCaption(const std::string& caption) override {
        if (caption != "OK")
            window_.setButtonCaption(caption);
    }
    void clearCancel() override {}
};

}  // namespace

void MainWindowCore::onStartQueue() {
    const std::optional<QueueToStart> start = queueToStart(
        reports_.boxes(), [this] { return jobs(); }, [this] { return installForm(); },
        sources_.queuedImages(), sources_.imageSizeOf(), *services_.drives);
    if (!start) {
        startRefused();
        return;
    }
    installStarting();
    queueResults_.clear();
    view_.jobProgress().beginJob({"Installing", "Installed", "", std::uint64_t{1} << 20, false});
    jobs_.installWorker().start([this, start = *start] { queueJob(start); },
                                [this] { queueFinished(); });
}

void MainWindowCore::queueJob(const QueueToStart& start) {
    ProgressWindow& window = view_.jobProgress().window();
    window.clearCancel();
    QueueProgress progress(window);
    JobReports reports(view_, progress, log_);
    FrontEnd frontEnd = reports.frontEnd();
    const FixedDrive target = start.target;
    QueueSteps steps;
    steps.starting = [this](std::size_t number, std::size_t count, const QueuedImage& image,
                            std::uint64_t bytesAfter) {
        ProgressJob job{"Installing", "Installed", image.name, std::uint64_t{1} << 20, false};
        job.prefix = "Game " + std::to_string(number) + " of " + std::to_string(count) + ": ";
        job.bytesAfter = bytesAfter;
        view_.jobProgress().beginJob(job);
    };
    steps.install = [this, &start](const QueuedImage& image, FrontEnd& each) {
        const InstallRequest request{image.path, start.root, image.name,
                                     image.dvd ? Media::Dvd : Media::Cd};
        return services_.install ? services_.install(request, start.target, each)
                                 : runInstallJob(request, start.target, *services_.drives, each,
                                                 services_.discOpener, services_.freeSpace);
    };
    steps.stopped = [this, &window, target] {
        return window.cancelRequested() || !services_.drives->mountedAt(target);
    };
    steps.freeSpace = services_.freeSpace;
    queueResults_ = runQueue(start.root, start.images, frontEnd, steps);
}

void MainWindowCore::queueFinished() {
    jobs_.setBusy(false);
    if (cancelling_)
        reports_.out() << "The cancelled install has ended." << std::endl;
    cancelling_ = false;
    view_.jobProgress().hideWindow();
    view_.enableControl(control::kGameList, true);
    view_.enableControl(control::kStartButton, true);
    // The queue has run: the source box offers the drives and single images again.
    sources_.clearQueue();
    jobs_.giveWindowBack();
    if (!jobs_.closing()) {
        sources_.fillSources();
        drives_.fillDrives();
        games_.onDriveChanged();
        reports_.boxes().show(queueEndText(queueResults_));
    }
    jobs_.closeWhenIdle();
}

}  // namespace ui
