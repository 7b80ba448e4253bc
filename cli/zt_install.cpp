// zt_install: installs a game from a disc (a drive's device or an image file)
// onto a drive root.
#include <strings.h>

#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitCode.h"
#include "install/InstallCommand.h"
#include "platform/Console.h"
#include "platform/DriveNames.h"
#include "zt_version.h"

namespace {

const char* kHelp =
    "Usage: zt_install [OPTION]... SOURCE TARGET NAME CD|DVD\n"
    "Install the game disc SOURCE onto the drive whose root is the folder TARGET.\n"
    "\n"
    "  SOURCE       an optical drive's device (/dev/sr0) or a disc image file: an\n"
    "               ISO image, a CUE sheet (its first data track: MODE1/2352,\n"
    "               MODE2/2352 or a 2048-byte mode) or a bare BIN of raw sectors\n"
    "  TARGET       the folder that holds the drive's root (its mount point)\n"
    "  NAME         the game's name: 1 to 31 bytes, no control characters\n"
    "  -y, --yes    answer Yes to every question (replacing a game of the same name)\n"
    "  -h, --help   show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  the game was installed and recorded\n"
    "  1  it was not: a failure, a refusal, a cancel or a question answered No\n"
    "  2  wrong usage\n"
    "\n";

bool isMediaWord(const std::string& word) {
    return strcasecmp(word.c_str(), "CD") == 0 || strcasecmp(word.c_str(), "DVD") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::ProgramArguments arguments(argc, argv);
    CommandLine line = parseCommandLine(arguments.count(), arguments.values());
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
        std::cout << kHelp << InstallCommand::kUsage;
        return kExitSuccess;
    }

    ConsoleFrontEnd console(line.yes);
    console.progress().setUnit("MB");  // the copy counts in megabytes
    FrontEnd ui = console.frontEnd();
    InstallCommand command(ui);
    std::vector<std::string> args = routineArguments(line.operands);
    if (args.size() == 5) {
        args[1] = platform::driveDeviceNamed(args[1]);  // an optical drive's letter on Windows
        args[2] = platform::driveRootNamed(args[2]);
    }
    if (args.size() != 5) {
        command.run(args);  // prints the usage text
        return kExitUsage;
    }
    if (!isMediaWord(args[4])) {
        command.run(args);  // says "enter CD or DVD mode"
        std::cout << InstallCommand::kUsage;
        return kExitUsage;
    }
    return exitAfterOutput("zt_install", command.run(args) == 1 ? kExitSuccess : kExitFailure);
}
