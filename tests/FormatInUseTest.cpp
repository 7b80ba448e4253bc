// zt_format refuses a drive in use in any form, before its question, and run
// through pkexec it refuses every command line but the one the window sends.
// Against real loop devices, ext4 mounts and swap, as root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "DiskImage.h"
#include "TempDir.h"
#include "ToolRun.h"
#include "disk/DriveRefusal.h"

using namespace disk;
using namespace store;
using namespace platform;

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
    // Tests beside this one attach loop devices too: a device found free may
    // be taken before it is set up, so each step is tried again a few times.
    static ToolRun retried(const std::string& command) {
        ToolRun r = runShell(command);
        for (int i = 0; i < 5 && r.status != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            r = runShell(command);
        }
        return r;
    }
    std::string attach(const std::string& file, std::uint64_t offset = 0) {
        ToolRun r =
            retried("losetup --find --show --offset " + std::to_string(offset) + " '" + file + "'");
        if (r.status != 0 || r.out.empty())
            return "";
        std::string loop = r.out.substr(0, r.out.find('\n'));
        undo_.push_back("losetup -d " + loop);
        return loop;
    }
    // A loop device over the whole of `file` with its partitions as devices of
    // their own (loopNp1), read from its table by partx.
    std::string attachWithPartitions(const std::string& file) {
        std::string loop = attach(file);
        if (loop.empty() || retried("partx -a " + loop).status != 0)
            return "";
        undo_.push_back("partx -d " + loop);
        return loop;
    }
    bool mountFuseFat(const std::string& device, const std::string& folder) {
        std::filesystem::create_directories(folder);
        if (runShell("fusefat -o rw+ " + device + " '" + folder + "'").status != 0)
            return false;
        undo_.push_back("umount '" + folder + "'");
        return true;
    }
    // A process that holds `file` open for reading, as a virtual machine does its disk.
    bool holdOpen(const std::string& file) {
        ToolRun r = runShell("sleep 600 3<'" + file + "' >/dev/null 2>&1 & echo $!");
        if (r.status != 0 || r.out.empty())
            return false;
        const std::string pid = r.out.substr(0, r.out.find('\n'));
        undo_.push_back("kill " + pid);
        // The shell opens the file in the background: held once the descriptor is there.
        for (int i = 0; i < 500; ++i) {
            if (std::filesystem::exists("/proc/" + pid + "/fd/3"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // A shell that holds `file` in turns: open 0.15 s, closed 0.05 s, and again,
    // each time through a new descriptor opened before the old one is closed.
    bool holdInTurns(const std::string& file) {
        const std::string f = "'" + file + "'";
        ToolRun r = runShell("(exec 3<" + f + "; while :; do sleep 0.15; exec 4<" + f +
                             " 3<&-; sleep 0.15; exec 4<&-; sleep 0.05; exec 3<" + f +
                             "; done) >/dev/null 2>&1 & echo $!");
        if (r.status != 0 || r.out.empty())
            return false;
        undo_.push_back("kill " + r.out.substr(0, r.out.find('\n')));
        return true;
    }
    // Made whole at once: a kernel thread that fills in inode tables later
    // would change bytes the tests compare to show nothing was written.
    static inline const std::string kMakeExt4 =
        "mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 ";
    // A swap file on an ext4 volume of `device` that is then unmounted lazily:
    // the file system lives on for the swap, mounted nowhere that can be seen.
    bool swapOnHiddenVolume(const std::string& device, const std::string& folder) {
        const std::string mnt = "'" + folder + "'", file = "'" + folder + "/swapfile'";
        std::filesystem::create_directories(folder);
        if (runShell(kMakeExt4 + device + " && mount " + device + " " + mnt +
                     " && dd if=/dev/zero of=" + file + " bs=1M count=4 status=none && chmod 600 " +
                     file + " && mkswap -q " + file + " && swapon " + file + " && umount -l " + mnt)
                .status != 0) {
            runShell("umount " + mnt);
            return false;
        }
        // Mounted again, the volume shows the same file, which swapoff can then name.
        undo_.push_back("mount " + device + " " + mnt + " && swapoff " + file + "; umount " + mnt);
        return true;
    }
    bool mountExt4(const std::string& device, const std::string& folder) {
        std::filesystem::create_directories(folder);
        if (runShell(kMakeExt4 + device + " && mount -t ext4 " + device + " '" + folder + "'")
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

// Uses that the mount table does not name: a FUSE daemon, or any other program,
// that holds the disk, a partition of it or the image file open (found among
// the processes' open files); a partition device of a whole disk, mounted; a
// file system lazily unmounted but kept alive by a swap file on it.
TEST(FormatInUseTest, HiddenUsersAreRefused) {
    if (!canSetUp() || !haveProgram("fusefat") || !haveProgram("partx"))
        GTEST_SKIP() << "needs root, losetup, fusefat and partx";
    TempDir dir;
    SystemSetup setup;
    const std::string image = dir.file("usb.img"), held = dir.file("vm.img");
    makeImage(image, 64ULL << 20);
    makeImage(held, 16ULL << 20);
    ASSERT_EQ(zt("--yes '" + image + "' INIT").status, 0);
    const std::string whole = setup.attachWithPartitions(image);
    if (whole.empty())
        GTEST_SKIP() << "loop devices with partitions are not available here";
    const std::string part = whole + "p1", mnt = dir.file("mnt");
    ASSERT_EQ(zt("--yes " + part + " FORMAT").status, 0);
    if (!setup.mountFuseFat(part, mnt))
        GTEST_SKIP() << "this system cannot mount through FUSE";
    writeBytes(mnt + "/KEEP.TXT", std::vector<std::uint8_t>(5000, 'k'));
    ASSERT_TRUE(setup.holdOpen(held));
    const std::string second = dir.file("second.img"), secondMnt = dir.file("second");
    makeImage(second, 64ULL << 20);
    ASSERT_EQ(zt("--yes '" + second + "' INIT").status, 0);
    const std::string secondWhole = setup.attachWithPartitions(second);
    ASSERT_FALSE(secondWhole.empty());
    ASSERT_TRUE(setup.mountExt4(secondWhole + "p1", secondMnt));
    const std::string swapImage = dir.file("swap.img");
    makeImage(swapImage, 32ULL << 20);
    const std::string swapDisk = setup.attach(swapImage);
    if (!setup.swapOnHiddenVolume(swapDisk, dir.file("swapmnt")))
        GTEST_SKIP() << "this system does not let swap be turned on";

    const struct {
        std::string drive, command, file, says;
    } cases[] = {
        {part, "FORMAT", image, part + " is held open by fusefat (process "},
        {whole, "FORMAT", image, part + " is held open by fusefat (process "},
        {whole, "INIT", image, part + " is held open by fusefat (process "},
        {held, "INIT", held, held + " is held open by sleep (process "},
        {secondWhole, "FORMAT", second, secondWhole + "p1 is mounted at " + secondMnt},
        {swapDisk, "FORMAT", swapImage, swapDisk + " is held by the system"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> before = head(c.file);
        ToolRun r = zt("--yes '" + c.drive + "' " + c.command);
        EXPECT_EQ(r.status, 1) << c.drive << " " << c.command;
        EXPECT_NE(r.err.find("The drive " + c.drive + " is in use; nothing was written:\n"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(head(c.file), before) << c.drive << " " << c.command;
    }
    EXPECT_EQ(readAt(mnt + "/KEEP.TXT", 0, 5000), std::vector<std::uint8_t>(5000, 'k'));
}

// A program that holds the drive in turns, or keeps it mapped after closing
// its descriptor, uses it as much as one that holds it open: refused every time.
TEST(FormatInUseTest, HoldersInTurnsAndMappingsAreRefused) {
    TempDir dir;
    SystemSetup setup;
    const std::string turns = dir.file("turns.img"), mapped = dir.file("mapped.img");
    makeImage(turns, 16ULL << 20);
    makeImage(mapped, 16ULL << 20);
    ASSERT_TRUE(setup.holdInTurns(turns));
    const int fd = ::open(mapped.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    void* mapping = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    ASSERT_NE(mapping, MAP_FAILED);

    const struct {
        std::string file, says;
    } cases[] = {
        {turns, turns + " is held open by "},
        {mapped, mapped + " is mapped into the memory of "},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> before = head(c.file);
        for (int run = 0; run < 20; ++run) {
            ToolRun r = zt("--yes '" + c.file + "' INIT");
            ASSERT_EQ(r.status, 1) << c.file << " run " << run << "\n" << r.out << r.err;
            EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        }
        EXPECT_EQ(head(c.file), before) << c.file;
    }
    ::munmap(mapping, 4096);
}

// A device mapper, RAID or LVM device built on the disk shows in the disk's
// holders folder in /sys. Where the kernel has no device mapper, a holder is
// laid over that folder, in a mount namespace of the tool's own.
TEST(FormatInUseTest, DevicesBuiltOnTheDiskAreRefused) {
    if (!canSetUp() || !haveProgram("unshare"))
        GTEST_SKIP() << "needs root, losetup and unshare";
    TempDir dir;
    SystemSetup setup;
    const std::string image = dir.file("usb.img");
    makeImage(image, 16ULL << 20);
    const std::string loop = setup.attach(image);
    if (loop.empty())
        GTEST_SKIP() << "loop devices are not available here";
    std::filesystem::create_directories(dir.file("holders/dm-9/dm"));
    writeBytes(dir.file("holders/dm-9/dm/name"), {'v', 'g', '-', 'g', 'a', 'm', 'e', 's', '\n'});
    const std::string name = loop.substr(loop.rfind('/') + 1);
    const std::vector<std::uint8_t> before = head(image);
    ToolRun r =
        runShell("unshare -m --propagation private sh -c \"mount --bind '" + dir.file("holders") +
                 "' /sys/dev/block/$(cat /sys/block/" + name + "/dev)/holders && exec '" +
                 ZT_BIN_DIR + "/zt_format' --yes " + loop + " FORMAT\"");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("vg-games (device mapper, RAID or LVM) is built on " + loop),
              std::string::npos)
        << r.err;
    EXPECT_EQ(head(image), before);
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

// The window asks before it unmounts a drive to format: its own mount does
// not count, anything else that uses the disk does.
TEST(FormatInUseTest, BeforeTheUnmountOnlyTheDrivesOwnMountIsAllowed) {
    if (!canSetUp())
        GTEST_SKIP() << "needs root, losetup, mkfs.ext4, mkswap and swapon";
    TempDir dir;
    SystemSetup setup;
    const std::string image = dir.file("usb.img");
    makeImage(image, 64ULL << 20);
    const std::string loop = setup.attach(image);
    const std::string mnt = dir.file("mnt");
    if (loop.empty() || !setup.mountExt4(loop, mnt))
        GTEST_SKIP() << "this system does not let ext4 be mounted on a loop device";
    EXPECT_EQ(inUseBesidesMount(loop, mnt), "");
    const std::string elsewhere = inUseBesidesMount(loop, dir.file("other"));
    EXPECT_NE(elsewhere.find(loop + " is mounted at " + mnt + ": unmount it first"),
              std::string::npos)
        << elsewhere;
    ASSERT_TRUE(setup.holdOpen(loop));
    const std::string held = inUseBesidesMount(loop, mnt);
    EXPECT_EQ(held.rfind("The drive " + loop + " is in use; nothing was written:\n", 0), 0u)
        << held;
    EXPECT_NE(held.find("is held open by"), std::string::npos) << held;
}
