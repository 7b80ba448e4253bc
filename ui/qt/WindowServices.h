#pragma once
// What the Qt window needs beyond its widgets: the core's services, and how
// it runs dialogs, menus, boxes and the browser. The program uses the real
// ones; the tests put doubles in their place and drive the dialogs that the
// window runs.

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

#include "ui/CoreServices.h"
#include "ui/FileDialogs.h"

class QDialog;
class QMenu;
class QAction;
class QPoint;
class QWidget;

namespace ui::qt {

class BoxPresenter;

struct WindowServices : CoreServices {
    BoxPresenter* boxes = nullptr;
    // Runs a modal dialog and returns its result (QDialog::Accepted or Rejected).
    std::function<int(QDialog&)> execDialog;
    // Pops a menu up at a screen position; the chosen action or null.
    std::function<QAction*(QMenu&, const QPoint&)> execMenu;
    // Runs the system's file dialog as the core describes it: the chosen
    // paths, empty when the user cancels.
    std::function<QStringList(QWidget*, const FileDialogLook&)> chooseFiles;
    // Opens an address with the user's default handler; false when none took it.
    std::function<bool(const QString&)> openUrl;
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

}  // namespace ui::qt
