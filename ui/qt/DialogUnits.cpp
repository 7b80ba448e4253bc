#include "ui/qt/DialogUnits.h"

#include <QFontMetrics>

namespace ui::qt {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c) {
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

QFont dialogFont(const QString& face, int points) {
    QFont font(face);
    // A point is 1/72 inch; the templates assume 96 pixels per inch.
    font.setPixelSize(mulDiv(points, 96, 72));
    return font;
}

BaseUnits baseUnitsOf(const QFont& font) {
    QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int width = metrics.horizontalAdvance(letters);
    // The average over 52 letters, rounded: (width / 26 + 1) / 2.
    return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

int unitsToPixelsX(int units, BaseUnits base) {
    return mulDiv(units, base.x, 4);
}

int unitsToPixelsY(int units, BaseUnits base) {
    return mulDiv(units, base.y, 8);
}

QRect unitsToPixels(const QRect& units, BaseUnits base) {
    return QRect(unitsToPixelsX(units.x(), base), unitsToPixelsY(units.y(), base),
                 unitsToPixelsX(units.width(), base), unitsToPixelsY(units.height(), base));
}

}  // namespace ui::qt
