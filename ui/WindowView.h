#pragma once
// What the window core asks of a toolkit: the main window's controls to fill
// and to read, the dialogs it runs, and the desktop's services. Every call
// comes on the window thread. Each toolkit's front end implements it (its
// controls built from ui/WindowTemplates.h, found by ui/ControlIds.h); the
// tests put a fake in its place. Boxes, the status line and the progress
// windows are the routines' own interfaces (store/FrontEnd.h); the window
// thread is ui/WindowThread.h.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/WindowTemplates.h"

// The tabs of the main window, in their order.
enum class Page { Installer = 0, Format = 1, About = 2 };

// One row of a drive list (the hard-drive box, the drive dialog).
struct DriveRow {
    std::string text;     // short enough to tell drives apart
    std::string tooltip;  // the full path and what the drive is
};

// One row of the list of installed games.
struct ListedGame {
    std::string name;      // column 0: the name as stored in the table
    std::string size;      // column 1
    std::string tooltip;   // shown when the row is clicked
    bool flawed = false;   // damaged or incomplete: drawn so that it stands out
};

// What the main window's controls hold now.
struct WindowInput {
    int source = -1;        // index in the source box; -1: none
    int drive = -1;         // index in the hard-drive box; -1: none
    int media = 0;          // index in the media box: 0 "CD", 1 "DVD"
    std::string gameName;   // the game name box, UTF-8
    int selectedGame = -1;  // row of the game list; -1: none
};

class WindowView {
  public:
    virtual ~WindowView() = default;

    // The main window's controls.
    virtual void setSources(const std::vector<std::string>& items, int selected) = 0;
    virtual void setDrives(const std::vector<DriveRow>& rows, int selected) = 0;
    virtual void setMedia(int index) = 0;
    virtual void setGameName(const std::string& name) = 0;
    virtual void setGames(const std::vector<ListedGame>& rows) = 0;
    virtual void showPage(Page page) = 0;
    // The window's own input on or off (off behind a job's progress window);
    // the program's other windows keep theirs.
    virtual void enableInput(bool enable) = 0;
    virtual WindowInput input() const = 0;

    // Dialogs; each returns once the person answered.
    // The drive dialog (template 130) over `rows`: the chosen row, -1 after Cancel.
    virtual int chooseDrive(const std::vector<DriveRow>& rows) = 0;
    // The rename dialog (template 131): the field's text after Ok (may be
    // empty), nothing after Cancel.
    virtual std::optional<std::string> askNewName() = 0;
    // A menu (menu 134) at the pointer: the chosen command, 0 for none.
    virtual int popUpMenu(std::span<const MenuRow> menu) = 0;
    // The file dialog for a disc image, opening in `folder` (empty: the
    // system's choice); empty after Cancel.
    virtual std::string chooseImageFile(const std::string& folder) = 0;
    // Opens `url` in the person's browser; false when none took it.
    virtual bool openUrl(const std::string& url) = 0;
    // Closes the main window, which ends the program.
    virtual void closeWindow() = 0;
};
