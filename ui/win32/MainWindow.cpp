// The main window's dialog, its loop, and the messages it forwards to the core.

#include "ui/win32/MainWindow.h"

#include "zt_version.h"

#include "platform/Drives.h"
#include "platform/WideWin32.h"
#include "ui/ControlIds.h"
#include "ui/ImageChoice.h"
#include "ui/WindowPlacement.h"
#include "ui/WindowTemplates.h"
#include "ui/win32/AnswerKeys.h"
#include "ui/win32/DialogBuilder.h"
#include "ui/win32/Resources.h"

namespace ui::win32 {

using namespace platform;
using namespace install;
using namespace report;
using namespace disk;
using namespace library;
using namespace store;

using platform::win32::narrow;
using namespace control;

namespace {

constexpr UINT kAboutCommand = 0x0010;

}  // namespace

MainWindow::MainWindow(DriveList& drives, VolumeService& volumes, WindowLog& log)
    : drives_(drives), volumes_(volumes), log_(log) {}

MainWindow::~MainWindow() {
    // The jobs end before the windows they report to.
    core_.reset();
}

void MainWindow::run() {
    const std::vector<WORD> words = buildDialogTemplate(
        mainTemplate(),
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_CENTER,
        WS_EX_APPWINDOW | WS_EX_ACCEPTFILES);
    CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                               reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), nullptr, dialogProc,
                               reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr)
        return;
    cascadeFromOthers();
    ShowWindow(window_, SW_SHOW);
    // The program's loop: the keys of each dialog (Tab, Enter, Esc) go to it,
    // the progress windows' too, which a modal main window would keep to itself.
    MSG message{};
    while (!ended_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (isHeldAnswerKey(message))
            continue;
        if (message.message == WM_MOUSEMOVE && message.hwnd == item(kGameList))
            onListMouseMove();
        bool handled = false;
        for (HWND dialog : {progress_->handle(), copyProgress_->handle(), window_})
            handled = handled || IsDialogMessageW(dialog, &message);
        if (!handled) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void MainWindow::cascadeFromOthers() {
    struct Search {
        HWND self;
        std::wstring title;
        std::vector<ScreenRect> others;
    } search{window_, std::wstring(256, L'\0'), {}};
    search.title.resize(static_cast<std::size_t>(
        GetWindowTextW(window_, search.title.data(), static_cast<int>(search.title.size()))));
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            Search& found = *reinterpret_cast<Search*>(data);
            std::wstring text(256, L'\0');
            text.resize(static_cast<std::size_t>(
                GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
            RECT place{};
            if (window != found.self && IsWindowVisible(window) && text == found.title &&
                GetWindowRect(window, &place))
                found.others.push_back(
                    {place.left, place.top, place.right - place.left, place.bottom - place.top});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    RECT own{};
    RECT area{};
    if (search.others.empty() || !GetWindowRect(window_, &own) ||
        !SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        return;
    const ScreenRect frame{own.left, own.top, own.right - own.left, own.bottom - own.top};
    const ScreenRect placed = offsetFromOthers(
        frame, search.others, GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME),
        {area.left, area.top, area.right - area.left, area.bottom - area.top});
    if (placed.x != frame.x || placed.y != frame.y)
        SetWindowPos(window_, nullptr, placed.x, placed.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::closeWindow() {
    ended_ = true;
    ShowWindow(progress_->handle(), SW_HIDE);
    ShowWindow(copyProgress_->handle(), SW_HIDE);
    DestroyWindow(window_);
}

void MainWindow::after(int milliseconds, std::function<void()> task) {
    const UINT_PTR id = nextTimer_++;
    timers_[id] = std::move(task);
    SetTimer(window_, id, static_cast<UINT>(milliseconds), nullptr);
}

void MainWindow::onTimer(UINT_PTR id) {
    KillTimer(window_, id);
    const auto found = timers_.find(id);
    if (found == timers_.end())
        return;
    const std::function<void()> task = std::move(found->second);
    timers_.erase(found);
    task();
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
    return self == nullptr || !self->core_ ? FALSE : self->handle(message, wParam, lParam);
}

INT_PTR MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return onCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<NMHDR*>(lParam)) ? TRUE : FALSE;
        case WM_CONTEXTMENU:
            // The mouse's right click is the list's NM_RCLICK; this is the keyboard's.
            if (lParam == -1 && reinterpret_cast<HWND>(wParam) == item(kGameList)) {
                core_->onContextMenu(true);
                return TRUE;
            }
            return FALSE;
        case WM_SYSCOMMAND:
            // "About zt(&A)..." has nothing behind it.
            return (wParam & 0xFFF0) == kAboutCommand ? TRUE : FALSE;
        case WM_CLOSE:
            core_->OnClose();
            return TRUE;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE)
                core_->onActivated();
            return FALSE;
        case WM_DROPFILES:
            onDropFiles(reinterpret_cast<HDROP>(wParam));
            return TRUE;
        case WM_TIMER:
            onTimer(wParam);
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return colorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case kRunOnWindowThread:
            runSentWork(lParam);
            return TRUE;
        case kPostedWork:
            NativeWindowThread::runPosted(lParam);
            return TRUE;
        default:
            return FALSE;
    }
}

// The labels on the tab control show its page through them. The status
// line lies below the tab control and keeps the dialog's colour, so that a
// new text paints over the old one.
INT_PTR MainWindow::colorStatic(HDC context, HWND control) {
    if (control == item(kStatusLine))
        return FALSE;
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

int MainWindow::focusedControl() const {
    HWND focus = GetFocus();
    return focus != nullptr && IsChild(window_, focus) ? GetDlgCtrlID(focus) : 0;
}

bool MainWindow::onCommand(int id, int code) {
    const auto index = [this, id] {
        return static_cast<int>(SendDlgItemMessageW(window_, id, CB_GETCURSEL, 0, 0));
    };
    switch (id) {
        case IDOK:
            core_->onKey(WindowKey::Enter, focusedControl());
            return true;
        case IDCANCEL:
            core_->onKey(WindowKey::Escape, focusedControl());
            return true;
        case kStartButton:
        case kFormatButton:
            if (code == BN_CLICKED)
                core_->onCommand(id);
            return true;
        case kDriveCombo:
            if (code == CBN_SELENDOK)
                core_->onDriveChosen(index());
            else if (code == CBN_DROPDOWN)
                core_->onDrivePopup();
            return true;
        case kSourceCombo:
            if (code == CBN_SELENDOK)
                core_->onSourceChosen(index());
            else if (code == CBN_DROPDOWN)
                core_->onSourcePopup();
            return true;
        case kLinkPlaceholder:
            if (code == STN_CLICKED)
                core_->openWebSite();
            return true;
        case kStatusLine:
            if (code == STN_CLICKED)
                core_->onStatusLineClicked();
            return true;
        default:
            return false;
    }
}

bool MainWindow::onNotify(NMHDR& header) {
    if (header.hwndFrom == tooltip_ && header.code == TTN_GETDISPINFOW) {
        auto& tip = reinterpret_cast<NMTTDISPINFOW&>(header);
        if (reinterpret_cast<HWND>(header.idFrom) == item(kSourceCombo))
            tipForSource(tip);
        else
            tipForRow(tip);
        return true;
    }
    if (header.idFrom == static_cast<UINT_PTR>(kTabs) && header.code == TCN_SELCHANGE) {
        core_->onTabChanged(
            static_cast<int>(SendDlgItemMessageW(window_, kTabs, TCM_GETCURSEL, 0, 0)));
        return true;
    }
    if (header.idFrom != static_cast<UINT_PTR>(kGameList))
        return false;
    switch (header.code) {
        case NM_CLICK:
            core_->onGameClicked(reinterpret_cast<NMITEMACTIVATE&>(header).iItem);
            return true;
        case NM_RCLICK:
            core_->onContextMenu(false);
            return true;
        case NM_CUSTOMDRAW:
            SetWindowLongPtrW(window_, DWLP_MSGRESULT,
                              drawListRow(reinterpret_cast<NMLVCUSTOMDRAW&>(header)));
            return true;
        case LVN_KEYDOWN: {
            const WORD key = reinterpret_cast<NMLVKEYDOWN&>(header).wVKey;
            if (key == VK_DELETE || key == VK_F2)
                core_->onKey(key == VK_DELETE ? WindowKey::Delete : WindowKey::F2, kGameList);
            return true;
        }
        default:
            return false;
    }
}

void MainWindow::onInitDialog() {
    progress_ = std::make_unique<NativeProgress>(window_, progressTemplate().caption, [this] {
        if (core_)
            core_->onProgressDismissed();
    });
    copyProgress_ = std::make_unique<NativeProgress>(window_, kCopyProgressTitle, nullptr);
    status_ = std::make_unique<NativeStatusLine>(item(kStatusLine));
    // While the job's progress window shows, the status line says what it says.
    progress_->lineShown = [this](const std::string& line) { status_->setText(line); };
    boxes_ = std::make_unique<NativeBoxes>(window_, [this] {
        // In front of the program's frontmost window.
        if (copyProgress_->visible())
            return copyProgress_->handle();
        return progress_->visible() ? progress_->handle() : window_;
    });
    thread_ = std::make_unique<NativeWindowThread>(window_);

    addSystemMenuItem();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(kAppIcon)); icon != nullptr) {
        SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    addPicture();

    CoreServices services;
    services.drives = &drives_;
    services.volumes = &volumes_;
    services.canWriteDevice = canWriteOnThisSystem;
    services.websiteUrl = ZT_WEBSITE_URL;
    core_ = std::make_unique<MainWindowCore>(*this, std::move(services), log_);
    core_->init();
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

void MainWindow::addPicture() {
    if (HANDLE picture = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAboutBitmap),
                                    IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
        picture != nullptr)
        SendDlgItemMessageW(window_, kAboutPicture, STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(picture));
}

void MainWindow::onDropFiles(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(narrow(path));
    }
    DragFinish(drop);
    core_->onImagesDropped(droppedImages(paths));
}

}  // namespace ui::win32
