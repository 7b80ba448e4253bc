#include "disk/FormatCommand.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "disk/DriveRefusal.h"
#include "disk/Fat32Formatter.h"
#include "disk/InitialisePartitions.h"
#include "disk/PartitionReport.h"

namespace disk {

using namespace report;
using namespace platform;
using namespace store;

DiskCommandMode diskCommandMode(const std::string& word) {
    if (strcasecmp(word.c_str(), "INFO") == 0)
        return kDiskCommandInfo;
    if (strcasecmp(word.c_str(), "INIT") == 0)
        return kDiskCommandInit;
    if (strcasecmp(word.c_str(), "FORMAT") == 0)
        return kDiskCommandFormat;
    return kDiskCommandNone;
}

int FormatCommand(int argc, const char* const* argv, std::ostream& out, const StopRequest& stop) {
    if (argc != 3) {
        out << "USAGE:\n"
               " zt_format <drive letter> INFO   : Drive information\n"
               " zt_format <drive letter> INIT   : Initialise partitions\n"
               " zt_format <drive letter> FORMAT : Format partition (Fat32)\n";
        return 0;
    }
    return formatDrive(FormatRequest{argv[1], diskCommandMode(argv[2])}, out, stop) ? 1 : 0;
}

FormatResult formatDrive(const FormatRequest& request, std::ostream& out, const StopRequest& stop) {
    FormatResult result = RunDiskCommand(request, out, stop);
    if (result)
        out << "OK.\n";
    else
        out << (result.failure().step == FormatStep::Stopped ? "Format cancelled\n" : "failed.\n");
    return result;
}

namespace {

void describeSectorZero(PartitionTableKind kind, std::ostream& out) {
    switch (kind) {
        case PartitionTableKind::BootSector:
            out << "Sector 0 holds a file system's boot sector, not a partition table.\n";
            break;
        case PartitionTableKind::Unrecognised:
            out << "Sector 0 holds no partition table that can be read.\n";
            break;
        case PartitionTableKind::Gpt:
            out << "The disk has a GUID partition table (GPT); only its protective entry is "
                   "listed.\n";
            break;
        default:
            break;
    }
}

}  // namespace

std::string layoutProblem(const std::vector<PartitionInformation>& entries,
                          std::uint64_t diskBytes) {
    char line[160];
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PartitionInformation& a = entries[i];
        if (a.PartitionLength == 0)
            continue;
        if (diskBytes != 0 &&
            (a.StartingOffset > diskBytes || a.PartitionLength > diskBytes - a.StartingOffset)) {
            std::snprintf(line, sizeof line, "Partition %zu lies outside the disk\n", i + 1);
            return line;
        }
        for (std::size_t k = i + 1; k < entries.size(); ++k) {
            const PartitionInformation& b = entries[k];
            if (b.PartitionLength != 0 && a.StartingOffset < b.StartingOffset + b.PartitionLength &&
                b.StartingOffset < a.StartingOffset + a.PartitionLength) {
                std::snprintf(line, sizeof line, "Partitions %zu and %zu overlap\n", i + 1, k + 1);
                return line;
            }
        }
    }
    return {};
}

namespace {

// INFO, INIT or FORMAT of the opened `device`.
FormatResult runOnDevice(DiskDevice& device, DiskCommandMode mode, std::ostream& out,
                         const StopRequest& stop) {
    switch (mode) {
        case kDiskCommandInfo: {
            std::vector<PartitionInformation> entries;
            if (!device.getDriveLayout(entries))
                return formatFailure(out, FormatStep::Read,
                                     "unable to obtain partition information\n");
            describeSectorZero(device.tableKind(), out);
            PrintPartitionReport(out, entries.data(), static_cast<std::int32_t>(entries.size()));
            return {};
        }
        case kDiskCommandInit: {
            if (stop && stop())
                return Failure<FormatStep>{FormatStep::Stopped, {}, {}};
            FormatResult result = InitialisePartitions(device, out);
            if (!result) {
                out << "Disk init failed\n";
                return result;
            }
            out << "Disk initialised ok...\n ** CHECK WINDOWS FOR PARTITION IDENTIFIER HAS "
                   "CHANGE!\n";
            return {};
        }
        case kDiskCommandFormat: {
            FormatResult result = FormatLargestPartition(device, out, stop);
            if (!result) {
                if (result.failure().step != FormatStep::Stopped)
                    out << "Disk format failed\n";
                return result;
            }
            out << "Disk formatted ok...\n";
            return {};
        }
        default:
            return Failure<FormatStep>{FormatStep::Command, {}, {}};
    }
}

// Why the drive cannot be used, or opened; nothing when `device` is open.
FormatResult openForCommand(DiskDevice& device, const FormatRequest& request, std::ostream& out) {
    const std::string& drive = request.device;
    // Nothing in use is opened for writing, whoever checked before.
    if (request.mode == kDiskCommandInit || request.mode == kDiskCommandFormat) {
        if (std::string refusal = eraseRefusal(drive); !refusal.empty())
            return formatFailure(out, FormatStep::Refused, refusal);
    }
    errno = 0;
    if (!device.open(drive)) {
        const int error = errno;
        std::string why = "Unable to open device\n";
        if (error != 0)
            why += drive + ": " + std::strerror(error) + "\n";
        return formatFailure(out, FormatStep::Open, why);
    }
    return {};
}

}  // namespace

FormatResult RunDiskCommand(const FormatRequest& request, std::ostream& out,
                            const StopRequest& stop) {
    DiskDevice device;
    FormatResult result = openForCommand(device, request, out);
    if (result)
        result = runOnDevice(device, request.mode, out, stop);
    if (result)
        return result;
    Failure<FormatStep> failure = result.failure();
    failure.object = request.device;
    return failure;
}

namespace {

// Why FORMAT cannot use the table `entries` of `device`; empty when it can.
std::string tableRefusal(const DiskDevice& device,
                         const std::vector<PartitionInformation>& entries) {
    if (device.tableKind() == PartitionTableKind::Gpt) {
        // Formatting the protective entry would overwrite the GPT header and
        // leave its backup behind: a disk that systems read differently.
        return "The disk has a GUID partition table (GPT), which FORMAT cannot use; run INIT "
               "first to give it a new partition table\n";
    }
    if (entries.empty())
        return "The drive has no partitions?\nRun INIT first to give the disk one partition.\n";
    // A damaged table would have FORMAT write over another partition or
    // past the disk's end: nothing is written then.
    if (std::string problem = layoutProblem(entries, device.diskBytes()); !problem.empty())
        return problem + "Run INIT to give the disk a new partition table.\n";
    return {};
}

}  // namespace

namespace {

// Why FAT32 cannot be written on a partition of `length` bytes, in the
// writer's words; empty when it can. Worked out as the writer does, before
// anything is written, so that a disk is never erased for a file system that
// does not fit.
std::string sizeProblem(const DiskGeometry& geometry, std::uint64_t length) {
    if (geometry.BytesPerSector == 0)
        return {};
    const std::uint64_t sectors = length / geometry.BytesPerSector;
    if (sectors > 0xFFFFFFFFULL)
        return "The partition is too large for FAT32: " + std::to_string(sectors) +
               " sectors, FAT32 describes at most 4294967295\n";
    if (ComputeFat32Layout(geometry.BytesPerSector, static_cast<std::uint32_t>(sectors)).tooSmall)
        return "FormatFAT32 -> Disk is too small for Fat32 - Fat 12/16 format is needed!\n";
    return {};
}

std::uint64_t largestLength(const std::vector<PartitionInformation>& entries) {
    std::uint64_t best = 0;
    for (const PartitionInformation& entry : entries)
        best = std::max<std::uint64_t>(best, entry.PartitionLength);
    return best;
}

}  // namespace

std::string formatLayoutProblem(const std::string& drive, bool* initHelps) {
    DiskDevice device;
    std::vector<PartitionInformation> entries;
    DiskGeometry geometry;
    if (initHelps != nullptr)
        *initHelps = false;
    if (!device.open(drive) || !device.getDriveLayout(entries) || !device.getGeometry(geometry))
        return {};
    const std::string refusal = tableRefusal(device, entries);
    if (refusal.empty())
        return sizeProblem(geometry, largestLength(entries));
    if (device.namesPartition())
        return refusal;
    // INIT would give the disk a partition: FORMAT must then take it.
    std::array<PartitionInformation, 4> fresh;
    if (std::string problem = initProblem(geometry, fresh); !problem.empty())
        return problem;
    if (std::string problem = sizeProblem(geometry, fresh[0].PartitionLength); !problem.empty())
        return problem;
    if (initHelps != nullptr)
        *initHelps = true;
    return refusal;
}

FormatResult FormatLargestPartition(DiskDevice& device, std::ostream& out,
                                    const StopRequest& stop) {
    std::vector<PartitionInformation> entries;
    if (!device.getDriveLayout(entries))
        return formatFailure(out, FormatStep::Read, "Cannot get drive layout\n");
    if (std::string refusal = tableRefusal(device, entries); !refusal.empty())
        return formatFailure(out, FormatStep::Table, refusal);
    DiskGeometry geometry;
    if (!device.getGeometry(geometry) || geometry.BytesPerSector == 0)
        return formatFailure(out, FormatStep::Read, "Cannot get drive geometry\n");
    VolumeLock lock(device);
    if (!lock.lock())
        return formatFailure(out, FormatStep::Lock, "Cannot lock the device\n");
    // The first of the longest entries; ties keep the earlier one.
    const PartitionInformation* chosen = &entries.front();
    std::uint64_t best = 0;
    for (const PartitionInformation& entry : entries) {
        if (entry.PartitionLength > best) {
            best = entry.PartitionLength;
            chosen = &entry;
        }
    }
    std::uint64_t sectors = chosen->PartitionLength / geometry.BytesPerSector;
    if (sectors > 0xFFFFFFFFULL) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "The partition is too large for FAT32: %" PRIu64
                      " sectors, FAT32 describes at most 4294967295\n",
                      sectors);
        return formatFailure(out, FormatStep::Table, line);
    }
    // The file system is sized from this partition, so it must be the one written.
    if (chosen->PartitionLength > 0 && !device.selectVolume(*chosen)) {
        return formatFailure(out, FormatStep::Table,
                             device.namesPartition()
                                 ? "The drive is not the disk's largest partition; FORMAT "
                                   "formats only the largest one\n"
                                 : "The largest partition does not lie within the disk\n");
    }
    // The boot sector is the first thing written.
    if (stop && stop())
        return Failure<FormatStep>{FormatStep::Stopped, {}, {}};
    if (FormatResult written = FormatFAT32(device, 0, static_cast<std::uint32_t>(sectors), out);
        !written)
        return formatFailure(out, FormatStep::Write, "Cannot format partition\n",
                             written.failure().reason);
    // An older file system's marks outside the sectors just written (ext4's
    // superblock at byte 1080, a swap area's at 4086, NTFS's backup, ...)
    // would have the system see two file systems in the partition.
    if (!device.eraseSignatures(false, "vfat"))
        return formatFailure(out, FormatStep::Write,
                             "Cannot erase the signatures of the partition's old file system\n");
    if (!device.setPartitionType(kPartitionTypeFat32Chs))
        return formatFailure(out, FormatStep::Write, "Failed to set partition code\n");
    return lock.dismountAndUnlock(out);
}

std::string formatWarningText(const std::string& drive) {
    return "WARNING: Formatting will erase ALL data on disk " + drive +
           " .\nTo format the disk,click OK,To quit,click CANCEL.";
}

FormatJobResult formatJob(FrontEnd& frontEnd, const std::string& drive,
                          const std::string& command) {
    // A drive that cannot be erased is named before the question, not after it.
    if (std::string refusal = eraseRefusal(drive); !refusal.empty()) {
        frontEnd.boxes.show(refusal);
        return Failure<FormatJobStep>{FormatJobStep::Failed, drive, refusal};
    }
    if (!frontEnd.boxes.ask(formatWarningText(drive), false))
        return Failure<FormatJobStep>{FormatJobStep::Declined, drive, {}};
    frontEnd.progress.show();
    frontEnd.progress.setRange(100);
    frontEnd.progress.bringToFront();
    const StopRequest stop = [&] { return frontEnd.progress.cancelRequested(); };
    const FormatResult result =
        formatDrive(FormatRequest{drive, diskCommandMode(command)}, frontEnd.out, stop);
    if (result) {
        frontEnd.progress.setPosition(100);
        frontEnd.progress.setButtonCaption("OK");
        if (frontEnd.progress.cancelRequested())
            frontEnd.boxes.show(
                "The format was asked to stop after it had begun to write; it was finished, so "
                "that the drive is not left half-written.");
        return {};
    }
    frontEnd.progress.hide();
    if (result.failure().step == FormatStep::Stopped) {
        frontEnd.boxes.show("Format cancelled");
        return Failure<FormatJobStep>{FormatJobStep::Cancelled, drive, result.failure().reason};
    }
    frontEnd.boxes.show("Format Failed!!");
    return Failure<FormatJobStep>{FormatJobStep::Failed, drive, result.failure().reason};
}

}  // namespace disk
