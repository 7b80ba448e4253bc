// The main window's list of installed games, its context menu and the web link.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "zt_version.h"

#include "library/GameCopy.h"
#include "library/GameDeletion.h"
#include "library/GameList.h"
#include "library/GameRename.h"
#include "platform/WideWin32.h"
#include "ui/GameRows.h"
#include "ui/ControlIds.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Resources.h"
#include "ui/win32/SmallDialogs.h"

using platform::win32::widen;
using namespace control;

namespace {

// The list view as the listing routine fills it; the names are kept as the
// table holds them, beside the rows.
class ListRows : public GameListView {
  public:
    ListRows(HWND list, std::vector<std::string>& names) : list_(list), names_(names) {}
    void clear() override {
        ListView_DeleteAllItems(list_);
        names_.clear();
    }
    void appendRow(const GameRow& row) override {
        // A game that is not sound says so after its name, as the core words it.
        std::wstring name = widen(gameRowText(row));
        std::wstring size = std::to_wstring(row.sizeKB);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(names_.size());
        item.pszText = name.data();
        const int index = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0,
                                                        reinterpret_cast<LPARAM>(&item)));
        item.iItem = index;
        item.iSubItem = 1;
        item.pszText = size.data();
        SendMessageW(list_, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
        names_.push_back(row.name);
    }

  private:
    HWND list_;
    std::vector<std::string>& names_;
};

}  // namespace

void MainWindow::setUpList() {
    HWND list = item(kGameList);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (auto [text, width] : {std::pair{L"Game Name", 320}, std::pair{L"Size (KB)", 80}}) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = const_cast<wchar_t*>(text);
        SendMessageW(list, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&column));
    }
}

bool MainWindow::refreshGameList(const std::string& root) {
    if (root.empty()) {
        ListView_DeleteAllItems(item(kGameList));
        listedNames_.clear();
        const std::string text = kNoHardDrive;
        status_->setText(text.substr(0, text.find('\n')));
        return false;
    }
    ListRows rows(item(kGameList), listedNames_);
    return ::refreshGameList(root, windowFrontEnd(), rows) == GameListing::Listed;
}

std::optional<std::string> MainWindow::selectedGameName() const {
    const int row = ListView_GetSelectionMark(item(kGameList));
    if (row < 0 || row >= static_cast<int>(listedNames_.size()) ||
        ListView_GetItemState(item(kGameList), row, LVIS_SELECTED) == 0)
        return std::nullopt;
    return listedNames_[static_cast<std::size_t>(row)];
}

void MainWindow::onListRightClick() {
    POINT at{};
    GetCursorPos(&at);
    if (SendDlgItemMessageW(window_, kTabs, TCM_GETCURSEL, 0, 0) != 0)
        return;
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kContextMenu));
    if (menu == nullptr)
        return;
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y,
                   0, window_, nullptr);
    DestroyMenu(menu);
}

std::optional<std::string> MainWindow::gameForCommand() {
    targetRoot_ = selectedDriveRoot();
    return ::gameForCommand(targetRoot_, selectedGameName(), windowFrontEnd());
}

void MainWindow::onDeleteGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    confirmAndDeleteGame(targetRoot_, name, windowFrontEnd());
    refreshGameList(targetRoot_);
}

void MainWindow::onRenameGame() {
    const std::optional<std::string> oldName = gameForCommand();
    if (!oldName)
        return;
    std::string newName;
    if (!askNewName(window_, newName))
        return;
    if (listAfterRename(renameGame(targetRoot_, *oldName, newName, windowFrontEnd())))
        refreshGameList(targetRoot_);
}

void MainWindow::onCopyGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    if (const std::string blocker = jobInTheWay(jobState(), true); !blocker.empty()) {
        windowFrontEnd().boxes.show(blocker);
        return;
    }
    const std::string target = chooseDrive(window_, drives_);
    if (target.empty())
        return;
    EnableWindow(item(kGameList), FALSE);
    EnableWindow(item(kDriveCombo), FALSE);
    copyProgress_->beginJob({"Copying", "Copied", *name + " to " + target, 1024, false});
    copyJob_.start(
        window_,
        [this, source = targetRoot_, game = *name, target] {
            LoggedBoxes boxes(*boxes_, log_);
            LogStream out(log_);
            FrontEnd frontEnd{*status_, boxes, *copyProgress_, out};
            copyGame(source, game, target, frontEnd, systemCopyServices());
        },
        [this] {
            EnableWindow(item(kGameList), TRUE);
            EnableWindow(item(kDriveCombo), TRUE);
            closeWhenIdle();
        });
}

void MainWindow::openWebSite() {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", widen(ZT_WEBSITE_URL).c_str(), nullptr, nullptr, SW_SHOW));
    if (result <= 32)
        windowFrontEnd().boxes.show(webSiteFailureText(ZT_WEBSITE_URL));
}
