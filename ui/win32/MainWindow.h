#pragma once
// The main window as a native dialog (template 102): the window core's view
// on Windows. It builds the dialog and its two progress windows, fills and
// reads the controls as the core asks, and forwards every message a person
// causes to the core (MainWindowCore), which makes every decision: what the
// boxes offer, the pages, the list's commands, the jobs and the close.

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/MainWindowCore.h"
#include "ui/WindowLog.h"
#include "ui/WindowView.h"
#include "ui/win32/HyperlinkLabel.h"
#include "ui/win32/NativeFrontEnd.h"
#include "ui/win32/NativeProgress.h"
#include "ui/win32/WindowThread.h"

namespace ui {
class VolumeService;
}  // namespace ui

namespace ui::win32 {

class MainWindow : public WindowView {
  public:
    MainWindow(DriveList& drives, ui::VolumeService& volumes, WindowLog& log);
    ~MainWindow() override;
    // Runs the window and the program's loop; returns when it has closed.
    void run();

    // The window's parts (MainWindow.cpp).
    report::StatusLine& statusLine() override { return *status_; }
    report::MessageBoxes& boxes() override { return *boxes_; }
    ProgressView& jobProgress() override { return *progress_; }
    ProgressView& copyProgress() override { return *copyProgress_; }
    WindowThread& thread() override { return *thread_; }
    void after(int milliseconds, std::function<void()> task) override;
    void closeWindow() override;

    // Controls and dialogs (MainWindowView.cpp).
    void setTabs(const std::vector<std::string>& captions) override;
    void setMediaTypes(const std::vector<std::string>& items) override;
    void setLink(const LinkLook& look, const std::string& url) override;
    void setSources(const std::vector<SourceRow>& rows, int selected) override;
    void setDrives(const std::vector<DriveRow>& rows, int selected) override;
    void setMedia(int index) override;
    void setControlText(int id, const std::string& text) override;
    void showControl(int id, bool show) override;
    void enableControl(int id, bool enable) override;
    void enableInput(bool enable) override;
    void bringToFront() override;
    WindowInput input() const override;
    std::string chooseDrive(const std::vector<DriveRow>& rows) override;
    std::optional<std::string> askNewName() override;
    std::vector<std::string> chooseFiles(const FileDialogLook& dialog) override;
    bool openUrl(const std::string& url) override;

    // The list of installed games and its menu (MainWindowList.cpp).
    void setColumns(std::span<const ListColumn> columns) override;
    void setGames(const std::vector<ListedGame>& rows) override;
    void setGameTooltip(int row, const std::string& tooltip) override;
    int popUpMenu(std::span<const MenuRow> menu, bool atSelection) override;

    // The web link of the About page, on the placeholder 1028.
    HyperlinkLabelParams linkParams;
    HyperlinkLabel link;

  private:
    // A second window of the program opens beside the first, not on it.
    void cascadeFromOthers();
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool onCommand(int id, int code);
    bool onNotify(NMHDR& header);
    INT_PTR colorStatic(HDC context, HWND control);
    void onInitDialog();
    void addSystemMenuItem();
    void addPicture();
    void onDropFiles(HDROP drop);
    void onTimer(UINT_PTR id);
    int focusedControl() const;
    void applyEnabled(int id);

    LRESULT drawListRow(NMLVCUSTOMDRAW& draw) const;
    void addListTooltip();
    int rowUnderPointer() const;
    void tipForRow(NMTTDISPINFOW& tip);
    // The source box's tooltip: the whole path of the image it shows.
    void tipForSource(NMTTDISPINFOW& tip);
    void onListMouseMove();

    HWND item(int id) const { return GetDlgItem(window_, id); }
    std::string controlText(int id) const;

    DriveList& drives_;
    ui::VolumeService& volumes_;
    WindowLog& log_;
    HWND window_ = nullptr;
    bool ended_ = false;
    std::unique_ptr<NativeProgress> progress_;
    std::unique_ptr<NativeProgress> copyProgress_;
    std::unique_ptr<NativeStatusLine> status_;
    std::unique_ptr<NativeBoxes> boxes_;
    std::unique_ptr<NativeWindowThread> thread_;

    bool inputEnabled_ = true;
    std::map<int, bool> disabled_;  // controls the core disabled, by id
    std::map<UINT_PTR, std::function<void()>> timers_;
    UINT_PTR nextTimer_ = 1;

    std::vector<ListedGame> games_;   // the list's rows, tooltips and looks
    std::vector<SourceRow> sources_;  // the source box's rows as the core gave them
    HWND tooltip_ = nullptr;
    int tipRow_ = -1;  // the row whose text the tooltip shows
    std::wstring tipText_;

    // Last, so that its jobs end before the windows they report to go.
    std::unique_ptr<MainWindowCore> core_;
};

}  // namespace ui::win32
