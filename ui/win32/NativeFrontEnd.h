#pragma once
// The routines' front end in the native window: the status line is control
// 1036 of the main window, boxes are the system's message boxes in front of
// the program's frontmost window. Callable from any thread.

#include <windows.h>

#include <functional>
#include <string>

#include "report/FrontEnd.h"

namespace ui::win32 {

class NativeStatusLine : public report::StatusLine {
  public:
    explicit NativeStatusLine(HWND control) : control_(control) {}
    void setText(const std::string& text) override;

  private:
    HWND control_;
};

class NativeBoxes : public report::MessageBoxes {
  public:
    // `owner` tells the window the box belongs in front of, on the window thread.
    NativeBoxes(HWND window, std::function<HWND()> owner)
        : window_(window), owner_(std::move(owner)) {}
    void show(const std::string& text) override;
    bool ask(const std::string& text, bool defaultNo = false) override;

  private:
    int run(const std::string& text, UINT type);

    HWND window_;
    std::function<HWND()> owner_;
};

}  // namespace ui::win32
