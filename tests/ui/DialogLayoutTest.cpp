// Dialog units into pixels, and every control of every template at its place.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QFontInfo>
#include <QPushButton>

#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DialogUnits.h"

using namespace ui::qt;
using namespace ui;

TEST(DialogUnitsTest, ScalesAndRoundsAsTheDialogManagerDoes) {
    // The classic 8-point dialog font has base units 6 x 13.
    const BaseUnits classic{6, 13};
    EXPECT_EQ(unitsToPixels(QRect(0, 0, 100, 100), classic), QRect(0, 0, 150, 163));
    EXPECT_EQ(unitsToPixelsX(1, classic), 2);  // 1.5 rounds up
    EXPECT_EQ(unitsToPixelsY(3, classic), 5);  // 4.875
    EXPECT_EQ(unitsToPixelsY(4, classic), 7);  // 6.5 rounds up
    EXPECT_EQ(unitsToPixelsX(0, classic), 0);
}

TEST(DialogUnitsTest, TemplateFontsAreTheirPointSizesAtNinetySixDotsPerInch) {
    EXPECT_EQ(dialogFont("Times New Roman", 9).pixelSize(), 12);
    EXPECT_EQ(dialogFont("Times New Roman", 10).pixelSize(), 13);
}

TEST(DialogUnitsTest, BaseUnitsComeFromTheFontsOwnLetters) {
    QFont font = dialogFont("Times New Roman", 9);
    if (QFontInfo(font).family() != "Liberation Serif")
        GTEST_SKIP() << "Times New Roman maps to " << QFontInfo(font).family().toStdString();
    const BaseUnits base = baseUnitsOf(font);
    QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(base.x, (letters / 26 + 1) / 2);
    // Half an em or a little more a letter, at 12 pixels.
    EXPECT_GE(base.x, 5);
    EXPECT_LE(base.x, 7);
    EXPECT_EQ(base.y, metrics.height());
    // A wider font gets wider units.
    EXPECT_GT(baseUnitsOf(dialogFont("Times New Roman", 20)).x, base.x);
}

namespace {

void expectLaidOut(const DialogTemplate& dialog) {
    QDialog window;
    const BaseUnits base = buildDialog(&window, dialog);
    EXPECT_EQ(window.width(), (dialog.width * base.x + 2) / 4) << dialog.caption;
    EXPECT_EQ(window.height(), (dialog.height * base.y + 4) / 8) << dialog.caption;
    EXPECT_EQ(window.windowTitle().toStdString(), dialog.caption);
    int unnamed = 0;
    for (const ControlRow& row : dialog.controls) {
        QWidget* control =
            row.id == kNoControlId
                ? window.findChild<QWidget*>(QStringLiteral("static%1").arg(unnamed++))
                : controlById(&window, row.id);
        ASSERT_NE(control, nullptr) << dialog.caption << " control " << row.id;
        const QRect got = control->geometry();
        // Pixels = units x base / 4 across and / 8 down, to the nearest pixel.
        EXPECT_EQ(got.x(), (row.x * base.x + 2) / 4) << row.id;
        EXPECT_EQ(got.y(), (row.y * base.y + 4) / 8) << row.id;
        EXPECT_EQ(got.width(), (row.width * base.x + 2) / 4) << row.id;
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            // A drop-down list shows one line closed; its template height is the open list's.
            EXPECT_EQ(got.height(), combo->sizeHint().height()) << row.id;
            EXPECT_LT(got.height(), (row.height * base.y + 4) / 8) << row.id;
        } else {
            EXPECT_EQ(got.height(), (row.height * base.y + 4) / 8) << row.id;
        }
        EXPECT_EQ(control->isVisibleTo(&window), row.visible) << row.id;
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            EXPECT_EQ(button->isFlat(), dialog.flatButtons) << row.id;
        }
        if (row.text[0] != '\0' && row.kind != ControlKind::Edit) {
            EXPECT_EQ(control->property("text").toString().toStdString(), row.text) << row.id;
        }
    }
}

}  // namespace

TEST(DialogTemplateTest, EveryControlSitsAtItsDialogUnits) {
    expectLaidOut(mainTemplate());
    expectLaidOut(driveTemplate());
    expectLaidOut(renameTemplate());
    expectLaidOut(progressTemplate());
}

TEST(DialogTemplateTest, MainWindowAtTheFixedFontHasKnownPixels) {
    QFont font = dialogFont("Times New Roman", 9);
    if (QFontInfo(font).family() != "Liberation Serif")
        GTEST_SKIP() << "no Liberation Serif";
    QDialog window;
    const BaseUnits base = buildDialog(&window, mainTemplate());
    // "Start" at 223, 60, 41 x 13 units.
    const QRect start = controlById(&window, 1004)->geometry();
    EXPECT_EQ(start, QRect((223 * base.x + 2) / 4, (60 * base.y + 4) / 8, (41 * base.x + 2) / 4,
                           (13 * base.y + 4) / 8));
    // The status line spans the window's width at its bottom.
    const QRect status = controlById(&window, 1036)->geometry();
    EXPECT_EQ(status.x(), 0);
    EXPECT_LE(status.right(), window.width());
    EXPECT_LE(status.bottom(), window.height());
}

TEST(DialogTemplateTest, TabOrderIsCreationOrder) {
    QDialog window;
    buildDialog(&window, mainTemplate());
    // The focusable controls in template order: 1012, 1009, 1011, 1005, 1004, 1010, 1024 (hidden
    // but in the chain), then the tab control.
    const int chain[] = {1012, 1009, 1011, 1005, 1004, 1010, 1024, 1027};
    // The control of the window that holds `widget` (the tab bar belongs to the tab control).
    auto controlOf = [&](QWidget* widget) {
        while (widget != nullptr && widget->parentWidget() != &window)
            widget = widget->parentWidget();
        return widget;
    };
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
        QWidget* from = controlById(&window, chain[i]);
        QWidget* next = from->nextInFocusChain();
        // Labels sit in the chain too, but Tab passes them by.
        while (next != nullptr &&
               (controlOf(next) == from || controlOf(next)->focusPolicy() == Qt::NoFocus))
            next = next->nextInFocusChain();
        EXPECT_EQ(controlOf(next), controlById(&window, chain[i + 1])) << chain[i];
    }
}

// QT_SCALE_FACTOR=2 on a 1280 x 800 screen leaves 640 x 400 pixels: the main
// window takes a smaller font rather than put its title bar off the screen.
TEST(DialogTemplateTest, ADialogTooLargeForTheScreenTakesASmallerFont) {
    const DialogTemplate& main = mainTemplate();
    const QFont full = dialogFont(QString::fromUtf8(main.face), main.points);
    const struct {
        QSize room;
        bool templateFont;
    } cases[] = {{QSize(4000, 4000), true}, {QSize(640 - 16, 400 - 48), false}};
    for (const auto& c : cases) {
        const QFont font = fittingFont(main, c.room);
        EXPECT_EQ(font == full, c.templateFont) << c.room.height();
        const BaseUnits base = baseUnitsOf(font);
        EXPECT_LE(unitsToPixelsX(main.width, base), c.room.width());
        EXPECT_LE(unitsToPixelsY(main.height, base), c.room.height());
    }
    EXPECT_EQ(fittingFont(main, QSize(10, 10)).pixelSize(), dialogFont(main.face, 6).pixelSize());
}
