// The volume service of a Linux desktop: UDisks2 over D-Bus unmounts and
// mounts, the system calls answer where UDisks2 is missing, and the format
// tool runs with the administrator's rights through pkexec.

#include "ui/VolumeService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QVariantMap>

#include "platform/DisksPosix.h"
#include "platform/Drives.h"
#include "platform/MountInfo.h"

namespace ui::qt {

using namespace platform;

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2/Manager");
const QString kManager = QStringLiteral("org.freedesktop.UDisks2.Manager");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");

// Unmounting writes out what the drive still has cached, and polkit may ask for a
// password: both can take minutes on a slow USB disk.
constexpr int kLongCallMs = 10 * 60 * 1000;
constexpr int kShortCallMs = 25 * 1000;
// After a format, udev tells UDisks about the new file system within moments.
constexpr int kMountAttempts = 20;
constexpr unsigned long kMountRetryMs = 250;
// What is kept of the tool's error output.
constexpr qsizetype kMaxErrorOutput = 64 * 1024;

bool isMissingInterface(const QDBusMessage& reply) {
    const QString name = reply.errorName();
    return name == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
           name == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
           name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject");
}

QDBusMessage callUDisks(const QString& object, const QString& interface, const QString& method,
                        const QVariantList& arguments, int timeoutMs) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, object, interface, method);
    call.setArguments(arguments);
    // systemBus() is shared by every thread; no QObject is made here, so the
    // call may run on any worker thread.
    return QDBusConnection::systemBus().call(call, QDBus::Block, timeoutMs);
}

// The UDisks2 block object of `device`; empty when there is no system bus, no
// UDisks2 on it, or the service does not know the device.
QString blockObjectOf(const std::string& device) {
    if (!QDBusConnection::systemBus().isConnected())
        return {};
    QVariantMap wanted{{QStringLiteral("path"), QString::fromStdString(device)}};
    QDBusMessage reply = callUDisks(kManagerPath, kManager, QStringLiteral("ResolveDevice"),
                                    {wanted, QVariantMap{}}, kShortCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QList<QDBusObjectPath> objects =
        qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().constFirst());
    return objects.isEmpty() ? QString() : objects.constFirst().path();
}

// Where the mount table has `device` mounted; empty when nowhere.
std::string mountPointOf(const std::string& device) {
    for (const platform::MountedVolume& volume : platform::mountedVolumes()) {
        if (volume.device == device)
            return volume.mountPoint;
    }
    return {};
}

// Whether UDisks2 mounted the volume for the desktop: in its folders of
// mounts, with the options it always gives.
bool mountedByUDisks(const VolumeService::MountedAs& was) {
    const bool itsFolder = platform::isPathUnder(was.mountPoint, "/media") ||
                           platform::isPathUnder(was.mountPoint, "/run/media");
    return itsFolder && platform::hasMountOption(was.options, "nosuid") &&
           platform::hasMountOption(was.options, "nodev");
}

std::string messageOf(const QDBusMessage& reply) {
    QString text = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    return text.toStdString();
}

using MountFailure = store::Failure<MountStep>;

class UDisksVolumes : public VolumeService {
  public:
    UDisksVolumes(std::string formatTool, std::string elevator)
        : formatTool_(std::move(formatTool)), elevator_(std::move(elevator)) {}

    store::Outcome<UnmountStep> unmount(const std::string& device,
                                        const std::string& mountPoint) override {
        using UnmountFailure = store::Failure<UnmountStep>;
        QString object = blockObjectOf(device);
        if (!object.isEmpty()) {
            QDBusMessage reply = callUDisks(object, kFilesystem, QStringLiteral("Unmount"),
                                            {QVariantMap{}}, kLongCallMs);
            if (reply.type() == QDBusMessage::ReplyMessage)
                return {};
            // A mount UDisks does not count as its own (or no file system it knows)
            // is still the system call's to undo.
            bool notItsMount =
                reply.errorName() == QLatin1String("org.freedesktop.UDisks2.Error.NotMounted") ||
                isMissingInterface(reply);
            if (!notItsMount)
                return UnmountFailure{UnmountStep::Unmount, mountPoint, messageOf(reply)};
        }
        std::string error;
        if (!platform::unmountVolume(mountPoint, error))
            return UnmountFailure{UnmountStep::Unmount, mountPoint, error};
        return {};
    }

    Remount mountWhereItWas(const std::string& device, const MountedAs& was) override {
        const bool udisks = !blockObjectOf(device).isEmpty();
        if (was.mountPoint.empty() || was.fsType.empty() || (udisks && mountedByUDisks(was)))
            return mountAgain(device);
        // The drive goes back where it was, as it was; UDisks2 mounts it when
        // this user may not.
        std::string error;
        if (platform::mountVolume(device, was.mountPoint, was.fsType, was.options, was.fsOptions,
                                  error))
            return was.mountPoint;
        if (udisks)
            return mountAgain(device);
        return MountFailure{MountStep::Mount, device, error};
    }

    Remount mountAgain(const std::string& disk) override {
        const std::string device = platform::firstPartitionOf(disk);
        QString object = blockObjectOf(device);
        if (object.isEmpty())
            return MountFailure{MountStep::Mount, device,
                                "UDisks2, which mounts drives for the desktop, is not running or "
                                "does not know " +
                                    device};
        // Ask UDisks to probe the device again: it still knows the old file system.
        callUDisks(object, kBlock, QStringLiteral("Rescan"), {QVariantMap{}}, kShortCallMs);
        for (int attempt = 0; attempt < kMountAttempts; ++attempt) {
            QDBusMessage reply = callUDisks(object, kFilesystem, QStringLiteral("Mount"),
                                            {QVariantMap{}}, kLongCallMs);
            if (reply.type() == QDBusMessage::ReplyMessage) {
                if (reply.arguments().isEmpty())
                    return std::string();
                return reply.arguments().constFirst().toString().toStdString();
            }
            if (reply.errorName() ==
                QLatin1String("org.freedesktop.UDisks2.Error.AlreadyMounted")) {
                // The desktop was quicker: where it put the drive is in the mount table.
                return mountPointOf(device);
            }
            if (!isMissingInterface(reply))
                return MountFailure{MountStep::Mount, device, messageOf(reply)};
            QThread::msleep(kMountRetryMs);
        }
        return MountFailure{MountStep::Mount, device, "UDisks2 finds no file system on " + device};
    }

    std::string privilegedFormatProblem() override {
        QFileInfo tool(QString::fromStdString(formatTool_));
        if (!tool.isAbsolute() || !tool.isFile() || !tool.isExecutable())
            return "The format tool " + formatTool_ + " is not an installed program.";
        if (QStandardPaths::findExecutable(QString::fromStdString(elevator_)).isEmpty())
            return elevator_ + " is not installed.";
        return {};
    }

    PrivilegedFormatResult runPrivilegedFormat(const std::string& device,
                                               std::ostream& out) override {
        if (std::string problem = privilegedFormatProblem(); !problem.empty())
            return privilegedFormatResult(-1, device, problem);
        QFileInfo tool(QString::fromStdString(formatTool_));
        QProcess process;
        process.setProgram(QString::fromStdString(elevator_));
        process.setArguments({tool.absoluteFilePath(), QStringLiteral("--yes"),
                              QStringLiteral("--"), QString::fromStdString(device),
                              QStringLiteral("FORMAT")});
        // Nothing may wait for an answer typed on the window's terminal.
        process.setStandardInputFile(QProcess::nullDevice());
        process.start();
        if (!process.waitForStarted(-1))
            return privilegedFormatResult(
                -1, device,
                "Could not start " + elevator_ + ": " + process.errorString().toStdString());
        QByteArray errors;
        auto collect = [&] {
            out << process.readAllStandardOutput().toStdString();
            errors += process.readAllStandardError();
            if (errors.size() > kMaxErrorOutput)
                errors = errors.right(kMaxErrorOutput);
        };
        while (!process.waitForFinished(200) && process.state() != QProcess::NotRunning)
            collect();
        collect();
        out << errors.toStdString();
        out.flush();
        if (process.exitStatus() != QProcess::NormalExit)
            return privilegedFormatResult(
                -1, device,
                formatTool_ + " ended abnormally: " + process.errorString().toStdString());
        const int status = process.exitCode();
        std::string error;
        if (status == 126 || status == 127) {
            QString last = QString::fromLocal8Bit(errors).trimmed().split('\n').constLast();
            error = (status == 126 ? "Administrator rights were not granted"
                                   : "Administrator rights could not be asked for") +
                    std::string(last.isEmpty() ? "." : ": " + last.toStdString());
        }
        return privilegedFormatResult(status, device, error);
    }

  private:
    std::string formatTool_;
    std::string elevator_;
};

}  // namespace

}  // namespace ui::qt

namespace ui {

std::unique_ptr<VolumeService> makeSystemVolumeService(const std::string& formatToolPath,
                                                       const std::string& elevator) {
    return std::make_unique<qt::UDisksVolumes>(formatToolPath, elevator);
}

}  // namespace ui
