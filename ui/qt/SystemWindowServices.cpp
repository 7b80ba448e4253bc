// The window's services on a running system.

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QUrl>

#include "zt_version.h"

#include "platform/Drives.h"
#include "ui/DriveList.h"
#include "ui/FormatSteps.h"
#include "ui/VolumeService.h"
#include "ui/qt/BoxPresenter.h"
#include "ui/qt/WindowServices.h"

namespace ui::qt {

using namespace platform;
using namespace disk;
using namespace install;
using namespace library;
using namespace report;
using namespace store;

namespace {

// A filter as Qt writes it: "Disc images (*.iso *.img)", "All files (*)".
QString filterText(const FileFilter& filter) {
    QStringList patterns;
    for (const std::string& extension : filter.extensions)
        patterns << QStringLiteral("*.") + QString::fromStdString(extension);
    if (patterns.isEmpty())
        patterns << QStringLiteral("*");
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.name), patterns.join(' '));
}

QStringList runFileDialog(QWidget* parent, const FileDialogLook& look) {
    QFileDialog dialog(parent, QString::fromStdString(look.title),
                       QString::fromStdString(look.folder));
    QStringList filters;
    for (const FileFilter& filter : look.filters)
        filters << filterText(filter);
    dialog.setNameFilters(filters);
    if (look.kind == FileDialogLook::Kind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The export asks itself before it replaces a file.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setFileMode(look.kind == FileDialogLook::Kind::OpenMany ? QFileDialog::ExistingFiles
                                                                       : QFileDialog::ExistingFile);
    }
    if (!look.suffix.empty())
        dialog.setDefaultSuffix(QString::fromStdString(look.suffix));
    if (!look.name.empty())
        dialog.selectFile(QString::fromStdString(look.name));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

}  // namespace

SystemWindowServices::SystemWindowServices()
    : drives(makeSystemDriveList()),
      boxes(std::make_unique<StandardBoxPresenter>()),
      volumes(makeSystemVolumeService(ZT_FORMAT_TOOL)) {
    services.drives = drives.get();
    services.boxes = boxes.get();
    services.volumes = volumes.get();
    services.execDialog = [](QDialog& dialog) { return dialog.exec(); };
    services.execMenu = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
    services.chooseFiles = runFileDialog;
    services.openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    services.canWriteDevice = canWriteOnThisSystem;
    services.websiteUrl = ZT_WEBSITE_URL;
}

SystemWindowServices::~SystemWindowServices() = default;

}  // namespace ui::qt
