#pragma once
// Giving an installed game a new name: its part files move to the new name
// hash, then the table takes the new name in one atomic step.

#include <cstddef>
#include <string>

#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// A DisplayName field holds 31 characters and the terminator.
constexpr std::size_t kMaxGameNameLength = 31;

// Where a rename stopped. On success every record of the old name carries the new one.
enum class RenameStep {
    NameTooLong,  // nothing changed
    NameInvalid,  // the new name holds a control byte; nothing changed
    NameTaken,    // "The game already exist."; nothing changed
    FileTaken,    // "The file already exist!"; stopped after the parts before it
    NotFound,     // no record carries the old name; nothing changed
    Damaged,      // a record of the old name names no files and was left alone
    Failed,       // the drive could not be held, the table read or written, or a part moved
};

using RenameGameResult = store::Outcome<RenameStep>;

// Renames part i of each record named `oldName` from the old name hash to the
// new one, then replaces the table with the records renamed, in one atomic
// step. An old part file that is missing (or cannot be renamed for another
// reason than a taken new name) is passed over, so that renaming again
// finishes a rename that stopped half-way; so does a rename whose table
// already holds the new name while parts still lie under the old hash. A
// taken new part name, or a table that cannot be written, moves the parts
// back. Damaged records are left alone, and then the result says so.
RenameGameResult renameGame(const std::string& root, const std::string& oldName,
                            const std::string& newName, const report::FrontEnd& frontEnd);

}  // namespace library
