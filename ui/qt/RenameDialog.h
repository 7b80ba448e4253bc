#pragma once
// Asks for a game's new name: an empty field, "Ok" and "Cancel".

#include <string>

#include <QDialog>

class QLineEdit;

namespace ui::qt {

class RenameDialog : public QDialog {
  public:
    explicit RenameDialog(QWidget* parent = nullptr);

    // The field's text after "Ok", as UTF-8 bytes; empty until then.
    std::string newName;
    QLineEdit* edit = nullptr;  // control 1020

  protected:
    void accept() override;
};

}  // namespace ui::qt
