#include "ui/DialogTemplate.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

#include "ui/ClickLabel.h"
#include "ui/DropDownList.h"

namespace {

using K = ControlKind;

constexpr ControlRow kMainControls[] = {
    {1012, K::DropDownList, "", 29, 37, 60, 39, true},
    {1009, K::DropDownList, "", 111, 37, 67, 36, true},
    {1011, K::DropDownList, "", 197, 36, 68, 67, true},
    {1005, K::Edit, "", 85, 61, 128, 12, true},
    {1004, K::Button, "Start", 223, 60, 41, 13, true},
    {1010, K::ListView, "", 28, 100, 233, 93, true},
    {1024, K::Button, "Format...", 113, 118, 49, 13, false},
    {1032, K::Static, "Game Name:", 32, 62, 44, 9, true},
    {1027, K::TabControl, "", 3, 7, 286, 206, true},
    {1029, K::Static, "CD/DVD ROM Drive", 29, 23, 67, 9, true},
    {1031, K::Static, "Hard Drive", 206, 22, 39, 9, true},
    {1030, K::Static, "Media Type", 123, 23, 45, 9, true},
    {1033, K::Static, "Game Installed List", 32, 82, 81, 10, true},
    {1028, K::ClickStatic, "", 102, 181, 115, 11, false},
    {1034, K::Picture, "", 55, 35, 183, 137, false},
    {1035, K::Static, "", 35, 39, 238, 78, false},
    {1036, K::ClickStatic, "", 0, 214, 289, 9, true},
    {1043, K::Static, "Web Site :", 69, 181, 32, 13, false},
};

constexpr ControlRow kDriveControls[] = {
    {kNoControlId, K::Static, "Select Driver :", 18, 12, 49, 10, true},
    {1019, K::ListBox, "", 20, 28, 49, 72, true},
    {1021, K::Button, "Ok", 20, 110, 28, 9, true},
    {1022, K::Button, "Cancel", 48, 110, 28, 9, true},
};

constexpr ControlRow kRenameControls[] = {
    {kNoControlId, K::Static, "New Name:", 18, 7, 41, 8, true},
    {1020, K::Edit, "", 19, 19, 92, 12, true},
    {1021, K::Button, "Ok", 21, 39, 34, 11, true},
    {1022, K::Button, "Cancel", 73, 39, 34, 11, true},
};

constexpr ControlRow kProgressControls[] = {
    {1020, K::Static, "", 8, 7, 246, 9, true},
    {1013, K::ProgressBar, "", 5, 23, 281, 7, true},
    {2, K::Button, "Cancel", 134, 38, 37, 10, true},
};

const DialogTemplate kMain{
    "Tarnwick Game Installer", "Times New Roman", 9, 291, 223, kMainControls};
const DialogTemplate kDrive{"Drive", "Times New Roman", 10, 96, 131, kDriveControls};
const DialogTemplate kRename{"rename", "Times New Roman", 10, 143, 62, kRenameControls};
const DialogTemplate kProgress{"Install", "Times New Roman", 10, 291, 49, kProgressControls};

QWidget* createControl(QWidget* parent, const ControlRow& row) {
    const QString text = QString::fromUtf8(row.text);
    switch (row.kind) {
        case K::DropDownList:
            return new DropDownList(parent);
        case K::Edit:
            return new QLineEdit(text, parent);
        case K::Button: {
            auto* button = new QPushButton(text, parent);
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

const DialogTemplate& mainTemplate() {
    return kMain;
}
const DialogTemplate& driveTemplate() {
    return kDrive;
}
const DialogTemplate& renameTemplate() {
    return kRename;
}
const DialogTemplate& progressTemplate() {
    return kProgress;
}

QRect controlGeometry(const ControlRow& row, BaseUnits base, int closedComboHeight) {
    QRect rect = unitsToPixels(QRect(row.x, row.y, row.width, row.height), base);
    if (row.kind == ControlKind::DropDownList)
        rect.setHeight(closedComboHeight);
    return rect;
}

BaseUnits buildDialog(QWidget* parent, const DialogTemplate& dialog) {
    const QFont font = dialogFont(QString::fromUtf8(dialog.face), dialog.points);
    parent->setFont(font);
    parent->setWindowTitle(QString::fromUtf8(dialog.caption));
    const BaseUnits base = baseUnitsOf(font);
    parent->setFixedSize(unitsToPixelsX(dialog.width, base), unitsToPixelsY(dialog.height, base));

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
