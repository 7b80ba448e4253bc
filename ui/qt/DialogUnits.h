#pragma once
// Dialog templates place controls in dialog units, which scale with the
// dialog's font: a horizontal unit is a quarter of the font's average letter
// width, a vertical unit an eighth of its height. These turn them into pixels
// the way the Windows dialog manager does, so that every control keeps its
// place relative to the text it holds.

#include <QFont>
#include <QRect>

namespace ui::qt {

struct BaseUnits {
    int x = 0;  // average width of the letters A-Z a-z, in pixels
    int y = 0;  // height of the font, in pixels
};

// The template's font: `points` at 96 dots per inch, as the templates were laid out.
QFont dialogFont(const QString& face, int points);

// Base units measured from `font`'s own metrics.
BaseUnits baseUnitsOf(const QFont& font);

// units x base / 4 horizontally, / 8 vertically, rounded to the nearest pixel.
int unitsToPixelsX(int units, BaseUnits base);
int unitsToPixelsY(int units, BaseUnits base);
QRect unitsToPixels(const QRect& units, BaseUnits base);

}  // namespace ui::qt
