// zt_games: lists, shows, deletes, renames and copies the games installed on
// drives (folders that stand for drives).
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitCode.h"
#include "cli/GamesCommands.h"
#include "library/DriveCheck.h"
#include "library/GameCopy.h"
#include "library/GameDeletion.h"
#include "library/GameDetails.h"
#include "library/GameFiles.h"
#include "library/GameList.h"
#include "library/GameListText.h"
#include "library/GameRename.h"
#include "platform/Console.h"
#include "platform/DriveNames.h"
#include "platform/PathText.h"
#include "report/ShownText.h"
#include "store/DriveRoot.h"
#include "zt_version.h"

using namespace cli;
using namespace library;
using namespace platform;
using namespace store;
using namespace report;

namespace {

const char* kUsage =
    "usage: zt_games list ROOT [--json]\n"
    "       zt_games details ROOT NAME\n"
    "       zt_games delete ROOT NAME\n"
    "       zt_games rename ROOT OLD NEW\n"
    "       zt_games copy SOURCE_ROOT NAME TARGET_ROOT\n"
    "       zt_games verify ROOT NAME [IMAGE] [--dat FILE] [--json]\n"
    "       zt_games export ROOT NAME FILE\n"
    "       zt_games frag ROOT|VOLUME [VOLUME] [--yes]\n"
    "       zt_games check ROOT\n";

const char* kHelpHead =
    "Usage: zt_games [OPTION]... COMMAND ROOT [ARGUMENT]...\n"
    "List, show, delete, rename, copy, check, verify and export the games on a drive.\n"
    "\n";
const char* kRootLinux = "  ROOT         the folder that holds a drive's root (its mount point)\n";
const char* kRootWindows =
    "  ROOT         the drive's letter (H or H:), or a folder that stands for a\n"
    "               drive's root\n";

const char* kHelp =
    "  list         the games: name, size in KB, parts, game ID, CD/DVD, and\n"
    "               complete, incomplete or damaged\n"
    "  check        find what stopped commands left wrong, and repair it on Yes;\n"
    "               a whole game that no record names is recorded again\n"
    "  verify       read every part once and print the game's size, CRC-32, MD5 and\n"
    "               SHA-1; with IMAGE (ISO, CUE sheet or BIN) name the first sector\n"
    "               that differs, with --dat FILE look the hashes up in a Logiqx\n"
    "               XML DAT file\n"
    "  export       write the game's parts as one image FILE; an existing FILE is\n"
    "               replaced only after a question; Ctrl-C leaves no file behind\n"
    "  frag         list the part files that are not in one piece: on a mounted\n"
    "               drive ROOT as the file system tells (or, where it cannot, through\n"
    "               the FAT of the VOLUME named after ROOT), on an unmounted FAT32\n"
    "               VOLUME (device or image) from its FAT; with --yes rewrite each\n"
    "               such part of ROOT in one piece where the drive has room\n"
    "  -y, --yes    answer Yes to every question\n"
    "      --json   print the list or the verification as JSON\n"
    "      --dat FILE  with verify: the Logiqx XML DAT file to look the game up in\n"
    "  -h, --help   show this help and exit\n"
    "      --version  show the version and exit\n"
    "  --           end the options, so that a game name may begin with '-'\n"
    "\n"
    "Exit status:\n"
    "  0  success; for check, the drive is sound\n"
    "  1  failure, refusal or a question answered No; for check, something was\n"
    "     found; for verify, the image differs, no DAT entry matches or a part has\n"
    "     the wrong size; for frag, a part is not in one piece\n"
    "  2  wrong usage\n"
    "  3  for frag, where the parts lie could not be read\n"
    "\n";

// Collects the rows, printed once the listing is complete.
class CollectedRows : public GameListView {
  public:
    void clear() override { rows.clear(); }
    void appendRow(const GameRow& row) override { rows.push_back(row); }
    std::vector<GameRow> rows;
};

int listGames(const std::string& root, bool json, FrontEnd frontEnd) {
    // A mistyped root would otherwise list as a drive without games.
    std::error_code error;
    if (!std::filesystem::is_directory(platform::fsPath(root), error)) {
        frontEnd.boxes.show("The drive " + root + " cannot be opened.");
        return kExitFailure;
    }
    CollectedRows view;
    const GameListing listing = refreshGameList(root, frontEnd, view);
    if (!listing && !listing.failedAt(GameListStep::TableTorn))
        return kExitFailure;
    // A torn record: the whole ones are listed, and the box said why it fails.
    const int status = listing ? kExitSuccess : kExitFailure;
    if (json) {
        frontEnd.out << gameRowsJson(view.rows);
    } else {
        for (const GameRow& row : view.rows)
            frontEnd.out << gameRowLine(row);
    }
    return status;
}

int showDetails(const std::string& root, const std::string& name, FrontEnd frontEnd) {
    const GameDetailsLookup details = lookUpGameDetails(root, name, frontEnd);
    if (details.failedAt(DetailsStep::NotFound))
        frontEnd.boxes.show(gameNotFoundText(name));
    if (!details)
        return kExitFailure;  // the front end was told why
    frontEnd.out << details.value() << '\n';
    return kExitSuccess;
}

// The command word, its operand count (the word included) and which operands
// name a drive, a folder or a file (bit N for operand N): an empty one would
// mean the current folder, so it is wrong usage.
struct Command {
    const char* word;
    std::size_t operands;
    unsigned paths;
};
constexpr unsigned kRoot = 1u << 1, kThird = 1u << 3;
constexpr Command kCommands[] = {
    {"list", 2, kRoot},
    {"details", 3, kRoot},
    {"delete", 3, kRoot},
    {"rename", 4, kRoot},
    {"copy", 4, kRoot | kThird},
    {"verify", 3, kRoot},
    {"verify", 4, kRoot | kThird},
    {"export", 4, kRoot | kThird},
    {"frag", 2, kRoot},
    {"frag", 3, kRoot | 1u << 2},
    {"check", 2, kRoot},
};

bool namesEveryPath(const Command& command, const CommandLine& line) {
    for (std::size_t i = 0; i < line.operands.size(); ++i) {
        if ((command.paths >> i & 1u) != 0 && line.operands[i].empty())
            return false;
    }
    std::optional<std::string> dat = line.value("--dat");
    return !dat || !dat->empty();
}

// Drive letters (on Windows) as the drives' roots, and frag's VOLUME as a device.
std::vector<std::string> withDrivesNamed(std::vector<std::string> ops) {
    ops[1] = platform::driveRootNamed(ops[1]);
    if (ops[0] == "copy")
        ops[3] = platform::driveRootNamed(ops[3]);
    if (ops[0] == "frag" && ops.size() > 2)
        ops[2] = platform::driveDeviceNamed(ops[2]);
    return ops;
}

// Why a drive operand cannot be a drive (cmd.exe's quoting trap); empty when all can.
std::string driveTrap(const std::vector<std::string>& ops) {
    std::string trap = platform::driveNameTrap(ops[1]);
    if (trap.empty() && ops[0] == "copy")
        trap = platform::driveNameTrap(ops[3]);
    return trap;
}

int run(const std::vector<std::string>& named, const CommandLine& line, FrontEnd frontEnd) {
    if (std::string trap = driveTrap(named); !trap.empty()) {
        std::cerr << "zt_games: " << escapeControls(trap) << '\n';
        return kExitUsage;
    }
    const std::vector<std::string> ops = withDrivesNamed(named);
    const std::string& word = ops[0];
    const bool json = line.has("--json");
    if (word == "verify")
        return verifyCommand(ops, line, frontEnd);
    if (word == "export")
        return exportCommand(ops, frontEnd);
    if (word == "frag")
        return fragCommand(ops, line.yes, frontEnd);
    if (word == "list")
        return listGames(normalizeRoot(ops[1]), json, frontEnd);
    if (word == "details")
        return showDetails(normalizeRoot(ops[1]), ops[2], frontEnd);
    if (word == "delete") {
        DeleteResult result = confirmAndDeleteGame(normalizeRoot(ops[1]), ops[2], frontEnd);
        return result ? kExitSuccess : kExitFailure;
    }
    if (word == "rename") {
        RenameGameResult result = renameGame(normalizeRoot(ops[1]), ops[2], ops[3], frontEnd);
        return result ? kExitSuccess : kExitFailure;
    }
    if (word == "check") {
        DriveCheckResult result = checkAndRepairDrive(normalizeRoot(ops[1]), frontEnd);
        return endedAs(result, DriveCheckKind::Sound) ? kExitSuccess : kExitFailure;
    }
    CopyGameResult result =
        copyGame(normalizeRoot(ops[1]), ops[2], normalizeRoot(ops[3]), frontEnd);
    return result ? kExitSuccess : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    platform::ProgramArguments arguments(argc, argv);
    CommandLine line =
        parseCommandLine(arguments.count(), arguments.values(), {"--json"}, {"--dat"});
    if (line.version) {
        std::cout << "zt_games " ZT_VERSION "\n";
        return exitAfterOutput("zt_games", kExitSuccess);
    }
    if (!line.badOption.empty()) {
        std::cerr << "zt_games: unknown option " << line.badOption << '\n';
        std::cout << kUsage;
        return kExitUsage;
    }
    if (line.help) {
        std::cout << kHelpHead << (platform::drivesHaveLetters() ? kRootWindows : kRootLinux)
                  << kHelp << kUsage;
        return exitAfterOutput("zt_games", kExitSuccess);
    }
    for (const Command& command : kCommands) {
        if (!line.operands.empty() && line.operands[0] == command.word &&
            line.operands.size() == command.operands && namesEveryPath(command, line)) {
            ConsoleFrontEnd console(line.yes);
            // The commands that go through a whole image count in megabytes.
            const std::string& word = line.operands[0];
            if (word == "verify" || word == "export" || word == "frag")
                console.progress().setUnit("MB");
            return exitAfterOutput("zt_games", run(line.operands, line, console.frontEnd()));
        }
    }
    std::cout << kUsage;
    return kExitUsage;
}
