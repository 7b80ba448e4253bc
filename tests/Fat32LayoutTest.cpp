#include <gtest/gtest.h>

#include "disk/Fat32Formatter.h"

using namespace disk;
using namespace platform;
using namespace store;

TEST(Fat32LayoutTest, WorkedExampleOfAMillionSectors) {
    Fat32Layout layout = ComputeFat32Layout(512, 1000000);
    ASSERT_FALSE(layout.tooSmall);
    const Fat32Params& p = layout.params;
    EXPECT_EQ(p.bytesPerSector, 512u);
    EXPECT_EQ(p.sectorsPerCluster, 8u);
    EXPECT_EQ(p.reservedSectors, 32u);
    EXPECT_EQ(p.numberOfFats, 1u);
    EXPECT_EQ(p.totalSectors32, 1000000u);
    EXPECT_EQ(p.fatSize32, 977u);
    EXPECT_EQ(layout.dataSectors, 998991u);
    EXPECT_EQ(layout.entriesPerFatSector, 128u);
    EXPECT_EQ(layout.dataClusters, 124873u);
    EXPECT_EQ(layout.fatCapacity, 125056u);
    // The root directory (cluster 2) starts after the reserved sectors and the FAT.
    EXPECT_EQ(p.reservedSectors + p.fatSize32, 1009u);
}

TEST(Fat32LayoutTest, ClusterSizeByVolumeSize) {
    EXPECT_TRUE(ComputeFat32Layout(512, 66599).tooSmall);
    Fat32Layout smallest = ComputeFat32Layout(512, 66600);
    ASSERT_FALSE(smallest.tooSmall);
    EXPECT_EQ(smallest.params.sectorsPerCluster, 1u);
    EXPECT_EQ(smallest.params.fatSize32, 521u);
    EXPECT_EQ(smallest.dataClusters, 66047u);

    struct Row {
        std::uint32_t units, below, at;
    };
    for (Row row :
         {Row{532480, 1, 8}, Row{16777216, 8, 16}, Row{33554432, 16, 32}, Row{67108864, 32, 64}}) {
        EXPECT_EQ(ComputeFat32Layout(512, row.units - 1).params.sectorsPerCluster, row.below);
        EXPECT_EQ(ComputeFat32Layout(512, row.units).params.sectorsPerCluster, row.at);
    }
    EXPECT_EQ(ComputeFat32Layout(512, 0xFFFFFFFF).params.sectorsPerCluster, 64u);
}

TEST(Fat32LayoutTest, SizeCountsIn512ByteUnitsWhateverTheSectorSize) {
    // 8325 sectors of 4096 bytes are 66600 units: the smallest FAT32 volume.
    EXPECT_TRUE(ComputeFat32Layout(4096, 8324).tooSmall);
    Fat32Layout big = ComputeFat32Layout(4096, 8325);
    ASSERT_FALSE(big.tooSmall);
    EXPECT_EQ(big.sizeUnits, 66600u);
    EXPECT_EQ(big.params.bytesPerSector, 4096u);
    EXPECT_EQ(big.entriesPerFatSector, 1024u);
    EXPECT_EQ(ComputeFat32Layout(4096, 2097152).params.sectorsPerCluster, 16u);  // 8 GiB
    // Larger sectors are capped at 4096 in the parameter block.
    EXPECT_EQ(ComputeFat32Layout(8192, 100000).params.bytesPerSector, 4096u);
    EXPECT_EQ(ComputeFat32Layout(8192, 100000).sizeUnits, 1600000u);
}

TEST(Fat32LayoutTest, FatSizeRoundsUpAndCoversEveryCluster) {
    // 8 sectors per cluster: one FAT sector per 1024 sectors after the reserved ones.
    EXPECT_EQ(ComputeFat32Layout(512, 32 + 1024 * 600).params.fatSize32, 600u);
    EXPECT_EQ(ComputeFat32Layout(512, 32 + 1024 * 600 + 1).params.fatSize32, 601u);
    // Near 2^32 sectors the rounding sum passes 32 bits; the FAT must still fit.
    for (std::uint32_t n : {0xFFFFFFFFu, 0xFFFFFFFFu - 4000, 0xFFFFE000u, 4294950897u}) {
        Fat32Layout layout = ComputeFat32Layout(512, n);
        EXPECT_EQ(layout.params.fatSize32, (static_cast<std::uint64_t>(n) - 32 + 8191) / 8192) << n;
        EXPECT_LE(layout.dataClusters, layout.fatCapacity) << n;
    }
}

TEST(Fat32LayoutTest, LargeSectorVolumesOf2TiBAndMoreKeepTheLargestClusters) {
    // 2^29 sectors of 4096 bytes are 2^32 units of 512 bytes; cut to 32 bits
    // the size would wrap to nothing (too small) or to a tiny volume.
    for (std::uint32_t n : {1u << 29, (1u << 29) + 8325, 0xFFFFFFFFu}) {
        Fat32Layout layout = ComputeFat32Layout(4096, n);
        ASSERT_FALSE(layout.tooSmall) << n;
        EXPECT_EQ(layout.sizeUnits, static_cast<std::uint64_t>(n) * 8) << n;
        EXPECT_EQ(layout.params.sectorsPerCluster, 64u) << n;
        EXPECT_EQ(layout.params.fatSize32, (static_cast<std::uint64_t>(n) - 32 + 8191) / 8192) << n;
        EXPECT_EQ(layout.fatCapacity, static_cast<std::uint64_t>(layout.params.fatSize32) * 1024)
            << n;
        EXPECT_LE(layout.dataClusters, layout.fatCapacity) << n;
    }
}
