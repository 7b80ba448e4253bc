#include "ui/InstallerProgram.h"

#include <QApplication>

#include "ui/InstallerApp.h"
#include "ui/Pictures.h"
#include "ui/WindowLog.h"
#include "ui/WindowServices.h"

int runInstallerProgram() {
    QApplication::setApplicationName(QStringLiteral("zt_installer"));
    QApplication::setDesktopFileName(QStringLiteral("org.tarnwick.GameInstaller"));
    initPictures();
    WindowLog log(WindowLog::defaultPath());
    SystemWindowServices system;
    InstallerApp app(system.services, log);
    return app.InitInstance() ? 1 : 0;
}
