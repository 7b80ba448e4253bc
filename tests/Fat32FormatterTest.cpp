#include "disk/Fat32Formatter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "DiskImage.h"
#include "TempDir.h"
#include "disk/BootProgram.h"

using namespace disk;
using namespace store;
using namespace platform;

namespace {

class Fat32FormatterTest : public ::testing::Test {
  protected:
    void SetUp() override { makeImage(image, 1000000ULL * 512); }
    void openImage(std::uint32_t sectorSize = 512) {
        state->sectorSize = sectorSize;
        ASSERT_TRUE(openFake(device, image, state));
    }
    std::vector<std::uint8_t> sectors(std::uint64_t first, std::size_t count) {
        return readAt(image, first * 512, count * 512);
    }

    TempDir dir;
    std::string image = dir.file("volume.img");
    std::shared_ptr<FakeDiskState> state = std::make_shared<FakeDiskState>();
    DiskDevice device;
    std::ostringstream out;
};

}  // namespace

TEST_F(Fat32FormatterTest, MillionSectorVolumeByteForByte) {
    // Old contents that the format must clear, and some it must leave alone.
    for (std::uint64_t s : {2, 7, 33, 500, 1008, 1010, 1016, 1017}) {
        writeAt(image, s * 512, std::vector<std::uint8_t>(512, 0xAA));
    }
    openImage();
    ASSERT_TRUE(FormatFAT32(device, 0, 1000000, out, 0xCAFEF00D));
    EXPECT_EQ(out.str(),
              "FAT32 FORMAT: LBA 0, NumSectors 1000000\n"
              "FormatFAT32: Cluster size = 8 sectors\n"
              "Fat Size = 977\n"
              "Data Size = 998991\n"
              "Fat entries per sector = 128\n"
              "Data area num clusters = 124873\n"
              "Max fat cluster = 125056\n"
              "Writing BPB\n"
              "Initialising FSInfo\n"
              "Initialising FAT Table\n"
              "Initialising ROOT directory table\n"
              "Fat32 Format complete\n");

    std::vector<std::uint8_t> boot = sectors(0, 1);
    const std::uint8_t head[90] = {0xEB, 0x58, 0x90, 'M',  'S',  'D',  'O',  'S',  '5',  '.',
                                   '0',  0x00, 0x02,        // bytes per sector
                                   0x08,                    // sectors per cluster
                                   0x20, 0x00,              // reserved sectors
                                   0x01,                    // FATs
                                   0x00, 0x00, 0x00, 0x00,  // root entries, 16-bit total
                                   0xF8, 0x00, 0x00,        // media, 16-bit FAT size
                                   0x3F, 0x00, 0xFF, 0x00,  // 63 sectors per track, 255 heads
                                   0x00, 0x00, 0x00, 0x00,  // hidden sectors
                                   0x40, 0x42, 0x0F, 0x00,  // 1,000,000 sectors
                                   0xD1, 0x03, 0x00, 0x00,  // FAT size 977
                                   0x00, 0x00, 0x00, 0x00,  // flags, version
                                   0x02, 0x00, 0x00, 0x00,  // root cluster
                                   0x01, 0x00, 0x06, 0x00,  // FSInfo sector, backup boot sector
                                   0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                                   0,    0,    0x80, 0x00, 0x29, 0x0D, 0xF0, 0xFE, 0xCA,  // serial
                                   'N',  'E',  'W',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ',
                                   ' ',  'F',  'A',  'T',  '3',  '2',  ' ',  ' ',  ' '};
    EXPECT_EQ(std::memcmp(boot.data(), head, sizeof head), 0);
    EXPECT_EQ(std::memcmp(boot.data() + 90, bootProgram().data(), 420), 0);
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(boot[511], 0xAA);
    EXPECT_EQ(sectors(6, 1), boot);
    EXPECT_EQ(sectors(2, 1), std::vector<std::uint8_t>(512, 0xAA));  // not part of the format
    EXPECT_EQ(sectors(7, 1), std::vector<std::uint8_t>(512, 0xAA));

    std::vector<std::uint8_t> fsInfo = sectors(1, 1);
    EXPECT_EQ(std::memcmp(fsInfo.data(), "RRaA", 4), 0);
    EXPECT_EQ(std::memcmp(fsInfo.data() + 484, "rrAa", 4), 0);
    EXPECT_EQ(readLe32(fsInfo.data() + 488), 124872u);  // every cluster but the root's is free
    EXPECT_EQ(readLe32(fsInfo.data() + 492), 3u);
    EXPECT_EQ(fsInfo[510], 0x55);
    EXPECT_EQ(fsInfo[511], 0xAA);
    fsInfo[0] = fsInfo[1] = fsInfo[2] = fsInfo[3] = 0;
    std::memset(fsInfo.data() + 484, 0, 12);
    fsInfo[510] = fsInfo[511] = 0;
    EXPECT_TRUE(allZero(fsInfo));

    std::vector<std::uint8_t> fat = sectors(32, 977);
    const std::uint8_t fatHead[12] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF,
                                      0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};
    EXPECT_EQ(std::memcmp(fat.data(), fatHead, 12), 0);
    std::memset(fat.data(), 0, 12);
    EXPECT_TRUE(allZero(fat));

    std::vector<std::uint8_t> root = sectors(1009, 8);
    const std::uint8_t label[32] = {'N',  'E',  'W',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ', ' ',
                                    0x08, 0,    0,    0x20, 0x08, 0x21, 0x3C, 0x21, 0x3C, 0,   0,
                                    0x20, 0x08, 0x21, 0x3C, 0,    0,    0,    0,    0,    0};
    EXPECT_EQ(std::memcmp(root.data(), label, 32), 0);
    std::memset(root.data(), 0, 32);
    EXPECT_TRUE(allZero(root));
    EXPECT_EQ(sectors(1017, 1), std::vector<std::uint8_t>(512, 0xAA));  // cluster 3 keeps old data
}

TEST_F(Fat32FormatterTest, BootProgramHoldsLoaderNameAndMessages) {
    std::array<std::uint8_t, 512> s =
        BuildBootSector(ComputeFat32Layout(512, 1000000).params, 0, 1);
    EXPECT_EQ(std::memcmp(s.data() + 368, "NTLDR      ", 11), 0);
    EXPECT_EQ(std::memcmp(s.data() + 428, "\r\nRemove disks or other media.\xFF", 31), 0);
    EXPECT_EQ(std::memcmp(s.data() + 459, "\r\nDisk error\xFF", 13), 0);
    EXPECT_EQ(std::memcmp(s.data() + 472, "\r\nPress any key to restart\r\n", 29), 0);
    EXPECT_EQ(s[505], 0xAC);
    EXPECT_EQ(s[506], 0xCB);
    EXPECT_EQ(s[507], 0xD8);
    EXPECT_EQ(2 + s[1], 90);  // the jump lands on the program
}

TEST_F(Fat32FormatterTest, SerialNumbersCountUpWithinARun) {
    openImage();
    ASSERT_TRUE(FormatFAT32(device, 0, 100000, out));
    std::uint32_t first = readLe32(sectors(0, 1).data() + 67);
    ASSERT_TRUE(FormatFAT32(device, 0, 100000, out));
    EXPECT_EQ(readLe32(sectors(0, 1).data() + 67), first + 1);
    EXPECT_EQ(readLe32(sectors(6, 1).data() + 67), first + 1);
}

TEST_F(Fat32FormatterTest, RefusalsWriteNothing) {
    openImage();
    Fat32Params params = ComputeFat32Layout(512, 100000).params;
    params.fatSize32 = 0;
    EXPECT_FALSE(WriteBPB(device, params, 0, out));
    EXPECT_EQ(out.str(), "WriteBPB: Fat16 bpb isnt implemented yet\n");

    out.str("");
    EXPECT_FALSE(FormatFAT32(device, 0, 66599, out));
    EXPECT_EQ(out.str(),
              "FAT32 FORMAT: LBA 0, NumSectors 66599\n"
              "FormatFAT32 -> Disk is too small for Fat32 - Fat 12/16 format is needed!\n");

    out.str("");
    state->failGeometryFrom = state->geometryCalls + 1;
    EXPECT_FALSE(FormatFAT32(device, 0, 100000, out));
    EXPECT_EQ(out.str(), "FAT32 FORMAT: LBA 0, NumSectors 100000\nCant obtain drive geometry\n");
    EXPECT_EQ(state->writes, 0);
}

TEST_F(Fat32FormatterTest, DeviceSectorsLargerThan4096AreRefused) {
    openImage(8192);
    EXPECT_FALSE(FormatFAT32(device, 0, 60000, out));
    EXPECT_NE(out.str().find("Max fat cluster"), std::string::npos);
    EXPECT_NE(out.str().find("sectors of 8192 bytes are not supported\n"), std::string::npos);
    EXPECT_EQ(state->writes, 0);
}

TEST_F(Fat32FormatterTest, FourKilobyteSectors) {
    openImage(4096);
    ASSERT_TRUE(FormatFAT32(device, 0, 100000, out, 7));  // 400 MB: 8 sectors per cluster
    std::vector<std::uint8_t> boot = readAt(image, 0, 4096);
    EXPECT_EQ(readLe16(boot.data() + 11), 4096);
    EXPECT_EQ(boot[13], 8);
    EXPECT_EQ(readLe32(boot.data() + 32), 100000u);
    EXPECT_EQ(readLe32(boot.data() + 36), 98u);  // (100000 - 32) / 1024 rounded up
    EXPECT_EQ(readAt(image, 6 * 4096, 512),
              std::vector<std::uint8_t>(boot.begin(), boot.begin() + 512));
    std::vector<std::uint8_t> root = readAt(image, (32 + 98) * 4096, 8 * 4096);
    EXPECT_EQ(std::memcmp(root.data(), "NEW        \x08", 12), 0);
}

TEST_F(Fat32FormatterTest, EachFailingWriteStopsWithItsLine) {
    struct Step {
        int failAt;
        const char* line;
    };
    // 100000 sectors: 1 sector per cluster, FAT of 782 sectors zeroed in one request.
    for (Step step : {Step{1, "WriteBPB: Cannot write backup BPB\nUnable to write BPB\n"},
                      Step{2, "Writing BPB\nUnable to write BPB\n"},
                      Step{3, "Initialising FSInfo\nUnable to write FSInfo\n"},
                      Step{4, "Initialising FAT Table\nUnable to initialise FAT table\n"},
                      Step{5, "Initialising FAT Table\nUnable to initialise FAT table\n"},
                      Step{6, "Unable to write new root directory table\n"}}) {
        auto fresh = std::make_shared<FakeDiskState>();
        fresh->failWriteAt = step.failAt;
        DiskDevice d;
        ASSERT_TRUE(openFake(d, image, fresh));
        std::ostringstream lines;
        EXPECT_FALSE(FormatFAT32(d, 0, 100000, lines, 1));
        std::string text = lines.str();
        EXPECT_EQ(text.substr(text.size() - std::strlen(step.line)), step.line) << step.failAt;
        EXPECT_EQ(fresh->writes, step.failAt);
    }
}
