#pragma once
// The window's dialogs as their resource templates list them: caption, font,
// size and one row per control (id, kind, text, position and size in dialog
// units). No toolkit: each toolkit builds its dialogs from these rows, so
// the layout lives in one place.

#include <span>

namespace ui {

enum class ControlKind {
    DropDownList,  // drop-down list combo box; its height is that of the open list
    Edit,
    Button,
    ListView,
    ListBox,
    Static,
    ClickStatic,  // static text that reports clicks
    Picture,
    TabControl,
    ProgressBar,
};

constexpr int kNoControlId = -1;

struct ControlRow {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;
    bool visible;
};

struct DialogTemplate {
    const char* caption;
    const char* face;
    int points;
    int width, height;
    std::span<const ControlRow> controls;
    // The push button that Enter presses while the focus is on no other
    // button (the template's default push button); kNoControlId: none, and
    // Enter then presses only a focused button.
    int defaultButton = kNoControlId;
    // Its push buttons are drawn flat (BS_FLAT): a plain frame, no relief.
    bool flatButtons = false;
};

// One item of a menu template: its command and text; command 0 with no
// text is a separator.
struct MenuRow {
    int command;
    const char* text;
};

// The templates of the window application.
const DialogTemplate& mainTemplate();      // the main window
const DialogTemplate& driveTemplate();     // the drive selection dialog
const DialogTemplate& renameTemplate();    // the rename dialog
const DialogTemplate& progressTemplate();  // the progress window

// The list's context menu (menu 134).
std::span<const MenuRow> gameMenuTemplate();

}  // namespace ui
