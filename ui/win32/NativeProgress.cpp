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
    // Enter presses the one button, as Space and Esc do.
    SendMessageW(window_, DM_SETDEFID, control::kProgressButton, 0);
    SendDlgItemMessageW(window_, control::kProgressBar, PBM_SETRANGE32, 0, ProgressState::kBarMax);
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
            // IDOK: Enter, when the dialog manager finds no default button.
            if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
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
    change([](ProgressState& state, auto) { state.dismiss(); });
    if (dismissed_)
        dismissed_();
}

void NativeProgress::beginJob(const ProgressJob& job) {
    change([&job](ProgressState& state, auto) { state.begin(job); });
}

void NativeProgress::finishJob(const std::string& outcome) {
    change([&outcome](ProgressState& state, auto now) { state.finish(outcome, now); });
}

void NativeProgress::change(
    const std::function<void(ProgressState&, ProgressState::Clock::time_point)>& step) {
    {
        std::lock_guard lock(stateLock_);
        const ProgressState::Clock::time_point now = ProgressState::Clock::now();
        step(state_, now);
        std::optional<ProgressDisplay> view = state_.take(now);
        if (!view)
            return;
        latest_ = *view;
    }
    runOnWindowThread(window_, [this] { drawLatest(); });
}

void NativeProgress::drawLatest() {
    ProgressDisplay view;
    {
        std::lock_guard lock(stateLock_);
        view = latest_;
    }
    SetDlgItemTextW(window_, control::kProgressText, widen(view.line).c_str());
    SendDlgItemMessageW(window_, control::kProgressBar, PBM_SETPOS, view.bar, 0);
    SetDlgItemTextW(window_, control::kProgressButton, widen(view.caption).c_str());
    const bool shown = IsWindowVisible(window_) != FALSE;
    if (view.visible && !shown) {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    } else if (!view.visible && shown) {
        SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ShowWindow(window_, SW_HIDE);
    }
    if (view.visible && lineShown)
        lineShown(view.line);
}

void NativeProgress::show() {
    change([](ProgressState& state, auto) { state.show(); });
}

void NativeProgress::restore() {
    runOnWindowThread(window_, [this] {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    });
}

void NativeProgress::hide() {
    change([](ProgressState& state, auto) { state.hide(); });
}

void NativeProgress::setSize(std::uint64_t bytes) {
    change([bytes](ProgressState& state, auto) { state.setSize(bytes); });
}

void NativeProgress::setRange(int upper) {
    change([upper](ProgressState& state, auto now) { state.setRange(upper, now); });
}

void NativeProgress::setPosition(int position) {
    change([position](ProgressState& state, auto) { state.setPosition(position); });
}

void NativeProgress::setText(const std::string& text) {
    change([&text](ProgressState& state, auto) { state.setText(text); });
}

void NativeProgress::bringToFront() {
    change([](ProgressState& state, auto) { state.show(); });
    runOnWindowThread(window_, [this] {
        RECT frame{};
        GetWindowRect(window_, &frame);
        SetWindowPos(window_, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_SHOWWINDOW);
        SetForegroundWindow(window_);
    });
}

void NativeProgress::setButtonCaption(const std::string& caption) {
    change([&caption](ProgressState& state, auto now) { state.setButtonCaption(caption, now); });
}

bool NativeProgress::mayWait() const {
    // Only a worker waits for a busy drive; the window's own thread must go on answering.
    return GetWindowThreadProcessId(window_, nullptr) != GetCurrentThreadId();
}
