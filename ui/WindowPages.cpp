// The main window's pages: the controls each tab shows.

#include "ui/WindowPages.h"

#include "ui/ControlIds.h"

namespace ui {

void WindowPages::showPage(Page page) {
    page_ = page;
    showInstallerPage(page == Page::Installer);
    showFormatPage(page == Page::Format);
    showAboutPage(page == Page::About);
}

void WindowPages::showInstallerPage(bool show) {
    for (int id : pageControls(Page::Installer))
        view_.showControl(id, show);
}

// The format page's text is set each time, shown or hidden.
void WindowPages::showFormatPage(bool show) {
    view_.showControl(control::kFormatText, show);
    view_.setControlText(control::kFormatText, kFormatPageText);
    view_.showControl(control::kFormatButton, show);
}

void WindowPages::showAboutPage(bool show) {
    for (int id : pageControls(Page::About))
        view_.showControl(id, show);
}

}  // namespace ui
