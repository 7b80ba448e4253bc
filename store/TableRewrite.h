#pragma once
// Dropping records from a drive's game table. The new table is put in place
// before anything else changes; the caller deletes the part files of the
// dropped records afterwards, so a failed rewrite never leaves a listed game
// whose files are gone.

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "store/Failure.h"
#include "store/GameEntry.h"
#include "store/TableFile.h"

namespace store {

enum class RecordDecision { Keep, Drop, Abandon };

// Where a rewrite stopped. A failure's object is the table, its reason the
// system's (empty when Abandoned).
enum class TableRewriteStep {
    NotOpened,   // the table exists but cannot be read; nothing was examined
    Abandoned,   // the decision said so; the table is untouched
    Write,       // the new table could not be written; the table is untouched
    NotFlushed,  // the new table is in place but may not be on the device;
                 // nothing that the old table named may be removed
};

// The new table is in place.
struct RewrittenTable {
    std::vector<GameEntry> dropped;  // in file order
};

using RewriteResult = Result<RewrittenTable, TableRewriteStep>;

// Reads the table at root + "zt.cfg" (a missing one reads as empty), asks
// `decide` about each record in file order, then writes the kept records
// followed by `append`. A Drop may come with questions already answered;
// an Abandon stops before anything is written.
RewriteResult rewriteTable(const std::string& root,
                           const std::function<RecordDecision(const GameEntry&)>& decide,
                           std::span<const GameEntry> append = {},
                           const BeforeReplace& beforeReplace = {});

}  // namespace store
