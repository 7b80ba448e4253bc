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
    // The window's own title and filter, with every file offered after them.
    services.chooseImageFiles = [](QWidget* parent, const QString& folder) {
        QStringList patterns;
        for (const char* extension : kImageExtensions)
            patterns << QStringLiteral("*.") + QString::fromUtf8(extension);
        const QString filter = QStringLiteral("%1 (%2);;%3 (*)")
                                   .arg(QString::fromUtf8(kImageFilterName), patterns.join(' '),
                                        QString::fromUtf8(kAllFilesFilterName));
        return QFileDialog::getOpenFileNames(parent, QString::fromUtf8(kImageDialogTitle), folder,
                                             filter);
    };
    services.chooseImageFile = [choose = services.chooseImageFiles](QWidget* parent,
                                                                    const QString& folder) {
        const QStringList files = choose(parent, folder);
        return files.isEmpty() ? QString() : files.front();
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
