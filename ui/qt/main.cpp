// zt_installer: the window application.

#include <cstdio>
#include <cstring>

#include <QApplication>

#include "zt_version.h"

#include "ui/WindowLog.h"
#include "ui/qt/InstallerProgram.h"

using namespace ui::qt;
using namespace ui;

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::printf("zt_installer %s\n", ZT_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Usage: zt_installer [Qt options]\n"
                "       zt_installer -h|--help | -v|--version\n"
                "Opens the Tarnwick Game Installer window: install games from a disc or an\n"
                "image file onto a USB hard drive, list, delete, rename and copy them, and\n"
                "format the drive as FAT32.\n"
                "Printed lines go to standard output and to %s.\n",
                WindowLog::defaultPath().c_str());
            return 0;
        }
    }
    QApplication application(argc, argv);
    return runInstallerProgram();
}
