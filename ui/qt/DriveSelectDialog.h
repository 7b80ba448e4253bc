#pragma once
// Picks a fixed drive: the target of a format or of a game copy.

#include <string>
#include <vector>

#include <QDialog>

#include "ui/DriveList.h"

class QListWidget;

class DriveSelectDialog : public QDialog {
  public:
    DriveSelectDialog(DriveList& drives, QWidget* parent = nullptr);

    // The chosen drive root after "Ok" or a double-click; empty until then.
    std::string selectedDrive;
    QListWidget* driveList = nullptr;  // control 1019

    // Fills the list with the fixed drives, none selected.
    void OnInitDialog();
    // Ends with OK when a drive is selected; otherwise the dialog stays open.
    void onOk();
    void onListDoubleClick();

  private:
    DriveList& drives_;
};
