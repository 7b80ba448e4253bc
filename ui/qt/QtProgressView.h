#pragma once
// A progress window as the window core handles it: the job's routine drives
// it through its bridge; the core stops, hides and restores it.

#include "ui/WindowView.h"
#include "ui/qt/ProgressDialog.h"

namespace ui::qt {

class QtProgressView : public ProgressView {
  public:
    explicit QtProgressView(ProgressDialog& dialog) : dialog_(dialog), bridge_(dialog) {}
    report::ProgressWindow& window() override { return bridge_; }
    void stopForClose() override { dialog_.closing.store(true); }
    void hideWindow() override { dialog_.hide(); }
    void restore() override { dialog_.showNormal(); }
    bool shown() const override { return dialog_.isVisible(); }
    void beginJob(const ProgressJob& job) override { dialog_.beginJob(job); }
    void finishJob(const std::string& outcome) override { dialog_.finishJob(outcome); }
    ProgressDialog& dialog() { return dialog_; }

  private:
    ProgressDialog& dialog_;
    ProgressBridge bridge_;
};

}  // namespace ui::qt
