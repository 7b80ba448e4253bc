#pragma once
// The main window's state and every decision it makes, free of any toolkit.
// A front end builds the window from the templates, implements WindowView,
// and forwards the person's input here; the core fills and enables the
// controls through the view. Every call comes on the window thread.
//
// The core holds the window's parts and hands each input to the one it
// concerns: the source box (SourcePicker), the hard-drive box
// (DrivePicker), the pages (WindowPages), the list of games and its
// commands (GameList), the drive check, verify and export (GameChecks), the
// install and the queue (InstallRunner), the format (FormatRunner), and the
// workers with the close sequence (JobRunner). Each part gets, when built,
// references to the parts it uses; none uses the core.

#include <optional>
#include <string>
#include <vector>

#include "report/FrontEnd.h"
#include "ui/CoreServices.h"
#include "ui/DriveList.h"
#include "ui/DrivePicker.h"
#include "ui/FormatRunner.h"
#include "ui/GameChecks.h"
#include "ui/GameList.h"
#include "ui/InstallRunner.h"
#include "ui/JobGate.h"
#include "ui/JobRunner.h"
#include "ui/RoutineDepth.h"
#include "ui/SourcePicker.h"
#include "ui/WindowLog.h"
#include "ui/WindowPages.h"
#include "ui/WindowReports.h"
#include "ui/WindowView.h"

namespace ui {

// The keys the window acts on; the front end maps its toolkit's keys to these.
enum class WindowKey { Enter, Escape, Delete, F2, Menu };

class MainWindowCore {
  public:
    MainWindowCore(WindowView& view, CoreServices services, WindowLog& log);
    // Waits for the jobs that still run.
    ~MainWindowCore();
    MainWindowCore(const MainWindowCore&) = delete;
    MainWindowCore& operator=(const MainWindowCore&) = delete;

    // The window opens: tabs, columns, media types, the link, the format
    // page's text, the source and drive boxes (on a drive this user may
    // use), and the games of that drive.
    void init();

    // Sources and drives.
    // The source box is about to open: the optical drives are read again.
    void onSourcePopup();
    // An item of the source box was chosen; "Image file..." runs the file dialog.
    void onSourceChosen(int index);
    // Image files were dropped onto the window (ui/ImageChoice.h's
    // droppedImages): one becomes the source and names the game; several
    // become a queue.
    void onImagesDropped(const std::vector<std::string>& files);
    void onImageDropped(const std::string& image) { onImagesDropped({image}); }
    void onDrivePopup();
    // A drive was chosen, even the one already selected: its games are listed anew.
    void onDriveChosen(int index);
    void onTabChanged(int index);
    // The window became the active one: the list is read again when another
    // program changed the drive's table since it was listed.
    void onActivated();

    // The list of games.
    void onGameClicked(int row);
    // The list's context menu, by the mouse or by the keyboard.
    void onContextMenu(bool fromKeyboard);
    // A key pressed while the control `focused` has the focus; true when the
    // window took it (the toolkit must then not act on it too).
    bool onKey(WindowKey key, int focused);
    // The link on the About page, or its placeholder, was clicked: the
    // maker's web site opens in the person's browser.
    void openWebSite();

    // Commands and jobs.
    // A button (control::kStartButton, kFormatButton) or a command of menu
    // 134 (control::kDeleteCommand, kRenameCommand, kCopyCommand, and after
    // a separator kVerifyCommand, kExportCommand, kCheckDriveCommand).
    void onCommand(int id);
    // The status line brings back the progress window of a job that goes on.
    void onStatusLineClicked();
    // The job's progress window was dismissed by its button (Cancel, or OK
    // after a success): the window is given back.
    void onProgressDismissed();
    // The close box, alt+F4 and the like: closes at once without a job;
    // with one, asks, then stops the jobs and closes when they have ended.
    void OnClose();

    // What the window shows and runs now.
    bool jobRunning() const { return jobs_.jobRunning(); }
    JobState jobs() const { return jobs_.jobs(); }
    bool busy() const { return jobs_.busy(); }
    bool closing() const { return jobs_.closing(); }
    Page page() const { return pages_.page(); }
    bool inputEnabled() const { return jobs_.inputEnabled(); }
    // The root of the drive selected in the hard-drive box when last read.
    const std::string& targetRoot() const { return drives_.targetRoot(); }
    // The device of the last drive a format job was started on.
    const std::string& formatDrive() const { return formats_.formatDrive(); }
    // The game last chosen for "Copy...".
    const std::string& copyGameName() const { return games_.copyGameName(); }
    // The source box's items, "Image file..." last.
    const std::vector<std::string>& sources() const { return sources_.items(); }
    // The hard-drive box's drives, in their order.
    const std::vector<FixedDrive>& drives() const { return drives_.offered(); }
    // The name of the selected game as the table holds it.
    std::optional<std::string> selectedGameName() const { return games_.selectedGameName(); }
    // The window's own front end, for routines run on the window thread.
    report::FrontEnd frontEnd() { return reports_.frontEnd(); }
    // Lists the games of the drive at `root` now (empty: none); false when
    // no list could be read.
    bool refreshGameList(const std::string& root) { return games_.refreshGameList(root); }

  private:
    // Built in this order: each part after the parts it is given.
    WindowView& view_;
    CoreServices services_;
    WindowReports reports_;
    WindowPages pages_;
    SourcePicker sources_;
    DrivePicker drives_;
    JobRunner jobs_;
    RoutineDepth routines_;
    GameList games_;
    GameChecks checks_;
    InstallRunner installs_;
    FormatRunner formats_;
};

}  // namespace ui
