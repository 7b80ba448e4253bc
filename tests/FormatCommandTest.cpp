#include "disk/FormatCommand.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "DiskImage.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "disk/DriveRefusal.h"
#include "disk/InitialisePartitions.h"

using namespace disk;
using namespace report;
using namespace store;
using namespace platform;

namespace {

constexpr std::uint64_t kGiB = 1ULL << 30;

std::string ends(const std::string& text, std::size_t n) {
    return text.size() < n ? text : text.substr(text.size() - n);
}

class FormatCommandTest : public ::testing::Test {
  protected:
    std::string run(const std::vector<const char*>& args) {
        std::ostringstream out;
        result = FormatCommand(static_cast<int>(args.size()), args.data(), out);
        return out.str();
    }

    TempDir dir;
    std::string image = dir.file("disk.img");
    int result = -1;
};

const char* kUsage =
    "USAGE:\n"
    " zt_format <drive letter> INFO   : Drive information\n"
    " zt_format <drive letter> INIT   : Initialise partitions\n"
    " zt_format <drive letter> FORMAT : Format partition (Fat32)\n";

}  // namespace

TEST_F(FormatCommandTest, UsageAndCommandWords) {
    EXPECT_EQ(run({"", "x"}), kUsage);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(run({"", "x", "INFO", "more"}), kUsage);
    EXPECT_EQ(diskCommandMode("info"), kDiskCommandInfo);
    EXPECT_EQ(diskCommandMode("Init"), kDiskCommandInit);
    EXPECT_EQ(diskCommandMode("fOrMaT"), kDiskCommandFormat);
    EXPECT_EQ(diskCommandMode("FORMATS"), kDiskCommandNone);

    makeImage(image, 64ULL << 20);
    EXPECT_EQ(run({"", image.c_str(), "wipe"}), "failed.\n");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(run({"", dir.file("missing.img").c_str(), "INFO"}),
              "Unable to open device\n" + dir.file("missing.img") +
                  ": No such file or directory\nfailed.\n");
    EXPECT_EQ(run({"", image.c_str(), "info"}), "No partitions.\nOK.\n");
    EXPECT_EQ(result, 1);
}

TEST_F(FormatCommandTest, InitThenInfoThenFormat) {
    makeImage(image, 100ULL << 20);  // 12 cylinders of 255 x 63 x 512
    EXPECT_EQ(run({"", image.c_str(), "INIT"}),
              "Writing new partition table (0.09 GB)\n"
              "set layout\n"
              "unmounting..\n"
              "Disk initialised ok...\n ** CHECK WINDOWS FOR PARTITION IDENTIFIER HAS CHANGE!\n"
              "OK.\n");
    EXPECT_EQ(result, 1);
    std::uint64_t length = 12ULL * 255 * 63 * 512 - 16384;
    EXPECT_EQ(run({"", image.c_str(), "INFO"}),
              "\nPartition #1\n"
              "  Start Offset : 8192 (bytes)\n"
              "        Length : " +
                  std::to_string(length) +
                  " (bytes) / 0.09 (GB)\n"
                  "Hidden sectors : 16\n"
                  "          Code : 6 (FAT32 [HUGE])\n"
                  "\nPartition #2\n  ** UNUSED **\n"
                  "\nPartition #3\n  ** UNUSED **\n"
                  "\nPartition #4\n  ** UNUSED **\n"
                  "OK.\n");
    std::string text = run({"", image.c_str(), "FORMAT"});
    EXPECT_EQ(result, 1);
    std::string first = "FAT32 FORMAT: LBA 0, NumSectors " + std::to_string(length / 512) + "\n";
    EXPECT_EQ(text.substr(0, first.size()), first);
    std::string last = "Fat32 Format complete\nDisk formatted ok...\nOK.\n";
    EXPECT_EQ(ends(text, last.size()), last);
    // The file system lies in the partition, with its boot sector at byte 8192.
    std::vector<std::uint8_t> boot = readAt(image, 8192, 512);
    EXPECT_EQ(readLe32(boot.data() + 32), length / 512);
    EXPECT_EQ(boot[510], 0x55);
}

TEST_F(FormatCommandTest, TooSmallDiskIsNotInitialised) {
    makeImage(image, 4ULL << 20);  // less than a cylinder
    EXPECT_EQ(run({"", image.c_str(), "INIT"}),
              "Writing new partition table (0.00 GB)\n"
              "The disk is too small for a partition\n"
              "Disk init failed\nfailed.\n");
    EXPECT_TRUE(allZero(readAt(image, 0, 512)));
}

TEST_F(FormatCommandTest, FormatsTheFirstOfTheLargestPartitions) {
    makeImage(image, 91 * kGiB);
    const std::uint32_t gb = 1u << 21;  // sectors
    writeMbr(
        image,
        {{0x0C, 2048, 10 * gb}, {0x07, 2048 + 10 * gb, 40 * gb}, {0x83, 2048 + 50 * gb, 40 * gb}});
    auto state = std::make_shared<FakeDiskState>();
    DiskDevice device;
    ASSERT_TRUE(openFake(device, image, state));
    std::ostringstream out;
    ASSERT_TRUE(FormatLargestPartition(device, out)) << out.str();
    std::uint64_t second = (2048ULL + 10 * gb) * 512;
    ASSERT_FALSE(state->writeLog.empty());
    EXPECT_EQ(state->writeLog[0].first, second + 6 * 512);  // the backup boot sector first
    EXPECT_EQ(readLe32(readAt(image, second, 512).data() + 32), 40 * gb);
    EXPECT_TRUE(allZero(readAt(image, 2048 * 512, 512)));
    EXPECT_TRUE(allZero(readAt(image, (2048ULL + 50 * gb) * 512, 512)));
    std::vector<PartitionInformation> entries;
    ASSERT_TRUE(device.getDriveLayout(entries));
    EXPECT_EQ(entries[0].PartitionType, 0x0C);
    EXPECT_EQ(entries[1].PartitionType, 0x06);
    EXPECT_EQ(entries[2].PartitionType, 0x83);
    EXPECT_FALSE(state->locked);
    EXPECT_EQ(state->lockCount, 1);
}

TEST_F(FormatCommandTest, DisksFormatCannotUseChangeNothing) {
    makeImage(image, 64ULL << 20);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> sector0;
        const char* line;
    };
    std::vector<std::uint8_t> fat(512, 0);
    const std::uint8_t bpb[] = {0xEB, 0x58, 0x90, 'm',  'k',  'f',  's',  '.', 'f',
                                'a',  't',  0x00, 0x02, 0x08, 0x20, 0x00, 0x02};
    std::copy(std::begin(bpb), std::end(bpb), fat.begin());
    fat[21] = 0xF8;
    std::fill(fat.begin() + 446, fat.begin() + 510, 0x42);
    fat[510] = 0x55;
    fat[511] = 0xAA;
    for (const Case& c : {Case{"no table", std::vector<std::uint8_t>(512, 0),
                               "The drive has no partitions?\nRun INIT first to give the disk one "
                               "partition.\nDisk format failed\nfailed.\n"},
                          Case{"boot sector", fat,
                               "The drive has no partitions?\nRun INIT first to give the disk one "
                               "partition.\nDisk format failed\nfailed.\n"}}) {
        writeAt(image, 0, c.sector0);
        EXPECT_EQ(run({"", image.c_str(), "FORMAT"}), c.line) << c.name;
        EXPECT_EQ(readAt(image, 0, 512), c.sector0) << c.name;
    }
    EXPECT_EQ(run({"", image.c_str(), "INFO"}),
              "Sector 0 holds a file system's boot sector, not a partition table.\n"
              "No partitions.\nOK.\n");

    // A GPT disk: its protective entry is reported, never formatted.
    writeMbr(image, {{0xEE, 1, (64u << 11) - 1}});
    std::vector<std::uint8_t> header(512, 0);
    std::copy_n("EFI PART", 8, header.begin());
    writeAt(image, 512, header);
    std::string info = run({"", image.c_str(), "INFO"});
    EXPECT_NE(info.find("GUID partition table"), std::string::npos);
    EXPECT_NE(info.find("Code : 238 (Unrecognised)\n"), std::string::npos);
    std::string text = run({"", image.c_str(), "FORMAT"});
    EXPECT_NE(text.find("run INIT first"), std::string::npos);
    EXPECT_EQ(readAt(image, 512, 512), header);
    // INIT replaces a real one (made by sfdisk), and leaves neither of its
    // headers behind to contradict the new table.
    ASSERT_EQ(
        std::system(("echo 'label: gpt' | sfdisk -q '" + image + "' >/dev/null 2>&1").c_str()), 0);
    run({"", image.c_str(), "INIT"});
    EXPECT_EQ(result, 1);
    for (std::uint64_t header : {512ULL, (64ULL << 20) - 512}) {
        std::vector<std::uint8_t> signature = readAt(image, header, 8);
        EXPECT_NE(std::string(signature.begin(), signature.end()), "EFI PART") << header;
    }
}

TEST_F(FormatCommandTest, PartitionOf2To32SectorsOnASmallDiskIsRefusedBeforeTheLock) {
    makeImage(image, 64ULL << 20);
    writeMbr(image, {{0x0C, 2048, 0xFFFFFFFF}});
    // The table is read in 4096-byte sectors, then the disk reports 512-byte
    // ones: the partition holds 8 x (2^32 - 1) sectors, more than FAT32 can count.
    auto state = std::make_shared<FakeDiskState>();
    state->sectorSize = 4096;
    DiskDevice device;
    ASSERT_TRUE(openFake(device, image, state));
    state->sectorSize = 512;
    std::ostringstream out;
    EXPECT_FALSE(FormatLargestPartition(device, out));
    EXPECT_EQ(out.str(),
              "Partition 1 lies outside the disk\nRun INIT to give the disk a new partition "
              "table.\n");
    EXPECT_EQ(state->writes, 0);
    EXPECT_EQ(state->lockCount, 0);
    EXPECT_FALSE(state->locked);
}

TEST_F(FormatCommandTest, NamedPartitionThatIsNotTheLargestIsRefused) {
    makeImage(image, 64ULL << 20);
    writeMbr(image, {{0x0C, 2048, 20000}, {0x0C, 40000, 80000}});
    platform::DiskTarget target;
    target.isPartition = true;
    target.partitionOffset = 2048 * 512;
    target.partitionLength = 20000 * 512;
    auto state = std::make_shared<FakeDiskState>();
    DiskDevice device;
    ASSERT_TRUE(openFake(device, image, state, target));
    std::ostringstream out;
    EXPECT_FALSE(FormatLargestPartition(device, out));
    EXPECT_EQ(
        out.str(),
        "The drive is not the disk's largest partition; FORMAT formats only the largest one\n");
    EXPECT_EQ(state->writes, 0);
    EXPECT_FALSE(state->locked);

    // Named and largest: formatted in place.
    target.partitionOffset = 40000 * 512;
    target.partitionLength = 80000 * 512;
    ASSERT_TRUE(openFake(device, image, state, target));
    out.str("");
    ASSERT_TRUE(FormatLargestPartition(device, out)) << out.str();
    EXPECT_EQ(readLe32(readAt(image, 40000 * 512, 512).data() + 32), 80000u);
}

namespace {

struct FaultCase {
    const char* name;
    void (*arm)(FakeDiskState&);
    const char* lastLine;
    bool lockedBefore;  // the step comes after a successful lock
};

}  // namespace

TEST_F(FormatCommandTest, EveryFailingFormatStepUnlocks) {
    // 64 MiB after INIT: 1 sector per cluster, writes: backup boot, boot,
    // FSInfo, first FAT sector, FAT zeros, root, partition type.
    const FaultCase cases[] = {
        {"geometry", [](FakeDiskState& s) { s.failGeometryFrom = s.geometryCalls + 1; },
         "Cannot get drive geometry\n", false},
        {"lock", [](FakeDiskState& s) { s.failLock = true; }, "Cannot lock the device\n", false},
        {"format geometry", [](FakeDiskState& s) { s.failGeometryFrom = s.geometryCalls + 2; },
         "Cant obtain drive geometry\nCannot format partition\n", true},
        {"backup boot", [](FakeDiskState& s) { s.failWriteAt = 1; },
         "Unable to write BPB\nCannot format partition\n", true},
        {"boot", [](FakeDiskState& s) { s.failWriteAt = 2; },
         "Unable to write BPB\nCannot format partition\n", true},
        {"fsinfo", [](FakeDiskState& s) { s.failWriteAt = 3; },
         "Unable to write FSInfo\nCannot format partition\n", true},
        {"fat", [](FakeDiskState& s) { s.failWriteAt = 4; },
         "Unable to initialise FAT table\nCannot format partition\n", true},
        {"fat zeros", [](FakeDiskState& s) { s.failWriteAt = 5; },
         "Unable to initialise FAT table\nCannot format partition\n", true},
        {"root", [](FakeDiskState& s) { s.failWriteAt = 6; },
         "Unable to write new root directory table\nCannot format partition\n", true},
        {"type", [](FakeDiskState& s) { s.failWriteAt = 7; }, "Failed to set partition code\n",
         true},
        {"dismount", [](FakeDiskState& s) { s.failFlushAt = 1; }, "Failed to unmount drive\n",
         true},
        {"unlock", [](FakeDiskState& s) { s.failUnlock = true; }, "Failed to unlock drive\n", true},
    };
    for (const FaultCase& c : cases) {
        makeImage(image, 64ULL << 20);
        run({"", image.c_str(), "INIT"});
        ASSERT_EQ(result, 1);
        auto state = std::make_shared<FakeDiskState>();
        DiskDevice device;
        ASSERT_TRUE(openFake(device, image, state));
        c.arm(*state);
        std::ostringstream out;
        EXPECT_FALSE(FormatLargestPartition(device, out)) << c.name;
        EXPECT_EQ(ends(out.str(), std::strlen(c.lastLine)), c.lastLine) << c.name;
        EXPECT_EQ(state->lockCount, c.lockedBefore ? 1 : 0) << c.name;
        EXPECT_EQ(state->unlockCount, c.lockedBefore ? 1 : 0) << c.name;
        if (std::string(c.name) != "unlock") {
            EXPECT_FALSE(state->locked) << c.name;
        }
    }
}

TEST_F(FormatCommandTest, EveryFailingInitStepUnlocks) {
    const FaultCase cases[] = {
        {"geometry", [](FakeDiskState& s) { s.failGeometryFrom = s.geometryCalls + 1; },
         "Cannot get drive geometry\n", false},
        {"lock", [](FakeDiskState& s) { s.failLock = true; }, "Cannot lock the device\n", false},
        {"layout", [](FakeDiskState& s) { s.failWriteAt = 1; }, "Cannot set drive layout\n", true},
        {"dismount", [](FakeDiskState& s) { s.failFlushAt = 2; }, "Failed to unmount drive\n",
         true},
        {"unlock", [](FakeDiskState& s) { s.failUnlock = true; }, "Failed to unlock drive\n", true},
    };
    for (const FaultCase& c : cases) {
        makeImage(image, 64ULL << 20);
        auto state = std::make_shared<FakeDiskState>();
        DiskDevice device;
        ASSERT_TRUE(openFake(device, image, state));
        c.arm(*state);
        std::ostringstream out;
        EXPECT_FALSE(InitialisePartitions(device, out)) << c.name;
        EXPECT_EQ(ends(out.str(), std::strlen(c.lastLine)), c.lastLine) << c.name;
        EXPECT_EQ(state->unlockCount, c.lockedBefore ? 1 : 0) << c.name;
        if (std::string(c.name) != "unlock") {
            EXPECT_FALSE(state->locked) << c.name;
        }
        if (!c.lockedBefore) {
            EXPECT_EQ(state->writes, 0) << c.name;
        }
    }
}

TEST_F(FormatCommandTest, NoPartitionsLocksNothing) {
    makeImage(image, 64ULL << 20);
    auto state = std::make_shared<FakeDiskState>();
    DiskDevice device;
    ASSERT_TRUE(openFake(device, image, state));
    std::ostringstream out;
    EXPECT_FALSE(FormatLargestPartition(device, out));
    EXPECT_EQ(out.str(),
              "The drive has no partitions?\nRun INIT first to give the disk one partition.\n");
    EXPECT_EQ(state->lockCount, 0);
}

TEST_F(FormatCommandTest, OverlappingPartitionsAreRefusedBeforeAnythingIsWritten) {
    makeImage(image, 64ULL << 20);
    writeMbr(image, {{0x0C, 2048, 40000}, {0x0C, 30000, 60000}});
    const std::vector<std::uint8_t> before = readAt(image, 0, 1 << 20);
    EXPECT_EQ(run({"", image.c_str(), "FORMAT"}),
              "Partitions 1 and 2 overlap\nRun INIT to give the disk a new partition table.\n"
              "Disk format failed\nfailed.\n");
    EXPECT_EQ(readAt(image, 0, 1 << 20), before);
}

TEST_F(FormatCommandTest, InitOfADiskOverTheMbrLimitSaysSoAndWritesNothing) {
    makeImage(image, 64ULL << 20);
    auto state = std::make_shared<FakeDiskState>();
    state->sizeBytes = 3ULL << 40;  // 3 TiB of 512-byte sectors
    DiskDevice device;
    ASSERT_TRUE(openFake(device, image, state));
    std::ostringstream out;
    EXPECT_FALSE(InitialisePartitions(device, out));
    EXPECT_NE(out.str().find("too large for an MBR partition table"), std::string::npos)
        << out.str();
    EXPECT_EQ(state->writes, 0);
    EXPECT_EQ(state->lockCount, 0);
}

TEST(LayoutProblemTest, OverlapsAndEntriesPastTheEnd) {
    auto entry = [](std::uint64_t start, std::uint64_t length) {
        PartitionInformation p{};
        p.StartingOffset = start;
        p.PartitionLength = length;
        return p;
    };
    EXPECT_EQ(layoutProblem({entry(0, 100), entry(100, 100)}, 200), "");
    EXPECT_EQ(layoutProblem({entry(0, 100), entry(99, 100)}, 200), "Partitions 1 and 2 overlap\n");
    EXPECT_EQ(layoutProblem({entry(0, 0), entry(0, 100)}, 200), "");  // an empty entry
    EXPECT_EQ(layoutProblem({entry(150, 51)}, 200), "Partition 1 lies outside the disk\n");
    EXPECT_EQ(layoutProblem({entry(150, 51)}, 0), "");  // size unknown
}

TEST_F(FormatCommandTest, FormatJobAsksShowsProgressAndReports) {
    makeImage(image, 64ULL << 20);
    ScriptedFrontEnd declined;
    FrontEnd declinedFrontEnd = declined.frontEnd();
    EXPECT_TRUE(formatJob(declinedFrontEnd, image).failedAt(FormatJobStep::Declined));
    ASSERT_EQ(declined.boxes.questions.size(), 1u);
    EXPECT_EQ(declined.boxes.questions[0],
              "WARNING: Formatting will erase ALL data on disk " + image +
                  " .\nTo format the disk,click OK,To quit,click CANCEL.");
    EXPECT_FALSE(declined.boxes.defaultNoFlags[0]);
    EXPECT_TRUE(declined.progress.events.empty());
    EXPECT_EQ(declined.out.str(), "");

    ScriptedFrontEnd failing;
    failing.boxes.answers = {true};
    FrontEnd failingFrontEnd = failing.frontEnd();
    EXPECT_TRUE(formatJob(failingFrontEnd, image).failedAt(FormatJobStep::Failed));
    EXPECT_EQ(failing.progress.events, (std::vector<std::string>{"show", "front", "hide"}));
    EXPECT_EQ(failing.boxes.shown, (std::vector<std::string>{"Format Failed!!"}));
    EXPECT_EQ(ends(failing.out.str(), 8), "failed.\n");

    ScriptedFrontEnd good;
    good.boxes.answers = {true, true};
    FrontEnd goodFrontEnd = good.frontEnd();
    EXPECT_TRUE(formatJob(goodFrontEnd, image, "init").succeeded());
    EXPECT_TRUE(formatJob(goodFrontEnd, image).succeeded());
    EXPECT_EQ(good.progress.range, 100);
    EXPECT_EQ(good.progress.position, 100);
    EXPECT_EQ(good.progress.buttonCaption, "OK");
    EXPECT_TRUE(good.boxes.shown.empty());
}

TEST_F(FormatCommandTest, WhatCannotBeErasedIsNamed) {
    makeImage(image, 1ULL << 20);
    const std::string fifo = dir.file("pipe"), link = dir.file("link");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::link(image.c_str(), link.c_str()), 0);
    const struct {
        std::string drive, refusal;
    } cases[] = {
        {image, ""},
        {dir.root(), dir.root() + " is a folder, not a disk, a partition or a disk image file.\n"},
        {"/dev/null",
         "/dev/null is a character device; only a disk, a partition (block devices) "
         "or a disk image file can be formatted.\n"},
        {fifo, fifo + " is not a disk, a partition or a disk image file.\n"},
        {dir.file("none"),
         "There is no disk, partition or disk image file at " + dir.file("none") + ".\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(eraseRefusal(c.drive), c.refusal) << c.drive;
        // FORMAT refuses before it opens anything; the pipe would block an open.
        if (!c.refusal.empty()) {
            EXPECT_EQ(run({"", c.drive.c_str(), "FORMAT"}), c.refusal + "failed.\n");
        }
    }
    // The window's own drives: the same file by any name, never another one.
    EXPECT_EQ(systemDriveRefusal(link, "/media/usb", {image}),
              "The drive /media/usb (" + link + ") is on the disk that holds (" + image +
                  ") the running system or your home folder; it cannot be formatted.");
    EXPECT_NE(systemDriveRefusal(image, "/media/usb", {"/dev/null", image}), "");
    EXPECT_EQ(systemDriveRefusal(image, "/media/usb", {"/dev/null", fifo}), "");
}

namespace {

// A cancel request (Ctrl-C, TERM, HUP) that came after the command had asked
// for the last time whether to stop: it is asked once, before the first write.
struct LateCancel : ScriptedProgress {
    bool cancelRequested() const override { return asked++ > 0; }
    mutable int asked = 0;
};

}  // namespace

TEST_F(FormatCommandTest, FormatStopsBeforeItsFirstWriteAndFinishesAfterIt) {
    makeImage(image, 64ULL << 20);
    run({"", image.c_str(), "INIT"});
    ASSERT_EQ(result, 1) << "a fresh table to format";
    for (const char* command : {"INIT", "FORMAT"}) {
        const std::vector<std::uint8_t> before = readAt(image, 0, 16 << 20);
        ScriptedFrontEnd early;
        early.boxes.answers = {true};
        early.progress.cancel = true;
        FrontEnd frontEnd = early.frontEnd();
        EXPECT_TRUE(formatJob(frontEnd, image, command).failedAt(FormatJobStep::Cancelled))
            << command;
        EXPECT_EQ(early.boxes.shown, (std::vector<std::string>{"Format cancelled"})) << command;
        EXPECT_EQ(ends(early.out.str(), 17), "Format cancelled\n") << command;
        EXPECT_TRUE(readAt(image, 0, 16 << 20) == before) << command;
    }
    ScriptedFrontEnd late;
    LateCancel progress;
    late.boxes.answers = {true};
    FrontEnd lateFrontEnd{late.status, late.boxes, progress, late.out};
    EXPECT_TRUE(formatJob(lateFrontEnd, image).succeeded());
    ASSERT_EQ(late.boxes.shown.size(), 1u);
    EXPECT_NE(late.boxes.shown[0].find("it was finished"), std::string::npos);
    EXPECT_EQ(ends(late.out.str(), 4), "OK.\n");
}

// The typed command says at which step it failed, on which device, and why:
// the lines it printed to say so, without those that tell how far it got.
TEST_F(FormatCommandTest, AFailureNamesItsStepTheDeviceAndOnlyTheReason) {
    makeImage(image, 16ULL << 20);
    std::ostringstream out;
    ASSERT_TRUE(formatDrive(FormatRequest{image, kDiskCommandInit}, out)) << out.str();
    const FormatResult result = formatDrive(FormatRequest{image, kDiskCommandFormat}, out);
    ASSERT_FALSE(result) << out.str();
    EXPECT_EQ(result.failure().step, FormatStep::Write);
    EXPECT_EQ(result.failure().object, image);
    EXPECT_EQ(result.failure().reason,
              "FormatFAT32 -> Disk is too small for Fat32 - Fat 12/16 format is needed!\n"
              "Cannot format partition\n");
    EXPECT_NE(out.str().find("FAT32 FORMAT: LBA"), std::string::npos);
    EXPECT_EQ(ends(out.str(), 27), "Disk format failed\nfailed.\n");
    const FormatResult absent = formatDrive(FormatRequest{dir.file("none"), kDiskCommandInfo}, out);
    ASSERT_FALSE(absent);
    EXPECT_EQ(absent.failure().step, FormatStep::Open);
}
