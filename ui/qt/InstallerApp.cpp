#include "ui/qt/InstallerApp.h"

#include "ui/qt/MainDialog.h"
#include "ui/qt/ProgressDialog.h"

namespace ui::qt {

using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace platform;
using namespace store;

InstallerApp::InstallerApp(const WindowServices& services, WindowLog& log)
    : services_(services), log_(log) {}

InstallerApp::~InstallerApp() {
    // The main window waits for its jobs, which use the progress window.
    mainDialog.reset();
    progressDialog.reset();
}

MainDialog& InstallerApp::createWindows() {
    progressDialog = std::make_unique<ProgressDialog>();
    mainDialog = std::make_unique<MainDialog>(services_, *progressDialog, log_);
    return *mainDialog;
}

bool InstallerApp::InitInstance() {
    createWindows().exec();
    return false;
}

}  // namespace ui::qt
