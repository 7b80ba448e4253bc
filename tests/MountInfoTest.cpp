#include "platform/MountInfo.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <algorithm>

#include "platform/DisksPosix.h"

using namespace platform;

using platform::MountEntry;

TEST(MountInfoTest, ReadsFieldsAroundTheOptionalTags) {
    std::string text =
        "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
        "90 27 8:17 / /media/usb rw,nosuid shared:40 master:3 - vfat /dev/sdb1 rw,fmask=0022\n"
        "91 27 0:50 / /run/user tmpfs-no-tags - tmpfs tmpfs rw\n";
    std::vector<MountEntry> entries = platform::parseMountInfo(text);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].id, 27);
    EXPECT_EQ(entries[0].parentId, 1);
    EXPECT_EQ(entries[0].mountPoint, "/");
    EXPECT_EQ(entries[0].superOptions, "rw,errors=remount-ro");
    EXPECT_EQ(entries[1].majorMinor, "8:17");
    EXPECT_EQ(entries[1].mountOptions, "rw,nosuid");
    EXPECT_EQ(entries[1].fsType, "vfat");
    EXPECT_EQ(entries[1].source, "/dev/sdb1");
    EXPECT_EQ(entries[2].fsType, "tmpfs");
}

TEST(MountInfoTest, DecodesEscapedNamesAndKeepsOtherBackslashes) {
    std::string text =
        "90 27 8:17 / /media/my\\040games\\011x rw - vfat /dev/sdb1 rw\n"
        "91 27 8:18 / /media/back\\134slash rw - vfat /dev/sdb2 rw\n";
    std::vector<MountEntry> entries = platform::parseMountInfo(text);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].mountPoint, "/media/my games\tx");
    EXPECT_EQ(entries[1].mountPoint, "/media/back\\slash");

    EXPECT_EQ(platform::decodeMountField("a\\04"), "a\\04");      // cut short at the end
    EXPECT_EQ(platform::decodeMountField("a\\089b"), "a\\089b");  // 8 is no octal digit
    EXPECT_EQ(platform::decodeMountField("\\400"), "\\400");      // beyond one byte
}

TEST(MountInfoTest, PassesOverDamagedLines) {
    std::string text =
        "garbage\n"
        "\n"
        "90 27 8:17 / /media/usb rw shared:1 vfat /dev/sdb1 rw\n"  // no separator
        "91 27 8:17 / /media/usb rw - vfat /dev/sdb1\n"            // a field missing
        "x 27 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"          // no mount ID
        "92 27 8:17 / /media/a\\000b rw - vfat /dev/sdb1 rw\n"     // a NUL inside the name
        "93 27 8:17 / relative rw - vfat /dev/sdb1 rw\n"           // no absolute mount point
        "94 27 0:60 / /mnt/empty rw - fuse.odd  rw\n"              // empty source stays empty
        "95 27 8:33 / /media/last rw - ext4 /dev/sdc1 rw";         // no final newline
    std::vector<MountEntry> entries = platform::parseMountInfo(text);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].mountPoint, "/mnt/empty");
    EXPECT_EQ(entries[0].source, "");
    EXPECT_EQ(entries[0].superOptions, "rw");
    EXPECT_EQ(entries[1].mountPoint, "/media/last");
}

TEST(MountInfoTest, OptionsMatchWholeWordsOnly) {
    EXPECT_TRUE(platform::hasMountOption("ro,relatime", "ro"));
    EXPECT_TRUE(platform::hasMountOption("nosuid,ro", "ro"));
    EXPECT_FALSE(platform::hasMountOption("rw,errors=remount-ro", "ro"));
    EXPECT_FALSE(platform::hasMountOption("rw,nosuid,roaming", "ro"));
    EXPECT_FALSE(platform::hasMountOption("", "ro"));
}

TEST(MountInfoTest, PathUnderFollowsWholeComponents) {
    EXPECT_TRUE(platform::isPathUnder("/home/u", "/home"));
    EXPECT_TRUE(platform::isPathUnder("/home", "/home"));
    EXPECT_FALSE(platform::isPathUnder("/homework", "/home"));
    EXPECT_TRUE(platform::isPathUnder("/anything", "/"));
    EXPECT_FALSE(platform::isPathUnder("/media", "/media/usb"));
}

TEST(MountInfoTest, LaterMountsHideWhatLiesUnderThem) {
    std::string text =
        "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
        "40 27 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"       // covered by 42 on the same folder
        "41 27 8:33 / /media/old/disk rw - vfat /dev/sdc1 rw\n"  // covered by 43 on a folder above
        "42 40 0:70 / /media/usb rw - tmpfs tmpfs rw\n"
        "43 27 0:71 / /media/old rw - tmpfs tmpfs rw\n"
        "44 43 8:49 / /media/old/new rw - vfat /dev/sdd1 rw\n";  // on top of 43: visible
    std::vector<bool> hidden = platform::hiddenMounts(platform::parseMountInfo(text));
    EXPECT_EQ(hidden, (std::vector<bool>{false, true, true, false, false, false}));
}

TEST(MountInfoTest, ParentLoopsDoNotHang) {
    std::string text =
        "50 51 8:1 / /a rw - ext4 /dev/sda1 rw\n"
        "51 50 8:2 / /a/b rw - ext4 /dev/sda2 rw\n"
        "52 52 8:3 / /a rw - ext4 /dev/sda3 rw\n";
    std::vector<bool> hidden = platform::hiddenMounts(platform::parseMountInfo(text));
    EXPECT_EQ(hidden, (std::vector<bool>{true, true, false}));
}

TEST(MountInfoTest, NaturalOrderComparesNumbersAsNumbers) {
    std::vector<std::string> names = {"sr10", "sr2", "sr0", "sr1", "sda", "sr02"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::naturalLess(a, b);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"sda", "sr0", "sr1", "sr02", "sr2", "sr10"}));
    EXPECT_FALSE(platform::naturalLess("sr2", "sr2"));
    EXPECT_TRUE(platform::naturalLess("sr99999999999999999999", "sr100000000000000000000"));
}

// A drive mounted again after a failed format gets the options it had, and
// none it had not (nosuid, nodev).
TEST(MountInfoTest, MountArgumentsAreThoseTheTableShowed) {
    const struct {
        std::string options, fsOptions;
        unsigned long flags;
        std::string data;
    } cases[] = {
        {"rw,relatime", "rw,errors=remount-ro", MS_RELATIME, "errors=remount-ro"},
        {"rw,nosuid,nodev,relatime", "rw,uid=1000,gid=1000,fmask=0022",
         MS_NOSUID | MS_NODEV | MS_RELATIME, "uid=1000,gid=1000,fmask=0022"},
        {"ro,noexec,noatime", "ro", MS_RDONLY | MS_NOEXEC | MS_NOATIME, ""},
        {"", "", 0, ""},
    };
    for (const auto& c : cases) {
        const platform::MountArguments arguments =
            platform::mountArgumentsOf(c.options, c.fsOptions);
        EXPECT_EQ(arguments.flags, c.flags) << c.options;
        EXPECT_EQ(arguments.data, c.data) << c.fsOptions;
    }
}
