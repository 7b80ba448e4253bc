#include "cli/CommandLine.h"

#include <algorithm>

#include "platform/DriveNames.h"

namespace cli {

using namespace platform;

CommandLine parseCommandLine(int argc, const char* const* argv,
                             std::initializer_list<std::string_view> toolFlags,
                             std::initializer_list<std::string_view> valueOptions) {
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        // Where drives have letters, the system's own tools take /? for help.
        if (!optionsEnded && arg == "/?" && platform::drivesHaveLetters()) {
            line.help = true;
        } else if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.operands.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--yes" || arg == "-y") {
            line.yes = true;
        } else if (arg == "--help" || arg == "-h" || arg == "-?") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (std::string_view name = arg.substr(0, arg.find('='));
                   std::find(valueOptions.begin(), valueOptions.end(), name) !=
                   valueOptions.end()) {
            if (name.size() < arg.size()) {
                line.values[std::string(name)] = std::string(arg.substr(name.size() + 1));
            } else if (i + 1 < argc) {
                line.values[std::string(name)] = argv[++i];
            } else if (line.badOption.empty()) {
                line.badOption = std::string(arg) + " (without its value)";
            }
        } else if (std::find(toolFlags.begin(), toolFlags.end(), arg) != toolFlags.end()) {
            line.flags.emplace(arg);
        } else if (line.badOption.empty()) {
            line.badOption = std::string(arg);
        }
    }
    return line;
}

std::vector<std::string> routineArguments(const std::vector<std::string>& operands) {
    std::vector<std::string> args{""};
    args.insert(args.end(), operands.begin(), operands.end());
    return args;
}

}  // namespace cli
