#include "ui/win32/NativeProgress.h"

#include <commctrl.h>

#include <vector>

#include "platform/WideWin32.h"
#include "ui/ControlIds.h"
#include "ui/WindowTemplates.h"
#include "ui/win32/DialogBuilder.h"
#include "ui/win32/WindowThread.h"

using platform::win32::widen;

NativeProgress::NativeProgress(HWND owner, const std::string& title,
                               std::function<void()> dismissed)
    : dismissed_(std::move(dismissed)) {
    const std::vector<WORD> words = buildDialogTemplate(
        progressTemplate(), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, WS_EX_TOOLWINDOW);
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                         reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner,
                                         dialogProc, reinterpret_cast<LPARAM>(this));
    SetWindowTextW(window_, widen(title).c_str());
}

NativeProgress::~NativeProgress() {
    if (window_ != nullptr)
        DestroyWindow(window_);
}

INT_PTR CALLBACK NativeProgress::dialogProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<NativeProgress*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr)
        return FALSE;
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                self->onCancel();
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            self->onCancel();
            return TRUE;
        case kRunOnWindowThread:
            runSentWork(lParam);
            return TRUE;
        default:
            return FALSE;
    }
}

void NativeProgress::onCancel() {
    cancel_.store(1);
    SendDlgItemMessageW(window_, control::kProgressBar, PBM_SETPOS, 0, 0);
    SetDlgItemTextW(window_, control::kProgressButton, L"Cancel");
    SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(window_, SW_HIDE);
    if (dismissed_)
        dismissed_();
}

void NativeProgress::show() {
    runOnWindowThread(window_, [this] {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    });
}

void NativeProgress::restore() {
    runOnWindowThread(window_, [this] {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    });
}

void NativeProgress::hide() {
    runOnWindowThread(window_, [this] {
        SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ShowWindow(window_, SW_HIDE);
    });
}

void NativeProgress::setRange(int upper) {
    SendDlgItemMessageW(window_, control::kProgressBar, PBM_SETRANGE32, 0, upper);
}

void NativeProgress::setPosition(int position) {
    SendDlgItemMessageW(window_, control::kProgressBar, PBM_SETPOS, position, 0);
}

void NativeProgress::setText(const std::string& text) {
    const std::wstring wide = widen(text);
    runOnWindowThread(window_,
                      [&] { SetDlgItemTextW(window_, control::kProgressText, wide.c_str()); });
}

void NativeProgress::bringToFront() {
    runOnWindowThread(window_, [this] {
        RECT frame{};
        GetWindowRect(window_, &frame);
        SetWindowPos(window_, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_SHOWWINDOW);
        SetForegroundWindow(window_);
    });
}

void NativeProgress::setButtonCaption(const std::string& caption) {
    const std::wstring wide = widen(caption);
    runOnWindowThread(window_,
                      [&] { SetDlgItemTextW(window_, control::kProgressButton, wide.c_str()); });
}

bool NativeProgress::mayWait() const {
    // Only a worker waits for a busy drive; the window's own thread must go on answering.
    return GetWindowThreadProcessId(window_, nullptr) != GetCurrentThreadId();
}
