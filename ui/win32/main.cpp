// zt_installer.exe: the window application on Windows, a native dialog.

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include "ui/DriveList.h"
#include "ui/WindowLog.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/NativeVolumes.h"

using namespace ui::win32;
using namespace ui;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace platform;
using namespace store;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);  // the open dialog and dropped files need it
    WindowLog log(WindowLog::defaultPath());
    std::unique_ptr<DriveList> drives = makeSystemDriveList();
    std::unique_ptr<VolumeService> volumes = makeNativeVolumeService();
    {
        MainWindow window(*drives, *volumes, log);
        window.run();
    }
    OleUninitialize();
    return 0;
}
