// The main window's list of installed games: its columns and rows, a game
// that is not sound drawn in red with its tooltip, and the context menu.

#include <algorithm>

#include "platform/WideWin32.h"
#include "ui/ControlIds.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Resources.h"

namespace ui::win32 {

using namespace platform;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace store;

using platform::win32::widen;
using namespace control;

void MainWindow::setColumns(std::span<const ListColumn> columns) {
    HWND list = item(kGameList);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const ListColumn& each : columns) {
        std::wstring title = widen(each.title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = each.width;
        column.pszText = title.data();
        SendMessageW(list, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&column));
    }
    if (tooltip_ == nullptr)
        addListTooltip();
}

void MainWindow::setGames(const std::vector<ListedGame>& rows) {
    HWND list = item(kGameList);
    ListView_DeleteAllItems(list);
    games_ = rows;
    for (const ListedGame& row : rows) {
        std::wstring name = widen(row.text);
        std::wstring size = widen(row.size);
        LVITEMW cell{};
        cell.mask = LVIF_TEXT;
        cell.iItem = ListView_GetItemCount(list);
        cell.pszText = name.data();
        const int index = static_cast<int>(
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&cell)));
        cell.iItem = index;
        cell.iSubItem = 1;
        cell.pszText = size.data();
        SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&cell));
    }
    // The first row carries the focus mark, so that the list shows where the
    // arrow keys start from once it has the keyboard focus.
    if (!rows.empty())
        ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

void MainWindow::setGameTooltip(int row, const std::string& tooltip) {
    if (row >= 0 && row < static_cast<int>(games_.size()))
        games_[static_cast<std::size_t>(row)].tooltip = tooltip;
}

LRESULT MainWindow::drawListRow(NMLVCUSTOMDRAW& draw) const {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        if (row < games_.size() && games_[row].flawed)
            draw.clrText = RGB(255, 0, 0);
    }
    return CDRF_DODEFAULT;
}

// The list's tooltip asks for its text whenever it shows: that of the row
// under the pointer; none where the row has none.
void MainWindow::addListTooltip() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(item(kGameList));
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.uId = reinterpret_cast<UINT_PTR>(item(kSourceCombo));
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
    tipText_ = tipRow_ >= 0 && row < games_.size() ? widen(games_[row].tooltip) : std::wstring();
    tip.lpszText = tipText_.data();
}

void MainWindow::tipForSource(NMTTDISPINFOW& tip) {
    const auto index = SendMessageW(item(kSourceCombo), CB_GETCURSEL, 0, 0);
    tipText_ = index >= 0 && static_cast<std::size_t>(index) < sources_.size()
                   ? widen(sources_[static_cast<std::size_t>(index)].tooltip)
                   : std::wstring();
    tip.lpszText = tipText_.data();
}

// A move onto another row asks the tooltip for that row's text.
void MainWindow::onListMouseMove() {
    if (tooltip_ != nullptr && rowUnderPointer() != tipRow_)
        SendMessageW(tooltip_, TTM_UPDATE, 0, 0);
}

namespace {

// Menu 134's popup, loaded from the resources, with the core's items beyond
// its own after them; the core's rows alone when the resource is missing.
// The caller destroys the returned menu.
HMENU loadGameMenu(std::span<const MenuRow> rows, HMENU& popup) {
    HMENU loaded = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kContextMenu));
    popup = loaded != nullptr ? GetSubMenu(loaded, 0) : nullptr;
    if (popup == nullptr) {
        if (loaded != nullptr)
            DestroyMenu(loaded);
        loaded = CreatePopupMenu();
        popup = loaded;
    }
    if (popup == nullptr)
        return nullptr;
    const int own = std::max(0, GetMenuItemCount(popup));
    for (std::size_t i = static_cast<std::size_t>(own); i < rows.size(); ++i) {
        const MenuRow& row = rows[i];
        if (row.text == nullptr)
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(row.command),
                        widen(row.text).c_str());
    }
    return loaded;
}

}  // namespace

// The menu opens at the pointer after a right click; from the keyboard
// below the selected row, else at the list's corner. Its first items are
// menu 134's, the core's others after them.
int MainWindow::popUpMenu(std::span<const MenuRow> rows, bool atSelection) {
    POINT at{};
    GetCursorPos(&at);
    if (atSelection) {
        HWND list = item(kGameList);
        RECT place{};
        const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
        if (row >= 0 && ListView_GetItemRect(list, row, &place, LVIR_LABEL))
            at = POINT{place.left, place.bottom};
        else
            at = POINT{0, 0};
        ClientToScreen(list, &at);
    }
    HMENU popup = nullptr;
    HMENU menu = loadGameMenu(rows, popup);
    if (menu == nullptr)
        return 0;
    // The row's tooltip would cover the menu's first items: it stays away
    // while the menu is open.
    if (tooltip_ != nullptr) {
        SendMessageW(tooltip_, TTM_POP, 0, 0);
        SendMessageW(tooltip_, TTM_ACTIVATE, FALSE, 0);
    }
    const int command = static_cast<int>(TrackPopupMenu(
        popup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x,
        at.y, 0, window_, nullptr));
    if (tooltip_ != nullptr)
        SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    DestroyMenu(menu);
    return command;
}

}  // namespace ui::win32
