// zt_install: installs a game from a disc (a drive's device or an image file)
// onto a drive root.
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitCode.h"
#include "install/InstallCommand.h"
#include "zt_version.h"

int main(int argc, char** argv) {
    CommandLine line = parseCommandLine(argc, argv);
    if (line.version) {
        std::cout << "zt_install " ZT_VERSION "\n";
        return kExitSuccess;
    }
    if (!line.badOption.empty()) {
        std::cerr << "zt_install: unknown option " << line.badOption << '\n';
        std::cout << InstallCommand::kUsage;
        return kExitUsage;
    }
    if (line.help) {
        std::cout << "Usage: zt_install [--yes] SOURCE TARGET NAME CD|DVD\n"
                     "  SOURCE  an optical drive's device (/dev/sr0) or a disc image file:\n"
                     "          an ISO image, a CUE sheet (its first data track: MODE1/2352,\n"
                     "          MODE2/2352 or a 2048-byte mode) or a bare BIN of raw sectors\n"
                     "  TARGET  the folder that holds the drive's root\n"
                     "  --yes   answer Yes to every question\n\n"
                  << InstallCommand::kUsage;
        return kExitSuccess;
    }

    ConsoleFrontEnd console(line.yes);
    console.progress().setUnit("MB");  // the copy counts in megabytes
    FrontEnd ui = console.frontEnd();
    InstallCommand command(ui);
    std::vector<std::string> args = routineArguments(line.operands);
    if (args.size() != 5) {
        command.run(args);  // prints the usage text
        return kExitUsage;
    }
    return command.run(args) == 1 ? kExitSuccess : kExitFailure;
}
