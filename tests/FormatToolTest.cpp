// zt_format end to end, checked with tools that no one here wrote:
// sfdisk, fsck.fat and mtools.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "DiskImage.h"
#include "TempDir.h"

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Result shell(const TempDir& dir, const std::string& command) {
    std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
    int raw = std::system((command + " </dev/null >'" + out + "' 2>'" + err + "'").c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}

std::string tool() {
    return std::string(ZT_BIN_DIR) + "/zt_format";
}

bool have(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

const char* kUsage =
    "USAGE:\n"
    " zt_format <drive letter> INFO   : Drive information\n"
    " zt_format <drive letter> INIT   : Initialise partitions\n"
    " zt_format <drive letter> FORMAT : Format partition (Fat32)\n";

class FormatToolTest : public ::testing::Test {
  protected:
    Result zt(const std::string& args) { return shell(dir, "'" + tool() + "' " + args); }

    TempDir dir;
    std::string image = dir.file("usb.img");
};

}  // namespace

TEST_F(FormatToolTest, UsageAndConfirmation) {
    Result r = zt("");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, kUsage);
    r = zt("a INFO b");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, kUsage);
    EXPECT_EQ(zt("--bogus x INFO").status, 2);

    makeImage(image, 64ULL << 20);
    // No terminal and no --yes: the question is answered No and nothing changes.
    r = zt("'" + image + "' INIT");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("WARNING: Formatting will erase ALL data on disk " + image +
                         " .\nTo format the disk,click OK,To quit,click CANCEL."),
              std::string::npos);
    EXPECT_TRUE(allZero(readAt(image, 0, 512)));

    r = zt("'" + image + "' INFO");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "No partitions.\nOK.\n");
    EXPECT_EQ(r.err, "");  // INFO asks nothing
    // While someone else holds the disk, nothing is written.
    {
        std::unique_ptr<platform::BlockDevice> holder = platform::openBlockDevice(image);
        ASSERT_TRUE(holder && holder->lock());
        r = zt("--yes '" + image + "' INIT");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find("Cannot lock the device\nDisk init failed\nfailed.\n"),
                  std::string::npos);
        EXPECT_TRUE(allZero(readAt(image, 0, 512)));
    }
    r = zt("'" + image + "' bogus");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "failed.\n");
}

TEST_F(FormatToolTest, InitAndFormatPassTheDebianTools) {
    if (!have("sfdisk") || !have("fsck.fat") || !have("mdir") || !have("mcopy")) {
        GTEST_SKIP() << "sfdisk, fsck.fat or mtools missing";
    }
    makeImage(image, 300ULL << 20);  // a partition of 8 sectors per cluster
    Result r = zt("--yes '" + image + "' init");
    ASSERT_EQ(r.status, 0) << r.out;
    r = shell(dir, "sfdisk --dump '" + image + "'");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("label: dos"), std::string::npos);
    EXPECT_NE(r.out.find("usb.img1 : start=          16, size="), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("type=6"), std::string::npos);
    EXPECT_EQ(r.out.find("usb.img2"), std::string::npos);

    r = zt("'" + image + "' FORMAT --yes");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("FormatFAT32: Cluster size = 8 sectors\n"), std::string::npos);
    // The first volume this process formats has serial 0x12345678.
    EXPECT_EQ(readLe32(readAt(image, 8192 + 67, 4).data()), 0x12345678u);

    std::string part = dir.file("part.img");
    ASSERT_EQ(shell(dir, "dd if='" + image + "' of='" + part +
                             "' bs=1M iflag=skip_bytes skip=8192 conv=sparse status=none")
                  .status,
              0);
    r = shell(dir, "fsck.fat -n '" + part + "'");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("wrong"), std::string::npos) << r.out;

    std::string at = "'" + image + "@@8192'";
    r = shell(dir, "mdir -i " + at + " ::");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Volume in drive : is NEW"), std::string::npos) << r.out;

    std::vector<std::uint8_t> data(100000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    writeBytes(dir.file("game.bin"), data);
    ASSERT_EQ(shell(dir, "mcopy -i " + at + " '" + dir.file("game.bin") + "' ::GAME.BIN").status,
              0);
    ASSERT_EQ(shell(dir, "mcopy -i " + at + " ::GAME.BIN '" + dir.file("back.bin") + "'").status,
              0);
    EXPECT_EQ(readBytes(dir.file("back.bin")), data);
    ASSERT_EQ(shell(dir, "dd if='" + image + "' of='" + part +
                             "' bs=1M iflag=skip_bytes skip=8192 conv=sparse status=none")
                  .status,
              0);
    r = shell(dir, "fsck.fat -n '" + part + "'");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("wrong"), std::string::npos) << r.out;
}

TEST_F(FormatToolTest, GptDiskIsRefusedUntilInit) {
    if (!have("sfdisk"))
        GTEST_SKIP() << "sfdisk missing";
    makeImage(image, 64ULL << 20);
    ASSERT_EQ(shell(dir, "(echo 'label: gpt' | sfdisk -q '" + image + "')").status, 0);
    std::vector<std::uint8_t> before = readAt(image, 0, 64 * 1024);
    Result r = zt("--yes '" + image + "' FORMAT");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("run INIT first"), std::string::npos) << r.out;
    EXPECT_EQ(readAt(image, 0, 64 * 1024), before);

    ASSERT_EQ(zt("--yes '" + image + "' INIT").status, 0);
    r = shell(dir, "sfdisk --dump '" + image + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("label: dos"), std::string::npos) << r.out << r.err;
    EXPECT_EQ(r.err.find("GPT"), std::string::npos) << r.err;
    EXPECT_EQ(zt("--yes '" + image + "' FORMAT").status, 0);
}

TEST_F(FormatToolTest, ThroughALoopDevice) {
    if (geteuid() != 0 || !have("losetup"))
        GTEST_SKIP() << "needs root and losetup";
    makeImage(image, 300ULL << 20);
    Result attach = shell(dir, "losetup --find --show --partscan '" + image + "'");
    if (attach.status != 0 || attach.out.empty()) {
        GTEST_SKIP() << "loop devices are not available here: " << attach.err;
    }
    std::string loop = attach.out.substr(0, attach.out.find('\n'));
    struct Detach {
        TempDir& dir;
        std::string loop;
        ~Detach() { shell(dir, "losetup -d '" + loop + "'"); }
    } detach{dir, loop};

    {
        // Held exclusively elsewhere: refused, nothing written.
        std::unique_ptr<platform::BlockDevice> holder = platform::openBlockDevice(loop);
        ASSERT_TRUE(holder && holder->lock());
        Result refused = zt("--yes " + loop + " INIT");
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.out.find("Cannot lock the device\n"), std::string::npos) << refused.out;
        EXPECT_TRUE(allZero(readAt(image, 0, 512)));
    }
    Result r = zt("--yes " + loop + " INIT");
    ASSERT_EQ(r.status, 0) << r.out;
    r = zt("--yes " + loop + " FORMAT");
    ASSERT_EQ(r.status, 0) << r.out;
    r = zt(loop + " INFO");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Start Offset : 8192 (bytes)\n"), std::string::npos);
    EXPECT_NE(r.out.find("Code : 6 (FAT32 [HUGE])\n"), std::string::npos);
    // The writes went through to the image behind the device.
    std::vector<std::uint8_t> boot = readAt(image, 8192, 512);
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(std::string(boot.begin() + 82, boot.begin() + 90), "FAT32   ");
    if (have("mdir")) {
        r = shell(dir, "mdir -i '" + image + "@@8192' ::");
        EXPECT_NE(r.out.find("is NEW"), std::string::npos) << r.out << r.err;
    }
}
