// zt_format end to end, checked with tools that no one here wrote:
// sfdisk, fsck.fat and mtools.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "DiskImage.h"
#include "TempDir.h"
#include "ToolRun.h"

using namespace disk;
using namespace store;
using namespace platform;

namespace {

const char* kUsage =
    "USAGE:\n"
    " zt_format <drive letter> INFO   : Drive information\n"
    " zt_format <drive letter> INIT   : Initialise partitions\n"
    " zt_format <drive letter> FORMAT : Format partition (Fat32)\n";

class FormatToolTest : public ::testing::Test {
  protected:
    ToolRun zt(const std::string& args) { return runTool("zt_format", args); }

    // A copy of the partition that INIT placed at byte 8192.
    std::string partitionCopy() {
        std::string part = dir.file("part.img");
        ToolRun r = runShell("dd if='" + image + "' of='" + part +
                             "' bs=1M iflag=skip_bytes skip=8192 conv=sparse status=none");
        EXPECT_EQ(r.status, 0) << r.err;
        return part;
    }

    // fsck.fat finds nothing to mend in that partition.
    void expectCleanFileSystem() {
        ToolRun r = runShell("fsck.fat -n '" + partitionCopy() + "'");
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.out.find("wrong"), std::string::npos) << r.out;
    }

    TempDir dir;
    std::string image = dir.file("usb.img");
};

// The types of the signatures wipefs lists in `path`, one per line.
std::string signatureTypes(const std::string& path) {
    return runShell("wipefs --no-act --noheadings --output TYPE '" + path + "'").out;
}

bool onlyVfat(const std::string& types) {
    std::istringstream lines(types);
    std::string type;
    int count = 0;
    while (std::getline(lines, type) && type == "vfat")
        ++count;
    return count > 0 && lines.eof();
}

}  // namespace

TEST_F(FormatToolTest, UsageAndConfirmation) {
    ToolRun r = zt("");
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
    // While someone else holds the disk, nothing is written; the holder is named.
    {
        std::unique_ptr<platform::BlockDevice> holder = platform::openBlockDevice(image);
        ASSERT_TRUE(holder && holder->lock());
        r = zt("--yes '" + image + "' INIT");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(image + " is held open by zt_tests (process " +
                             std::to_string(::getpid()) + ")"),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(allZero(readAt(image, 0, 512)));
    }
    // What is no disk, partition or image is named before the question.
    for (const std::string& drive : {dir.root(), std::string("/dev/null")}) {
        r = zt("'" + drive + "' FORMAT");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind(drive + " is a ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find("WARNING"), std::string::npos) << r.err;
    }
    // An unknown command word is wrong usage: nothing is opened.
    r = zt("'" + image + "' bogus");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, kUsage);
    EXPECT_NE(r.err.find("unknown command bogus"), std::string::npos);

    r = zt("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: zt_format [OPTION]...", 0), 0u);
    EXPECT_LT(r.out.find("-y, --yes"), r.out.find("Exit status:"));
    EXPECT_LT(r.out.find("Exit status:"), r.out.find("USAGE:"));
}

TEST_F(FormatToolTest, InitAndFormatPassTheDebianTools) {
    if (!haveProgram("sfdisk") || !haveProgram("fsck.fat") || !haveProgram("mdir") ||
        !haveProgram("mcopy")) {
        GTEST_SKIP() << "sfdisk, fsck.fat or mtools missing";
    }
    makeImage(image, 300ULL << 20);  // a partition of 8 sectors per cluster
    ToolRun r = zt("--yes '" + image + "' init");
    ASSERT_EQ(r.status, 0) << r.out;
    r = runShell("sfdisk --dump '" + image + "'");
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

    expectCleanFileSystem();

    std::string at = "'" + image + "@@8192'";
    r = runShell("mdir -i " + at + " ::");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Volume in drive : is NEW"), std::string::npos) << r.out;

    std::vector<std::uint8_t> data(100000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    writeBytes(dir.file("game.bin"), data);
    ASSERT_EQ(runShell("mcopy -i " + at + " '" + dir.file("game.bin") + "' ::GAME.BIN").status, 0);
    ASSERT_EQ(runShell("mcopy -i " + at + " ::GAME.BIN '" + dir.file("back.bin") + "'").status, 0);
    EXPECT_EQ(readBytes(dir.file("back.bin")), data);
    expectCleanFileSystem();
}

TEST_F(FormatToolTest, GptDiskIsRefusedUntilInit) {
    if (!haveProgram("sfdisk"))
        GTEST_SKIP() << "sfdisk missing";
    makeImage(image, 64ULL << 20);
    ASSERT_EQ(runShell("(echo 'label: gpt' | sfdisk -q '" + image + "')").status, 0);
    std::vector<std::uint8_t> before = readAt(image, 0, 64 * 1024);
    ToolRun r = zt("--yes '" + image + "' FORMAT");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("run INIT first"), std::string::npos) << r.out;
    EXPECT_EQ(readAt(image, 0, 64 * 1024), before);

    ASSERT_EQ(zt("--yes '" + image + "' INIT").status, 0);
    r = runShell("sfdisk --dump '" + image + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("label: dos"), std::string::npos) << r.out << r.err;
    EXPECT_EQ(r.err.find("GPT"), std::string::npos) << r.err;
    EXPECT_EQ(signatureTypes(image), "dos\n");  // no header left, the backup at the end included
    EXPECT_EQ(zt("--yes '" + image + "' FORMAT").status, 0);

    // A GUID table whose first sectors were lost still has its backup header.
    makeImage(image, 64ULL << 20);
    ASSERT_EQ(runShell("(echo 'label: gpt' | sfdisk -q '" + image + "')").status, 0);
    writeAt(image, 0, std::vector<std::uint8_t>(1024, 0));
    ASSERT_EQ(zt("--yes '" + image + "' INIT").status, 0);
    EXPECT_EQ(signatureTypes(image), "dos\n");
    r = runShell("sfdisk -l '" + image + "'");
    EXPECT_EQ(r.out.find("gpt"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST_F(FormatToolTest, ThroughALoopDevice) {
    if (geteuid() != 0 || !haveProgram("losetup"))
        GTEST_SKIP() << "needs root and losetup";
    makeImage(image, 300ULL << 20);
    ToolRun attach = runShell("losetup --find --show --partscan '" + image + "'");
    if (attach.status != 0 || attach.out.empty()) {
        GTEST_SKIP() << "loop devices are not available here: " << attach.err;
    }
    std::string loop = attach.out.substr(0, attach.out.find('\n'));
    struct Detach {
        std::string loop;
        ~Detach() { runShell("losetup -d '" + loop + "'"); }
    } detach{loop};

    {
        // Held exclusively elsewhere: refused, nothing written.
        std::unique_ptr<platform::BlockDevice> holder = platform::openBlockDevice(loop);
        ASSERT_TRUE(holder && holder->lock());
        ToolRun refused = zt("--yes " + loop + " INIT");
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find(loop + " is held open by zt_tests"), std::string::npos)
            << refused.err;
        EXPECT_TRUE(allZero(readAt(image, 0, 512)));
    }
    ToolRun r = zt("--yes " + loop + " INIT");
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
    if (haveProgram("mdir")) {
        r = runShell("mdir -i '" + image + "@@8192' ::");
        EXPECT_NE(r.out.find("is NEW"), std::string::npos) << r.out << r.err;
    }
}

TEST_F(FormatToolTest, NoOldSignatureSurvives) {
    for (const char* tool :
         {"blkid", "wipefs", "sfdisk", "mkfs.ext4", "mkntfs", "mkswap", "xorriso", "fsck.fat"}) {
        if (!haveProgram(tool))
            GTEST_SKIP() << tool << " missing";
    }
    // What the partition held before FORMAT, made by the system's own tools.
    const std::string old = dir.file("old.img");
    const struct {
        const char* type;
        std::string make;
    } olds[] = {
        {"ext4", "mkfs.ext4 -q -F '" + old + "'"},
        {"ntfs", "mkntfs -q -F -Q '" + old + "'"},
        {"swap", "mkswap '" + old + "'"},
        {"iso9660",
         "xorriso -as mkisofs -quiet -o '" + old + "' '" + ZT_SOURCE_DIR + "/README.md'"},
    };
    for (const auto& before : olds) {
        makeImage(image, 64ULL << 20);
        ASSERT_EQ(zt("--yes '" + image + "' INIT").status, 0);
        makeImage(old, 32ULL << 20);
        ASSERT_EQ(runShell(before.make).status, 0) << before.type;
        ASSERT_EQ(runShell("dd if='" + old + "' of='" + image +
                           "' bs=1M oflag=seek_bytes seek=8192 conv=notrunc status=none")
                      .status,
                  0);
        ASSERT_EQ(signatureTypes(partitionCopy()).rfind(std::string(before.type) + "\n", 0), 0u);
        ToolRun r = zt("--yes '" + image + "' FORMAT");
        ASSERT_EQ(r.status, 0) << before.type << r.out;
        const std::string part = partitionCopy();
        r = runShell("blkid -p -o export '" + part + "'");
        EXPECT_NE(r.out.find("\nTYPE=vfat\n"), std::string::npos) << before.type << r.out;
        EXPECT_EQ(r.out.find(before.type), std::string::npos) << r.out;
        EXPECT_TRUE(onlyVfat(signatureTypes(part))) << before.type << signatureTypes(part);
        EXPECT_EQ(runShell("fsck.fat -n '" + part + "'").status, 0) << before.type;
    }
    // A file system over the whole disk: after INIT only the partition table is seen.
    makeImage(image, 64ULL << 20);
    ASSERT_EQ(runShell("mkfs.ext4 -q -F '" + image + "'").status, 0);
    ASSERT_EQ(zt("--yes '" + image + "' INIT").status, 0);
    EXPECT_EQ(signatureTypes(image), "dos\n");
}
