#pragma once
// Removing a game from a drive: its records leave the table first, then
// their part files are deleted.

#include <optional>
#include <string>

#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// Where a deletion stopped; nothing changed. On success every record of the
// name is gone, and with it its part files.
enum class DeleteStep {
    NotFound,     // no record carries the name
    Declined,     // the user answered No
    Failed,       // the drive could not be held, or the table read or replaced
    NoSelection,  // no game was selected
};

using DeleteResult = store::Outcome<DeleteStep>;

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
