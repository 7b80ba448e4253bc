#pragma once
// The install behind "Start": one game from the source box's choice, or the
// queue of images one after another, on the install's worker thread; and a
// Cancel in its progress window, which removes what was written. No toolkit.

#include <atomic>
#include <string>
#include <vector>

#include "install/InstallQueue.h"
#include "install/InstallRequest.h"
#include "ui/CoreServices.h"
#include "ui/DrivePicker.h"
#include "ui/GameList.h"
#include "ui/JobRunner.h"
#include "ui/QueueStart.h"
#include "ui/SourcePicker.h"
#include "ui/StartChecks.h"
#include "ui/WindowLog.h"
#include "ui/WindowReports.h"
#include "ui/WindowView.h"

namespace ui {

// What the status line says from a Cancel of the install until it has ended.
inline constexpr const char* kCancellingText = "Cancelling: removing what was written\u2026";

class InstallRunner {
  public:
    InstallRunner(WindowView& view, const CoreServices& services, WindowReports& reports,
                  WindowLog& log, JobRunner& jobs, SourcePicker& sources, DrivePicker& drives,
                  GameList& games)
        : view_(view),
          services_(services),
          reports_(reports),
          log_(log),
          jobs_(jobs),
          sources_(sources),
          drives_(drives),
          games_(games) {}

    // "Start": the game the window describes, or the queue when the source
    // box shows it, after the checks and questions before an install.
    void onStart();
    // The job's progress window was dismissed by its button (Cancel, or OK
    // after a success): the window is given back.
    void onProgressDismissed();

  private:
    InstallForm installForm();
    // The install's body, on its worker thread: the install routine over
    // the request "Start" built, onto `target`.
    void installJob(const install::InstallRequest& request, const FixedDrive& target);
    void installFinished(int result);
    // After Start was refused or answered No: the drive box as it is now.
    void startRefused();
    // An install or a queue starts: Start and the list off, the window
    // behind the progress window.
    void installStarting();
    // The queue of images: one game after another on the install's thread.
    void onStartQueue();
    void queueJob(const QueueToStart& start);
    void queueFinished();

    WindowView& view_;
    const CoreServices& services_;
    WindowReports& reports_;
    WindowLog& log_;
    JobRunner& jobs_;
    SourcePicker& sources_;
    DrivePicker& drives_;
    GameList& games_;
    std::atomic<bool> installSucceeded_{false};  // the install's window offers "OK"
    bool cancelling_ = false;  // the install was cancelled and removes what it wrote
    int installResult_ = 0;    // written by the install's thread, read after it ended
    std::vector<install::ImageResult>
        queueResults_;  // written by the queue's thread, read after it ended
};

}  // namespace ui
