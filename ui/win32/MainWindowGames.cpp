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
    ListRows(HWND list, std::vector<std::string>& names, std::vector<std::string>& tips)
        : list_(list), names_(names), tips_(tips) {}
    void clear() override {
        ListView_DeleteAllItems(list_);
        names_.clear();
        tips_.clear();
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
        tips_.push_back(gameStateTip(row));
    }

  private:
    HWND list_;
    std::vector<std::string>& names_;
    std::vector<std::string>& tips_;
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
    addListTooltip();
}

bool MainWindow::refreshGameList(const std::string& root) {
    if (root.empty()) {
        ListView_DeleteAllItems(item(kGameList));
        listedNames_.clear();
        rowTips_.clear();
        const std::string text = kNoHardDrive;
        status_->setText(text.substr(0, text.find('\n')));
        return false;
    }
    ListRows rows(item(kGameList), listedNames_, rowTips_);
    return ::refreshGameList(root, windowFrontEnd(), rows) == GameListing::Listed;
}

std::optional<std::string> MainWindow::selectedGameName() const {
    const int row = ListView_GetSelectionMark(item(kGameList));
    if (row < 0 || row >= static_cast<int>(listedNames_.size()) ||
        ListView_GetItemState(item(kGameList), row, LVIS_SELECTED) == 0)
        return std::nullopt;
    return listedNames_[static_cast<std::size_t>(row)];
}

// A game that is not sound is drawn in red; its tooltip says what is wrong.
LRESULT MainWindow::drawListRow(NMLVCUSTOMDRAW& draw) const {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        if (row < rowTips_.size() && !rowTips_[row].empty())
            draw.clrText = RGB(255, 0, 0);
    }
    return CDRF_DODEFAULT;
}

// The list's tooltip asks for its text whenever it shows: that of the row
// under the pointer, none for a sound game.
void MainWindow::addListTooltip() {
    HWND list = item(kGameList);
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
}

int MainWindow::rowUnderPointer() const {
    LVHITTESTINFO hit{};
    GetCursorPos(&hit.pt);
    ScreenToClient(item(kGameList), &hit.pt);
    return ListView_HitTest(item(kGameList), &hit);
}

void MainWindow::tipForRow(NMTTDISPINFOW& tip) {
    tipRow_ = rowUnderPointer();
    const auto row = static_cast<std::size_t>(tipRow_);
    tipText_ = tipRow_ >= 0 && row < rowTips_.size() ? widen(rowTips_[row]) : std::wstring();
    tip.lpszText = tipText_.data();
}

// A move onto another row asks the tooltip for that row's text.
void MainWindow::onListMouseMove() {
    if (tooltip_ != nullptr && rowUnderPointer() != tipRow_)
        SendMessageW(tooltip_, TTM_UPDATE, 0, 0);
}

// The menu opens at the pointer after a right click; from the keyboard
// (Shift+F10, the menu key) below the selected row, else at the list's corner.
void MainWindow::onListRightClick(bool fromKeyboard) {
    POINT at{};
    GetCursorPos(&at);
    if (fromKeyboard) {
        HWND list = item(kGameList);
        RECT place{};
        const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
        if (row >= 0 && ListView_GetItemRect(list, row, &place, LVIR_LABEL))
            at = POINT{place.left, place.bottom};
        else
            at = POINT{0, 0};
        ClientToScreen(list, &at);
    }
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
