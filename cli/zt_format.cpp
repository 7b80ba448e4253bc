// zt_format: prints a disk's partition table, writes a new one, or formats
// its largest partition as FAT32.
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitCode.h"
#include "disk/FormatCommand.h"
#include "store/ShownText.h"
#include "zt_version.h"

namespace {

const char* kHelp =
    "Usage: zt_format [OPTION]... DRIVE INFO|INIT|FORMAT\n"
    "Print a disk's partition table, write a new one, or format its largest\n"
    "partition as FAT32.\n"
    "\n"
    "  DRIVE        a disk (/dev/sdb), a partition (/dev/sdb1) or a disk image file\n"
    "  INFO         print the partition table\n"
    "  INIT         write a new partition table with one FAT32 partition (erases the disk)\n"
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

}  // namespace

int main(int argc, char** argv) {
    CommandLine line = parseCommandLine(argc, argv);
    const char* usageOnly[] = {""};
    if (line.version) {
        std::cout << "zt_format " ZT_VERSION "\n";
        return kExitSuccess;
    }
    if (!line.badOption.empty()) {
        std::cerr << "zt_format: unknown option " << line.badOption << '\n';
        FormatCommand(1, usageOnly, std::cerr);
        return kExitUsage;
    }
    if (line.help) {
        std::cout << kHelp;
        FormatCommand(1, usageOnly, std::cout);
        return kExitSuccess;
    }
    std::vector<std::string> args = routineArguments(line.operands);
    if (args.size() != 3) {
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
        FormatJobResult result = formatJob(frontEnd, args[1], args[2]);
        return result == FormatJobResult::Succeeded ? kExitSuccess : kExitFailure;
    }
    const char* argvRoutine[3] = {"", args[1].c_str(), args[2].c_str()};
    return FormatCommand(3, argvRoutine, frontEnd.out) == 1 ? kExitSuccess : kExitFailure;
}
