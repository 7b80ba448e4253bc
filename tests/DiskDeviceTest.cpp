#include "disk/DiskDevice.h"

#include <gtest/gtest.h>

#include "DiskImage.h"
#include "TempDir.h"
#include "disk/InitialisePartitions.h"

using namespace disk;
using namespace platform;
using namespace store;

namespace {

class DiskDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override { makeImage(image, 64ULL << 20); }
    bool open(std::uint32_t sectorSize = 512, platform::DiskTarget target = {}) {
        state->sectorSize = sectorSize;
        return openFake(device, image, state, target);
    }

    TempDir dir;
    std::string image = dir.file("disk.img");
    std::shared_ptr<FakeDiskState> state = std::make_shared<FakeDiskState>();
    DiskDevice device;
};

}  // namespace

TEST_F(DiskDeviceTest, ClosedDeviceMakesNoRequests) {
    DiskGeometry geometry;
    std::uint8_t buffer[512];
    EXPECT_FALSE(device.control(disk_control::kLockVolume, nullptr, 0, nullptr, 0));
    EXPECT_FALSE(device.getGeometry(geometry));
    EXPECT_FALSE(device.lockVolume());
    EXPECT_FALSE(device.readSectors(0, buffer, 1));
    EXPECT_TRUE(device.close());
    EXPECT_TRUE(device.close());

    ASSERT_TRUE(open());
    int requests = state->reads + state->writes;
    PartitionInformation entry;
    EXPECT_FALSE(device.setDriveLayout(&entry, 0));
    EXPECT_FALSE(device.control(0x12345, nullptr, 0, nullptr, 0));
    EXPECT_EQ(state->reads + state->writes, requests);
}

TEST_F(DiskDeviceTest, GeometryOfAnImage) {
    ASSERT_TRUE(open());
    DiskGeometry geometry;
    ASSERT_TRUE(device.getGeometry(geometry));
    EXPECT_EQ(geometry.BytesPerSector, 512u);
    EXPECT_EQ(geometry.TracksPerCylinder, 255u);
    EXPECT_EQ(geometry.SectorsPerTrack, 63u);
    EXPECT_EQ(geometry.Cylinders, (64ULL << 20) / (512 * 255 * 63));  // 8 whole cylinders
}

TEST_F(DiskDeviceTest, WriteBytesKeepsTheRestOfItsLastSector) {
    ASSERT_TRUE(open(4096));
    writeAt(image, 4096, std::vector<std::uint8_t>(4096, 0xAB));
    std::vector<std::uint8_t> data(512, 0x11);
    ASSERT_TRUE(device.writeBytes(1, 512, data.data()));
    EXPECT_EQ(state->reads, 1);
    EXPECT_EQ(state->writes, 1);
    std::vector<std::uint8_t> sector = readAt(image, 4096, 4096);
    EXPECT_EQ(sector[0], 0x11);
    EXPECT_EQ(sector[511], 0x11);
    EXPECT_EQ(sector[512], 0xAB);
    EXPECT_EQ(sector[4095], 0xAB);

    // A whole sector is written without reading; nothing at all for 0 bytes.
    std::vector<std::uint8_t> whole(4096, 0x22);
    ASSERT_TRUE(device.writeBytes(2, 4096, whole.data()));
    EXPECT_EQ(state->reads, 1);
    EXPECT_EQ(state->writes, 2);
    ASSERT_TRUE(device.writeBytes(3, 0, whole.data()));
    EXPECT_EQ(state->writes, 2);

    // Whole sectors first, then the tail; a failed tail leaves the whole ones written.
    std::vector<std::uint8_t> run(4096 + 100, 0x33);
    state->failWriteAt = 4;
    EXPECT_FALSE(device.writeBytes(4, static_cast<std::uint32_t>(run.size()), run.data()));
    EXPECT_EQ(readAt(image, 4 * 4096, 1)[0], 0x33);
    EXPECT_EQ(readAt(image, 5 * 4096, 1)[0], 0x00);
    EXPECT_FALSE(device.writeBytes(-1, 512, data.data()));
}

TEST_F(DiskDeviceTest, ZeroSectorsWritesLargeRequestsInOrder) {
    ASSERT_TRUE(open());
    writeAt(image, 512 * 10, std::vector<std::uint8_t>(5000 * 512 + 512, 0xEE));
    ASSERT_TRUE(device.zeroSectors(10, 0));
    ASSERT_TRUE(device.zeroSectors(10, -3));
    EXPECT_EQ(state->writes, 0);

    ASSERT_TRUE(device.zeroSectors(10, 5000));
    ASSERT_EQ(state->writeLog.size(), 3u);
    EXPECT_EQ(state->writeLog[0], std::make_pair(std::uint64_t{5120}, std::size_t{1} << 20));
    EXPECT_EQ(state->writeLog[1].first, 5120u + (1u << 20));
    EXPECT_EQ(state->writeLog[2].second, (5000u - 4096u) * 512u);
    EXPECT_TRUE(allZero(readAt(image, 5120, 5000 * 512)));
    EXPECT_EQ(readAt(image, 5120 + 5000 * 512, 1)[0], 0xEE);

    // Stops at the first failed request.
    state->writeLog.clear();
    state->failWriteAt = state->writes + 2;
    EXPECT_FALSE(device.zeroSectors(10, 5000));
    EXPECT_EQ(state->writeLog.size(), 1u);
}

TEST(DiskDeviceLargeTest, SectorsAbove2To32ReachTheirByteOffset) {
    TempDir dir;
    std::string image = dir.file("big.img");
    const std::uint64_t sector = (1ULL << 32) + 5;
    std::ofstream(image, std::ios::binary).close();
    std::error_code error;
    std::filesystem::resize_file(image, (sector + 8) * 512, error);
    if (error)
        GTEST_SKIP() << "this system's standard library makes no file of 2 TiB: "
                     << error.message();
    DiskDevice device;
    ASSERT_TRUE(device.open(image));
    std::vector<std::uint8_t> data(512, 0x5A);
    ASSERT_TRUE(device.writeSectors(sector, data.data(), 1));
    EXPECT_EQ(readAt(image, sector * 512, 512), data);
    std::vector<std::uint8_t> back(512, 0);
    ASSERT_TRUE(device.readSectors(sector, back.data(), 1));
    EXPECT_EQ(back, data);
    // Past the end: a short read is a failure.
    EXPECT_FALSE(device.readSectors(sector + 8, back.data(), 1));
}

TEST_F(DiskDeviceTest, LayoutReadAndWrittenThroughSectorZero) {
    ASSERT_TRUE(open());
    std::vector<PartitionInformation> entries{PartitionInformation{}};
    ASSERT_TRUE(device.getDriveLayout(entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(device.tableKind(), PartitionTableKind::None);

    DiskGeometry geometry;
    ASSERT_TRUE(device.getGeometry(geometry));
    std::array<PartitionInformation, 4> layout;
    ASSERT_TRUE(initialLayout(geometry, layout));
    // A file system's boot code in sector 0 must not survive in front of the table.
    std::vector<std::uint8_t> bootSector(512, 0x90);
    bootSector[0] = 0xEB;
    writeAt(image, 0, bootSector);
    ASSERT_TRUE(device.setDriveLayout(layout.data(), 4));
    std::vector<std::uint8_t> sector0 = readAt(image, 0, 512);
    EXPECT_TRUE(allZero(std::vector<std::uint8_t>(sector0.begin(), sector0.begin() + 446)));
    ASSERT_TRUE(device.getDriveLayout(entries));
    EXPECT_EQ(device.tableKind(), PartitionTableKind::Mbr);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].StartingOffset, 8192u);
    EXPECT_EQ(entries[0].PartitionLength, layout[0].PartitionLength);
    EXPECT_EQ(entries[0].PartitionType, 6);
    EXPECT_EQ(entries[3].PartitionType, 0);

    // An existing boot program is kept.
    writeAt(image, 0, std::vector<std::uint8_t>(10, 0xFA));
    ASSERT_TRUE(device.setDriveLayout(layout.data(), 4));
    EXPECT_EQ(readAt(image, 0, 1)[0], 0xFA);
}

TEST_F(DiskDeviceTest, VolumeIsTheSelectedPartition) {
    writeMbr(image, {{0x0C, 2048, 4096}, {0x83, 8192, 2048}});
    ASSERT_TRUE(open());
    std::vector<PartitionInformation> entries;
    ASSERT_TRUE(device.getDriveLayout(entries));
    std::uint8_t type = 6;
    // No partition chosen yet: the type of no entry can change.
    EXPECT_FALSE(device.setPartitionType(type));
    ASSERT_TRUE(device.selectVolume(entries[0]));
    std::vector<std::uint8_t> data(512, 0x77);
    ASSERT_TRUE(device.writeSectors(0, data.data(), 1));
    EXPECT_EQ(readAt(image, 2048 * 512, 1)[0], 0x77);
    ASSERT_TRUE(device.writeSectors(4095, data.data(), 1));
    EXPECT_FALSE(device.writeSectors(4096, data.data(), 1));  // past the partition's end
    EXPECT_FALSE(device.writeSectors(4095, data.data(), 2));

    ASSERT_TRUE(device.setPartitionType(type));
    ASSERT_TRUE(device.getDriveLayout(entries));
    EXPECT_EQ(entries[0].PartitionType, 6);
    EXPECT_EQ(entries[1].PartitionType, 0x83);

    // A partition that reaches past the disk's end is not a volume.
    PartitionInformation outside = entries[1];
    outside.PartitionLength = 64ULL << 20;
    EXPECT_FALSE(device.selectVolume(outside));
}

TEST_F(DiskDeviceTest, NamedPartitionIsTheOnlyVolume) {
    writeMbr(image, {{0x0C, 2048, 4096}, {0x83, 8192, 2048}});
    platform::DiskTarget target;
    target.isPartition = true;
    target.partitionOffset = 8192 * 512;
    target.partitionLength = 2048 * 512;
    ASSERT_TRUE(open(512, target));
    EXPECT_TRUE(device.namesPartition());
    std::vector<PartitionInformation> entries;
    ASSERT_TRUE(device.getDriveLayout(entries));
    EXPECT_FALSE(device.selectVolume(entries[0]));
    EXPECT_TRUE(device.selectVolume(entries[1]));
    std::vector<std::uint8_t> data(512, 0x66);
    ASSERT_TRUE(device.writeSectors(1, data.data(), 1));
    EXPECT_EQ(readAt(image, 8193 * 512, 1)[0], 0x66);
    EXPECT_FALSE(device.writeSectors(2048, data.data(), 1));
    ASSERT_TRUE(device.setPartitionType(0x06));
    ASSERT_TRUE(device.getDriveLayout(entries));
    EXPECT_EQ(entries[0].PartitionType, 0x0C);
    EXPECT_EQ(entries[1].PartitionType, 0x06);
}
