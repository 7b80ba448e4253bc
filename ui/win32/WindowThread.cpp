#include "ui/win32/WindowThread.h"

#include <memory>

namespace ui::win32 {

void runOnWindowThread(HWND window, const std::function<void()>& work) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        work();
        return;
    }
    SendMessageW(window, kRunOnWindowThread, 0, reinterpret_cast<LPARAM>(&work));
}

void runSentWork(LPARAM work) {
    (*reinterpret_cast<const std::function<void()>*>(work))();
}

bool NativeWindowThread::current() const {
    return GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId();
}

void NativeWindowThread::post(std::function<void()> task) {
    auto posted = std::make_unique<std::function<void()>>(std::move(task));
    if (PostMessageW(window_, kPostedWork, 0, reinterpret_cast<LPARAM>(posted.get())))
        posted.release();  // the window thread deletes it once run
}

void NativeWindowThread::runPosted(LPARAM task) {
    const std::unique_ptr<std::function<void()>> posted(
        reinterpret_cast<std::function<void()>*>(task));
    (*posted)();
}

}  // namespace ui::win32
