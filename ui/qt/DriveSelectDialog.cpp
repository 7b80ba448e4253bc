#include "ui/qt/DriveSelectDialog.h"

#include <QListWidget>
#include <QPushButton>

#include "ui/DriveOrder.h"
#include "ui/qt/DialogTemplate.h"

namespace ui::qt {

DriveSelectDialog::DriveSelectDialog(DriveList& drives, QWidget* parent)
    : DriveSelectDialog(driveDialogRows(drivesInOfferOrder(drives.fixedDrives())), parent) {}

DriveSelectDialog::DriveSelectDialog(std::vector<DriveRow> rows, QWidget* parent)
    : QDialog(parent), rows_(std::move(rows)) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildDialog(this, driveTemplate());
    driveList = qobject_cast<QListWidget*>(controlById(this, control::kDriveListBox));
    // USB drives first, the system's last: the offer order, not the names'.
    driveList->setSortingEnabled(false);
    // A name longer than the list shows its end, which tells drives apart.
    driveList->setTextElideMode(Qt::ElideLeft);
    driveList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* ok = qobject_cast<QPushButton*>(controlById(this, control::kOkButton));
    auto* cancel = qobject_cast<QPushButton*>(controlById(this, control::kCancelButton));
    connect(ok, &QPushButton::clicked, this, &DriveSelectDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &DriveSelectDialog::reject);
    connect(driveList, &QListWidget::itemDoubleClicked, this,
            &DriveSelectDialog::onListDoubleClick);
    OnInitDialog();
}

void DriveSelectDialog::OnInitDialog() {
    driveList->clear();
    for (const DriveRow& row : rows_) {
        auto* item = new QListWidgetItem(QString::fromStdString(row.text));
        item->setData(Qt::UserRole, QByteArray::fromStdString(row.key));
        item->setToolTip(QString::fromStdString(row.tooltip));
        driveList->addItem(item);
    }
    driveList->setCurrentRow(-1);
    driveList->clearSelection();
}

void DriveSelectDialog::onOk() {
    const QList<QListWidgetItem*> selected = driveList->selectedItems();
    if (selected.isEmpty())
        return;
    selectedDrive = selected.front()->data(Qt::UserRole).toByteArray().toStdString();
    accept();
}

void DriveSelectDialog::onListDoubleClick() {
    onOk();
}

}  // namespace ui::qt
