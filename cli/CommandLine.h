#pragma once
// Options shared by the tools. Options may stand anywhere among the operands;
// "--" ends them, so that an operand may begin with '-'. They are removed
// before a routine's argument vector is built.

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct CommandLine {
    std::vector<std::string> operands;
    bool yes = false;
    bool help = false;
    bool version = false;
    std::set<std::string> flags;                // the tool's own options that were given
    std::map<std::string, std::string> values;  // options that take a value: "--dat FILE"
    std::string badOption;                      // first unknown option, if any

    bool has(std::string_view flag) const { return flags.count(std::string(flag)) != 0; }
    std::optional<std::string> value(std::string_view option) const {
        auto it = values.find(std::string(option));
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

// `toolFlags` are the tool's own options without arguments, such as "--json";
// `valueOptions` those that take the next argument (or "=value") as their value.
CommandLine parseCommandLine(int argc, const char* const* argv,
                             std::initializer_list<std::string_view> toolFlags = {},
                             std::initializer_list<std::string_view> valueOptions = {});

// The argument vector that a routine expects: an empty program name, then the operands.
std::vector<std::string> routineArguments(const std::vector<std::string>& operands);

}  // namespace cli
