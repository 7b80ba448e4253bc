#include "ui/win32/WindowThread.h"

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
