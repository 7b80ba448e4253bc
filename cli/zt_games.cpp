// zt_games: lists the games installed on a drive.
#include <cstdio>
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ExitCode.h"
#include "store/DriveRoot.h"
#include "store/TableFile.h"

namespace {

const char* kUsage = "zt_games list ROOT\n";

int listGames(const std::string& root) {
    TableContents table = readTableFile(tablePath(root));
    for (const GameEntry& entry : table.records) {
        std::cout << entry.DisplayName() << '\t' << static_cast<int>(entry.PartCount()) << '\t'
                  << entry.gameId() << '\t' << (entry.MediaType() == kMediaDvd ? "DVD" : "CD")
                  << '\n';
    }
    return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line = parseCommandLine(argc, argv);
    if (line.version) {
        std::cout << "zt_games 0.1\n";
        return kExitSuccess;
    }
    if (!line.badOption.empty()) {
        std::cerr << "zt_games: unknown option " << line.badOption << '\n' << kUsage;
        return kExitUsage;
    }
    if (line.help) {
        std::cout << kUsage;
        return kExitSuccess;
    }
    if (line.operands.size() == 2 && line.operands[0] == "list") {
        return listGames(normalizeRoot(line.operands[1]));
    }
    std::cout << kUsage;
    return kExitUsage;
}
