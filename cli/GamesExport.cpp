// zt_games export ROOT NAME FILE
#include "cli/ExitCode.h"
#include "cli/GamesCommands.h"
#include "library/GameExport.h"
#include "store/DriveRoot.h"

namespace cli {

using namespace library;
using namespace store;
using namespace report;

int exportCommand(const std::vector<std::string>& ops, FrontEnd frontEnd) {
    ExportResult result = exportGame(normalizeRoot(ops[1]), ops[2], ops[3], frontEnd);
    return result ? kExitSuccess : kExitFailure;
}

}  // namespace cli
