// The system volume service: against a stand-in UDisks2 on a private bus, where no
// UDisks2 answers (the fallbacks), and the privileged format run through a
// stand-in for pkexec. Every call is made from a worker thread, as the window
// makes them, while this thread serves the stand-in.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QEventLoop>
#include <QProcess>
#include <QtGlobal>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <system_error>
#include <thread>

#include "FakeUDisks.h"
#include "TempDir.h"
#include "platform/Drives.h"
#include "ui/VolumeService.h"

using namespace platform;
using namespace ui;

namespace {

std::atomic<int> qtWarnings{0};

void countWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) {
        ++qtWarnings;
        fprintf(stderr, "Qt: %s\n", qPrintable(text));
    }
}

// The private bus that stands for the system bus; empty when there is none.
QString privateBus;

void onWorker(const std::function<void()>& work) {
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

// A format tool that shows what it was given and ends with `status`.
std::string writeTool(const TempDir& dir, const std::string& body) {
    std::string path = dir.file("zt_format");
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

class VolumeServiceTest : public ::testing::Test {
  protected:
    void SetUp() override { qtWarnings = 0; }
    void TearDown() override { EXPECT_EQ(qtWarnings.load(), 0); }
    TempDir dir;
};

}  // namespace

TEST_F(VolumeServiceTest, WithoutUDisksTheFallbacksAnswer) {
    auto service = makeSystemVolumeService(dir.file("zt_format"));
    std::string expected;
    platform::unmountVolume(dir.file("missing"), expected);
    bool unmounted = true;
    VolumeService::Remount remount = std::string(), back = std::string();
    std::string error;
    onWorker([&] {
        const auto unmount = service->unmount("/dev/ztnothing", dir.file("missing"));
        unmounted = unmount.succeeded();
        if (!unmount)
            error = unmount.failure().reason;
        remount = service->mountAgain("/dev/ztnothing");
        // After a failed format the drive goes back where it was by the system call.
        back = service->mountWhereItWas("/dev/ztnothing",
                                        {dir.path().string(), "ext4", "rw,relatime", "rw"});
    });
    EXPECT_FALSE(unmounted);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(error, expected);
    ASSERT_FALSE(remount);
    EXPECT_NE(remount.failure().reason.find("UDisks2"), std::string::npos)
        << remount.failure().reason;
    ASSERT_FALSE(back);
    EXPECT_EQ(back.failure().reason, std::system_category().message(ENOENT));
}

TEST_F(VolumeServiceTest, FormatRunsTheToolAndPassesItsOutputAndStatus) {
    std::string tool = writeTool(dir, "echo \"args: $*\"; echo 'Disk format failed' >&2; exit 1");
    auto service = makeSystemVolumeService(tool, "/usr/bin/env");
    std::ostringstream out;
    PrivilegedFormatResult ran;
    onWorker([&] { ran = service->runPrivilegedFormat("/dev/ztsdb1", out); });
    ASSERT_TRUE(ran.failedAt(PrivilegedFormatStep::Tool));
    EXPECT_EQ(out.str(), "args: --yes -- /dev/ztsdb1 FORMAT\nDisk format failed\n");
    EXPECT_EQ(ran.failure().reason, "");
}

TEST_F(VolumeServiceTest, RefusedRightsAreNamed) {
    std::string tool =
        writeTool(dir, "echo 'Error executing command: Not authorized' >&2; exit 126");
    auto service = makeSystemVolumeService(tool, "/usr/bin/env");
    std::ostringstream out;
    PrivilegedFormatResult ran;
    onWorker([&] { ran = service->runPrivilegedFormat("/dev/ztsdb1", out); });
    ASSERT_TRUE(ran.failedAt(PrivilegedFormatStep::Rights));
    const std::string& error = ran.failure().reason;
    EXPECT_NE(error.find("not granted"), std::string::npos) << error;
    EXPECT_NE(error.find("Not authorized"), std::string::npos) << error;
}

TEST_F(VolumeServiceTest, FormatThatCannotRunReportsWhy) {
    std::string tool = writeTool(dir, "exit 0");
    std::ostringstream out;
    PrivilegedFormatResult ran;
    onWorker([&] {
        ran = makeSystemVolumeService(tool, dir.file("no-pkexec"))
                  ->runPrivilegedFormat("/dev/ztsdb1", out);
    });
    ASSERT_TRUE(ran.failedAt(PrivilegedFormatStep::Start));
    EXPECT_NE(ran.failure().reason.find("no-pkexec"), std::string::npos) << ran.failure().reason;

    for (const std::string& badTool : {std::string("zt_format"), dir.file("absent")}) {
        onWorker([&] {
            ran = makeSystemVolumeService(badTool, "/usr/bin/env")
                      ->runPrivilegedFormat("/dev/ztsdb1", out);
        });
        ASSERT_TRUE(ran.failedAt(PrivilegedFormatStep::Start)) << badTool;
        EXPECT_FALSE(ran.failure().reason.empty()) << badTool;
    }
}

TEST_F(VolumeServiceTest, ToolKilledBySignalIsAFailure) {
    std::string tool = writeTool(dir, "echo started; kill -KILL $$");
    auto service = makeSystemVolumeService(tool, "/usr/bin/env");
    std::ostringstream out;
    PrivilegedFormatResult ran;
    onWorker([&] { ran = service->runPrivilegedFormat("/dev/ztsdb1", out); });
    ASSERT_TRUE(ran.failedAt(PrivilegedFormatStep::Start));
    EXPECT_EQ(out.str(), "started\n");
    EXPECT_FALSE(ran.failure().reason.empty());
}

class UDisksTest : public VolumeServiceTest {
  protected:
    void SetUp() override {
        VolumeServiceTest::SetUp();
        if (privateBus.isEmpty())
            GTEST_SKIP()
                << "no private bus: dbus-daemon is missing or ZT_TEST_NO_SYSTEM_BUS is set";
        connection_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(privateBus, QStringLiteral("zt-fake-udisks")));
        ASSERT_TRUE(connection_->isConnected());
        ASSERT_TRUE(
            connection_->registerVirtualObject(FakeUDisks::kRoot, &fake, QDBusConnection::SubPath));
        ASSERT_TRUE(connection_->registerService(QStringLiteral("org.freedesktop.UDisks2")));
        fake.addDevice("/dev/ztfake1", "ztfake1");
    }
    void TearDown() override {
        if (connection_) {
            connection_->unregisterService(QStringLiteral("org.freedesktop.UDisks2"));
            connection_->unregisterObject(FakeUDisks::kRoot, QDBusConnection::UnregisterTree);
            connection_.reset();
            QDBusConnection::disconnectFromBus(QStringLiteral("zt-fake-udisks"));
        }
        VolumeServiceTest::TearDown();
    }

    bool unmount(const std::string& device, std::string& error) {
        bool done = false;
        onWorker([&] {
            const auto unmount = service->unmount(device, dir.file("not-mounted"));
            done = unmount.succeeded();
            if (!unmount)
                error = unmount.failure().reason;
        });
        return done;
    }
    bool mountAgain(const std::string& device) {
        onWorker([&] { remount = service->mountAgain(device); });
        if (!remount) {
            EXPECT_FALSE(remount.failure().reason.empty());
        }
        return remount.succeeded();
    }
    std::string systemReason() {
        std::string reason;
        platform::unmountVolume(dir.file("not-mounted"), reason);
        return reason;
    }

    FakeUDisks fake;
    VolumeService::Remount remount = std::string();
    std::unique_ptr<VolumeService> service = makeSystemVolumeService(dir.file("zt_format"));

  private:
    std::unique_ptr<QDBusConnection> connection_;
};

const QString kObject = QStringLiteral("/org/freedesktop/UDisks2/block_devices/ztfake1");

TEST_F(UDisksTest, UnmountGoesThroughTheBlockObjectOfTheDevice) {
    std::string error;
    EXPECT_TRUE(unmount("/dev/ztfake1", error)) << error;
    EXPECT_EQ(fake.calls, (QStringList{"ResolveDevice /org/freedesktop/UDisks2/Manager a{sv}a{sv}",
                                       "Unmount " + kObject + " a{sv}"}));
}

TEST_F(UDisksTest, RefusedUnmountReportsTheServicesReason) {
    fake.unmountErrorName = "org.freedesktop.UDisks2.Error.DeviceBusy";
    fake.unmountErrorText = "Error unmounting /dev/ztfake1: target is busy";
    std::string error;
    EXPECT_FALSE(unmount("/dev/ztfake1", error));
    EXPECT_EQ(error, "Error unmounting /dev/ztfake1: target is busy");

    fake.unmountErrorName = "org.freedesktop.UDisks2.Error.NotAuthorizedDismissed";
    fake.unmountErrorText = "";
    EXPECT_FALSE(unmount("/dev/ztfake1", error));
    EXPECT_EQ(error, "org.freedesktop.UDisks2.Error.NotAuthorizedDismissed");
}

TEST_F(UDisksTest, MountsUDisksDoesNotKnowFallBackToTheSystemCall) {
    std::string error;
    fake.unmountErrorName = "org.freedesktop.UDisks2.Error.NotMounted";
    EXPECT_FALSE(unmount("/dev/ztfake1", error));
    EXPECT_EQ(error, systemReason());

    error.clear();
    EXPECT_FALSE(unmount("/dev/ztother", error));  // a device the service does not list
    EXPECT_EQ(error, systemReason());
    EXPECT_FALSE(mountAgain("/dev/ztother"));
    EXPECT_EQ(fake.calls.filter("Unmount").size(), 1);
}

TEST_F(UDisksTest, MountAgainWaitsForTheNewFileSystem) {
    fake.mountUnknownInterfaceReplies = 2;
    EXPECT_TRUE(mountAgain("/dev/ztfake1"));
    EXPECT_EQ(remount.value(), "/media/zt/NEW");
    EXPECT_EQ(fake.calls,
              (QStringList{"ResolveDevice /org/freedesktop/UDisks2/Manager a{sv}a{sv}",
                           "Rescan " + kObject + " a{sv}", "Mount " + kObject + " a{sv}",
                           "Mount " + kObject + " a{sv}", "Mount " + kObject + " a{sv}"}));
}

TEST_F(UDisksTest, MountAgainAcceptsAnAutomountAndStopsOnARefusal) {
    fake.mountErrorName = "org.freedesktop.UDisks2.Error.AlreadyMounted";
    EXPECT_TRUE(mountAgain("/dev/ztfake1"));
    fake.mountErrorName = "org.freedesktop.UDisks2.Error.NotAuthorized";
    fake.calls.clear();
    EXPECT_FALSE(mountAgain("/dev/ztfake1"));
    EXPECT_EQ(remount.failure().reason, "refused");
    EXPECT_EQ(fake.calls.filter("Mount").size(), 1);
}

TEST_F(UDisksTest, ServiceGoneFromTheBusFallsBack) {
    QDBusConnection(QDBusConnection::connectToBus(privateBus, "zt-fake-udisks"))
        .unregisterService(QStringLiteral("org.freedesktop.UDisks2"));
    std::string error;
    EXPECT_FALSE(unmount("/dev/ztfake1", error));
    EXPECT_EQ(error, systemReason());
    EXPECT_FALSE(mountAgain("/dev/ztfake1"));
    EXPECT_TRUE(fake.calls.isEmpty());
}

// Starts a bus of this user's own that stands for the system bus; nothing when
// dbus-daemon is missing or the test is told to run without a bus.
std::unique_ptr<QProcess> startPrivateBus(const TempDir& dir) {
    if (getenv("ZT_TEST_NO_SYSTEM_BUS"))
        return nullptr;
    std::string config = dir.file("bus.conf");
    std::ofstream(config)
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:path="
        << dir.file("bus")
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
    auto daemon = std::make_unique<QProcess>();
    daemon->start("dbus-daemon", {"--config-file=" + QString::fromStdString(config), "--nofork",
                                  "--print-address=1"});
    if (!daemon->waitForStarted() || !daemon->waitForReadyRead(10000))
        return nullptr;
    privateBus = QString::fromUtf8(daemon->readLine()).trimmed();
    return daemon;
}

int main(int argc, char** argv) {
    TempDir busDir;
    // The system bus is the private one, or none: what the machine runs plays no part.
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zt-no-bus", 1);
    qInstallMessageHandler(countWarnings);
    QCoreApplication app(argc, argv);
    std::unique_ptr<QProcess> bus = startPrivateBus(busDir);
    if (!privateBus.isEmpty())
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", privateBus.toUtf8().constData(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (bus) {
        bus->kill();
        bus->waitForFinished();
    }
    return result;
}
