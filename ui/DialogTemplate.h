#pragma once
// A dialog described as its resource template lists it: caption, font, size
// and one row per control (id, kind, text, position and size in dialog
// units). Dialogs are built from these rows, so the layout lives in one place.

#include <span>

#include <QString>
#include <QWidget>

#include "ui/DialogUnits.h"

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
};

// The templates of the window application.
const DialogTemplate& mainTemplate();      // the main window
const DialogTemplate& driveTemplate();     // the drive selection dialog
const DialogTemplate& renameTemplate();    // the rename dialog
const DialogTemplate& progressTemplate();  // the progress window

// Builds every control of `dialog` as a child of `parent`, in creation order:
// placed from its dialog units, named "c<id>" (or "static<n>" without an id),
// shown or hidden as the template says, and chained in tab order. Sets the
// parent's font and fixed client size. Returns the base units used.
BaseUnits buildDialog(QWidget* parent, const DialogTemplate& dialog);

// The control of `parent` with the template id `id`, or null.
QWidget* controlById(QWidget* parent, int id);

// Where `row` goes in pixels. A drop-down list keeps its own closed height.
QRect controlGeometry(const ControlRow& row, BaseUnits base, int closedComboHeight);
