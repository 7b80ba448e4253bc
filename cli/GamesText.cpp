// Text shared by the zt_games commands in Games*.cpp.
#include "cli/GamesCommands.h"
#include "report/ShownText.h"

namespace cli {

using namespace report;

std::string printableText(const std::string& text) {
    return escapeControls(text);
}

}  // namespace cli
