#pragma once
// The main window in Qt: three pages behind tabs, the drive boxes, the list
// of installed games with its context menu. It builds the dialog from the
// template, binds the controls, forwards what the person does to the window
// core, and shows what the core asks for (WindowView).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QIcon>
#include <QPoint>

#include "ui/MainWindowCore.h"
#include "ui/WindowLog.h"
#include "ui/qt/HyperlinkLabel.h"
#include "ui/qt/ProgressDialog.h"
#include "ui/qt/QtWindowThread.h"
#include "ui/qt/WindowServices.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace ui::qt {

class ClickLabel;
class DropDownList;

class MainDialog : public QDialog {
    Q_OBJECT
  public:
    MainDialog(const WindowServices& services, ProgressDialog& progressDialog, WindowLog& log,
               QWidget* parent = nullptr);
    ~MainDialog() override;

    HyperlinkLabelParams linkParams;  // the link's request, filled when the window opens
    HyperlinkLabel link;
    ClickLabel* statusLine = nullptr;     // 1036
    QTreeWidget* gameList = nullptr;      // 1010
    QPushButton* formatButton = nullptr;  // 1024
    QTabWidget* tabs = nullptr;           // 1027
    DropDownList* mediaCombo = nullptr;   // 1009
    DropDownList* driveCombo = nullptr;   // 1011
    DropDownList* sourceCombo = nullptr;  // 1012
    QPushButton* startButton = nullptr;   // 1004
    QIcon icon;

    // The window's state and decisions.
    MainWindowCore& core() { return *core_; }
    bool jobRunning() const { return core_->jobRunning(); }
    // The copy's own progress window.
    ProgressDialog& copyProgress() { return copyProgressDialog_; }
    // What the person's actions do, for tests and pictures.
    void onStart();
    void onListRightClick(const QPoint& position);
    void refreshGameList(const std::string& root);

  protected:
    // Enter and Escape leave the main window open; only its close box closes it.
    void accept() override {}
    void reject() override {}
    void closeEvent(QCloseEvent* event) override;
    // Delete and F2 on the list of games.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // An image file dropped onto the window becomes the source.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Shown, the window is kept inside the screen's available area.
    void showEvent(QShowEvent* event) override;
    // Activated, it reads its drive's list again if another program changed it.
    void changeEvent(QEvent* event) override;

  private:
    void keepOnScreen();
    void bindControls();
    void connectControls();
    int runDialog(QDialog& dialog);

    // What the core asks of the window (MainDialogView.cpp).
    class View;

    WindowServices services_;
    ProgressDialog& progressDialog_;
    ProgressDialog copyProgressDialog_;
    QLineEdit* nameEdit_ = nullptr;          // 1005
    ClickLabel* linkPlaceholder_ = nullptr;  // 1028
    QPoint menuAt_;                          // where the list was right-clicked
    bool placed_ = false;                    // kept on the screen once, when first shown
    QtWindowThread windowThread_{*this};
    std::unique_ptr<View> view_;
    std::unique_ptr<MainWindowCore> core_;
};

}  // namespace ui::qt
