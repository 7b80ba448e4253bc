#pragma once
// What the window core asks of the Qt main window: its controls filled,
// enabled and read, its dialogs run.

#include "ui/WindowView.h"
#include "ui/qt/BoxPresenter.h"
#include "ui/qt/MainDialog.h"
#include "ui/qt/QtProgressView.h"
#include "ui/qt/WindowFrontEnd.h"

namespace ui::qt {

class MainDialog::View : public WindowView {
  public:
    View(MainDialog& window, BoxPresenter& presenter);

    report::StatusLine& statusLine() override { return status_; }
    report::MessageBoxes& boxes() override { return boxes_; }
    ProgressView& jobProgress() override { return jobProgress_; }
    ProgressView& copyProgress() override { return copyProgress_; }
    WindowThread& thread() override { return window_.windowThread_; }

    void setTabs(const std::vector<std::string>& captions) override;
    void setColumns(std::span<const ListColumn> columns) override;
    void setMediaTypes(const std::vector<std::string>& items) override;
    void setLink(const LinkLook& look, const std::string& url) override;
    void setSources(const std::vector<SourceRow>& rows, int selected) override;
    void setDrives(const std::vector<DriveRow>& rows, int selected) override;
    void setMedia(int index) override;
    void setGames(const std::vector<ListedGame>& rows) override;
    void setGameTooltip(int row, const std::string& tooltip) override;
    void setControlText(int id, const std::string& text) override;
    void showControl(int id, bool show) override;
    void enableControl(int id, bool enable) override;
    void enableInput(bool enable) override;
    void bringToFront() override;
    WindowInput input() const override;
    std::string chooseDrive(const std::vector<DriveRow>& rows) override;
    std::optional<std::string> askNewName() override;
    int popUpMenu(std::span<const MenuRow> rows, bool atSelection) override;
    std::vector<std::string> chooseFiles(const FileDialogLook& dialog) override;
    bool openUrl(const std::string& url) override;
    void after(int milliseconds, std::function<void()> task) override;
    void closeWindow() override;

  private:
    MainDialog& window_;
    WindowStatusLine status_;
    WindowBoxes boxes_;
    QtProgressView jobProgress_;
    QtProgressView copyProgress_;
};

}  // namespace ui::qt
