// The main window's controls as the core fills, enables and reads them, and
// the dialogs it runs.

#include <algorithm>

#include "platform/WideWin32.h"
#include "ui/ControlIds.h"
#include "ui/WindowTemplates.h"
#include "ui/WindowTexts.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Resources.h"
#include "ui/win32/SmallDialogs.h"

namespace ui::win32 {

using namespace platform;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace store;

using platform::win32::narrow;
using platform::win32::widen;
using namespace control;

namespace {

COLORREF colourOf(unsigned rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// A combo box's items, in the order given (the template's boxes sort what
// is added, not what is inserted at a place).
void fillCombo(HWND combo, const std::vector<std::wstring>& items, int selected) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < items.size(); ++i)
        SendMessageW(combo, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(items[i].c_str()));
    SendMessageW(combo, CB_SETCURSEL, selected, 0);
}

}  // namespace

void MainWindow::setTabs(const std::vector<std::string>& captions) {
    int index = 0;
    for (const std::string& caption : captions) {
        std::wstring text = widen(caption);
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = text.data();
        SendDlgItemMessageW(window_, kTabs, TCM_INSERTITEMW, index++,
                            reinterpret_cast<LPARAM>(&tab));
    }
}

void MainWindow::setMediaTypes(const std::vector<std::string>& items) {
    std::vector<std::wstring> wide;
    for (const std::string& text : items)
        wide.push_back(widen(text));
    fillCombo(item(kMediaCombo), wide, -1);
}

// The link is a label of its own on the placeholder (1028), so that it
// shows and hides with it.
void MainWindow::setLink(const LinkLook& look, const std::string& url) {
    linkParams = HyperlinkLabelParams{};
    linkParams.parent = item(kLinkPlaceholder);
    linkParams.width = look.width;
    linkParams.height = look.height;
    linkParams.faceName = widen(look.face);
    linkParams.fontHeight = look.fontHeight;
    linkParams.bold = look.bold;
    linkParams.underline = look.underline;
    linkParams.normalColour = colourOf(look.normalColour);
    linkParams.hoverColour = colourOf(look.hoverColour);
    linkParams.useCursor = true;
    // The program's pointing hand, else the system's.
    linkParams.cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kHandCursor));
    if (linkParams.cursor == nullptr)
        linkParams.cursor = LoadCursorW(nullptr, IDC_HAND);
    linkParams.onClick = [this](int) { core_->openWebSite(); };
    linkParams.text = widen(url);
    link.create(linkParams);
}

void MainWindow::setSources(const std::vector<SourceRow>& rows, int selected) {
    sources_ = rows;
    std::vector<std::wstring> shown;
    for (const SourceRow& row : rows)
        shown.push_back(widen(row.text));
    HWND combo = item(kSourceCombo);
    fillCombo(combo, shown, selected);
    // The list that drops down is as wide as its longest name.
    HDC context = GetDC(combo);
    HGDIOBJ former =
        SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const std::wstring& text : shown) {
        SIZE size{};
        if (GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size))
            widest = std::max(widest, size.cx);
    }
    SelectObject(context, former);
    ReleaseDC(combo, context);
    SendMessageW(combo, CB_SETDROPPEDWIDTH,
                 static_cast<WPARAM>(widest + 2 * GetSystemMetrics(SM_CXVSCROLL)), 0);
}

void MainWindow::setDrives(const std::vector<DriveRow>& rows, int selected) {
    std::vector<std::wstring> shown;
    for (const DriveRow& row : rows)
        shown.push_back(widen(row.text));
    fillCombo(item(kDriveCombo), shown, selected);
}

void MainWindow::setMedia(int index) {
    SendDlgItemMessageW(window_, kMediaCombo, CB_SETCURSEL, index, 0);
}

void MainWindow::setControlText(int id, const std::string& text) {
    SetDlgItemTextW(window_, id, widen(text).c_str());
}

void MainWindow::showControl(int id, bool show) {
    ShowWindow(item(id), show ? SW_SHOW : SW_HIDE);
}

// A control is enabled when the window takes input and the core has not
// disabled it on its own.
void MainWindow::applyEnabled(int id) {
    const bool enable = inputEnabled_ && !disabled_[id];
    EnableWindow(item(id), enable ? TRUE : FALSE);
}

void MainWindow::enableControl(int id, bool enable) {
    disabled_[id] = !enable;
    applyEnabled(id);
}

// The window itself stays enabled during a job, so that its close box still
// asks; its controls are what is disabled. The status line still brings the
// progress window back.
void MainWindow::enableInput(bool enable) {
    inputEnabled_ = enable;
    for (const ControlRow& row : mainTemplate().controls) {
        if (row.id != kNoControlId && row.id != kStatusLine)
            applyEnabled(row.id);
    }
}

void MainWindow::bringToFront() {
    if (IsWindowVisible(window_))
        SetForegroundWindow(window_);
}

std::string MainWindow::controlText(int id) const {
    HWND control = item(id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    const int length = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length));
    return narrow(text);
}

WindowInput MainWindow::input() const {
    const auto selected = [this](int id) {
        return static_cast<int>(SendDlgItemMessageW(window_, id, CB_GETCURSEL, 0, 0));
    };
    WindowInput now;
    now.source = selected(kSourceCombo);
    now.drive = selected(kDriveCombo);
    now.media = selected(kMediaCombo);
    now.gameName = controlText(kGameNameEdit);
    HWND list = item(kGameList);
    const int row = ListView_GetSelectionMark(list);
    now.selectedGame = row >= 0 && ListView_GetItemState(list, row, LVIS_SELECTED) != 0 ? row : -1;
    return now;
}

std::string MainWindow::chooseDrive(const std::vector<DriveRow>& rows) {
    return ui::win32::chooseDrive(window_, rows);
}

std::optional<std::string> MainWindow::askNewName() {
    std::string name;
    if (!ui::win32::askNewName(window_, name))
        return std::nullopt;
    return name;
}

std::vector<std::string> MainWindow::chooseFiles(const FileDialogLook& dialog) {
    FileChoice chosen = ui::win32::chooseFiles(window_, dialog);
    if (chosen.tooMany)
        boxes().show(kTooManyImagesChosen);
    return std::move(chosen.paths);
}

bool MainWindow::openUrl(const std::string& url) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", widen(url).c_str(), nullptr, nullptr, SW_SHOW));
    return result > 32;
}

}  // namespace ui::win32
