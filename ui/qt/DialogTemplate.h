#pragma once
// The Qt dialogs built from the window's templates (ui/WindowTemplates.h):
// each row becomes a widget placed from its dialog units.

#include <QString>
#include <QWidget>

#include "ui/ControlIds.h"
#include "ui/WindowTemplates.h"
#include "ui/qt/DialogUnits.h"

namespace ui::qt {

// Builds every control of `dialog` as a child of `parent`, in creation order:
// placed from its dialog units, named "c<id>" (or "static<n>" without an id),
// shown or hidden as the template says, and chained in tab order. Sets the
// parent's font and fixed client size. Returns the base units used.
BaseUnits buildDialog(QWidget* parent, const DialogTemplate& dialog);

// The template's font, or the largest smaller one (down to 6 points) at which
// the dialog fits into `room` pixels: a screen scaled up (QT_SCALE_FACTOR)
// keeps the whole window on it, its title bar too.
QFont fittingFont(const DialogTemplate& dialog, QSize room);

// The control of `parent` with the template id `id`, or null.
QWidget* controlById(QWidget* parent, int id);

// Where `row` goes in pixels. A drop-down list keeps its own closed height.
QRect controlGeometry(const ControlRow& row, BaseUnits base, int closedComboHeight);

}  // namespace ui::qt
