#pragma once
// The list of games on the selected drive: its rows as the drive's table
// holds them, the table's stamp when they were read, the details of a row,
// and the list's commands (delete, rename, and the copy to another drive on
// its own worker thread). No toolkit.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/CoreServices.h"
#include "ui/DrivePicker.h"
#include "ui/JobRunner.h"
#include "ui/RoutineDepth.h"
#include "ui/WindowLog.h"
#include "ui/WindowPages.h"
#include "ui/WindowReports.h"
#include "ui/WindowView.h"

namespace ui {

// When a drive's table was last written, and its size: a change by another
// program shows as another stamp.
struct TableStamp {
    long long written = 0;
    std::uint64_t bytes = 0;
    bool operator==(const TableStamp&) const = default;
};

class GameList {
  public:
    GameList(WindowView& view, const CoreServices& services, WindowReports& reports, WindowLog& log,
             DrivePicker& drives, const WindowPages& pages, JobRunner& jobs, RoutineDepth& routines)
        : view_(view),
          services_(services),
          reports_(reports),
          log_(log),
          drives_(drives),
          pages_(pages),
          jobs_(jobs),
          routines_(routines) {}

    // Lists the games of the drive at `root` now (empty: none); false when
    // no list could be read.
    bool refreshGameList(const std::string& root);
    // A drive was chosen: the selected drive becomes the target, and its
    // games are listed anew.
    void onDriveChanged();
    // The window became the active one: the list is read again when another
    // program changed the drive's table since it was listed.
    void onActivated();
    // The name of the selected game as the table holds it.
    std::optional<std::string> selectedGameName() const;
    // The details of the clicked row become its tooltip.
    void onGameClicked(int row);
    // The selected game a command acts on, its drive read now as the
    // target; nothing when there is none (the person is told).
    std::optional<std::string> gameForCommand();
    void onDeleteGame();
    void onRenameGame();
    void onCopyGame();
    // The game last chosen for "Copy...".
    const std::string& copyGameName() const { return copyGameName_; }

  private:
    // Reads the busy drive `root` again a little later.
    void retryBusyDrive(const std::string& root);
    // The copy's body, on its worker thread: asks the window for the drive
    // to copy `copyGameName` from `source` to, then copies it there.
    void copyGameJob(const std::string& source);

    WindowView& view_;
    const CoreServices& services_;
    WindowReports& reports_;
    WindowLog& log_;
    DrivePicker& drives_;
    const WindowPages& pages_;
    JobRunner& jobs_;
    RoutineDepth& routines_;
    std::vector<std::string> listedNames_;   // the list's rows as the table holds them
    std::string listedRoot_;                 // the drive whose games the list shows
    std::optional<TableStamp> listedStamp_;  // its table when the list was read
    bool busyRetryPending_ = false;          // a busy drive is read again soon
    std::string copyGameName_;
};

}  // namespace ui
