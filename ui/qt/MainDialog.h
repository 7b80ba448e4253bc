#pragma once
// The main window: three pages behind tabs ("Games Installer", "Disk
// Format", "About"), the drive boxes, the list of installed games with its
// context menu, and the jobs (install, format, copy) that run on worker
// threads while the window stays responsive.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QIcon>

#include "store/FrontEnd.h"
#include "ui/DriveList.h"
#include "ui/qt/HyperlinkLabel.h"
#include "ui/ImageChoice.h"
#include "ui/Job.h"
#include "ui/qt/QtWindowThread.h"
#include "ui/qt/ProgressDialog.h"
#include "ui/StartChecks.h"
#include "ui/WindowLog.h"
#include "ui/qt/WindowServices.h"

class ClickLabel;
class DropDownList;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

class MainDialog : public QDialog {
    Q_OBJECT
  public:
    MainDialog(const WindowServices& services, ProgressDialog& progressDialog, WindowLog& log,
               QWidget* parent = nullptr);
    ~MainDialog() override;

    std::atomic<int> busy{0};  // 1 while an install or format job runs
    std::string targetRoot;    // root of the drive selected in the hard-drive box
    std::string formatDrive;   // the volume chosen for formatting
    HyperlinkLabelParams linkParams;
    HyperlinkLabel link;
    ClickLabel* statusLine = nullptr;     // 1036
    QTreeWidget* gameList = nullptr;      // 1010
    QPushButton* formatButton = nullptr;  // 1024
    QTabWidget* tabs = nullptr;           // 1027
    DropDownList* mediaCombo = nullptr;   // 1009
    DropDownList* driveCombo = nullptr;   // 1011
    DropDownList* sourceCombo = nullptr;  // 1012
    QPushButton* startButton = nullptr;   // 1004
    std::string copyGameName;
    std::string gameName = kInitialGameName;
    QIcon icon;

    // Page and drive handling.
    bool OnInitDialog();
    void onDriveChanged();
    void onTabChanged(int index);
    void showInstallerPage(bool show);
    void showFormatPage(bool show);
    void showAboutPage(bool show);
    void OnOK() {}
    void OnCancel() {}

    // Installed games.
    bool refreshGameList(const std::string& root);
    void onGameClicked(QTreeWidgetItem* item);
    void onListRightClick(const QPoint& position);
    void onDeleteGame();
    void onRenameGame();
    void onCopyGame();
    void openWebSite();

    // Jobs.
    void onStart();
    void onFormat();
    void onStatusLineClicked();

    // Whether any job (install, format or copy) still runs.
    bool jobRunning() const;
    // Enables or disables the window's own input. The program's other windows
    // (the progress windows, boxes, dialogs) are the window's and keep theirs.
    void enableWindow(bool enable);
    // The copy's own progress window.
    ProgressDialog& copyProgress() { return copyProgress_; }
    // The window's front end, for routines run on the window thread.
    FrontEnd windowFrontEnd();
    // The name in column 0 of the selected row, as stored in the table.
    std::optional<std::string> selectedGameName() const;

    static constexpr const char* kNoHardDrive = ::kNoHardDrive;
    static const char* const kFormatText;

  protected:
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }
    void closeEvent(QCloseEvent* event) override;
    // Delete and F2 on the list of games.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // An image file dropped onto the window becomes the source.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    class Frontage;
    class ListRows;
    class FormatWindow;

    void bindControls();
    void fillSourceCombo();
    void fillDriveCombo();
    void onSourceActivated(int index);
    // Makes the image `file` the source, and its name the game's while the
    // user has not typed one.
    void pickImage(const QString& file);
    // "DVD" when the image `file` cannot fit on a CD; a smaller one leaves the choice.
    void setMediaForImage(const QString& file);
    void takeControlValues();
    std::string selectedDriveRoot() const;
    // The name of the selected game for a list command, the control values
    // taken and the drive set; nothing after saying what is missing.
    std::optional<std::string> gameForCommand();
    // The jobs as they run now, and the install's choices read from the controls.
    JobState jobState() const;
    InstallForm installForm();
    int runDialog(QDialog& dialog);
    std::string installSource() const;
    int installJob(std::vector<std::string> args, FixedDrive target);
    void installFinished(int result);
    void copyGameJob(std::string sourceRoot, std::string name);
    void formatJob(FixedDrive drive);
    void closeWhenIdle();
    void giveWindowBack();
    void showDrivesAfterFormat(const std::string& mountPoint);

    WindowServices services_;
    ProgressDialog& progressDialog_;
    ProgressDialog copyProgress_;
    WindowLog& log_;
    std::unique_ptr<Frontage> frontage_;
    QLineEdit* nameEdit_ = nullptr;          // 1005
    QLabel* formatText_ = nullptr;           // 1035
    ClickLabel* linkPlaceholder_ = nullptr;  // 1028
    QList<QString> imageFiles_;              // chosen this session, offered again
    QString imageFolder_;                    // where the last image chosen lies
    std::string filledGameName_;             // the name the last image gave
    int lastSource_ = 0;
    int installResult_ = 0;  // written by the install's thread, read after it ended
    bool closing_ = false;   // the user agreed to close; waiting for the jobs to end
    std::string listedRoot_;         // the drive whose games the list shows
    bool busyRetryPending_ = false;  // a busy drive is read again soon
    QtWindowThread windowThread_{*this};
    Job installJob_;
    Job formatJob_;
    Job copyJob_;
};
