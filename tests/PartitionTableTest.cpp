#include "disk/PartitionTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "disk/InitialisePartitions.h"
#include "disk/PartitionReport.h"

using namespace disk;
using namespace store;
using namespace platform;

namespace {

DiskGeometry geometry(std::uint64_t cylinders, std::uint32_t bytesPerSector = 512) {
    DiskGeometry g;
    g.Cylinders = cylinders;
    g.TracksPerCylinder = 255;
    g.SectorsPerTrack = 63;
    g.BytesPerSector = bytesPerSector;
    return g;
}

std::vector<std::uint8_t> mbrWith(std::initializer_list<std::array<std::uint32_t, 3>> rows) {
    // rows: type, first LBA, sector count
    std::vector<std::uint8_t> s(512, 0);
    std::size_t i = 0;
    for (const auto& row : rows) {
        std::uint8_t* e = s.data() + 446 + 16 * i++;
        e[4] = static_cast<std::uint8_t>(row[0]);
        writeLe32(e + 8, row[1]);
        writeLe32(e + 12, row[2]);
    }
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

std::string report(const std::vector<PartitionInformation>& entries) {
    std::ostringstream out;
    PrintPartitionReport(out, entries.data(), static_cast<std::int32_t>(entries.size()));
    return out.str();
}

}  // namespace

TEST(InitialLayoutTest, OnePartitionAfter8192BytesAndAReserveAtTheEnd) {
    std::array<PartitionInformation, 4> entries;
    ASSERT_TRUE(initialLayout(geometry(1000), entries));
    EXPECT_EQ(geometryCapacity(geometry(1000)), 8225280000ULL);
    EXPECT_EQ(entries[0].StartingOffset, 8192u);
    EXPECT_EQ(entries[0].PartitionLength, 8225263616ULL);
    EXPECT_EQ(entries[0].HiddenSectors, 16u);
    EXPECT_EQ(entries[0].PartitionType, 6);
    EXPECT_FALSE(entries[0].BootIndicator);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(entries[i].PartitionType, 0);
        EXPECT_EQ(entries[i].PartitionLength, 0u);
        EXPECT_EQ(entries[i].StartingOffset, 0u);
    }
    // 4096-byte sectors: same start and hidden count, a reserve of 16 such sectors.
    ASSERT_TRUE(initialLayout(geometry(1000, 4096), entries));
    EXPECT_EQ(entries[0].StartingOffset, 8192u);
    EXPECT_EQ(entries[0].HiddenSectors, 16u);
    EXPECT_EQ(entries[0].PartitionLength, 8225280000ULL * 8 - 65536 - 8192);
    // Smaller than the partition's start and reserve: refused instead of wrapping.
    EXPECT_FALSE(initialLayout(geometry(0), entries));
    // Whole cylinders only: a 600 MiB disk has 76 of them, and the partition
    // ends 16 sectors before the last one does, 7876 sectors before the disk's end.
    const std::uint64_t disk = 600ULL << 20;
    ASSERT_TRUE(initialLayout(geometry(disk / (512 * 255 * 63)), entries));
    EXPECT_EQ((disk - entries[0].StartingOffset - entries[0].PartitionLength) / 512, 7876u);
}

TEST(PartitionTableTest, EncodesLbaAndChsFieldsAndDecodesThemBack) {
    std::array<PartitionInformation, 4> entries;
    ASSERT_TRUE(initialLayout(geometry(1000), entries));
    std::vector<std::uint8_t> sector(512, 0xCC);  // an old boot program, kept
    ASSERT_TRUE(encodePartitionTable(sector, entries, geometry(1000)));
    const std::uint8_t* e = sector.data() + 446;
    EXPECT_EQ(e[0], 0x00);
    // LBA 16 = cylinder 0, head 0, sector 17.
    EXPECT_EQ(e[1], 0);
    EXPECT_EQ(e[2], 17);
    EXPECT_EQ(e[3], 0);
    EXPECT_EQ(e[4], 6);
    // Last LBA 16064983 = cylinder 999 (3E7), head 254, sector 47.
    EXPECT_EQ(e[5], 254);
    EXPECT_EQ(e[6], 47 | 0xC0);
    EXPECT_EQ(e[7], 0xE7);
    EXPECT_EQ(readLe32(e + 8), 16u);
    EXPECT_EQ(readLe32(e + 12), 8225263616ULL / 512);
    for (int i = 16; i < 64; ++i)
        EXPECT_EQ(e[i], 0) << i;
    EXPECT_EQ(readLe32(sector.data() + 440), 0u);  // disk signature
    EXPECT_EQ(sector[439], 0xCC);
    EXPECT_EQ(sector[510], 0x55);
    EXPECT_EQ(sector[511], 0xAA);

    DecodedPartitionTable table = decodePartitionTable(sector, 512);
    EXPECT_EQ(table.kind, PartitionTableKind::Mbr);
    ASSERT_EQ(table.entries.size(), 4u);
    EXPECT_EQ(table.entries[0].StartingOffset, 8192u);
    EXPECT_EQ(table.entries[0].PartitionLength, 8225263616ULL);
    EXPECT_EQ(table.entries[0].HiddenSectors, 16u);
    EXPECT_EQ(table.entries[1].PartitionType, 0);

    // Past cylinder 1023 an address takes the FE FF FF form.
    ASSERT_TRUE(initialLayout(geometry(2000), entries));
    ASSERT_TRUE(encodePartitionTable(sector, entries, geometry(2000)));
    EXPECT_EQ(e[2], 17);
    EXPECT_EQ(e[5], 0xFE);
    EXPECT_EQ(e[6], 0xFF);
    EXPECT_EQ(e[7], 0xFF);
}

TEST(PartitionTableTest, RefusesEntriesTheFieldsCannotHold) {
    std::vector<std::uint8_t> sector(512, 0);
    std::array<PartitionInformation, 1> entry{};
    entry[0].PartitionType = 6;
    entry[0].StartingOffset = 8192;
    entry[0].PartitionLength = (1ULL << 32) * 512;  // 2^32 sectors
    EXPECT_FALSE(encodePartitionTable(sector, entry, geometry(1000)));
    entry[0].PartitionLength = 1000;  // not whole sectors
    EXPECT_FALSE(encodePartitionTable(sector, entry, geometry(1000)));
    // 4096-byte sectors count the start in those sectors.
    entry[0].PartitionLength = 4096 * 100;
    ASSERT_TRUE(encodePartitionTable(sector, entry, geometry(1000, 4096)));
    EXPECT_EQ(readLe32(sector.data() + 446 + 8), 2u);
    EXPECT_EQ(readLe32(sector.data() + 446 + 12), 100u);
}

TEST(PartitionTableTest, RecognisesWhatSectorZeroHolds) {
    EXPECT_EQ(decodePartitionTable(std::vector<std::uint8_t>(512, 0), 512).kind,
              PartitionTableKind::None);
    EXPECT_EQ(decodePartitionTable(std::vector<std::uint8_t>(100, 0), 512).kind,
              PartitionTableKind::None);

    // A FAT boot sector on a disk without a partition table: its boot code
    // lies where the entries would be.
    std::vector<std::uint8_t> fat = mbrWith({});
    const std::uint8_t bpb[] = {0xEB, 0x58, 0x90, 'm',  'k',  'f',  's',  '.', 'f',
                                'a',  't',  0x00, 0x02, 0x08, 0x20, 0x00, 0x02};
    std::memcpy(fat.data(), bpb, sizeof bpb);
    fat[21] = 0xF8;
    std::memset(fat.data() + 446, 0x4E, 64);
    DecodedPartitionTable table = decodePartitionTable(fat, 512);
    EXPECT_EQ(table.kind, PartitionTableKind::BootSector);
    EXPECT_TRUE(table.entries.empty());

    std::vector<std::uint8_t> ntfs = mbrWith({{7, 2048, 1000}});
    std::memcpy(ntfs.data(), "\xEB\x52\x90NTFS    ", 11);
    EXPECT_EQ(decodePartitionTable(ntfs, 512).kind, PartitionTableKind::BootSector);

    // Boot flags other than 00 and 80: no partition table.
    std::vector<std::uint8_t> garbage = mbrWith({{6, 16, 1000}});
    garbage[446 + 16] = 0x41;
    EXPECT_EQ(decodePartitionTable(garbage, 512).kind, PartitionTableKind::Unrecognised);
    EXPECT_TRUE(decodePartitionTable(garbage, 512).entries.empty());

    DecodedPartitionTable gpt = decodePartitionTable(mbrWith({{0xEE, 1, 0xFFFFFFFF}}), 512);
    EXPECT_EQ(gpt.kind, PartitionTableKind::Gpt);
    ASSERT_EQ(gpt.entries.size(), 4u);
    EXPECT_EQ(gpt.entries[0].PartitionLength, 0xFFFFFFFFULL * 512);
}

TEST(PartitionReportTest, PrintsEveryEntryWithItsLabels) {
    std::vector<PartitionInformation> entries(3);
    entries[0].StartingOffset = 32256;
    entries[0].PartitionLength = 250056705024ULL;
    entries[0].HiddenSectors = 63;
    entries[0].PartitionType = 7;
    entries[2].StartingOffset = 512;
    entries[2].PartitionLength = 5ULL * 1024 * 1024 * 1024 + 1023;
    entries[2].HiddenSectors = 1;
    entries[2].PartitionType = 0x0C;
    EXPECT_EQ(report(entries),
              "\nPartition #1\n"
              "  Start Offset : 32256 (bytes)\n"
              "        Length : 250056705024 (bytes) / 232.88 (GB)\n"
              "Hidden sectors : 63\n"
              "          Code : 7 (IFS)\n"
              "\nPartition #2\n"
              "  ** UNUSED **\n"
              "\nPartition #3\n"
              "  Start Offset : 512 (bytes)\n"
              "        Length : 5368710143 (bytes) / 5.00 (GB)\n"
              "Hidden sectors : 1\n"
              "          Code : 12 (Unrecognised)\n");
    EXPECT_EQ(report({}), "No partitions.\n");

    std::vector<PartitionInformation> tiny(1);
    tiny[0].PartitionLength = 1023;
    tiny[0].PartitionType = 0xFF;
    EXPECT_NE(report(tiny).find("1023 (bytes) / 0.00 (GB)\n"), std::string::npos);
    EXPECT_NE(report(tiny).find("Code : 255 (Unrecognised)\n"), std::string::npos);
}

TEST(PartitionReportTest, TypeNames) {
    EXPECT_STREQ(PartitionTypeName(0x06), "FAT32 [HUGE]");
    EXPECT_STREQ(PartitionTypeName(0x0F), "XINT13_EX");
    EXPECT_STREQ(PartitionTypeName(0xC0), "NTFT");
    for (int code : {0x0B, 0x0C, 0x83, 0xEE, 0xFF}) {
        EXPECT_STREQ(PartitionTypeName(static_cast<std::uint8_t>(code)), "Unrecognised") << code;
    }
}
