#pragma once
// The main window's own front end, shared by its jobs' front ends.

#include "ui/BoxPresenter.h"
#include "ui/ClickLabel.h"
#include "ui/DropDownList.h"
#include "ui/MainDialog.h"
#include "ui/WindowFrontEnd.h"

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
