// zt_games: lists, shows, deletes, renames and copies the games installed on
// drives (folders that stand for drives).
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitCode.h"
#include "library/DriveCheck.h"
#include "library/GameCopy.h"
#include "library/GameDeletion.h"
#include "library/GameDetails.h"
#include "library/GameFiles.h"
#include "library/GameList.h"
#include "library/GameListText.h"
#include "library/GameRename.h"
#include "store/DriveRoot.h"

namespace {

const char* kUsage =
    "usage: zt_games list ROOT [--json]\n"
    "       zt_games details ROOT NAME\n"
    "       zt_games delete ROOT NAME\n"
    "       zt_games rename ROOT OLD NEW\n"
    "       zt_games copy SOURCE_ROOT NAME TARGET_ROOT\n"
    "       zt_games check ROOT\n";

const char* kHelp =
    "Usage: zt_games [OPTION]... COMMAND ROOT [ARGUMENT]...\n"
    "List, show, delete, rename, copy and check the games on a drive.\n"
    "\n"
    "  ROOT         the folder that holds a drive's root (its mount point)\n"
    "  list         the games: name, size in KB, parts, game ID, CD/DVD, and\n"
    "               complete, incomplete or damaged\n"
    "  check        find what stopped commands left wrong, and repair it on Yes\n"
    "  -y, --yes    answer Yes to every question\n"
    "      --json   print the list as JSON\n"
    "  -h, --help   show this help and exit\n"
    "      --version  show the version and exit\n"
    "  --           end the options, so that a game name may begin with '-'\n"
    "\n"
    "Exit status:\n"
    "  0  success; for check, the drive is sound\n"
    "  1  failure, refusal or a question answered No; for check, something was found\n"
    "  2  wrong usage\n"
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
    if (!std::filesystem::is_directory(root, error)) {
        frontEnd.boxes.show("The drive " + root + " cannot be opened.");
        return kExitFailure;
    }
    CollectedRows view;
    refreshGameList(root, frontEnd, view);
    if (json) {
        frontEnd.out << gameRowsJson(view.rows);
    } else {
        for (const GameRow& row : view.rows)
            frontEnd.out << gameRowLine(row);
    }
    return kExitSuccess;
}

int showDetails(const std::string& root, const std::string& name, FrontEnd frontEnd) {
    std::optional<std::string> details = gameDetails(root, name);
    if (!details) {
        frontEnd.boxes.show(gameNotFoundText(name));
        return kExitFailure;
    }
    frontEnd.out << *details << '\n';
    return kExitSuccess;
}

// The command word and its operand count (the word included).
struct Command {
    const char* word;
    std::size_t operands;
};
constexpr Command kCommands[] = {
    {"list", 2}, {"details", 3}, {"delete", 3}, {"rename", 4}, {"copy", 4}, {"check", 2},
};

int run(const std::vector<std::string>& ops, bool json, FrontEnd frontEnd) {
    const std::string& word = ops[0];
    if (word == "list")
        return listGames(normalizeRoot(ops[1]), json, frontEnd);
    if (word == "details")
        return showDetails(normalizeRoot(ops[1]), ops[2], frontEnd);
    if (word == "delete") {
        DeleteResult result = confirmAndDeleteGame(normalizeRoot(ops[1]), ops[2], frontEnd);
        return result == DeleteResult::Deleted ? kExitSuccess : kExitFailure;
    }
    if (word == "rename") {
        RenameGameResult result = renameGame(normalizeRoot(ops[1]), ops[2], ops[3], frontEnd);
        return result == RenameGameResult::Renamed ? kExitSuccess : kExitFailure;
    }
    if (word == "check") {
        DriveCheckResult result = checkAndRepairDrive(normalizeRoot(ops[1]), frontEnd);
        return result == DriveCheckResult::Sound ? kExitSuccess : kExitFailure;
    }
    CopyGameResult result =
        copyGame(normalizeRoot(ops[1]), ops[2], normalizeRoot(ops[3]), frontEnd);
    return result == CopyGameResult::Copied ? kExitSuccess : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line = parseCommandLine(argc, argv, {"--json"});
    if (line.version) {
        std::cout << "zt_games 0.1\n";
        return kExitSuccess;
    }
    if (!line.badOption.empty()) {
        std::cerr << "zt_games: unknown option " << line.badOption << '\n';
        std::cout << kUsage;
        return kExitUsage;
    }
    if (line.help) {
        std::cout << kHelp << kUsage;
        return kExitSuccess;
    }
    for (const Command& command : kCommands) {
        if (!line.operands.empty() && line.operands[0] == command.word &&
            line.operands.size() == command.operands) {
            ConsoleFrontEnd console(line.yes);
            return run(line.operands, line.has("--json"), console.frontEnd());
        }
    }
    std::cout << kUsage;
    return kExitUsage;
}
