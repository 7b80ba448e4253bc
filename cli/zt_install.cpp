// zt_install: installs a game from a disc (a drive's device or an image file)
// onto a drive root.
#include <strings.h>

#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitCode.h"
#include "cli/InstallEach.h"
#include "install/InstallCommand.h"
#include "platform/Console.h"
#include "platform/DriveNames.h"
#include "report/ShownText.h"
#include "zt_version.h"

using namespace cli;
using namespace install;
using namespace platform;
using namespace report;
using namespace store;

namespace {

const char* kHelpLinux =
    "Usage: zt_install [OPTION]... SOURCE TARGET NAME CD|DVD\n"
    "  or:  zt_install [OPTION]... --each TARGET IMAGE...\n"
    "Install the game disc SOURCE onto the drive whose root is the folder TARGET,\n"
    "or with --each the disc images IMAGE one after another.\n"
    "\n"
    "  SOURCE       an optical drive's device (/dev/sr0) or a disc image file: an\n"
    "               ISO image, a CUE sheet (its first data track: MODE1/2352,\n"
    "               MODE2/2352 or a 2048-byte mode) or a bare BIN of raw sectors\n"
    "  TARGET       the folder that holds the drive's root (its mount point)\n";

const char* kHelpWindows =
    "Usage: zt_install [OPTION]... SOURCE TARGET NAME CD|DVD\n"
    "  or:  zt_install [OPTION]... --each TARGET IMAGE...\n"
    "Install the game disc SOURCE onto the drive TARGET, or with --each the disc\n"
    "images IMAGE one after another.\n"
    "\n"
    "  SOURCE       the CD/DVD drive's letter (G or G:) or a disc image file: an\n"
    "               ISO image, a CUE sheet (its first data track: MODE1/2352,\n"
    "               MODE2/2352 or a 2048-byte mode) or a bare BIN of raw sectors\n"
    "  TARGET       the USB drive's letter (H or H:), or a folder that stands for\n"
    "               a drive's root\n";

const char* kHelp =
    "  NAME         the game's name: 1 to 31 bytes, no control characters\n"
    "  -y, --yes    answer Yes to every question (replacing a game of the same name)\n"
    "      --each   install each IMAGE: named after its file (without the extension,\n"
    "               shortened to 31 bytes), a DVD when larger than a CD, otherwise a\n"
    "               CD; every replace question is asked before the first game, and\n"
    "               without a terminal (and without --yes) such an image is skipped;\n"
    "               a failed image does not stop the rest; then one line per image:\n"
    "               NAME (FILE): installed|replaced|skipped: why|failed: why|cancelled\n"
    "      --json   with --each: the outcomes as JSON lines, one object per image\n"
    "               with the keys image, name, outcome, reason and shortened\n"
    "  -h, --help   show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  the game was installed and recorded (with --each: every image's game)\n"
    "  1  it was not: a failure, a refusal, a cancel or a question answered No\n"
    "     (with --each: one image or more was not installed)\n"
    "  2  wrong usage\n"
    "\n";

bool isMediaWord(const std::string& word) {
    return strcasecmp(word.c_str(), "CD") == 0 || strcasecmp(word.c_str(), "DVD") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::ProgramArguments arguments(argc, argv);
    CommandLine line =
        parseCommandLine(arguments.count(), arguments.values(), {"--each", "--json"});
    if (line.version) {
        std::cout << "zt_install " ZT_VERSION "\n";
        return exitAfterOutput("zt_install", kExitSuccess);
    }
    if (!line.badOption.empty()) {
        std::cerr << "zt_install: unknown option " << line.badOption << '\n';
        std::cout << InstallCommand::kUsage;
        return kExitUsage;
    }
    if (line.help) {
        std::cout << (platform::drivesHaveLetters() ? kHelpWindows : kHelpLinux) << kHelp
                  << InstallCommand::kUsage;
        return exitAfterOutput("zt_install", kExitSuccess);
    }

    if (line.has("--json") && !line.has("--each")) {
        std::cerr << "zt_install: --json goes with --each\n";
        std::cout << InstallCommand::kUsage;
        return kExitUsage;
    }

    ConsoleFrontEnd console(line.yes);
    console.progress().setUnit("MB");  // the copy counts in megabytes
    if (line.has("--each"))
        return installEach(line, console);
    FrontEnd ui = console.frontEnd();
    InstallCommand command(ui);
    std::vector<std::string> args = routineArguments(line.operands);
    // An empty SOURCE or TARGET would mean the current folder.
    if (args.size() == 5 && (args[1].empty() || args[2].empty()))
        args.resize(1);
    if (args.size() == 5) {
        for (const std::string& drive : {args[1], args[2]}) {
            if (std::string trap = platform::driveNameTrap(drive); !trap.empty()) {
                std::cerr << "zt_install: " << escapeControls(trap) << '\n';
                return kExitUsage;
            }
        }
        if (std::string problem = platform::discDriveProblem(args[1]); !problem.empty()) {
            std::cerr << "zt_install: " << problem << '\n';
            return kExitFailure;
        }
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
