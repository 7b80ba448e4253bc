#include "ui/win32/NativeProgress.h"

#include <commctrl.h>

#include <vector>

#include "platform/WideWin32.h"
#include "ui/ControlIds.h"
#include "ui/WindowTemplates.h"
#include "ui/win32/DialogBuilder.h"
#include "ui/win32/WindowThread.h"

namespace ui::win32 {

using namespace platform;
using namespace report;
using namespace install;
using namespace store;

using platform::win32::widen;

NativeProgress::NativeProgress(HWND owner, const std::string& title,
                               std::function<void()> dismissed)
    : dismissed_(std::move(dismissed)),
      model_([this] { runOnWindowThread(window_, [this] { drawLatest(); }); }) {
    const std::vector<WORD> words = buildDialogTemplate(
        progressTemplate(), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER,
        WS_EX_TOOLWINDOW);
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                         reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner,
                                         dialogProc, reinterpret_cast<LPARAM>(this));
    SetWindowTextW(window_, widen(title).c_str());
    // Enter presses the one button, as Space and Esc do.
    SendMessageW(window_, DM_SETDEFID, control::kProgressButton, 0);
    SendDlgItemMessageW(window_, control::kProgressBar, PBM_SETRANGE32, 0, ProgressState::kBarMax);
    RECT text{};
    GetClientRect(GetDlgItem(window_, control::kProgressText), &text);
    textHeight_ = text.bottom;
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
    model_.dismiss();
    if (dismissed_)
        dismissed_();
}

void NativeProgress::beginJob(const ProgressJob& job) {
    model_.beginJob(job);
}

void NativeProgress::finishJob(const std::string& outcome) {
    model_.finishJob(outcome);
}

void NativeProgress::drawLatest() {
    const ProgressDisplay view = model_.latest();
    const std::wstring line = widen(view.line);
    if (view.visible)
        fitText(line);
    SetDlgItemTextW(window_, control::kProgressText, line.c_str());
    SendDlgItemMessageW(window_, control::kProgressBar, PBM_SETPOS, view.bar, 0);
    SetDlgItemTextW(window_, control::kProgressButton, widen(view.caption).c_str());
    const bool shown = IsWindowVisible(window_) != FALSE;
    if (view.visible && !shown) {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    } else if (!view.visible && shown) {
        SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ShowWindow(window_, SW_HIDE);
        growBy(-grown_);
    }
    if (view.visible && lineShown)
        lineShown(view.line);
}

// Grows only while the window shows, so that a line that changes its
// length from draw to draw does not make the window jump.
void NativeProgress::fitText(const std::wstring& text) {
    HWND label = GetDlgItem(window_, control::kProgressText);
    RECT area{};
    GetClientRect(label, &area);
    RECT needed{0, 0, area.right, 0};
    HDC context = GetDC(label);
    HGDIOBJ before =
        SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    // As the static control breaks its text (SS_LEFT).
    DrawTextW(context, text.c_str(), -1, &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(context, before);
    ReleaseDC(label, context);
    const int extra = needed.bottom - textHeight_;
    if (extra > grown_)
        growBy(extra - grown_);
}

// The text line taller by `pixels`, the bar and the button lower, the window taller.
void NativeProgress::growBy(int pixels) {
    if (pixels == 0)
        return;
    const auto resize = [](HWND control, int x, int y, int width, int height) {
        SetWindowPos(control, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    for (const int id : {control::kProgressText, control::kProgressBar, control::kProgressButton}) {
        HWND control = GetDlgItem(window_, id);
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
        if (id == control::kProgressText)
            resize(control, place.left, place.top, place.right - place.left,
                   place.bottom - place.top + pixels);
        else
            resize(control, place.left, place.top + pixels, place.right - place.left,
                   place.bottom - place.top);
    }
    RECT frame{};
    GetWindowRect(window_, &frame);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top + pixels, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    grown_ += pixels;
}

void NativeProgress::show() {
    model_.show();
}

void NativeProgress::restore() {
    runOnWindowThread(window_, [this] {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    });
}

void NativeProgress::hide() {
    model_.hide();
}

void NativeProgress::setSize(std::uint64_t bytes) {
    model_.setSize(bytes);
}

void NativeProgress::setRange(int upper) {
    model_.setRange(upper);
}

void NativeProgress::setPosition(int position) {
    model_.setPosition(position);
}

void NativeProgress::setText(const std::string& text) {
    model_.setText(text);
}

void NativeProgress::bringToFront() {
    model_.show();
    runOnWindowThread(window_, [this] {
        RECT frame{};
        GetWindowRect(window_, &frame);
        SetWindowPos(window_, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_SHOWWINDOW);
        SetForegroundWindow(window_);
    });
}

void NativeProgress::setButtonCaption(const std::string& caption) {
    model_.setButtonCaption(caption);
}

bool NativeProgress::mayWait() const {
    // Only a worker waits for a busy drive; the window's own thread must go on answering.
    return GetWindowThreadProcessId(window_, nullptr) != GetCurrentThreadId();
}

}  // namespace ui::win32
