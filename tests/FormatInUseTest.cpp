// zt_format refuses a drive in use in any form, before its question, and run
// through pkexec it refuses every command line but the one the window sends.
// Against real loop devices, ext4 mounts and swap, as root.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "DiskImage.h"
#include "TempDir.h"
#include "ToolRun.h"

namespace {

// Loop devices, mounts and swap areas made for one test, undone in reverse.
class SystemSetup {
  public:
    SystemSetup() = default;
    SystemSetup(const SystemSetup&) = delete;
    SystemSetup& operator=(const SystemSetup&) = delete;
    ~SystemSetup() {
        for (auto it = undo_.rbegin(); it != undo_.rend(); ++it)
            runShell(*it);
    }
    // A loop device over `file` from byte `offset`; empty when none can be made.
    std::string attach(const std::string& file, std::uint64_t offset = 0) {
        ToolRun r = runShell("losetup --find --show --offset " + std::to_string(offset) + " '" +
                             file + "'");
        if (r.status != 0 || r.out.empty())
            return "";
        std::string loop = r.out.substr(0, r.out.find('\n'));
        undo_.push_back("losetup -d " + loop);
        return loop;
    }
    bool mountExt4(const std::string& device, const std::string& folder) {
        std::filesystem::create_directories(folder);
        if (runShell("mkfs.ext4 -q -F " + device + " && mount -t ext4 " + device + " '" + folder +
                     "'")
                .status != 0) {
            return false;
        }
        undo_.push_back("umount -l '" + folder + "'");
        return true;
    }
    bool swapOn(const std::string& device) {
        if (runShell("mkswap -q " + device + " && swapon " + device).status != 0)
            return false;
        undo_.push_back("swapoff " + device);
        return true;
    }

  private:
    std::vector<std::string> undo_;
};

bool canSetUp() {
    return geteuid() == 0 && haveProgram("losetup") && haveProgram("mkfs.ext4") &&
           haveProgram("mkswap") && haveProgram("swapon");
}

ToolRun zt(const std::string& arguments, bool throughPkexec = false) {
    return runShell(std::string(throughPkexec ? "PKEXEC_UID=1000 " : "") +
                    shellQuoted(std::string(ZT_BIN_DIR) + "/zt_format") + " " + arguments);
}

std::vector<std::uint8_t> head(const std::string& file) {
    return readAt(file, 0, 1 << 20);
}

}  // namespace

TEST(FormatInUseTest, DrivesInUseAreRefusedBeforeTheQuestion) {
    if (!canSetUp())
        GTEST_SKIP() << "needs root, losetup, mkfs.ext4, mkswap and swapon";
    TempDir dir;
    SystemSetup setup;
    const std::string image = dir.file("usb.img"), link = dir.file("d2");
    makeImage(image, 64ULL << 20);
    ASSERT_EQ(zt("--yes '" + image + "' INIT").status, 0);
    ASSERT_EQ(::link(image.c_str(), link.c_str()), 0);
    // The image's partition, mounted through an offset loop device, and a
    // second loop device over the whole image.
    const std::string part = setup.attach(image, 8192);
    if (part.empty())
        GTEST_SKIP() << "loop devices are not available here";
    const std::string mnt = dir.file("mnt");
    if (!setup.mountExt4(part, mnt))
        GTEST_SKIP() << "this system does not let ext4 be mounted or swap be turned on";
    const std::string whole = setup.attach(image);
    // A swap area.
    const std::string swapImage = dir.file("swap.img");
    makeImage(swapImage, 16ULL << 20);
    const std::string swap = setup.attach(swapImage);
    if (!setup.swapOn(swap))
        GTEST_SKIP() << "this system does not let ext4 be mounted or swap be turned on";
    // A disk that holds the file behind a loop device, no longer mounted but
    // kept alive by that loop device.
    const std::string outerImage = dir.file("outer.img"), outerMnt = dir.file("outer");
    makeImage(outerImage, 32ULL << 20);
    const std::string outer = setup.attach(outerImage);
    if (!setup.mountExt4(outer, outerMnt))
        GTEST_SKIP() << "this system does not let ext4 be mounted or swap be turned on";
    makeImage(outerMnt + "/inner.img", 4ULL << 20);
    ASSERT_FALSE(setup.attach(outerMnt + "/inner.img").empty());
    ASSERT_EQ(runShell("umount -l '" + outerMnt + "'").status, 0);

    const struct {
        std::string drive, command, file, says;
    } cases[] = {
        {link, "FORMAT", image,
         "the loop device " + part + " reads and writes the same file, " + image +
             ", and is mounted at " + mnt},
        {image, "INIT", image, "the loop device " + whole + " reads and writes the same file"},
        {whole, "FORMAT", image, "the loop device " + part + " reads and writes the same file"},
        {part, "INIT", image, part + " is mounted at " + mnt + ": unmount it first"},
        {swap, "FORMAT", swapImage, swap + " is in use as swap"},
        {outer, "INIT", outerImage, "/inner.img, which lies on it"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> before = head(c.file);
        ToolRun r = zt("'" + c.drive + "' " + c.command);  // no --yes: a question would be seen
        EXPECT_EQ(r.status, 1) << c.drive;
        EXPECT_NE(r.err.find("The drive " + c.drive + " is in use; nothing was written:\n"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("WARNING"), std::string::npos) << r.err;
        EXPECT_EQ(head(c.file), before) << c.drive;
    }
}

TEST(FormatInUseTest, ThroughPkexecOnlyFormatOfAnUnusedDeviceUnderDev) {
    if (!canSetUp() || !haveProgram("fsck.fat"))
        GTEST_SKIP() << "needs root, losetup, mkfs.ext4, mkswap, swapon and fsck.fat";
    TempDir dir;
    SystemSetup setup;
    // Stands for /etc/shadow: a root-owned regular file.
    const std::string shadow = dir.file("shadow"), image = dir.file("usb.img");
    writeBytes(shadow, std::vector<std::uint8_t>(20000, 'x'));
    makeImage(image, 64ULL << 20);
    ASSERT_EQ(zt("--yes '" + image + "' INIT").status, 0);
    const std::string loop = setup.attach(image);
    if (loop.empty())
        GTEST_SKIP() << "loop devices are not available here";
    const std::string mountedImage = dir.file("mounted.img");
    makeImage(mountedImage, 32ULL << 20);
    const std::string mounted = setup.attach(mountedImage);
    if (!setup.mountExt4(mounted, dir.file("mnt")))
        GTEST_SKIP() << "this system does not let ext4 be mounted or swap be turned on";
    // Links to the device from outside /dev, and to the file from inside it.
    const std::string outside = dir.file("disk"),
                      inside = "/dev/shm/" + dir.path().filename().string();
    std::filesystem::create_symlink(loop, outside);
    std::filesystem::create_symlink(shadow, inside);
    struct Unlink {
        std::string path;
        ~Unlink() { std::filesystem::remove(path); }
    } unlinkInside{inside};

    const struct {
        std::string arguments, file;
    } refused[] = {
        {"--yes '" + shadow + "' FORMAT", shadow},
        {"--yes '" + shadow + "' INIT", shadow},
        {"--yes " + inside + " FORMAT", shadow},
        {"--yes /dev/null FORMAT", shadow},
        {"--yes '" + dir.root() + "' FORMAT", shadow},
        {"--yes " + loop + " INIT", image},
        {"--yes " + loop + " INFO", image},
        {"--yes --bogus " + loop + " FORMAT", image},
        {"--yes " + loop + " FORMAT extra", image},
        {loop + " FORMAT", image},
        {"--yes '" + outside + "' FORMAT", image},
        {"--yes " + mounted + " FORMAT", mountedImage},
        {"--help", image},
    };
    for (const auto& c : refused) {
        std::vector<std::uint8_t> before = head(c.file);
        ToolRun r = zt(c.arguments, true);
        EXPECT_EQ(r.status, 1) << c.arguments;
        EXPECT_EQ(r.err.find("WARNING"), std::string::npos) << c.arguments << r.err;
        EXPECT_EQ(r.out, "") << c.arguments;
        EXPECT_EQ(head(c.file), before) << c.arguments;
    }
    EXPECT_NE(
        zt("--yes '" + shadow + "' FORMAT", true).err.find("is not a block device under /dev"),
        std::string::npos);
    EXPECT_NE(zt("--yes " + mounted + " FORMAT", true).err.find("is mounted at"),
              std::string::npos);

    // What the window sends formats an unused device.
    ToolRun r = zt("--yes -- " + loop + " FORMAT", true);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_EQ(runShell("dd if='" + image + "' of='" + dir.file("part.img") +
                       "' bs=1M iflag=skip_bytes skip=8192 status=none")
                  .status,
              0);
    r = runShell("fsck.fat -n '" + dir.file("part.img") + "'");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}
