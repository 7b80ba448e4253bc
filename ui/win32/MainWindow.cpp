// The main window's pages, drive boxes and message routing.

#include "ui/win32/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include "zt_version.h"

#include "platform/WideWin32.h"
#include "store/DriveRoot.h"
#include "ui/ControlIds.h"
#include "ui/DriveOrder.h"
#include "ui/ImageChoice.h"
#include "ui/WindowTemplates.h"
#include "ui/win32/DialogBuilder.h"
#include "ui/win32/SmallDialogs.h"
#include "ui/win32/Resources.h"
#include "ui/win32/WindowThread.h"

using platform::win32::narrow;
using platform::win32::widen;
using namespace control;

namespace {

constexpr const wchar_t* kImageFileItem = L"Image file...";
constexpr LPARAM kImageItemData = -1;
constexpr UINT kAboutCommand = 0x0010;

const char* const kFormatPageText =
    "The USB hard drive need to do Initialise and create a NTFS partition with maximum size in "
    "the WindowsXP Disk Management first!\n\nThe USB hard drive is locked while formatting so "
    "make sure no files are open or window explorer isn't exploring the device!\n\nWARNING, ALL "
    "DATA ON USB HARD DRIVE WILL BE LOST!\n";

// The controls of each page, as the template lists them.
constexpr std::initializer_list<int> kInstallerPage = {
    kMediaCombo,  kDriveCombo,  kSourceCombo, kGameList,       kStartButton,  kStatusLine,
    kGameNameEdit, kSourceLabel, kMediaLabel, kDriveLabel, kGameNameLabel, kGameListLabel};
constexpr std::initializer_list<int> kFormatPage = {kFormatText, kFormatButton};
constexpr std::initializer_list<int> kAboutPage = {kAboutPicture, kLinkPlaceholder,
                                                   kWebSiteLabel};

}  // namespace

MainWindow::MainWindow(DriveList& drives, VolumeService& volumes, WindowLog& log)
    : drives_(drives), volumes_(volumes), log_(log) {}

MainWindow::~MainWindow() = default;

void MainWindow::run() {
    const std::vector<WORD> words =
        buildDialogTemplate(mainTemplate(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                                DS_MODALFRAME | DS_CENTER,
                            WS_EX_APPWINDOW | WS_EX_ACCEPTFILES);
    CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                               reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), nullptr,
                               dialogProc, reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr)
        return;
    ShowWindow(window_, SW_SHOW);
    // The program's loop: the keys of each dialog (Tab, Enter, Esc) go to it,
    // the progress windows' too, which a modal main window would keep to itself.
    MSG message{};
    while (!ended_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        bool handled = false;
        for (HWND dialog : {progress_->window(), copyProgress_->window(), window_})
            handled = handled || IsDialogMessageW(dialog, &message);
        if (!handled) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void MainWindow::endWindow() {
    ended_ = true;
    ShowWindow(progress_->window(), SW_HIDE);
    ShowWindow(copyProgress_->window(), SW_HIDE);
    DestroyWindow(window_);
}

INT_PTR CALLBACK MainWindow::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<MainWindow*>(lParam);
        self->window_ = window;
        self->onInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return self == nullptr ? FALSE : self->handle(message, wParam, lParam);
}

INT_PTR MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return onCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
        case WM_SYSCOMMAND:
            // "About zt(&A)..." has nothing behind it.
            if ((wParam & 0xFFF0) == kAboutCommand)
                return TRUE;
            return FALSE;
        case WM_CLOSE:
            onClose();
            return TRUE;
        case WM_DROPFILES:
            onDropFiles(reinterpret_cast<HDROP>(wParam));
            return TRUE;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == item(kLinkPlaceholder)) {
                // The program's pointing hand, else the system's.
                HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kHandCursor));
                SetCursor(hand != nullptr ? hand : LoadCursorW(nullptr, IDC_HAND));
                SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_CTLCOLORSTATIC:
            return colorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case kJobDone:
            NativeJob::done(lParam);
            return TRUE;
        case kRunOnWindowThread:
            runSentWork(lParam);
            return TRUE;
        default:
            return FALSE;
    }
}

// The labels on the tab control show its page through them; the link is blue.
// The status line lies below the tab control and keeps the dialog's colour,
// so that a new text paints over the old one.
INT_PTR MainWindow::colorStatic(HDC context, HWND control) {
    if (control == item(kStatusLine))
        return FALSE;
    if (control == item(kLinkPlaceholder))
        SetTextColor(context, RGB(0, 0, 255));
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

bool MainWindow::onCommand(int id, int code) {
    switch (id) {
        case IDOK:
        case IDCANCEL:
            return true;  // Enter and Escape leave the window open
        case kStartButton:
            onStart();
            return true;
        case kFormatButton:
            onFormat();
            return true;
        case kDriveCombo:
            if (code == CBN_SELENDOK)
                onDriveChanged();
            else if (code == CBN_DROPDOWN)
                fillDriveCombo();
            return true;
        case kSourceCombo:
            if (code == CBN_SELENDOK)
                onSourceChosen();
            else if (code == CBN_DROPDOWN)
                fillSourceCombo();
            return true;
        case kLinkPlaceholder:
            if (code == STN_CLICKED)
                openWebSite();
            return true;
        case kStatusLine:
            if (code == STN_CLICKED && busy_.load() == 1)
                progress_->show();
            return true;
        case kDeleteCommand:
            onDeleteGame();
            return true;
        case kRenameCommand:
            onRenameGame();
            return true;
        case kCopyCommand:
            onCopyGame();
            return true;
        default:
            return false;
    }
}

bool MainWindow::onNotify(const NMHDR& header) {
    if (header.idFrom == static_cast<UINT_PTR>(kTabs) && header.code == TCN_SELCHANGE) {
        onTabChanged();
        return true;
    }
    if (header.idFrom == static_cast<UINT_PTR>(kGameList)) {
        if (header.code == NM_RCLICK) {
            onListRightClick();
            return true;
        }
        if (header.code == LVN_KEYDOWN) {
            // The keys a file manager gives its list: Delete deletes, F2 renames.
            const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
            if (key == VK_DELETE)
                onDeleteGame();
            else if (key == VK_F2)
                onRenameGame();
            return true;
        }
    }
    return false;
}

void MainWindow::onInitDialog() {
    progress_ = std::make_unique<NativeProgress>(window_, "Install", [this] { giveWindowBack(); });
    copyProgress_ = std::make_unique<NativeProgress>(window_, "copy", nullptr);
    status_ = std::make_unique<NativeStatusLine>(item(kStatusLine));
    // While the job's progress window shows, the status line says what it says.
    progress_->lineShown = [this](const std::string& line) { status_->setText(line); };
    boxes_ = std::make_unique<NativeBoxes>(window_, [this] { return frontWindow(); });
    loggedBoxes_ = std::make_unique<LoggedBoxes>(*boxes_, log_);
    windowOut_ = std::make_unique<LogStream>(log_);

    SetDlgItemTextW(window_, kGameNameEdit, widen(kInitialGameName).c_str());
    addSystemMenuItem();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(kAppIcon)); icon != nullptr) {
        SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    insertTabs();
    fillSourceCombo();
    fillDriveCombo();
    for (const wchar_t* media : {L"CD", L"DVD"})
        SendDlgItemMessageW(window_, kMediaCombo, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(media));
    SendDlgItemMessageW(window_, kMediaCombo, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageW(window_, kSourceCombo, CB_SETCURSEL, 0, 0);
    lastSource_ = 0;
    setUpList();
    onDriveChanged();
    SetDlgItemTextW(window_, kLinkPlaceholder, widen(ZT_WEBSITE_URL).c_str());
    SetDlgItemTextW(window_, kFormatText, widen(kFormatPageText).c_str());
    if (HANDLE picture = LoadImageW(instance, MAKEINTRESOURCEW(kAboutBitmap), IMAGE_BITMAP, 0, 0,
                                    LR_DEFAULTCOLOR);
        picture != nullptr)
        SendDlgItemMessageW(window_, kAboutPicture, STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(picture));
    DragAcceptFiles(window_, TRUE);
}

void MainWindow::addSystemMenuItem() {
    wchar_t text[64] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), kAboutString, text, 64) <= 0)
        return;
    HMENU menu = GetSystemMenu(window_, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand, text);
}

void MainWindow::insertTabs() {
    int index = 0;
    for (const wchar_t* text : {L"Games Installer", L"Disk Format", L"About"}) {
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<wchar_t*>(text);
        SendDlgItemMessageW(window_, kTabs, TCM_INSERTITEMW, index++,
                            reinterpret_cast<LPARAM>(&tab));
    }
}

void MainWindow::showControls(std::initializer_list<int> ids, bool show) {
    for (int id : ids)
        ShowWindow(item(id), show ? SW_SHOW : SW_HIDE);
}

void MainWindow::onTabChanged() {
    const auto page = SendDlgItemMessageW(window_, kTabs, TCM_GETCURSEL, 0, 0);
    showControls(kInstallerPage, page != 1 && page != 2);
    showControls(kFormatPage, page == 1);
    showControls(kAboutPage, page == 2);
    if (page == 0)
        onDriveChanged();
}

std::string MainWindow::comboText(int id) const {
    const auto index = SendDlgItemMessageW(window_, id, CB_GETCURSEL, 0, 0);
    if (index < 0)
        return {};
    const auto length = SendDlgItemMessageW(window_, id, CB_GETLBTEXTLEN, index, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendDlgItemMessageW(window_, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return narrow(text);
}

std::string MainWindow::controlText(int id) const {
    HWND control = item(id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    const int length = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length));
    return narrow(text);
}

// Optical drives by letter and the images chosen this session, then "Image file...".
void MainWindow::fillSourceCombo() {
    HWND combo = item(kSourceCombo);
    const auto selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    const std::string current = selected >= 0 && selected < static_cast<LRESULT>(sources_.size())
                                    ? sources_[static_cast<std::size_t>(selected)]
                                    : std::string();
    sources_ = sourceItems(drives_.opticalDrives(), imageFiles_);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        // An optical drive shows as its letter: "\\.\D:" as "D:".
        const std::string& source = sources_[i];
        const std::string shown = source.rfind("\\\\.\\", 0) == 0 ? source.substr(4) : source;
        SendMessageW(combo, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(widen(shown).c_str()));
    }
    const auto imageItem = SendMessageW(combo, CB_INSERTSTRING, sources_.size(),
                                        reinterpret_cast<LPARAM>(kImageFileItem));
    SendMessageW(combo, CB_SETITEMDATA, imageItem, kImageItemData);
    int index = 0;
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (sources_[i] == current)
            index = static_cast<int>(i);
    }
    SendMessageW(combo, CB_SETCURSEL, index, 0);
}

void MainWindow::onSourceChosen() {
    const auto index = SendDlgItemMessageW(window_, kSourceCombo, CB_GETCURSEL, 0, 0);
    if (index < 0 || index < static_cast<LRESULT>(sources_.size())) {
        lastSource_ = static_cast<int>(index);
        return;
    }
    const std::string file = chooseImageFile(window_, imageFolder_);
    if (file.empty()) {
        SendDlgItemMessageW(window_, kSourceCombo, CB_SETCURSEL, lastSource_, 0);
        return;
    }
    pickImage(file);
}

void MainWindow::pickImage(const std::string& file) {
    bool known = false;
    for (const std::string& image : imageFiles_)
        known = known || image == file;
    if (!known)
        imageFiles_.push_back(file);
    imageFolder_ = folderOfImage(file);
    fillSourceCombo();
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (sources_[i] == file)
            lastSource_ = static_cast<int>(i);
    }
    SendDlgItemMessageW(window_, kSourceCombo, CB_SETCURSEL, lastSource_, 0);
    const std::string current = controlText(kGameNameEdit);
    const std::string name = gameNameForImage(current, filledGameName_, file);
    if (name != current) {
        SetDlgItemTextW(window_, kGameNameEdit, widen(name).c_str());
        filledGameName_ = name;
    }
}

void MainWindow::onDropFiles(HDROP drop) {
    // One file, as one image: anything else is not a source.
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        wchar_t path[MAX_PATH * 4] = {};
        if (DragQueryFileW(drop, 0, path, MAX_PATH * 4) > 0 &&
            (GetFileAttributesW(path) & FILE_ATTRIBUTE_DIRECTORY) == 0)
            pickImage(narrow(path));
    }
    DragFinish(drop);
}

void MainWindow::fillDriveCombo() {
    HWND combo = item(kDriveCombo);
    const std::string selected = comboText(kDriveCombo);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    driveDevices_.clear();
    int index = 0, at = 0;
    for (const FixedDrive& drive : drivesInOfferOrder(drives_.fixedDrives())) {
        if (drive.mountPoint == selected)
            index = at;
        driveDevices_.push_back(drive.device);
        SendMessageW(combo, CB_INSERTSTRING, at++,
                     reinterpret_cast<LPARAM>(widen(drive.mountPoint).c_str()));
    }
    SendMessageW(combo, CB_SETCURSEL, at > 0 ? index : -1, 0);
}

void MainWindow::onDriveChanged() {
    targetRoot_ = selectedDriveRoot();
    refreshGameList(targetRoot_);
}

std::string MainWindow::selectedDriveRoot() const {
    const std::string text = comboText(kDriveCombo);
    return text.empty() ? std::string() : normalizeRoot(text);
}

std::string MainWindow::selectedDriveDevice() const {
    const auto index = SendDlgItemMessageW(window_, kDriveCombo, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= static_cast<LRESULT>(driveDevices_.size()))
        return {};
    return driveDevices_[static_cast<std::size_t>(index)];
}

std::string MainWindow::installSource() const {
    const auto index = SendDlgItemMessageW(window_, kSourceCombo, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= static_cast<LRESULT>(sources_.size()))
        return {};
    return sources_[static_cast<std::size_t>(index)];
}

// During a job the window stays enabled, so that its close box still asks;
// its controls are what is disabled.
void MainWindow::setControlsEnabled(bool enable) {
    for (const ControlRow& row : mainTemplate().controls) {
        if (row.id != kNoControlId && row.id != kStatusLine)
            EnableWindow(item(row.id), enable ? TRUE : FALSE);
    }
}
