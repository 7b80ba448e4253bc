#pragma once
// The main window's three pages behind its tabs: which one is shown, and
// each page's controls shown or hidden. No toolkit.

#include "ui/WindowTexts.h"
#include "ui/WindowView.h"

namespace ui {

class WindowPages {
  public:
    explicit WindowPages(WindowView& view) : view_(view) {}

    Page page() const { return page_; }
    // Shows `page`'s controls and hides the others'.
    void showPage(Page page);

  private:
    // Each shows (true) or hides its page's controls; none enables anything.
    void showInstallerPage(bool show);
    void showFormatPage(bool show);
    void showAboutPage(bool show);

    WindowView& view_;
    Page page_ = Page::Installer;
};

}  // namespace ui
