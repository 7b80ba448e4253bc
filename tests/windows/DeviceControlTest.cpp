// The disk requests Wine cannot answer, answered as a real Windows and disk
// would through the device-control seam: the volume lock, dismount and
// unlock, the geometry, where a drive letter's partition lies, and the
// layout INIT writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <vector>

#include "disk/DiskDevice.h"
#include "disk/DriveRefusal.h"
#include "disk/InitialisePartitions.h"
#include "platform/BlockDevice.h"
#include "platform/DeviceControl.h"

using namespace disk;
using namespace platform;
using namespace store;

namespace {

// Windows' request codes, as winioctl.h defines them.
constexpr std::uint32_t kDiskGeometryEx = 0x000700A0;
constexpr std::uint32_t kLengthInfo = 0x0007405C;
constexpr std::uint32_t kDeviceNumber = 0x002D1080;
constexpr std::uint32_t kPartitionInfoEx = 0x00070048;
constexpr std::uint32_t kLockVolume = 0x00090018;
constexpr std::uint32_t kUnlockVolume = 0x0009001C;
constexpr std::uint32_t kDismountVolume = 0x00090020;
constexpr std::uint32_t kSetDriveLayout = 0x0007C010;
constexpr std::uint32_t kAccessDenied = 5;  // ERROR_ACCESS_DENIED

void put32(void* out, std::size_t at, std::uint32_t value) {
    std::memcpy(static_cast<std::uint8_t*>(out) + at, &value, 4);
}
void put64(void* out, std::size_t at, std::uint64_t value) {
    std::memcpy(static_cast<std::uint8_t*>(out) + at, &value, 8);
}

// A 64 GiB disk number 3 whose volume is its partition at 1 MiB.
class DeviceControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setDeviceControlHook([this](std::intptr_t, std::uint32_t code, const void* in,
                                              std::uint32_t inSize, void* out,
                                              std::uint32_t outSize, std::uint32_t& returned,
                                              std::uint32_t& error) {
            codes.push_back(code);
            if (code == kSetDriveLayout) {
                const auto* bytes = static_cast<const std::uint8_t*>(in);
                layout.assign(bytes, bytes + inSize);
            }
            if (code == kLockVolume && volumeInUse) {
                error = kAccessDenied;
                return false;
            }
            std::memset(out, 0, outSize);
            returned = outSize;
            if (code == kDiskGeometryEx) {
                put64(out, 0, 8354);  // cylinders
                put32(out, 12, 255);  // tracks per cylinder
                put32(out, 16, 63);   // sectors per track
                put32(out, 20, 512);  // bytes per sector
                put64(out, 24, kDiskBytes);
            } else if (code == kLengthInfo) {
                put64(out, 0, kVolumeBytes);
            } else if (code == kDeviceNumber) {
                put32(out, 0, 7);  // FILE_DEVICE_DISK
                put32(out, 4, 3);
                put32(out, 8, 1);
            } else if (code == kPartitionInfoEx) {
                put64(out, 8, 1 << 20);
                put64(out, 16, kVolumeBytes);
            }
            return true;
        });
    }
    void TearDown() override { platform::setDeviceControlHook({}); }

    static constexpr std::uint64_t kDiskBytes = 64ULL << 30;
    static constexpr std::uint64_t kVolumeBytes = kDiskBytes - (1 << 20);
    std::vector<std::uint32_t> codes;
    std::vector<std::uint8_t> layout;  // the last drive layout set
    bool volumeInUse = false;
};

}  // namespace

TEST_F(DeviceControlTest, ADriveLetterIsAPartitionOfItsPhysicalDrive) {
    platform::DiskTarget target;
    ASSERT_TRUE(platform::resolveDiskTarget("C", target));
    EXPECT_EQ(target.diskPath, "\\\\.\\PhysicalDrive3");
    EXPECT_TRUE(target.isPartition);
    EXPECT_EQ(target.partitionOffset, 1u << 20);
    EXPECT_EQ(target.partitionLength, kVolumeBytes);
}

TEST_F(DeviceControlTest, AVolumeIsMeasuredLockedDismountedAndUnlocked) {
    std::unique_ptr<platform::BlockDevice> volume = platform::openBlockDevice("C:");
    ASSERT_NE(volume, nullptr);
    platform::BlockGeometry geometry;
    ASSERT_TRUE(volume->geometry(geometry));
    EXPECT_EQ(geometry.bytesPerSector, 512u);
    EXPECT_EQ(geometry.heads, 255u);
    EXPECT_EQ(geometry.sectorsPerTrack, 63u);
    EXPECT_EQ(geometry.sizeBytes, kVolumeBytes);
    codes.clear();
    ASSERT_TRUE(volume->lock());
    ASSERT_TRUE(volume->unlock());
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{kLockVolume, kDismountVolume, kUnlockVolume}));
}

TEST_F(DeviceControlTest, AVolumeInUseRefusesTheLock) {
    volumeInUse = true;
    std::unique_ptr<platform::BlockDevice> volume = platform::openBlockDevice("\\\\.\\C:");
    ASSERT_NE(volume, nullptr);
    EXPECT_FALSE(volume->lock());
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{kLockVolume}));
}

TEST_F(DeviceControlTest, InitHandsTheSystemTheNewLayout) {
    platform::DiskTarget volume;
    volume.diskPath = "\\\\.\\C:";
    DiskDevice device;
    ASSERT_TRUE(device.open(platform::openBlockDevice(volume.diskPath), volume));
    std::ostringstream out;
    InitialisePartitions(device, out);
    // Four entries of 32 bytes after the count and a zero disk signature; the
    // first one of type 6 from 8192 bytes up to 16 sectors before the end of
    // the 8354 whole cylinders.
    ASSERT_EQ(layout.size(), 8u + 4 * 32) << out.str();
    struct Field {
        std::size_t at, size;
        std::uint64_t value;
    };
    for (const Field& field : std::vector<Field>{{0, 4, 4},
                                                 {4, 4, 0},
                                                 {8, 8, 8192},
                                                 {16, 8, 68713972736},
                                                 {24, 4, 16},
                                                 {28, 4, 0},
                                                 {32, 4, 6},  // type, boot, recognised, rewrite
                                                 {36, 100, 0}}) {
        for (std::size_t i = 0; i < field.size; ++i)
            EXPECT_EQ(layout[field.at + i], i < 8 ? (field.value >> (8 * i)) & 0xFF : 0)
                << "byte " << field.at + i;
    }
}

TEST_F(DeviceControlTest, ADriveOnTheSystemsDiskIsRefusedForSharingThatDisk) {
    // Y: a second name of C:'s volume; every volume answers as a partition of disk 3.
    wchar_t volume[MAX_PATH] = {};
    ASSERT_NE(QueryDosDeviceW(L"C:", volume, MAX_PATH), 0u);
    ASSERT_TRUE(DefineDosDeviceW(DDD_RAW_TARGET_PATH, L"Y:", volume));
    const std::string refusal = eraseRefusal("Y:");
    DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_RAW_TARGET_PATH | DDD_EXACT_MATCH_ON_REMOVE, L"Y:",
                     volume);
    EXPECT_EQ(refusal,
              "The drive Y: is in use; nothing was written:\n"
              "  this drive is on the same disk as Windows (C:): choose another drive.\n");
}

TEST(DriveLetterTest, ALetterWithoutADriveIsRefusedBeforeTheQuestion) {
    EXPECT_EQ(eraseRefusal("Q:"), "There is no disk, partition or disk image file at Q:.\n");
}
