// zt_install on a real ISO 9660 image made by xorriso.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "GameIso.h"
#include "TempDir.h"
#include "ToolRun.h"

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
