// The install behind "Start": a single game or the queue, its end, and a
// Cancel in its progress window.

#include "ui/InstallRunner.h"

#include "platform/Volume.h"
#include "ui/ControlIds.h"
#include "ui/InstallSteps.h"
#include "ui/JobReports.h"

namespace ui {

using namespace platform;
using namespace install;
using namespace report;
using namespace disk;
using namespace library;
using namespace store;

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

void InstallRunner::onStart() {
    if (sources_.queueSelected()) {
        onStartQueue();
        return;
    }
    const std::optional<InstallRequest> request = installToStart(
        reports_.boxes(), [this] { return jobs_.jobs(); }, [this] { return installForm(); },
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

InstallForm InstallRunner::installForm() {
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

void InstallRunner::startRefused() {
    // A drive that went away leaves the box; its games leave the list.
    const std::string chosen = drives_.selectedDriveRoot();
    drives_.fillDrives();
    if (drives_.selectedDriveRoot() != chosen)
        games_.onDriveChanged();
}

void InstallRunner::installStarting() {
    view_.enableControl(control::kStartButton, false);
    view_.enableControl(control::kGameList, false);
    jobs_.setBusy(true);
    jobs_.setInput(false);
    installSucceeded_.store(false);
    cancelling_ = false;
}

void InstallRunner::installJob(const InstallRequest& request, const FixedDrive& target) {
    OutcomeWatch watch(view_.jobProgress().window(), installSucceeded_);
    JobReports reports(view_, watch, log_);
    FrontEnd frontEnd = reports.frontEnd();
    const InstallResult result = services_.install
                                     ? services_.install(request, target, frontEnd)
                                     : runInstallJob(request, target, *services_.drives, frontEnd,
                                                     services_.discOpener, services_.freeSpace);
    installResult_ = result ? 1 : 0;
}

void InstallRunner::installFinished(int result) {
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

void InstallRunner::onStartQueue() {
    const std::optional<QueueToStart> start = queueToStart(
        reports_.boxes(), [this] { return jobs_.jobs(); }, [this] { return installForm(); },
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

void InstallRunner::queueJob(const QueueToStart& start) {
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

void InstallRunner::queueFinished() {
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

void InstallRunner::onProgressDismissed() {
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
