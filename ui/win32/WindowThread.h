#pragma once
// Work handed to the window's thread. Jobs run on worker threads; what they
// show (boxes, texts) runs on the thread that owns the windows, which answers
// `kRunOnWindowThread` by calling the function the message carries.

#include <windows.h>

#include <functional>

inline constexpr UINT kRunOnWindowThread = WM_APP + 1;

// Runs `work` on the thread of `window` and returns when it has run: at once
// on that thread, else through SendMessageW (the caller waits, the window
// thread goes on answering its other messages).
void runOnWindowThread(HWND window, const std::function<void()>& work);

// The handler of `kRunOnWindowThread` in a dialog procedure.
void runSentWork(LPARAM work);
