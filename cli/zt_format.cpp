// zt_format: prints a disk's partition table, writes a new one, or formats
// its largest partition as FAT32.
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitCode.h"
#include "disk/FormatCommand.h"
#include "zt_version.h"

namespace {

const char* kHelp =
    "\nDRIVE is a disk (/dev/sdb), a partition (/dev/sdb1) or a disk image file.\n"
    "INIT and FORMAT erase the disk: they ask first, or take --yes.\n";

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
        FormatCommand(1, usageOnly, std::cout);
        std::cout << kHelp;
        return kExitSuccess;
    }
    std::vector<std::string> args = routineArguments(line.operands);
    if (args.size() != 3) {
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
