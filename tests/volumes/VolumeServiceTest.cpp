// The system volume service where no UDisks2 answers: the fallbacks, and the
// privileged format run through a stand-in for pkexec. Every call is made from a
// worker thread, as the window makes them.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QtGlobal>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "TempDir.h"
#include "platform/Drives.h"
#include "ui/VolumeService.h"

namespace {

std::atomic<int> qtWarnings{0};

void countWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) {
        ++qtWarnings;
        fprintf(stderr, "Qt: %s\n", qPrintable(text));
    }
}

void onWorker(const std::function<void()>& work) {
    std::thread worker(work);
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

TEST_F(VolumeServiceTest, WithoutUDisksUnmountFallsBackToTheSystemCall) {
    auto service = makeSystemVolumeService(dir.file("zt_format"));
    std::string expected;
    platform::unmountVolume(dir.file("missing"), expected);
    bool unmounted = true;
    bool mounted = true;
    std::string error;
    onWorker([&] {
        unmounted = service->unmount("/dev/ztnothing", dir.file("missing"), error);
        mounted = service->mountAgain("/dev/ztnothing");
    });
    EXPECT_FALSE(unmounted);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(error, expected);
    EXPECT_FALSE(mounted);
}

TEST_F(VolumeServiceTest, FormatRunsTheToolAndPassesItsOutputAndStatus) {
    std::string tool = writeTool(dir, "echo \"args: $*\"; echo 'Disk format failed' >&2; exit 1");
    auto service = makeSystemVolumeService(tool, "/usr/bin/env");
    std::ostringstream out;
    std::string error;
    int status = 0;
    onWorker([&] { status = service->runPrivilegedFormat("/dev/ztsdb1", out, error); });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.str(), "args: --yes /dev/ztsdb1 FORMAT\nDisk format failed\n");
    EXPECT_EQ(error, "");
}

TEST_F(VolumeServiceTest, RefusedRightsAreNamed) {
    std::string tool =
        writeTool(dir, "echo 'Error executing command: Not authorized' >&2; exit 126");
    auto service = makeSystemVolumeService(tool, "/usr/bin/env");
    std::ostringstream out;
    std::string error;
    int status = 0;
    onWorker([&] { status = service->runPrivilegedFormat("/dev/ztsdb1", out, error); });
    EXPECT_EQ(status, 126);
    EXPECT_NE(error.find("not granted"), std::string::npos) << error;
    EXPECT_NE(error.find("Not authorized"), std::string::npos) << error;
}

TEST_F(VolumeServiceTest, FormatThatCannotRunReportsWhy) {
    std::string tool = writeTool(dir, "exit 0");
    std::ostringstream out;
    std::string error;
    int status = 0;
    onWorker([&] {
        status = makeSystemVolumeService(tool, dir.file("no-pkexec"))
                     ->runPrivilegedFormat("/dev/ztsdb1", out, error);
    });
    EXPECT_EQ(status, -1);
    EXPECT_NE(error.find("no-pkexec"), std::string::npos) << error;

    for (const std::string& badTool : {std::string("zt_format"), dir.file("absent")}) {
        error.clear();
        onWorker([&] {
            status = makeSystemVolumeService(badTool, "/usr/bin/env")
                         ->runPrivilegedFormat("/dev/ztsdb1", out, error);
        });
        EXPECT_EQ(status, -1) << badTool;
        EXPECT_FALSE(error.empty()) << badTool;
    }
}

TEST_F(VolumeServiceTest, ToolKilledBySignalIsAFailure) {
    std::string tool = writeTool(dir, "echo started; kill -KILL $$");
    auto service = makeSystemVolumeService(tool, "/usr/bin/env");
    std::ostringstream out;
    std::string error;
    int status = 0;
    onWorker([&] { status = service->runPrivilegedFormat("/dev/ztsdb1", out, error); });
    EXPECT_EQ(status, -1);
    EXPECT_EQ(out.str(), "started\n");
    EXPECT_FALSE(error.empty());
}

int main(int argc, char** argv) {
    // No system bus: the fallbacks are what is under test, whatever the machine runs.
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zt-no-bus", 1);
    qInstallMessageHandler(countWarnings);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
