#pragma once
// The disk-preparation routine, shaped like a command-line tool:
// DRIVE INFO prints the partition table, INIT writes a new one, FORMAT
// formats the disk's largest partition as FAT32.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "disk/DiskDevice.h"
#include "disk/FormatResult.h"
#include "report/FrontEnd.h"

namespace disk {

enum DiskCommandMode : int {
    kDiskCommandNone = 0,
    kDiskCommandInfo = 1,
    kDiskCommandInit = 2,
    kDiskCommandFormat = 3,
};

// The mode a command word selects, ignoring letter case.
DiskCommandMode diskCommandMode(const std::string& word);

// Asked once, just before INIT or FORMAT writes its first sector: true stops
// the command there with "Format cancelled" and the disk as it was. Once the
// first sector is written the command is not stopped: a half-written file
// system or table would be worse than either.
using StopRequest = std::function<bool()>;

// One disk command: the drive (a device or image path) and what to do to it.
struct FormatRequest {
    std::string device;
    DiskCommandMode mode = kDiskCommandFormat;
};

// argv[1] is the drive (a device or image path), argv[2] the command word;
// argv[0] is not read. Prints the usage when argc is not 3, else runs
// formatDrive. 1 on success, else 0.
int FormatCommand(int argc, const char* const* argv, std::ostream& out,
                  const StopRequest& stop = {});
// Runs the command, printing its steps and then "OK.", "Format cancelled" or
// "failed."; the failure names the step, the device and why.
FormatResult formatDrive(const FormatRequest& request, std::ostream& out,
                         const StopRequest& stop = {});
// The command itself, printing its steps; the failure names the device.
FormatResult RunDiskCommand(const FormatRequest& request, std::ostream& out,
                            const StopRequest& stop = {});
FormatResult FormatLargestPartition(DiskDevice& device, std::ostream& out,
                                    const StopRequest& stop = {});

// Why a partition table cannot be trusted (two partitions overlap, or one
// reaches past the disk's end, when its size is known), as a line; empty
// when it can.
std::string layoutProblem(const std::vector<PartitionInformation>& entries,
                          std::uint64_t diskBytes);

// Why FORMAT would refuse `drive`'s partition table (no partition, a GUID
// table, a damaged one), in FORMAT's words; empty when it would not, or when
// the drive cannot be read to tell. `initHelps`, when given, says whether INIT
// of `drive` would mend it: the drive is a whole disk or image, not one
// partition of a disk. Reads only.
std::string formatLayoutProblem(const std::string& drive, bool* initHelps = nullptr);

// The question asked before the disk is changed.
std::string formatWarningText(const std::string& drive);

// Where the window's format job stopped. A failure's object is the drive; its
// reason the refusal, or what the command printed to say why it failed or
// that it was cancelled; empty after a No.
enum class FormatJobStep { Declined, Failed, Cancelled };
using FormatJobResult = store::Outcome<FormatJobStep>;

// Runs INIT or FORMAT as the window's format job does: refuses a drive that
// cannot be erased now (eraseRefusal), asks first, shows the
// progress window while the command runs, leaves it at 100 with "OK" on
// success, and hides it and shows "Format Failed!!" on failure. A cancel
// request (Ctrl-C, TERM, HUP) stops it before the first write with "Format
// cancelled"; one that comes later is answered once the command has finished.
FormatJobResult formatJob(report::FrontEnd& frontEnd, const std::string& drive,
                          const std::string& command = "FORMAT");

}  // namespace disk
