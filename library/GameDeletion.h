#pragma once
// Removing a game from a drive: its records leave the table first, then
// their part files are deleted.

#include <optional>
#include <string>

#include "report/FrontEnd.h"

namespace library {

enum class DeleteResult {
    Deleted,      // every record of the name is gone, and with it its part files
    NotFound,     // no record carries the name; nothing changed
    Declined,     // the user answered No; nothing changed
    Failed,       // the table could not be read or replaced; nothing changed
    NoSelection,  // no game was selected; nothing changed
};

// Drops every record named `name` from the table at `root`, then deletes
// their part files (never one that a kept record also names). Files of a
// damaged record are left alone. With no record of the name, part files of
// the name's hash that no record owns (a deletion that stopped after the
// table changed) are deleted.
DeleteResult deleteGame(const std::string& root, const std::string& name,
                        const report::FrontEnd& frontEnd);

// The Delete command: "Please select game" without a selection, otherwise
// asks "Delete Game <name>?" and deletes on Yes. The caller refreshes the list.
DeleteResult confirmAndDeleteGame(const std::string& root,
                                  const std::optional<std::string>& selected,
                                  const report::FrontEnd& frontEnd);

}  // namespace library
