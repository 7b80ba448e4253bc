// The window's services on a running system.

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QUrl>

#include "zt_version.h"

#include "platform/Drives.h"
#include "ui/WindowTexts.h"
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
        const QString filter = QStringLiteral("%1 (*.iso);;%2 (*)")
                                   .arg(QString::fromUtf8(kImageFilterName),
                                        QString::fromUtf8(kAllFilesFilterName));
        return QFileDialog::getSaveFileName(parent, QString::fromUtf8(kExportDialogTitle),
                                            suggested, filter,
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    };
    services.openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    services.canWriteDevice = platform::canOpenForWriting;
    services.websiteUrl = ZT_WEBSITE_URL;
}

SystemWindowServices::~SystemWindowServices() = default;
