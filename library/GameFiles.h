#pragma once
// What the library's routines share: matching records by name and finding
// out which of a record's part files are present.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/FrontEnd.h"
#include "store/GameEntry.h"

namespace library {

// Names compare byte for byte, case-sensitive, up to the terminator.
inline bool hasName(const store::GameEntry& entry, const std::string& name) {
    return entry.DisplayName() == name;
}

struct PartPresence {
    std::uint64_t bytes = 0;  // total size of the part files present
    int missing = 0;          // part files not found
};

PartPresence findPartFiles(const std::vector<std::string>& paths);

// Shown when the window has no selected row.
constexpr const char* kSelectGameText = "Please select game";
// kSelectGameText when the window has no selected row; true when one is selected.
bool requireSelection(const std::optional<std::string>& selected, const report::FrontEnd& frontEnd);

// Told when a named game is not (or no longer) in the table.
std::string gameNotFoundText(const std::string& name);
// Told when a record's game ID or part count cannot name files.
std::string gameDamagedText(const std::string& name);

}  // namespace library
