#pragma once
// The drive check, and the verification and export of the selected game:
// each a job with the progress window that runs alone, the window disabled
// behind it, as an install does. The steps are ui/GameJobs.h's. No toolkit.

#include <functional>

#include "report/FrontEnd.h"
#include "ui/DrivePicker.h"
#include "ui/GameJobs.h"
#include "ui/GameList.h"
#include "ui/JobRunner.h"
#include "ui/WindowLog.h"
#include "ui/WindowReports.h"
#include "ui/WindowView.h"

namespace ui {

class GameChecks {
  public:
    GameChecks(WindowView& view, WindowReports& reports, WindowLog& log, JobRunner& jobs,
               DrivePicker& drives, GameList& games)
        : view_(view), reports_(reports), log_(log), jobs_(jobs), drives_(drives), games_(games) {}

    void onVerifyGame();
    void onExportGame();
    void onCheckDrive();

  private:
    class JobsWindow;

    // Runs a check, verify or export alone, as an install runs.
    void startGameJob(std::function<void(GameJobWindow&, const report::FrontEnd&)> job);
    void gameJobEnded(bool outcomeShown);

    WindowView& view_;
    WindowReports& reports_;
    WindowLog& log_;
    JobRunner& jobs_;
    DrivePicker& drives_;
    GameList& games_;
};

}  // namespace ui
