#include "ui/qt/RenameDialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "ui/qt/DialogTemplate.h"

namespace ui::qt {

RenameDialog::RenameDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildDialog(this, renameTemplate());
    edit = qobject_cast<QLineEdit*>(controlById(this, control::kNewNameEdit));
    auto* ok = qobject_cast<QPushButton*>(controlById(this, control::kOkButton));
    auto* cancel = qobject_cast<QPushButton*>(controlById(this, control::kCancelButton));
    // Enter acts as "Ok" (the template's default button), Escape as "Cancel".
    connect(ok, &QPushButton::clicked, this, &RenameDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &RenameDialog::reject);
    edit->setFocus();
}

void RenameDialog::accept() {
    newName = edit->text().toStdString();
    QDialog::accept();
}

}  // namespace ui::qt
