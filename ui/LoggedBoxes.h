#pragma once
// Message boxes that also go to the window's log, with the answer to each
// question: the log then tells what a person saw during a job. No toolkit.

#include <string>

#include "report/FrontEnd.h"
#include "ui/WindowLog.h"

namespace ui {

class LoggedBoxes : public report::MessageBoxes {
  public:
    LoggedBoxes(report::MessageBoxes& boxes, WindowLog& log) : boxes_(boxes), log_(log) {}
    void show(const std::string& text) override;
    bool ask(const std::string& text, bool defaultNo = false) override;

  private:
    // Writes `text` line by line, the first after `label`, the others indented.
    void write(const std::string& label, const std::string& text);

    report::MessageBoxes& boxes_;
    WindowLog& log_;
};

}  // namespace ui
