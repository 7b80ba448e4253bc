#pragma once
// The format behind "Format...": the drive asked for and checked, then
// formatted on the format's worker thread, the window disabled while it
// runs and the drive box read again when it has ended. No toolkit.

#include <string>

#include "ui/CoreServices.h"
#include "ui/DrivePicker.h"
#include "ui/GameList.h"
#include "ui/JobRunner.h"
#include "ui/WindowLog.h"
#include "ui/WindowReports.h"
#include "ui/WindowView.h"

namespace ui {

class FormatRunner {
  public:
    FormatRunner(WindowView& view, const CoreServices& services, WindowReports& reports,
                 WindowLog& log, JobRunner& jobs, DrivePicker& drives, GameList& games)
        : view_(view),
          services_(services),
          reports_(reports),
          log_(log),
          jobs_(jobs),
          drives_(drives),
          games_(games) {}

    void onFormat();
    // The device of the last drive a format job was started on.
    const std::string& formatDrive() const { return formatDrive_; }

  private:
    class FormatWindow;

    void formatStarted();
    void formatEnded(bool formatted, const std::string& mountPoint);

    WindowView& view_;
    const CoreServices& services_;
    WindowReports& reports_;
    WindowLog& log_;
    JobRunner& jobs_;
    DrivePicker& drives_;
    GameList& games_;
    std::string formatDrive_;
};

}  // namespace ui
