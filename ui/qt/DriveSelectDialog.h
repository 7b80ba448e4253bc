#pragma once
// Picks a fixed drive: the target of a format or of a game copy. The rows,
// and what they say, come from the window core (ui/DriveList.h).

#include <string>
#include <vector>

#include <QDialog>

#include "ui/DriveList.h"

class QListWidget;

namespace ui::qt {

class DriveSelectDialog : public QDialog {
  public:
    // The mounted fixed drives, in offer order.
    DriveSelectDialog(DriveList& drives, QWidget* parent = nullptr);
    // The given rows, in their order.
    DriveSelectDialog(std::vector<DriveRow> rows, QWidget* parent = nullptr);

    // The chosen row's key after "Ok" or a double-click (a drive root, or the
    // device of a disk not mounted); empty until then.
    std::string selectedDrive;
    QListWidget* driveList = nullptr;  // control 1019

    // Fills the list with the rows, none selected.
    void OnInitDialog();
    // Ends with OK when a drive is selected; otherwise the dialog stays open.
    void onOk();
    void onListDoubleClick();

  private:
    std::vector<DriveRow> rows_;
};

}  // namespace ui::qt
