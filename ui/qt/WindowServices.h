#pragma once
// What the window needs from the system beyond its own widgets. The program
// uses the real ones; the tests put doubles in their place and drive the
// dialogs that the window runs.

#include <functional>
#include <memory>
#include <string>

#include <QString>

#include "install/DiscDevice.h"
#include "install/InstallCommand.h"
#include "library/GameCopy.h"

class BoxPresenter;
class DriveList;
class VolumeService;
class QDialog;
class QMenu;
class QAction;
class QPoint;
class QWidget;

struct WindowServices {
    DriveList* drives = nullptr;
    BoxPresenter* boxes = nullptr;
    VolumeService* volumes = nullptr;
    // Runs a modal dialog and returns its result (QDialog::Accepted or Rejected).
    std::function<int(QDialog&)> execDialog;
    // Pops a menu up at a screen position; the chosen action or null.
    std::function<QAction*(QMenu&, const QPoint&)> execMenu;
    // Asks for a disc image file, starting in `folder` (empty: the platform's
    // choice); empty when the user cancels.
    std::function<QString(QWidget*, const QString& folder)> chooseImageFile;
    // Asks where to write an exported image, offering `suggested`; empty when
    // the user cancels. The export itself asks before replacing a file.
    std::function<QString(QWidget*, const QString& suggested)> chooseExportFile;
    // Opens an address with the user's default handler; false when none took it.
    std::function<bool(const QString&)> openUrl;
    // Whether this process may write to a device; false with the reason and
    // whether it was a matter of permission.
    std::function<bool(const std::string& device, bool& denied, std::string& error)> canWriteDevice;
    // How the install and the copy reach discs and drives.
    DiscOpener discOpener = openDiscDevice;
    InstallCommand::FreeSpace freeSpace;
    CopyServices copyServices = systemCopyServices();
    // The web-site address of the About page.
    QString websiteUrl;
};

// The real services of a running program, owning what they point to.
struct SystemWindowServices {
    SystemWindowServices();
    ~SystemWindowServices();
    std::unique_ptr<DriveList> drives;
    std::unique_ptr<BoxPresenter> boxes;
    std::unique_ptr<VolumeService> volumes;
    WindowServices services;
};
