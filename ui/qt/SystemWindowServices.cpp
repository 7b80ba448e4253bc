// The window's services on a running system.

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QUrl>

#include "zt_version.h"

#include "platform/Drives.h"
#include "ui/qt/BoxPresenter.h"
#include "ui/DriveList.h"
#include "ui/VolumeService.h"
#include "ui/qt/WindowServices.h"

SystemWindowServices::SystemWindowServices()
    : drives(makeSystemDriveList()),
      boxes(std::make_unique<StandardBoxPresenter>()),
      volumes(makeSystemVolumeService(ZT_FORMAT_TOOL)) {
    services.drives = drives.get();
    services.boxes = boxes.get();
    services.volumes = volumes.get();
    services.execDialog = [](QDialog& dialog) { return dialog.exec(); };
    services.execMenu = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
    services.chooseImageFile = [](QWidget* parent, const QString& folder) {
        return QFileDialog::getOpenFileName(
            parent, QStringLiteral("Image file"), folder,
            QStringLiteral("Disc images (*.iso *.img *.bin *.cue);;All files (*)"));
    };
    services.chooseExportFile = [](QWidget* parent, const QString& suggested) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Export"), suggested,
                                            QStringLiteral("Disc images (*.iso);;All files (*)"),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    };
    services.openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    services.canWriteDevice = platform::canOpenForWriting;
    services.websiteUrl = ZT_WEBSITE_URL;
}

SystemWindowServices::~SystemWindowServices() = default;
