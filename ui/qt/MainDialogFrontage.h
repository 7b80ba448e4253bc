#pragma once
// The main window's own front end, shared by its jobs' front ends.

#include "ui/qt/BoxPresenter.h"
#include "ui/qt/ClickLabel.h"
#include "ui/qt/DropDownList.h"
#include "ui/qt/MainDialog.h"
#include "ui/qt/WindowFrontEnd.h"

class MainDialog::Frontage {
  public:
    Frontage(MainDialog& window, BoxPresenter& presenter, ProgressDialog& progress, WindowLog& log)
        : status(*window.statusLine),
          boxes(window, presenter),
          window_(status, boxes, progress, log) {}
    FrontEnd frontEnd() { return window_.frontEnd(); }

    WindowStatusLine status;
    WindowBoxes boxes;

  private:
    JobFrontEnd window_;
};
