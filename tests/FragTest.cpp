// Part files in more than one piece: FAT32 volumes made by zt_format, filled
// with mtools so that a part is split around another file, read by the
// project's FAT32 reader and checked against fatcat; rewritten on a volume
// mounted with fusefat; and asked through FIEMAP on the test's own file system.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "DiskImage.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "ToolRun.h"
#include "disk/Fat32Reader.h"
#include "library/PartFragments.h"
#include "platform/FileExtents.h"

using namespace disk;
using namespace library;
using namespace platform;
using namespace store;
using namespace report;

namespace {

const std::string kPart0 = "zt.7900E503.BIGG_000.01.00";
const std::string kPart1 = "zt.7900E503.BIGG_000.01.01";

class FragTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveProgram("mcopy") || !haveProgram("mdel"))
            GTEST_SKIP() << "no mtools";
        setenv("MTOOLS_SKIP_CHECK", "1", 1);
        // A disk with one partition, formatted by the project's own tool.
        disk = dir.file("disk.img");
        makeImage(disk, 64 << 20);
        ASSERT_EQ(runTool("zt_format", "--yes " + shellQuoted(disk) + " INIT").status, 0);
        ASSERT_EQ(runTool("zt_format", "--yes " + shellQuoted(disk) + " FORMAT").status, 0);
        volume = dir.file("volume.img");
        ASSERT_EQ(runShell("dd if=" + shellQuoted(disk) + " of=" + shellQuoted(volume) +
                           " bs=8192 skip=1 status=none")
                      .status,
                  0);
        // A (80 clusters of 512 bytes), then B; A goes, and the part, larger
        // than A's hole, is split around B. mtools allocates after the last
        // cluster it handed out; with the FSInfo hint cleared it starts at the front.
        writeBytes(dir.file("A"), randomBytes(40000, 1));
        writeBytes(dir.file("B"), randomBytes(20000, 2));
        part = randomBytes(100000, 3);
        writeBytes(dir.file("P"), part);
        mtools("mcopy -i " + shellQuoted(volume) + " " + shellQuoted(dir.file("A")) + " ::A");
        mtools("mcopy -i " + shellQuoted(volume) + " " + shellQuoted(dir.file("B")) + " ::B");
        mtools("mdel -i " + shellQuoted(volume) + " ::A");
        writeAt(volume, 512 + 492, {0xFF, 0xFF, 0xFF, 0xFF});
        mtools("mcopy -i " + shellQuoted(volume) + " " + shellQuoted(dir.file("P")) +
               " ::" + kPart0);
        mtools("mcopy -i " + shellQuoted(volume) + " " + shellQuoted(dir.file("B")) +
               " ::" + kPart1);
    }

    void mtools(const std::string& command) {
        ToolRun run = runShell(command);
        ASSERT_EQ(run.status, 0) << command << run.err;
    }

    ToolRun frag(const std::string& arguments) { return runTool("zt_games", "frag " + arguments); }

    TempDir dir;
    std::string disk, volume;
    std::vector<std::uint8_t> part;
};

}  // namespace

TEST_F(FragTest, TheReaderFindsThePiecesThatFatcatSees) {
    DiskDevice device;
    Fat32Reader reader;
    const auto opened = openFat32Volume(device, volume);
    ASSERT_TRUE(opened) << opened.failure().reason;
    const auto read = reader.open(device);
    ASSERT_TRUE(read) << read.failure().reason;
    EXPECT_EQ(reader.clusterBytes(), 512u);
    const auto root = reader.rootFiles();
    ASSERT_TRUE(root) << root.failure().reason;
    const std::vector<FatFile>& files = root.value();
    std::vector<std::string> names;
    for (const FatFile& file : files)
        names.push_back(file.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B", kPart0, kPart1}));

    const FatFile& split = files[1];
    EXPECT_EQ(split.size, 100000u);
    ClusterChain chain = reader.chainOf(split.firstCluster, split.size);
    EXPECT_FALSE(chain.broken);
    EXPECT_EQ(chain.clusters, 196u);
    ASSERT_EQ(chain.runs.size(), 2u);
    EXPECT_EQ(chain.runs[0], (std::pair<std::uint32_t, std::uint32_t>{3, 80}));
    EXPECT_EQ(reader.chainOf(files[0].firstCluster, files[0].size).runs.size(), 1u);
    EXPECT_EQ(reader.chainOf(files[2].firstCluster, files[2].size).runs.size(), 1u);

    if (haveProgram("fatcat")) {
        // fatcat follows the chain from the first cluster and from the end of the first run.
        ToolRun info = runShell("fatcat " + shellQuoted(volume) + " -@ 3");
        EXPECT_NE(info.out.find("Chain size: 196 "), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("Chain is not contiguous"), std::string::npos);
        info = runShell("fatcat " + shellQuoted(volume) + " -@ 82");
        EXPECT_NE(info.out.find("FAT1: " + std::to_string(chain.runs[1].first) + " "),
                  std::string::npos)
            << info.out;
        info = runShell("fatcat " + shellQuoted(volume) + " -@ " +
                        std::to_string(files[2].firstCluster));
        EXPECT_NE(info.out.find("Chain is contiguous"), std::string::npos) << info.out;
    }
}

TEST_F(FragTest, TheCommandReportsFromAVolumeOrAWholeDisk) {
    ToolRun run = frag(shellQuoted(volume));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, kPart0 + ": 2 fragments\n2 part files, 1 not in one piece\n");

    // The same volume inside its disk image: the partition is found.
    ASSERT_EQ(runShell("dd if=" + shellQuoted(volume) + " of=" + shellQuoted(disk) +
                       " bs=8192 seek=1 conv=notrunc status=none")
                  .status,
              0);
    EXPECT_EQ(frag(shellQuoted(disk)).out, run.out);

    run = frag("--yes " + shellQuoted(volume));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("rewritten on a mounted drive"), std::string::npos);
    makeImage(dir.file("blank.img"), 1 << 20);
    run = frag(shellQuoted(dir.file("blank.img")));
    EXPECT_EQ(run.status, 3);  // not the status of a part in pieces
    EXPECT_NE(run.err.find("cannot be read"), std::string::npos);
}

TEST_F(FragTest, DamagedChainsAndBootSectorsAreReportedNotFollowed) {
    // The FAT starts at sector 32; the part's first run ends at cluster 82.
    const std::uint64_t fat = 32 * 512;
    writeAt(volume, fat + 82 * 4, {3, 0, 0, 0});  // back to its start: a loop
    ToolRun run = frag(shellQuoted(volume));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              kPart0 + ": its cluster chain is broken\n2 part files, 0 not in one piece\n");
    writeAt(volume, fat + 82 * 4, {0, 0, 0, 0});  // into a free cluster
    EXPECT_NE(frag(shellQuoted(volume)).out.find("broken"), std::string::npos);
    writeAt(volume, fat + 82 * 4, {0xFF, 0xFF, 0xFF, 0x0F});  // ends early: shorter than the size
    EXPECT_NE(frag(shellQuoted(volume)).out.find("broken"), std::string::npos);

    writeAt(volume, 13, {0});  // no sectors per cluster
    run = frag(shellQuoted(volume));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("the boot sector of the volume is damaged"), std::string::npos);
}

TEST_F(FragTest, ARewriteOnAFusefatMountMakesThePartWhole) {
    if (geteuid() != 0 || !std::filesystem::exists("/dev/fuse") || !haveProgram("fusefat") ||
        !haveProgram("fusermount"))
        GTEST_SKIP() << "needs root, FUSE and fusefat";
    const std::string mount = dir.file("mnt");
    std::filesystem::create_directory(mount);
    if (runShell("fusefat -o rw+ " + shellQuoted(volume) + " " + shellQuoted(mount)).status != 0)
        GTEST_SKIP() << "fusefat cannot mount here";
    ToolRun run = frag("--yes " + shellQuoted(mount) + " " + shellQuoted(volume));
    ToolRun unmount = runShell("fusermount -u " + shellQuoted(mount));
    ASSERT_EQ(unmount.status, 0) << unmount.err;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              kPart0 + ": 2 fragments\n" + kPart0 +
                  ": rewritten in one piece\n2 part files, 1 not in one piece, 1 rewritten\n");

    run = frag(shellQuoted(volume));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "2 part files, 0 not in one piece\n");
    EXPECT_EQ(runShell("mtype -i " + shellQuoted(volume) + " ::" + kPart0).out,
              std::string(part.begin(), part.end()));
    if (haveProgram("fsck.fat")) {
        ToolRun check = runShell("fsck.fat -n " + shellQuoted(volume));
        EXPECT_EQ(check.status, 0) << check.out;
    }
}

TEST_F(FragTest, AMountThatDoesNotTellIsReadThroughTheDeviceItsMountTableNames) {
    if (geteuid() != 0 || !std::filesystem::exists("/dev/fuse") || !haveProgram("fusefat") ||
        !haveProgram("losetup"))
        GTEST_SKIP() << "needs root, FUSE, fusefat and losetup";
    // As Linux's vfat: no FIEMAP, and the mount table names the device.
    ToolRun attach = runShell("losetup --find --show " + shellQuoted(volume));
    if (attach.status != 0)
        GTEST_SKIP() << "no loop device: " << attach.err;
    const std::string device = attach.out.substr(0, attach.out.find('\n'));
    const std::string mount = dir.file("mnt");
    std::filesystem::create_directory(mount);
    ToolRun run;
    if (runShell("fusefat -o ro,fsname=" + device + " " + device + " " + shellQuoted(mount))
            .status == 0) {
        run = frag(shellQuoted(mount));
        runShell("fusermount -u " + shellQuoted(mount));
    }
    runShell("losetup -d " + device);
    if (run.out.empty() && run.err.empty())
        GTEST_SKIP() << "fusefat cannot mount here";
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, kPart0 + ": 2 fragments\n2 part files, 1 not in one piece\n");
}

TEST_F(FragTest, TheKernelsFat32DriverAgreesWithTheReader) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to mount";
    const std::string mount = dir.file("vfat");
    std::filesystem::create_directory(mount);
    if (runShell("mount -t vfat -o loop " + shellQuoted(volume) + " " + shellQuoted(mount))
            .status != 0)
        GTEST_SKIP() << "no vfat loop mounts here";
    ToolRun report = frag(shellQuoted(mount));
    if (report.err.find("does not tell") != std::string::npos) {
        runShell("umount " + shellQuoted(mount));
        GTEST_SKIP() << "this kernel's FAT32 driver does not answer FIEMAP";
    }
    // Whatever the driver's allocator makes of the copy, the part keeps its content.
    ToolRun rewrite = frag("--yes " + shellQuoted(mount));
    ToolRun after = frag(shellQuoted(mount));
    ToolRun unmount = runShell("umount " + shellQuoted(mount));
    ASSERT_EQ(unmount.status, 0) << unmount.err;
    EXPECT_EQ(report.out, kPart0 + ": 2 fragments\n2 part files, 1 not in one piece\n");
    EXPECT_NE(rewrite.out.find(kPart0 + ": 2 fragments\n"), std::string::npos) << rewrite.out;
    EXPECT_EQ(frag(shellQuoted(volume)).out, after.out);  // FIEMAP and the FAT agree
    EXPECT_EQ(runShell("mtype -i " + shellQuoted(volume) + " ::" + kPart0).out,
              std::string(part.begin(), part.end()));
    if (haveProgram("fsck.fat")) {
        EXPECT_EQ(runShell("fsck.fat -n " + shellQuoted(volume)).status, 0);
    }
}

TEST(PartFragmentsTest, PartFileNames) {
    EXPECT_TRUE(isPartFileName("zt.1C5EB8C8.SLUS_209.46.00"));
    EXPECT_TRUE(isPartFileName("zt.1C5EB8C8.A.09"));
    EXPECT_FALSE(isPartFileName("zt.1c5eb8c8.SLUS_209.46.00"));  // the hash is upper-case
    EXPECT_FALSE(isPartFileName("zt.1C5EB8C8.SLUS_209.46.10"));
    EXPECT_FALSE(isPartFileName("zt.1C5EB8C8.SLUS_209.46.00.new"));
    EXPECT_FALSE(isPartFileName("zt.cfg"));
    EXPECT_FALSE(isPartFileName("zt.1C5EB8C8..00"));
}

TEST(PartFragmentsTest, OnAFileSystemThatTellsAWholeFileIsOnePiece) {
    TempDir drive;
    const std::string whole = drive.file("zt.1C5EB8C8.SLUS_209.46.00");
    writeBytes(whole, randomBytes(300000, 4));
    std::string error;
    std::optional<int> pieces = platform::fileFragments(whole, error);
    if (!pieces)
        GTEST_SKIP() << "the test folder's file system does not tell: " << error;
    EXPECT_EQ(*pieces, 1);
    // Data far apart with a hole between lies in two places.
    const std::string sparse = drive.file("zt.1C5EB8C8.SLUS_209.46.01");
    writeBytes(sparse, randomBytes(8192, 5));
    writeAt(sparse, 64 << 20, randomBytes(8192, 6));
    EXPECT_EQ(platform::fileFragments(sparse, error), 2);

    ToolRun run = runTool("zt_games", "frag " + shellQuoted(drive.root()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "zt.1C5EB8C8.SLUS_209.46.01: 2 fragments\n2 part files, 1 not in one piece\n");
    // The copy is reserved whole before it is written, so it lies in one piece.
    const std::vector<std::uint8_t> before = readBytes(sparse);
    run = runTool("zt_games", "--yes frag " + shellQuoted(drive.root()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readBytes(sparse), before);
    EXPECT_EQ(platform::fileFragments(sparse, error), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(drive.path()), {}), 2);
}

TEST(PartFragmentsTest, ACopyThatIsNotWholeEitherLeavesThePartAsItWas) {
    TempDir drive;
    const std::string name = "zt.1C5EB8C8.SLUS_209.46.00";
    const std::vector<std::uint8_t> content = randomBytes(50000, 7);
    writeBytes(drive.file(name), content);
    ScriptedFrontEnd ui;
    std::vector<std::string> asked;
    FragmentCounter twoPieces = [&](const std::string& file) -> FragmentCount {
        asked.push_back(file);
        return 2;
    };
    EXPECT_TRUE(rewriteContiguous(drive.root(), name, twoPieces, ui.frontEnd())
                    .failedAt(RewriteStep::StillFragmented));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].rfind(name + ".zt-", 0), 0u);  // the copy was asked about, not the part
    EXPECT_EQ(readBytes(drive.file(name)), content);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(drive.path()), {}), 1);

    FragmentCounter unknown = [](const std::string& file) -> FragmentCount {
        return store::Failure<FragmentCountStep>{FragmentCountStep::Ask, file, "no idea"};
    };
    EXPECT_TRUE(
        rewriteContiguous(drive.root(), name, unknown, ui.frontEnd()).failedAt(RewriteStep::Count));
    EXPECT_EQ(ui.boxes.shown.back(), "Cannot tell whether the copy of " + name +
                                         " is in one piece (no idea); the part stays as it is.");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(drive.path()), {}), 1);

    std::filesystem::create_symlink(drive.file(name), drive.file("zt.1C5EB8C8.SLUS_209.46.01"));
    EXPECT_TRUE(
        rewriteContiguous(drive.root(), "zt.1C5EB8C8.SLUS_209.46.01", twoPieces, ui.frontEnd())
            .failedAt(RewriteStep::NotAFile));
    EXPECT_EQ(partFilesAt(drive.root()).names, std::vector<std::string>{name});
}

TEST(Fat32ReaderTest, AHandMadeVolumeWithALongNameAndTwoPieces) {
    // The fuzz target's seed: one FAT sector, a long name over two entries,
    // and a file in clusters 3, 4 and 7.
    TempDir dir;
    const std::string image = dir.file("seed.img");
    std::filesystem::copy_file(
        std::string(ZT_SOURCE_DIR) + "/fuzz/corpus/Fat32ReaderFuzz/two-pieces", image);
    std::filesystem::resize_file(image, 159 * 512);
    DiskDevice device;
    Fat32Reader reader;
    const auto opened = openFat32Volume(device, image);
    ASSERT_TRUE(opened) << opened.failure().reason;
    const auto read = reader.open(device);
    ASSERT_TRUE(read) << read.failure().reason;
    EXPECT_EQ(reader.clusterCount(), 126u);
    auto root = reader.rootFiles();
    ASSERT_TRUE(root) << root.failure().reason;
    std::vector<FatFile> files = std::move(root).value();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "zt.7900E503.B.00");
    ClusterChain chain = reader.chainOf(files[0].firstCluster, files[0].size);
    EXPECT_FALSE(chain.broken);
    EXPECT_EQ(chain.runs, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{3, 2}, {7, 1}}));
    // A long name whose checksum does not fit the short entry is not its name.
    writeAt(image, 33 * 512 + 13, {0x00});
    writeAt(image, 33 * 512 + 32 + 13, {0x00});
    DiskDevice again;
    ASSERT_TRUE(openFat32Volume(again, image));
    ASSERT_TRUE(reader.open(again));
    root = reader.rootFiles();
    ASSERT_TRUE(root);
    files = root.value();
    EXPECT_EQ(files[0].name, "ZT7900~1.000");
    // A file longer than its chain has a broken chain.
    EXPECT_TRUE(reader.chainOf(3, 4 * 512).broken);
    EXPECT_TRUE(reader.chainOf(200, 512).broken);
}

TEST(PartFragmentsTest, WhatAnInterruptedRewriteLeftIsPutRight) {
    TempDir drive;
    const std::string a = "zt.1C5EB8C8.AAAA_000.01.00", b = "zt.1C5EB8C8.BBBB_000.01.00";
    // a: moved aside, its copy never took the name (a copy is still there).
    writeBytes(drive.file(a + ".zt-old"), {'a'});
    writeBytes(drive.file(a + ".zt-Xy12zq"), {'c'});
    // b: its copy took the name; the part moved aside was not yet removed.
    writeBytes(drive.file(b), {'n'});
    writeBytes(drive.file(b + ".zt-old"), {'o'});
    // Not left by a rewrite: an image being exported, and an unrelated name.
    writeBytes(drive.file("game.iso.zt-Ab12Cd"), {'i'});
    writeBytes(drive.file("zt.cfg.zt-old"), {'t'});

    std::vector<std::string> done = finishInterruptedRewrites(drive.root());
    EXPECT_EQ(done.size(), 3u);
    EXPECT_EQ(readBytes(drive.file(a)), std::vector<std::uint8_t>{'a'});
    EXPECT_EQ(readBytes(drive.file(b)), std::vector<std::uint8_t>{'n'});
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(drive.path()))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"game.iso.zt-Ab12Cd", a, b, "zt.cfg.zt-old"}));
    EXPECT_TRUE(finishInterruptedRewrites(drive.root()).empty());
}
