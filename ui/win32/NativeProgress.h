#pragma once
// The progress window (template 132): modeless, owned by the main window,
// hidden until a job shows it. Its button reads "Cancel" while a job runs
// and "OK" after a success; either way it asks the job to stop, resets the
// bar and the caption, gives the main window back and hides. The jobs drive
// it from their worker threads through the ProgressWindow interface; the
// window core stops, hides and restores it as a ProgressView; what it says
// and when comes from the core's ui/ProgressModel.

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "report/FrontEnd.h"
#include "ui/ProgressModel.h"
#include "ui/WindowView.h"

namespace ui::win32 {

class NativeProgress : public report::ProgressWindow, public ProgressView {
  public:
    // `dismissed` runs on the window thread when the button (or Esc, or the
    // close box) put the window away.
    NativeProgress(HWND owner, const std::string& title, std::function<void()> dismissed);
    ~NativeProgress() override;
    NativeProgress(const NativeProgress&) = delete;
    NativeProgress& operator=(const NativeProgress&) = delete;

    HWND handle() const { return window_; }
    bool visible() const { return IsWindowVisible(window_) != FALSE; }

    // As the window core handles it.
    report::ProgressWindow& window() override { return *this; }
    void stopForClose() override { closing_.store(true); }
    void hideWindow() override { hide(); }
    void restore() override;
    bool shown() const override { return visible(); }
    // Given the text line of the shown window, on the window thread.
    std::function<void(const std::string&)> lineShown;

    void show() override;
    void hide() override;
    void setRange(int upper) override;
    void setSize(std::uint64_t bytes) override;
    void setPosition(int position) override;
    void setText(const std::string& text) override;
    void bringToFront() override;
    void setButtonCaption(const std::string& caption) override;
    bool cancelRequested() const override { return cancel_.load() != 0 || closing_.load(); }
    void clearCancel() override { cancel_.store(0); }
    bool mayWait() const override;

    // The button's action (also Esc and the close box).
    void onCancel();

    void beginJob(const ProgressJob& job) override;
    void finishJob(const std::string& outcome) override;

  private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Draws the model's latest view, on the window thread.
    void drawLatest();
    // The text line takes as many lines as `text` needs at its width (a
    // queue's line is longer than one): the window grows below it while it
    // shows, and takes the template's size again when it hides.
    void fitText(const std::wstring& text);
    void growBy(int pixels);

    HWND window_ = nullptr;
    int textHeight_ = 0;  // the text line's height in the template, in pixels
    int grown_ = 0;       // how much taller than the template the window is now
    std::function<void()> dismissed_;
    std::atomic<int> cancel_{0};
    std::atomic<bool> closing_{false};  // the program closes: every job is asked to stop
    ProgressModel model_;
};

}  // namespace ui::win32
