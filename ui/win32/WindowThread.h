#pragma once
// Work handed to the window's thread. Jobs run on worker threads; what they
// show (boxes, texts) runs on the thread that owns the windows, which answers
// `kRunOnWindowThread` by calling the function the message carries, and
// `kPostedWork` by running, then deleting, the one it was posted.

#include <windows.h>

#include <functional>

#include "ui/WindowThread.h"

namespace ui::win32 {

inline constexpr UINT kRunOnWindowThread = WM_APP + 1;
inline constexpr UINT kPostedWork = WM_APP + 2;

// Runs `work` on the thread of `window` and returns when it has run: at once
// on that thread, else through SendMessageW (the caller waits, the window
// thread goes on answering its other messages).
void runOnWindowThread(HWND window, const std::function<void()>& work);

// The handler of `kRunOnWindowThread` in a dialog procedure.
void runSentWork(LPARAM work);

// The window core's way to the window thread: tasks posted to `window`.
class NativeWindowThread : public WindowThread {
  public:
    explicit NativeWindowThread(HWND window) : window_(window) {}
    bool current() const override;
    void post(std::function<void()> task) override;
    // The handler of `kPostedWork`.
    static void runPosted(LPARAM task);

  private:
    HWND window_;
};

}  // namespace ui::win32
