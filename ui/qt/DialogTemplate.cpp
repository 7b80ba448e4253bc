#include "ui/qt/DialogTemplate.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

#include "ui/qt/ClickLabel.h"
#include "ui/qt/DropDownList.h"

namespace ui::qt {

namespace {

using K = ControlKind;

// Enter on a focused push button presses it, as Space does: the keys a
// desktop's buttons take. Elsewhere Enter goes on to the dialog, which
// presses its default button, if it has one.
class ButtonKeys : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!enter || button == nullptr || (key->modifiers() & ~Qt::KeypadModifier) != 0)
            return false;
        if (button->isEnabled())
            button->click();
        return true;
    }
};

QWidget* createControl(QWidget* parent, const ControlRow& row) {
    const QString text = QString::fromUtf8(row.text);
    switch (row.kind) {
        case K::DropDownList:
            return new DropDownList(parent);
        case K::Edit:
            return new QLineEdit(text, parent);
        case K::Button: {
            auto* button = new QPushButton(text, parent);
            // Not the dialog's default merely by having had the focus.
            button->setAutoDefault(false);
            return button;
        }
        case K::ListView: {
            auto* list = new QTreeWidget(parent);
            list->setRootIsDecorated(false);
            list->setUniformRowHeights(true);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setAllColumnsShowFocus(true);
            return list;
        }
        case K::ListBox: {
            auto* list = new QListWidget(parent);
            list->setSortingEnabled(true);
            return list;
        }
        case K::Static:
            return new QLabel(text, parent);
        case K::ClickStatic:
            return new ClickLabel(text, parent);
        case K::Picture: {
            auto* picture = new QLabel(parent);
            picture->setAlignment(Qt::AlignCenter);
            return picture;
        }
        case K::TabControl:
            return new QTabWidget(parent);
        case K::ProgressBar: {
            auto* bar = new QProgressBar(parent);
            bar->setTextVisible(false);
            return bar;
        }
    }
    return new QWidget(parent);
}

}  // namespace

QRect controlGeometry(const ControlRow& row, BaseUnits base, int closedComboHeight) {
    QRect rect = unitsToPixels(QRect(row.x, row.y, row.width, row.height), base);
    if (row.kind == ControlKind::DropDownList)
        rect.setHeight(closedComboHeight);
    return rect;
}

QFont fittingFont(const DialogTemplate& dialog, QSize room) {
    constexpr int kSmallestPoints = 6;
    for (int points = dialog.points;; --points) {
        const QFont font = dialogFont(QString::fromUtf8(dialog.face), points);
        const BaseUnits base = baseUnitsOf(font);
        if (points <= kSmallestPoints || (unitsToPixelsX(dialog.width, base) <= room.width() &&
                                          unitsToPixelsY(dialog.height, base) <= room.height()))
            return font;
    }
}

BaseUnits buildDialog(QWidget* parent, const DialogTemplate& dialog) {
    // Room for the window and the frame the window manager puts around it.
    constexpr int kFrameWidth = 16, kFrameHeight = 48;
    QSize room(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (const QScreen* screen = parent->screen())
        room = screen->availableGeometry().size() - QSize(kFrameWidth, kFrameHeight);
    const QFont font = fittingFont(dialog, room);
    parent->setFont(font);
    parent->setWindowTitle(QString::fromUtf8(dialog.caption));
    const BaseUnits base = baseUnitsOf(font);
    parent->setFixedSize(unitsToPixelsX(dialog.width, base), unitsToPixelsY(dialog.height, base));

    auto* keys = new ButtonKeys(parent);
    std::vector<QWidget*> created;
    int unnamed = 0;
    for (const ControlRow& row : dialog.controls) {
        QWidget* control = createControl(parent, row);
        control->setObjectName(row.id == kNoControlId ? QStringLiteral("static%1").arg(unnamed++)
                                                      : QStringLiteral("c%1").arg(row.id));
        int closedHeight = 0;
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            closedHeight = combo->sizeHint().height();
            // The template's height is that of the open list: as many rows as fit.
            const int listHeight = unitsToPixelsY(row.height, base) - closedHeight;
            const int row = combo->fontMetrics().height() + 2;
            combo->setMaxVisibleItems(std::max(1, listHeight / std::max(1, row)));
        }
        control->setGeometry(controlGeometry(row, base, closedHeight));
        control->setVisible(row.visible);
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            button->installEventFilter(keys);
            button->setDefault(row.id == dialog.defaultButton);
            button->setFlat(dialog.flatButtons);
        }
        created.push_back(control);
    }
    // Later controls lie above the tab control's pane, as the window shows them.
    for (QWidget* control : created) {
        if (!qobject_cast<QTabWidget*>(control))
            control->raise();
    }
    QWidget* previous = nullptr;
    for (QWidget* control : created) {
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous != nullptr)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
    return base;
}

QWidget* controlById(QWidget* parent, int id) {
    return parent->findChild<QWidget*>(QStringLiteral("c%1").arg(id), Qt::FindDirectChildrenOnly);
}

}  // namespace ui::qt
