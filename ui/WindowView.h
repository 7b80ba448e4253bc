#pragma once
// What the window core asks of a toolkit: the main window's controls to fill
// and to read, the dialogs it runs, and the window's own parts (status line,
// boxes, progress windows, window thread). Every call comes on the window
// thread unless it says otherwise. Each toolkit's front end implements it
// (its controls built from ui/WindowTemplates.h, found by ui/ControlIds.h);
// the tests put a fake in its place.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "report/FrontEnd.h"
#include "ui/DriveList.h"
#include "ui/FileDialogs.h"
#include "ui/ImageChoice.h"
#include "ui/ProgressState.h"
#include "ui/WindowTemplates.h"
#include "ui/WindowTexts.h"
#include "ui/WindowThread.h"

namespace ui {

// One row of the list of installed games.
struct ListedGame {
    std::string text;     // column 0: the name, and the game's state after it
    std::string size;     // column 1
    std::string tooltip;  // empty: none
    bool flawed = false;  // damaged or incomplete: drawn so that it stands out
};

// What the main window's controls hold now.
struct WindowInput {
    int source = -1;        // index in the source box; -1: none
    int drive = -1;         // index in the hard-drive box; -1: none
    int media = 0;          // index in the media box: 0 "CD", 1 "DVD"
    std::string gameName;   // the game name box, UTF-8
    int selectedGame = -1;  // row of the game list; -1: none
};

// A job's progress window as the core handles it. The window itself (its
// button, its "OK" after a success) is the toolkit's; its button reports to
// MainWindowCore::onProgressDismissed.
class ProgressView {
  public:
    virtual ~ProgressView() = default;
    // What the job's routine drives; called from the job's thread.
    virtual report::ProgressWindow& window() = 0;
    // The program closes: the job is asked to stop at its next step, however
    // early it cleared its cancel request.
    virtual void stopForClose() = 0;
    virtual void hideWindow() = 0;
    // Shown again at its normal size, in front.
    virtual void restore() = 0;
    virtual bool shown() const = 0;
    // A job begins: the window names it and counts afresh (ui/ProgressState.h).
    virtual void beginJob(const ProgressJob&) {}
    // The job ended well: the window shows `outcome` (empty: its own account
    // of the job) with "OK". Both from any thread.
    virtual void finishJob(const std::string& /*outcome*/) {}
};

class WindowView {
  public:
    virtual ~WindowView() = default;

    // The window's own parts, which live as long as the view.
    // The status line (control 1036) and message boxes: callable from any
    // thread; a box blocks its caller until it is answered.
    virtual report::StatusLine& statusLine() = 0;
    virtual report::MessageBoxes& boxes() = 0;
    // The install's and the format's progress window ("Install"), and the
    // copy's own ("copy").
    virtual ProgressView& jobProgress() = 0;
    virtual ProgressView& copyProgress() = 0;
    virtual WindowThread& thread() = 0;

    // The main window's controls, filled once when it opens.
    virtual void setTabs(const std::vector<std::string>& captions) = 0;
    virtual void setColumns(std::span<const ListColumn> columns) = 0;
    virtual void setMediaTypes(const std::vector<std::string>& items) = 0;
    virtual void setLink(const LinkLook& look, const std::string& url) = 0;

    // The main window's controls as they change.
    virtual void setSources(const std::vector<SourceRow>& rows, int selected) = 0;
    virtual void setDrives(const std::vector<DriveRow>& rows, int selected) = 0;
    virtual void setMedia(int index) = 0;
    virtual void setGames(const std::vector<ListedGame>& rows) = 0;
    virtual void setGameTooltip(int row, const std::string& tooltip) = 0;
    // The text of a control by id (the game name box, the format page's text).
    virtual void setControlText(int id, const std::string& text) = 0;
    virtual void showControl(int id, bool show) = 0;
    virtual void enableControl(int id, bool enable) = 0;
    // The window's own input on or off (off behind a job's progress window);
    // the program's other windows keep theirs, and the close box keeps
    // working, so that closing during a job can ask.
    virtual void enableInput(bool enable) = 0;
    // Raises and activates the window when it is shown.
    virtual void bringToFront() = 0;
    virtual WindowInput input() const = 0;

    // Dialogs; each returns once the person answered.
    // The drive dialog (template 130) over the core's `rows` (the copy's
    // mounted drives; the format's, disks not mounted included): the chosen
    // row's key, empty after Cancel.
    virtual std::string chooseDrive(const std::vector<DriveRow>& rows) = 0;
    // The rename dialog (template 131): the field's text after Ok (may be
    // empty), nothing after Cancel.
    virtual std::optional<std::string> askNewName() = 0;
    // A menu (menu 134) at the pointer, or at the selected row when it was
    // asked for by keyboard: the chosen command, 0 for none.
    virtual int popUpMenu(std::span<const MenuRow> menu, bool atSelection) = 0;
    // The system's file dialog as the core describes it (ui/FileDialogs.h):
    // the chosen paths, one unless several may be chosen; empty after Cancel.
    virtual std::vector<std::string> chooseFiles(const FileDialogLook& dialog) = 0;
    // Opens `url` in the person's browser; false when none took it.
    virtual bool openUrl(const std::string& url) = 0;
    // Runs `task` on the window thread once, after `milliseconds`.
    virtual void after(int milliseconds, std::function<void()> task) = 0;
    // Closes the main window, which ends the program.
    virtual void closeWindow() = 0;
};

}  // namespace ui
