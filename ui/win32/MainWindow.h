#pragma once
// The main window as a native dialog (template 102): three pages behind the
// tab control, the drive boxes, the list of installed games with its context
// menu, and the jobs (install, format, copy) on worker threads. What is
// checked, asked and decided is the toolkit-free window core's (StartChecks,
// JobGate, DriveOrder, ImageChoice, FormatSteps); this reads and sets controls.

#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/FrontEnd.h"
#include "ui/DriveList.h"
#include "ui/JobGate.h"
#include "ui/LoggedBoxes.h"
#include "ui/StartChecks.h"
#include "ui/WindowLog.h"
#include "ui/win32/NativeFrontEnd.h"
#include "ui/win32/NativeJob.h"
#include "ui/win32/NativeProgress.h"

class VolumeService;

class MainWindow {
  public:
    MainWindow(DriveList& drives, VolumeService& volumes, WindowLog& log);
    ~MainWindow();
    // Runs the window and the program's loop; returns when it has closed.
    void run();

  private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool onCommand(int id, int code);
    bool onNotify(NMHDR& header);
    INT_PTR colorStatic(HDC context, HWND control);

    // Pages and drives (MainWindow.cpp).
    void onInitDialog();
    void addSystemMenuItem();
    void insertTabs();
    void onTabChanged();
    void showControls(std::initializer_list<int> ids, bool show);
    void fillSourceCombo();
    void fillDriveCombo();
    void onSourceChosen();
    void pickImage(const std::string& file);
    void onDropFiles(HDROP drop);
    void onDriveChanged();
    std::string selectedDriveRoot() const;
    std::string selectedDriveDevice() const;
    std::string installSource() const;
    std::string comboText(int id) const;
    std::string controlText(int id) const;
    void setControlsEnabled(bool enable);

    // Installed games and the context menu (MainWindowGames.cpp).
    void setUpList();
    bool refreshGameList(const std::string& root);
    std::optional<std::string> selectedGameName() const;
    void onListRightClick(bool fromKeyboard);
    LRESULT drawListRow(NMLVCUSTOMDRAW& draw) const;
    void addListTooltip();
    int rowUnderPointer() const;
    void tipForRow(NMTTDISPINFOW& tip);
    void onListMouseMove();
    std::optional<std::string> gameForCommand();
    void onDeleteGame();
    void onRenameGame();
    void onCopyGame();
    void openWebSite();

    // Jobs and closing (MainWindowJobs.cpp).
    JobState jobState() const;
    InstallForm installForm();
    void onStart();
    void installFinished(int result, const std::string& root);
    void onFormat();
    void onClose();
    void closeWhenIdle();
    void endWindow();
    void giveWindowBack();
    FrontEnd windowFrontEnd();
    HWND frontWindow() const;

    HWND item(int id) const { return GetDlgItem(window_, id); }

    DriveList& drives_;
    VolumeService& volumes_;
    WindowLog& log_;
    HWND window_ = nullptr;
    std::unique_ptr<NativeProgress> progress_;
    std::unique_ptr<NativeProgress> copyProgress_;
    std::unique_ptr<NativeStatusLine> status_;
    std::unique_ptr<NativeBoxes> boxes_;
    std::unique_ptr<LoggedBoxes> loggedBoxes_;
    std::unique_ptr<LogStream> windowOut_;

    std::atomic<int> busy_{0};  // 1 while an install or format job runs
    std::string targetRoot_;
    std::vector<std::string> sources_;     // the source box's items but the last
    std::vector<std::string> imageFiles_;  // chosen this session, offered again
    std::string imageFolder_;
    std::string filledGameName_;
    std::vector<std::string> driveDevices_;  // the hard-drive box's items' devices
    std::vector<std::string> listedNames_;  // the list's rows, as the table holds them
    std::vector<std::string> rowTips_;      // what is wrong with each; empty: sound
    HWND tooltip_ = nullptr;
    int tipRow_ = -1;        // the row whose text the tooltip shows
    std::wstring tipText_;
    int lastSource_ = 0;
    int installResult_ = 0;
    bool closing_ = false;
    bool ended_ = false;
    NativeJob installJob_;
    NativeJob formatJob_;
    NativeJob copyJob_;
};
