#include "ui/qt/InstallerProgram.h"

#include <QApplication>

#include "res/Pictures.h"
#include "ui/WindowLog.h"
#include "ui/qt/FocusStyle.h"
#include "ui/qt/InstallerApp.h"
#include "ui/qt/NumberLocale.h"
#include "ui/qt/WindowServices.h"

namespace ui::qt {

using namespace res;
using namespace disk;
using namespace install;
using namespace library;
using namespace report;
using namespace platform;
using namespace store;

int runInstallerProgram() {
    QApplication::setApplicationName(QStringLiteral("zt_installer"));
    QApplication::setDesktopFileName(QStringLiteral("org.tarnwick.GameInstaller"));
    usePlainNumbers();
    QApplication::setStyle(new FocusStyle);
    initPictures();
    WindowLog log(WindowLog::defaultPath());
    SystemWindowServices system;
    InstallerApp app(system.services, log);
    return app.InitInstance() ? 1 : 0;
}

}  // namespace ui::qt
