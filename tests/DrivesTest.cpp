#include "platform/Drives.h"
#include "platform/DrivesPosix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "TempDir.h"
#include "platform/DisksPosix.h"

using namespace platform;

namespace fs = std::filesystem;
using platform::MountedVolume;

namespace {

// A sysfs tree as the kernel lays it out: devices under devices/, reached
// through links in class/block and dev/block.
class FakeSysfs {
  public:
    std::string root() const { return dir_.path().string(); }

    // A whole disk; no value leaves its 'removable' out.
    // `bus`: the folders from devices/ down to the SCSI host.
    void addDisk(const std::string& name, std::optional<int> removable,
                 const std::string& number = "", const std::string& scsiType = "0",
                 const std::string& bus = "pci/host") {
        fs::path node = dir_.path() / "devices" / bus / "block" / name;
        fs::create_directories(node / "device");
        if (removable)
            write(node / "removable", std::to_string(*removable));
        write(node / "device" / "type", scsiType);
        link(node, name, number);
    }
    void addPartition(const std::string& disk, const std::string& name,
                      const std::string& number = "", const std::string& bus = "pci/host") {
        fs::path node = dir_.path() / "devices" / bus / "block" / disk / name;
        fs::create_directories(node);
        write(node / "partition", "1");
        write(node / "removable", "0");  // the kernel's value for partitions: not the one to read
        link(node, name, number);
    }
    // A mapped device (dm, md) over the devices in `below`.
    void addMapped(const std::string& name, const std::vector<std::string>& below,
                   const std::string& number = "") {
        fs::path node = dir_.path() / "devices" / "virtual" / "block" / name;
        fs::create_directories(node / "slaves");
        write(node / "removable", "0");
        for (const std::string& slave : below)
            fs::create_directory_symlink(dir_.path() / "class" / "block" / slave,
                                         node / "slaves" / slave);
        link(node, name, number);
    }

  private:
    static void write(const fs::path& path, const std::string& text) {
        std::ofstream(path) << text << "\n";
    }
    void link(const fs::path& node, const std::string& name, const std::string& number) {
        fs::create_directories(dir_.path() / "class" / "block");
        fs::create_directory_symlink(node, dir_.path() / "class" / "block" / name);
        if (!number.empty()) {
            fs::create_directories(dir_.path() / "dev" / "block");
            fs::create_directory_symlink(node, dir_.path() / "dev" / "block" / number);
        }
    }
    TempDir dir_;
};

std::vector<std::string> mountPoints(const std::vector<MountedVolume>& volumes) {
    std::vector<std::string> points;
    for (const MountedVolume& v : volumes)
        points.push_back(v.mountPoint);
    return points;
}

const MountedVolume* find(const std::vector<MountedVolume>& volumes, const std::string& point) {
    for (const MountedVolume& v : volumes)
        if (v.mountPoint == point)
            return &v;
    return nullptr;
}

// Names no test machine has, so that the live /dev resolves none of them.
const char* const kMountInfo =
    "27 1 8:2 / / rw,relatime shared:1 - ext4 /dev/ztsda2 rw,errors=remount-ro\n"
    "22 27 0:21 / /proc rw - proc proc rw\n"
    "23 27 0:22 / /sys rw - sysfs sysfs rw\n"
    "24 27 0:23 / /run rw - tmpfs tmpfs rw\n"
    "25 27 0:24 / /var/lib/docker/overlay rw - overlay overlay rw,lowerdir=/a\n"
    "26 27 0:25 / /mnt/nfs rw - nfs4 server:/export rw\n"
    "28 27 0:26 / /dev/fusectl rw - fusectl fusectl rw\n"
    "30 27 8:17 / /media/stick rw,nosuid - vfat /dev/ztsdb1 rw\n"
    "31 27 8:33 / /media/usb\\040disk rw,nosuid shared:7 - vfat /dev/ztsdc1 rw\n"
    "32 27 0:40 / /media/ntfs rw - fuseblk /dev/ztsdd1 rw,user_id=0\n"
    "33 27 0:41 / /media/fat rw - fuse.fusefat /dev/ztsdd2 rw\n"
    "34 27 8:34 / /media/ro ro,nosuid - vfat /dev/ztsdc2 ro\n"
    "35 27 8:35 / /media/ro-sb rw - ext4 /dev/ztsdc3 ro\n"
    "36 27 7:0 / /snap/core/1 ro,nodev - squashfs /dev/ztloop0 ro\n"
    "37 27 7:1 / /mnt/image rw - vfat /dev/ztloop1 rw\n"
    "38 27 254:0 / /mnt/crypt-stick rw - ext4 /dev/ztdm-0 rw\n"
    "39 27 254:1 / /mnt/lvm rw - ext4 /dev/ztdm-1 rw\n"
    "40 27 8:99 / /mnt/unknown rw - ext4 /dev/ztsdz9 rw\n"
    "41 27 8:33 /games /srv/games rw - vfat /dev/ztsdc1 rw\n"  // a folder bound elsewhere
    "42 27 8:33 / /mnt/again rw - vfat /dev/ztsdc1 rw\n"       // the whole volume again
    "43 27 8:48 / /mnt/nodes rw - ext4 /dev/ztsde rw\n";       // disk without 'removable'

void buildTree(FakeSysfs& sys) {
    sys.addDisk("ztsda", 0, "8:0");
    sys.addPartition("ztsda", "ztsda2", "8:2");
    sys.addDisk("ztsdb", 1);  // a USB stick
    sys.addPartition("ztsdb", "ztsdb1", "8:17");
    sys.addDisk("ztsdc", 0);  // a USB hard disk
    sys.addPartition("ztsdc", "ztsdc1", "8:33");
    sys.addPartition("ztsdc", "ztsdc2");
    sys.addPartition("ztsdc", "ztsdc3");
    sys.addDisk("ztsdd", 0);
    sys.addPartition("ztsdd", "ztsdd1");
    sys.addPartition("ztsdd", "ztsdd2");
    sys.addDisk("ztloop0", 0);
    sys.addDisk("ztloop1", 0);
    sys.addMapped("ztdm-0", {"ztsdb1"});  // encrypted volume on the stick
    sys.addMapped("ztdm-1", {"ztsda2"});
    sys.addDisk("ztsde", std::nullopt);
}

}  // namespace

TEST(DrivesTest, ListsBlockDeviceMountsOnlyByMountPoint) {
    FakeSysfs sys;
    buildTree(sys);
    std::vector<MountedVolume> volumes = platform::mountedVolumesFrom(kMountInfo, sys.root());
    EXPECT_EQ(mountPoints(volumes),
              (std::vector<std::string>{"/", "/media/fat", "/media/ntfs", "/media/ro",
                                        "/media/ro-sb", "/media/stick", "/media/usb disk",
                                        "/mnt/crypt-stick", "/mnt/image", "/mnt/lvm", "/mnt/nodes",
                                        "/mnt/unknown", "/snap/core/1"}));
    const MountedVolume* usb = find(volumes, "/media/usb disk");
    ASSERT_NE(usb, nullptr);
    EXPECT_EQ(usb->device, "/dev/ztsdc1");
    EXPECT_EQ(usb->fsType, "vfat");
    EXPECT_FALSE(usb->readOnly);
    EXPECT_FALSE(usb->removable);
    ASSERT_NE(find(volumes, "/media/ntfs"), nullptr);
    EXPECT_EQ(find(volumes, "/media/ntfs")->fsType, "fuseblk");
}

TEST(DrivesTest, FixedDrivesLeaveOutRemovableReadOnlyAndUnknown) {
    FakeSysfs sys;
    buildTree(sys);
    std::vector<MountedVolume> fixed = platform::fixedVolumesFrom(kMountInfo, sys.root());
    // The stick, the volume mapped over it, read-only mounts (per mount or for the
    // whole file system), the snap image and devices sysfs does not know are not fixed.
    EXPECT_EQ(mountPoints(fixed),
              (std::vector<std::string>{"/", "/media/fat", "/media/ntfs", "/media/usb disk",
                                        "/mnt/image", "/mnt/lvm"}));

    std::vector<MountedVolume> all = platform::mountedVolumesFrom(kMountInfo, sys.root());
    EXPECT_TRUE(find(all, "/media/stick")->removable);
    EXPECT_TRUE(find(all, "/mnt/crypt-stick")->removable);
    EXPECT_TRUE(find(all, "/mnt/unknown")->removable);
    EXPECT_TRUE(find(all, "/mnt/nodes")->removable);
    EXPECT_TRUE(find(all, "/media/ro")->readOnly);
    EXPECT_TRUE(find(all, "/media/ro-sb")->readOnly);
    EXPECT_FALSE(find(all, "/")->readOnly);  // "errors=remount-ro" is no read-only mount
}

TEST(DrivesTest, BoundFoldersAndRepeatedMountsCountOnce) {
    FakeSysfs sys;
    buildTree(sys);
    std::vector<MountedVolume> volumes = platform::mountedVolumesFrom(kMountInfo, sys.root());
    EXPECT_EQ(find(volumes, "/srv/games"), nullptr);
    EXPECT_EQ(find(volumes, "/mnt/again"), nullptr);
    EXPECT_NE(find(volumes, "/media/usb disk"), nullptr);
}

TEST(DrivesTest, SourcesThatAreNoBlockDeviceAreLeftOut) {
    FakeSysfs sys;
    std::string text =
        "50 1 0:5 / /dev/null-bound rw - ext4 /dev/null rw\n"  // a character device
        "51 1 0:6 / /mnt/file rw - ext4 /home/u/disk.img rw\n"
        "52 1 0:7 / /mnt/none rw - fuse.sshfs u@host:/ rw\n";
    EXPECT_TRUE(platform::mountedVolumesFrom(text, sys.root()).empty());
}

TEST(DrivesTest, DeviceNamesOutsideDevAreFoundByNumber) {
    FakeSysfs sys;
    sys.addDisk("ztvda", 0, "254:0");
    sys.addDisk("ztsdf", 1, "8:80");
    std::string text =
        "27 1 254:0 / / rw - ext4 /dev/ztroot rw\n"
        "28 1 8:80 / /media/stick rw - vfat /dev/disk/by-uuid/ABCD-1234 rw\n"
        "29 1 0:44 / /mnt/btrfs rw - btrfs /dev/ztmissing rw\n";
    std::vector<MountedVolume> volumes = platform::mountedVolumesFrom(text, sys.root());
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0].device, "/dev/ztvda");
    EXPECT_FALSE(volumes[0].removable);
    EXPECT_EQ(volumes[1].mountPoint, "/media/stick");
    EXPECT_EQ(volumes[1].device, "/dev/ztsdf");
    EXPECT_TRUE(volumes[1].removable);
    EXPECT_EQ(volumes[2].device, "/dev/ztmissing");  // anonymous number: the name is all there is
    EXPECT_TRUE(volumes[2].removable);
}

TEST(DrivesTest, RemovableFollowsTheWholeDiskAndMappedStacks) {
    FakeSysfs sys;
    buildTree(sys);
    sys.addMapped("ztmd0", {"ztsda2", "ztsdc1"});
    sys.addMapped("ztmd1", {"ztsda2", "ztsdb1"});
    sys.addMapped("ztdm-9", {"ztmd1"});
    sys.addMapped("ztdm-8", {"ztgone"});
    EXPECT_FALSE(platform::isRemovableDevice("/dev/ztsda2", sys.root()));
    EXPECT_TRUE(platform::isRemovableDevice("/dev/ztsdb1", sys.root()));
    EXPECT_FALSE(platform::isRemovableDevice("/dev/ztmd0", sys.root()));
    EXPECT_TRUE(platform::isRemovableDevice("/dev/ztmd1", sys.root()));
    EXPECT_TRUE(platform::isRemovableDevice("/dev/ztdm-9", sys.root()));
    EXPECT_TRUE(platform::isRemovableDevice("/dev/ztdm-8", sys.root()));  // a slave sysfs lacks
    EXPECT_TRUE(platform::isRemovableDevice("/dev/ztnothing", sys.root()));
    EXPECT_TRUE(platform::isRemovableDevice("/dev/..", sys.root()));
}

TEST(DrivesTest, UsbFollowsTheDiskAndMappedStacks) {
    FakeSysfs sys;
    const std::string usb = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6";
    sys.addDisk("ztsdu", 0, "", "0", usb);
    sys.addPartition("ztsdu", "ztsdu1", "", usb);
    sys.addDisk("ztsda", 0, "", "0", "pci0000:00/ata1/host0");
    sys.addPartition("ztsda", "ztsda1", "", "pci0000:00/ata1/host0");
    sys.addDisk("usb7", 0);  // a name is no bus
    sys.addMapped("ztdm-0", {"ztsdu1"});
    sys.addMapped("ztdm-1", {"ztsda1", "ztgone"});
    const std::pair<const char*, bool> cases[] = {{"/dev/ztsdu", true},     {"/dev/ztsdu1", true},
                                                  {"/dev/ztdm-0", true},    {"/dev/ztsda1", false},
                                                  {"/dev/ztdm-1", false},   {"/dev/usb7", false},
                                                  {"/dev/ztnothing", false}};
    for (const auto& [device, onUsb] : cases)
        EXPECT_EQ(platform::isUsbDevice(device, sys.root()), onUsb) << device;
}

TEST(DrivesTest, MappedDevicesStackedInALoopEndAsRemovable) {
    FakeSysfs sys;
    sys.addMapped("ztdm-1", {"ztdm-2"});
    sys.addMapped("ztdm-2", {"ztdm-1"});
    EXPECT_TRUE(platform::isRemovableDevice("/dev/ztdm-1", sys.root()));
}

TEST(DrivesTest, OpticalDrivesInNaturalOrder) {
    FakeSysfs sys;
    sys.addDisk("sr10", 1, "", "5");
    sys.addDisk("sr2", 1, "", "5");
    sys.addDisk("sr0", 1, "", "5");
    sys.addDisk("sr1", 1);            // named srN: listed whatever its type says
    sys.addDisk("ztcd", 1, "", "5");  // type 5 under another name
    sys.addDisk("ztsda", 0);
    sys.addPartition("ztsda", "ztsda1");
    sys.addDisk("srx", 1);  // "sr" and no number
    EXPECT_EQ(
        platform::opticalDrivesFrom(sys.root()),
        (std::vector<std::string>{"/dev/sr0", "/dev/sr1", "/dev/sr2", "/dev/sr10", "/dev/ztcd"}));
    EXPECT_TRUE(platform::opticalDrivesFrom(sys.root() + "/absent").empty());
}

TEST(DrivesTest, DeviceHoldingTakesTheDeepestVisibleMount) {
    FakeSysfs sys;
    buildTree(sys);
    std::string text = std::string(kMountInfo) +
                       "60 27 8:35 / /home rw - ext4 /dev/ztsdc3 rw\n"
                       "61 60 8:17 / /home/u/usb rw - vfat /dev/ztsdb1 rw\n"
                       "62 27 0:30 / /tmp rw - tmpfs tmpfs rw\n"
                       "63 27 8:2 / /media/hidden rw - vfat /dev/ztsdd1 rw\n"
                       "64 63 0:31 / /media/hidden rw - tmpfs tmpfs rw\n";
    auto holding = [&](const std::string& path) {
        return platform::deviceHoldingFrom(text, path, sys.root());
    };
    EXPECT_EQ(holding("/"), "/dev/ztsda2");
    EXPECT_EQ(holding("/etc/passwd"), "/dev/ztsda2");
    EXPECT_EQ(holding("/home"), "/dev/ztsdc3");
    EXPECT_EQ(holding("/home/u/usb/games"), "/dev/ztsdb1");
    EXPECT_EQ(holding("/home/u/usbx"), "/dev/ztsdc3");
    EXPECT_EQ(holding("/srv/games/x"), "/dev/ztsdc1");  // a bound folder still names its device
    EXPECT_EQ(holding("/tmp/x"), "");
    EXPECT_EQ(holding("/media/hidden/x"), "");
    EXPECT_EQ(platform::deviceHoldingFrom("", "/", sys.root()), "");
}

TEST(DrivesTest, MountedAtOnlyWhileTheFolderShowsThatDevice) {
    FakeSysfs sys;
    buildTree(sys);
    const std::string usb = "61 27 8:17 / /media/usb rw - vfat /dev/ztsdb1 rw\n";
    struct Case {
        std::string extra;
        std::string mountPoint;
        bool mounted;
    } cases[] = {
        {usb, "/media/usb", true},
        {usb, "/media/usb/", true},
        {"", "/media/usb", false},  // unmounted: the folder shows "/"
        {usb + "62 61 0:30 / /media/usb rw - tmpfs tmpfs rw\n", "/media/usb", false},
        {"61 27 8:33 / /media/usb rw - vfat /dev/ztsdc1 rw\n", "/media/usb", false},
        {"61 27 8:17 /games /media/usb rw - vfat /dev/ztsdb1 rw\n", "/media/usb", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::mountedAtFrom(std::string(kMountInfo) + c.extra, c.mountPoint,
                                          "/dev/ztsdb1", sys.root()),
                  c.mounted)
            << c.extra << c.mountPoint;
    }
}

TEST(DrivesTest, LiveSystemAnswersWithoutFailing) {
    std::vector<MountedVolume> volumes = platform::mountedVolumes();
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        EXPECT_EQ(volumes[i].device.rfind("/dev/", 0), 0u) << volumes[i].device;
        if (i > 0) {
            EXPECT_LT(volumes[i - 1].mountPoint, volumes[i].mountPoint);
        }
    }
    for (const MountedVolume& v : platform::fixedVolumes())
        EXPECT_TRUE(!v.removable && !v.readOnly);
    EXPECT_EQ(platform::deviceHolding("/no/such/path/at/all"), "");
    std::string root = platform::deviceHolding("/");
    EXPECT_TRUE(root.empty() || root.rfind("/dev/", 0) == 0) << root;
}

TEST(DrivesTest, UnmountReportsTheSystemsReason) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(platform::unmountVolume(dir.file("missing"), error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(platform::unmountVolume(dir.root(), error));  // a folder that is no mount point
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::exists(dir.path()));
}

TEST(DrivesTest, OpenForWritingChecksWithoutWriting) {
    TempDir dir;
    writeBytes(dir.file("disk"), {1, 2, 3});
    bool denied = true;
    std::string error;
    EXPECT_TRUE(platform::canOpenForWriting(dir.file("disk"), denied, error));
    EXPECT_FALSE(denied);
    EXPECT_EQ(readBytes(dir.file("disk")), (std::vector<std::uint8_t>{1, 2, 3}));

    EXPECT_FALSE(platform::canOpenForWriting(dir.file("missing"), denied, error));
    EXPECT_FALSE(denied);
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir.file("missing")));

    error.clear();
    EXPECT_FALSE(platform::canOpenForWriting(dir.root(), denied, error));  // a folder
    EXPECT_FALSE(denied);
    EXPECT_FALSE(error.empty());

    // Without the right to write: as an ordinary user, or, when the tests run as
    // root, in a child that has given up root.
    ::chmod(dir.file("disk").c_str(), 0444);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        bool childDenied = false;
        std::string reason;
        bool opened = platform::canOpenForWriting(dir.file("disk"), childDenied, reason);
        ::_exit(!opened && childDenied && !reason.empty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// What the format dialog offers besides the mounted drives: USB disks that
// are not sticks, and attached disk images, with size and model.
TEST(DrivesTest, UnmountedDisksAreUsbHardDisksAndAttachedImages) {
    FakeSysfs sys;
    const std::string usb = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6";
    sys.addDisk("ztsdu", 0, "", "0", usb);
    sys.addPartition("ztsdu", "ztsdu1", "", usb);
    sys.addDisk("ztsdv", 1, "", "0", "pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/host7");
    sys.addDisk("ztsda", 0, "", "0", "pci0000:00/ata1/host0");
    sys.addDisk("ztloop7", 0, "", "0", "virtual");
    sys.addDisk("ztloop8", 0, "", "0", "virtual");  // not attached
    const fs::path block = fs::path(sys.root()) / "class" / "block";
    auto write = [&](const std::string& attribute, const std::string& text) {
        fs::create_directories((block / attribute).parent_path());
        std::ofstream(block / attribute) << text << "\n";
    };
    write("ztsdu/size", "31250000");
    write("ztsdu/device/vendor", "WD      ");
    write("ztsdu/device/model", "Elements 2621    ");
    write("ztsdv/size", "100");
    write("ztsda/size", "100");
    write("ztloop7/size", "614400");
    write("ztloop7/loop/backing_file", "/tmp/games/blank.img");
    write("ztloop8/size", "0");
    const std::vector<platform::Disk> disks = platform::unmountedDisksFrom(sys.root());
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].device, "/dev/ztloop7");
    EXPECT_EQ(disks[0].bytes, 614400ULL * 512);
    EXPECT_EQ(disks[0].model, "Disk image blank.img");
    EXPECT_FALSE(disks[0].usb);
    EXPECT_EQ(disks[1].device, "/dev/ztsdu");
    EXPECT_EQ(disks[1].model, "WD Elements 2621");
    EXPECT_TRUE(disks[1].usb);
    EXPECT_EQ(disks[1].partitions, std::vector<std::string>{"/dev/ztsdu1"});
    EXPECT_EQ(platform::firstPartitionOf("/dev/ztsdu", sys.root()), "/dev/ztsdu1");
    EXPECT_EQ(platform::firstPartitionOf("/dev/ztloop7", sys.root()), "/dev/ztloop7");
    const platform::Disk partition = platform::describeDeviceFrom("/dev/ztsdu1", sys.root());
    EXPECT_EQ(partition.model, "WD Elements 2621");
    EXPECT_TRUE(partition.usb);
}
