#pragma once
// The application: the progress window, created hidden for the whole run,
// and the main window, whose closing ends the program.

#include <memory>

#include "ui/WindowLog.h"
#include "ui/qt/WindowServices.h"

namespace ui::qt {

class MainDialog;
class ProgressDialog;

class InstallerApp {
  public:
    InstallerApp(const WindowServices& services, WindowLog& log);
    ~InstallerApp();

    // Creates the windows and runs the main window until it closes.
    // Returns false: the program ends when the window has closed.
    bool InitInstance();
    // Creates the windows without running them (tests, screenshots).
    MainDialog& createWindows();

    std::unique_ptr<ProgressDialog> progressDialog;
    std::unique_ptr<MainDialog> mainDialog;

  private:
    WindowServices services_;
    WindowLog& log_;
};

}  // namespace ui::qt
