#pragma once
// The window's side of the routines' front end: the status line is the main
// window's control 1036, message boxes are Qt's standard boxes. Both may be
// called from a worker; a box then blocks the worker until it is answered.

#include <string>

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "report/FrontEnd.h"

namespace ui::qt {

class BoxPresenter;

class WindowStatusLine : public report::StatusLine {
  public:
    explicit WindowStatusLine(QLabel& label) : label_(&label) {}
    void setText(const std::string& text) override;

  private:
    QPointer<QLabel> label_;
};

class WindowBoxes : public report::MessageBoxes {
  public:
    WindowBoxes(QWidget& window, BoxPresenter& presenter)
        : window_(&window), presenter_(presenter) {}
    void show(const std::string& text) override;
    bool ask(const std::string& text, bool defaultNo) override;

  private:
    // The window of the program that the box belongs above.
    QWidget* owner() const;

    QPointer<QWidget> window_;
    BoxPresenter& presenter_;
};

}  // namespace ui::qt
