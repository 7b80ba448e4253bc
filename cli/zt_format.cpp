// zt_format: prints a disk's partition table, writes a new one, or formats
// its largest partition as FAT32.
#include <cstdlib>
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitCode.h"
#include "disk/FormatCommand.h"
#include "disk/ToolFailure.h"
#include "platform/Console.h"
#include "platform/DriveNames.h"
#include "platform/DriveUsers.h"
#include "report/ShownText.h"
#include "zt_version.h"

using namespace cli;
using namespace disk;
using namespace platform;
using namespace report;
using namespace store;

namespace {

const char* kHelpHead =
    "Usage: zt_format [OPTION]... DRIVE INFO|INIT|FORMAT\n"
    "Print a disk's partition table, write a new one, or format its largest\n"
    "partition as FAT32.\n"
    "\n";

const char* kDriveLinux =
    "  DRIVE        a disk (/dev/sdb), a partition (/dev/sdb1) or a disk image file\n";
const char* kDriveWindows =
    "  DRIVE        a drive's letter (H or H:), a whole disk (\\\\.\\PhysicalDrive1)\n"
    "               or a disk image file; run it in an administrator's command prompt\n";

const char* kHelp =
    "  INFO         print the partition table\n"
    "  INIT         write a new partition table with one partition of type 0x06\n"
    "               (erases the disk)\n"
    "  FORMAT       format the largest partition as FAT32 (erases it)\n"
    "  -y, --yes    answer Yes to the question INIT and FORMAT ask first\n"
    "  -h, --help   show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  the command succeeded\n"
    "  1  it failed, or the question was answered No\n"
    "  2  wrong usage (an unknown command word among them)\n"
    "\n";

// Run through pkexec, the tool runs as root for another user, under an
// authorisation that names the program but not its arguments: it does what the
// window asks of it and nothing else. Why the command line is refused; empty
// when it is that, with `device` set to the device's path without links.
std::string privilegedRefusal(const CommandLine& line, std::string& device) {
    if (!line.yes || line.help || line.version || !line.badOption.empty() || !line.flags.empty() ||
        !line.values.empty() || line.operands.size() != 2 ||
        diskCommandMode(line.operands[1]) != kDiskCommandFormat) {
        return "run through pkexec, zt_format takes only --yes, one block device under /dev "
               "and FORMAT\n";
    }
    const std::string& path = line.operands[0];
    std::string resolved;
    // The name, and what it leads to, must both be a device that only root can replace.
    if (path.rfind("/dev/", 0) != 0 ||
        platform::pathKind(path, &resolved) != platform::PathKind::BlockDevice ||
        resolved.rfind("/dev/", 0) != 0 || !platform::onlyRootCanReplace(resolved)) {
        return escapeControls(path) +
               " is not a block device under /dev; run through pkexec, zt_format formats only "
               "a disk or a partition\n";
    }
    device = resolved;
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    platform::ProgramArguments arguments(argc, argv);
    CommandLine line = parseCommandLine(arguments.count(), arguments.values());
    const char* usageOnly[] = {""};
    const bool forTheWindow = std::getenv("PKEXEC_UID") != nullptr;
    if (forTheWindow) {
        std::string device;
        if (std::string refusal = privilegedRefusal(line, device); !refusal.empty()) {
            std::cerr << "zt_format: " << refusal;
            return kExitFailure;
        }
        line.operands[0] = device;
    }
    if (line.version) {
        std::cout << "zt_format " ZT_VERSION "\n";
        return exitAfterOutput("zt_format", kExitSuccess);
    }
    if (!line.badOption.empty()) {
        std::cerr << "zt_format: unknown option " << line.badOption << '\n';
        FormatCommand(1, usageOnly, std::cerr);
        return kExitUsage;
    }
    if (line.help) {
        std::cout << kHelpHead << (platform::drivesHaveLetters() ? kDriveWindows : kDriveLinux)
                  << kHelp;
        FormatCommand(1, usageOnly, std::cout);
        return exitAfterOutput("zt_format", kExitSuccess);
    }
    std::vector<std::string> args = routineArguments(line.operands);
    if (args.size() != 3 || args[1].empty()) {
        FormatCommand(1, usageOnly, std::cout);
        return kExitUsage;
    }
    if (diskCommandMode(args[2]) == kDiskCommandNone) {
        std::cerr << "zt_format: unknown command " << escapeControls(args[2]) << '\n';
        FormatCommand(1, usageOnly, std::cout);
        return kExitUsage;
    }
    ConsoleFrontEnd console(line.yes);
    FrontEnd frontEnd = console.frontEnd();
    DiskCommandMode mode = diskCommandMode(args[2]);
    if (mode == kDiskCommandInit || mode == kDiskCommandFormat) {
        const FormatJobResult result = formatJob(frontEnd, args[1], args[2]);
        // The window that ran it shows why it failed; a No has nothing to say.
        if (forTheWindow && !result && !result.failedAt(FormatJobStep::Declined))
            std::cerr << markedFailure(result.failure().reason);
        return exitAfterOutput("zt_format", result ? kExitSuccess : kExitFailure);
    }
    return exitAfterOutput("zt_format", formatDrive(FormatRequest{args[1], mode}, frontEnd.out)
                                            ? kExitSuccess
                                            : kExitFailure);
}
