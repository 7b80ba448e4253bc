// zt_install on a real ISO 9660 image made by xorriso.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "GameIso.h"
#include "TempDir.h"
#include "ToolRun.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"

using namespace store;

namespace {

class ZtInstallEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("command -v xorriso >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "no xorriso";
        // Enough content for many 64-sector blocks and the single-sector tail.
        iso = makeGameIso(work, 3 << 20, 7);
        ASSERT_FALSE(iso.empty());
        std::filesystem::create_directory(work.file("drive"));
        drive = work.file("drive");  // no trailing '/'
    }

    ToolRun zt(const std::string& arguments) { return runTool("zt_install", arguments); }

    TempDir work;
    std::string iso;
    std::string drive;
};

}  // namespace

TEST_F(ZtInstallEndToEndTest, InstallsARealIsoImageByteForByte) {
    ToolRun run = zt("--yes " + shellQuoted(iso) + " " + shellQuoted(drive) + " 'My Game' DVD");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("copy finished\n"), std::string::npos);
    EXPECT_NE(run.err.find("Checking disc..\n"), std::string::npos);

    std::vector<std::uint8_t> image = readBytes(iso);
    ASSERT_GT(image.size(), 16u * 2048 + 84);
    const std::uint8_t* size = &image[16 * 2048 + 80];
    std::size_t sectors = size[0] | size[1] << 8 | size[2] << 16 | std::size_t{size[3]} << 24;
    ASSERT_LE(sectors * 2048, image.size());
    image.resize(sectors * 2048);
    EXPECT_EQ(readBytes(drive + "/zt.1C5EB8C8.SLUS_209.46.00"), image);

    std::vector<std::uint8_t> entry(64, 0);
    const std::string name = "My Game", file = "zt.SLUS_209.46";
    std::copy(name.begin(), name.end(), entry.begin());
    std::copy(file.begin(), file.end(), entry.begin() + 32);
    entry[47] = 1;
    entry[48] = 0x14;
    entry[53] = 0x08;
    EXPECT_EQ(readBytes(drive + "/zt.cfg"), entry);

    // Again without --yes and without a terminal: the question is answered No.
    run = zt(shellQuoted(iso) + " " + shellQuoted(drive + "/") + " 'My Game' DVD");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("File My Game already exist,Continue?"), std::string::npos);
    EXPECT_EQ(readBytes(drive + "/zt.cfg"), entry);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(drive), {}), 2);
}

TEST_F(ZtInstallEndToEndTest, RefusalsAndUsageHaveTheirExitStatus) {
    ToolRun run = zt(shellQuoted(iso) + " " + shellQuoted(drive) + " 'My Game'");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(
        run.out,
        "zt_install SourceDrive TargetDrive Name CD/DVD\nEXAMPLE:  zt_install G H \"My Game\" "
        "DVD\n\tInstall from drive G to H (DVD)\n");

    run = zt(shellQuoted(iso) + " " + shellQuoted(drive) + " 'My Game' BD");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out.rfind("enter CD or DVD mode\nzt_install SourceDrive", 0), 0u);

    // The help lists the options and the exit statuses before the usage lines.
    run = zt("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage: zt_install [OPTION]...", 0), 0u);
    EXPECT_LT(run.out.find("-y, --yes"), run.out.find("Exit status:"));
    EXPECT_LT(run.out.find("Exit status:"), run.out.find("zt_install SourceDrive"));

    run = zt(shellQuoted(work.file("missing.iso")) + " " + shellQuoted(drive) + " 'My Game' CD");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Unable to access source drive\n"), std::string::npos);
    EXPECT_NE(run.err.find("Source drive is invalid\n" + work.file("missing.iso") +
                           ": No such file or directory\n"),
              std::string::npos);

    // A folder opens for reading but holds no sectors: no retries, just refused.
    run = zt(shellQuoted(work.file("disc")) + " " + shellQuoted(drive) + " 'My Game' CD");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Unable to access source drive\n"), std::string::npos);
    EXPECT_EQ(run.err.find("READ ERROR"), std::string::npos);

    run = zt("--bogus " + shellQuoted(iso) + " " + shellQuoted(drive) + " 'My Game' CD");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(std::filesystem::is_empty(drive));
}

TEST_F(ZtInstallEndToEndTest, TerminationAndHangUpCancelAsCtrlCDoes) {
    // The volume is made to say 4 GiB and the image sparse up to it, so that
    // the copy runs long enough to be stopped.
    constexpr std::uint32_t kSectors = 2097152;
    {
        std::fstream image(iso, std::ios::binary | std::ios::in | std::ios::out);
        image.seekp(16 * 2048 + 80);
        const char size[8] = {0, 0, 0x20, 0, 0, 0x20, 0, 0};  // little-, then big-endian
        image.write(size, sizeof size);
    }
    std::filesystem::resize_file(iso, std::uint64_t{kSectors} * 2048);
    const std::string part =
        *partFilePath(partPrefix(drive + "/", gameNameHash("Game"), "SLUS_209.46"), 0);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl(ZT_BIN_DIR "/zt_install", "zt_install", iso.c_str(), drive.c_str(), "Game",
                    "DVD", nullptr);
            ::_exit(127);
        }
        int status = 0;
        std::error_code error;
        bool ended = false;
        for (int wait = 0;
             wait < 6000 && !ended && (std::filesystem::file_size(part, error) == 0 || error);
             ++wait) {
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
            ::usleep(10000);
        }
        if (!ended) {
            ::kill(pid, signal);
            ::waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << signal << ": " << status;
        EXPECT_TRUE(std::filesystem::is_empty(drive)) << signal;
    }
}
